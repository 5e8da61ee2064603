// Context-menu pieces that copy the register value as a literal.
#pragma once

#include <QtGlobal>

class QLabel;
class QMenu;
class QWidget;

namespace copy_menu {

// Appends one entry per literal form of `value` (C hex, C hex with a digit
// separator, Verilog, plain binary, decimal). Each entry shows the literal it
// copies and puts exactly that on the clipboard; the action's object name
// (copy_c_hex, copy_c_hex_separated, copy_verilog, copy_binary, copy_decimal)
// identifies its form.
void append_copy_as(QMenu *menu, quint32 value);

// The two entries QLabel offers for mouse-selectable text, "Copy" (only with a
// selection) and "Select All". A label with a custom context menu loses its
// own, and Qt keeps that menu private, so it is rebuilt here.
QMenu *selectable_label_menu(QLabel *label, QWidget *parent);

} // namespace copy_menu
