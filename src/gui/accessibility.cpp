#include "accessibility.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <QUrl>

namespace accessibility {

namespace {

// Qt describes a label as static text even when it holds a link.
class LinkLabel : public QAccessibleWidget
{
public:
    explicit LinkLabel(QLabel *label) : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return QTextDocumentFragment::fromHtml(label()->text()).toPlainText();
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override
    {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction())
            QDesktopServices::openUrl(target());
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QLabel *label() const { return static_cast<QLabel *>(widget()); }

    // The label holds one link, in the rich text it shows.
    QUrl target() const
    {
        static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
        return QUrl(href.match(label()->text()).captured(1));
    }
};

// QLabel's first Tab stop is the label, where Enter presses the dialog's
// default button; only a second Tab marks the link, where Enter opens it.
// Marking the link on focus makes the label one Tab stop. Backwards, QLabel
// finds the marked link again at every Shift+Tab and never lets go, so that
// key goes to the window, which moves the focus on as for any other widget.
class LinkFocus : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *label = static_cast<QLabel *>(watched);
        if (event->type() == QEvent::FocusIn && !label->hasSelectedText()) {
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QCoreApplication::sendEvent(label, &tab);
        } else if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Backtab ||
                (key->key() == Qt::Key_Tab && key->modifiers().testFlag(Qt::ShiftModifier))) {
                QCoreApplication::sendEvent(label->window(), event);
                return true;
            }
        }
        return false;
    }
};

QAccessibleInterface *link_label_factory(const QString &, QObject *object)
{
    auto *label = qobject_cast<QLabel *>(object);
    if (label && label->openExternalLinks())
        return new LinkLabel(label);
    return nullptr;
}

} // namespace

void make_link_reachable(QLabel *label)
{
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->installEventFilter(new LinkFocus(label));
    QAccessible::installFactory(link_label_factory); // only once, however often called
    // With a screen reader running, Qt may already have described the label,
    // before it held a link; the next query builds the description anew.
    if (QAccessibleInterface *described = QAccessible::queryAccessibleInterface(label))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(described));
}

} // namespace accessibility
