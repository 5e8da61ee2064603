// Context-menu pieces that copy the register value as a literal or paste one.
#pragma once

#include <QKeySequence>
#include <QtGlobal>

#include <functional>
#include <optional>

class QLabel;
class QMenu;
class QWidget;

namespace copy_menu {

// Appends one entry per literal form of `value` (C hex, C hex with a digit
// separator, Verilog, plain binary, decimal). Each entry shows the literal it
// copies and puts exactly that on the clipboard; the action's object name
// (copy_c_hex, copy_c_hex_separated, copy_verilog, copy_binary, copy_decimal)
// identifies its form. Then "Copy all" (copy_all): literals::all_bases().
void append_copy_as(QMenu *menu, quint32 value);

// Ctrl+Shift+V, bound in the value fields.
QKeySequence paste_key();

// The clipboard's text as literals::read_literal() reads it.
std::optional<quint32> clipboard_value(int plain_base);

// Appends a separator and "Paste value" (paste_value) for the clipboard's
// text read with `plain_base`: "Paste value (0x0000001F)", which calls
// `apply` with the value shown; or disabled, "Paste value (clipboard holds no
// number)" or "Paste value (does not fit in 32 bits)". With `show_key` it
// shows paste_key() where the platform shows keys in context menus.
void append_paste(QMenu *menu, int plain_base, bool show_key,
                  const std::function<void(quint32)> &apply);

// The two entries QLabel offers for mouse-selectable text, "Copy" (only with a
// selection) and "Select All". A label with a custom context menu loses its
// own, and Qt keeps that menu private, so it is rebuilt here.
QMenu *selectable_label_menu(QLabel *label, QWidget *parent);

} // namespace copy_menu
