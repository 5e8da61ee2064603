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
QString with_key(QString caption, const QKeySequence &key)
{
    if (!QCoreApplication::testAttribute(Qt::AA_DontShowShortcutsInContextMenus) &&
        QGuiApplication::styleHints()->showShortcutsInContextMenus())
        caption += QLatin1Char('\t') + key.toString(QKeySequence::NativeText);
    return caption;
}

QString with_shortcut(const char *text, QKeySequence::StandardKey key)
{
    return with_key(QCoreApplication::translate("QWidgetTextControl", text), QKeySequence(key));
}

// The text reaches the reader as a view, which refuses a clipboard of
// megabytes by its length: nothing is copied or scanned.
literals::Reading clipboard_reading(int plain_base)
{
    return literals::read_literal(QGuiApplication::clipboard()->text(), plain_base);
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
    QAction *all = menu->addAction(QStringLiteral("Copy all"));
    all->setObjectName(QStringLiteral("copy_all"));
    const QString lines = literals::all_bases(value);
    QObject::connect(all, &QAction::triggered, menu, [lines] { to_clipboard(lines); });
}

QKeySequence paste_key() { return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V); }

std::optional<quint32> clipboard_value(int plain_base)
{
    return clipboard_reading(plain_base).value;
}

void append_paste(QMenu *menu, int plain_base, bool show_key,
                  const std::function<void(quint32)> &apply)
{
    const literals::Reading read = clipboard_reading(plain_base);
    const QString why = read.value      ? literals::c_hex(*read.value)
                        : read.too_wide ? QStringLiteral("does not fit in 32 bits")
                                        : QStringLiteral("clipboard holds no number");
    const QString caption = QStringLiteral("Paste value (%1)").arg(why);
    menu->addSeparator();
    QAction *paste = menu->addAction(show_key ? with_key(caption, paste_key()) : caption);
    paste->setObjectName(QStringLiteral("paste_value"));
    paste->setEnabled(bool(read.value));
    if (read.value) {
        const quint32 value = *read.value;
        QObject::connect(paste, &QAction::triggered, menu, [apply, value] { apply(value); });
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
