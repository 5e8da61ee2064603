#include "copy_menu.h"

#include "literals.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QStyleHints>

namespace copy_menu {

namespace {

struct Form
{
    const char *object_name;
    const char *label;
    QString (*render)(quint32);
};

const Form forms[] = {
    {"copy_c_hex", "Copy as C hex", literals::c_hex},
    {"copy_c_hex_separated", "Copy as C hex with separator", literals::c_hex_separated},
    {"copy_verilog", "Copy as Verilog", literals::verilog},
    {"copy_binary", "Copy as binary", literals::binary},
    {"copy_decimal", "Copy as decimal", literals::decimal},
};

void to_clipboard(const QString &text) { QGuiApplication::clipboard()->setText(text); }

// Shows the shortcut beside the entry where the platform does so in context
// menus, as Qt's own text menus do; the menu itself binds no key.
QString with_shortcut(const char *text, QKeySequence::StandardKey key)
{
    QString caption = QCoreApplication::translate("QWidgetTextControl", text);
    if (!QCoreApplication::testAttribute(Qt::AA_DontShowShortcutsInContextMenus) &&
        QGuiApplication::styleHints()->showShortcutsInContextMenus())
        caption += QLatin1Char('\t') + QKeySequence(key).toString(QKeySequence::NativeText);
    return caption;
}

} // namespace

void append_copy_as(QMenu *menu, quint32 value)
{
    for (const Form &form : forms) {
        const QString literal = form.render(value);
        // The literal goes into the caption unescaped: '&' never occurs in it.
        QAction *action = menu->addAction(
            QStringLiteral("%1 (%2)").arg(QString::fromLatin1(form.label), literal));
        action->setObjectName(QString::fromLatin1(form.object_name));
        QObject::connect(action, &QAction::triggered, menu, [literal] { to_clipboard(literal); });
    }
}

QMenu *selectable_label_menu(QLabel *label, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    // Same captions, names and translation context as Qt's own label menu, so
    // an installed Qt translation applies to both alike.
    QAction *copy = menu->addAction(with_shortcut("&Copy", QKeySequence::Copy));
    copy->setObjectName(QStringLiteral("edit-copy"));
    copy->setEnabled(label->hasSelectedText());
    const QString selected = label->selectedText();
    QObject::connect(copy, &QAction::triggered, menu, [selected] { to_clipboard(selected); });

    menu->addSeparator();

    QAction *select_all = menu->addAction(with_shortcut("Select All", QKeySequence::SelectAll));
    select_all->setObjectName(QStringLiteral("select-all"));
    select_all->setEnabled(!label->text().isEmpty());
    QObject::connect(select_all, &QAction::triggered, label,
                     [label] { label->setSelection(0, label->text().size()); });
    return menu;
}

} // namespace copy_menu
