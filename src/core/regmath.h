// Number logic of the register calculator: parsing, range checks, renderings,
// arithmetic and shifts. Depends on QtCore only, so it is tested without a GUI.
#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <optional>

namespace regmath {

// Outcome of reading a register-sized number out of a text field.
enum class Parse { Ok, OutOfRange, NotANumber };

struct ParseResult
{
    Parse status;
    quint32 value; // Ok: the value; OutOfRange: its low 32 bits; NotANumber: 0,
                   // which is what such a text counts as
};

// The value of an ASCII digit or letter (a and A are 10, z and Z 35), or 99
// for any other character, so that it exceeds every base.
int digit_value(QChar c);

// Reads `text` as an unsigned number in `base` (2, 8, 10 or 16; hex digits in
// either case). Leading zeros are allowed in any number, and the 32-bit range
// is checked exactly however long the text is. Surrounding white space is
// ignored; an empty (or blank) text is 0.
ParseResult parse_register(QStringView text, int base);

// The operand field allows spaces as digit grouping, so they are dropped
// before the text is read ("1010 1010" in binary is 170).
ParseResult parse_operand(QStringView text, int base);

// How a shift-count text is to be applied.
struct ShiftCount
{
    bool applies; // false: not a number, or negative: leave the value alone
    int bits;     // 0..32 when applies; 32 stands for "32 or more"
};

// Surrounding white space and one leading sign are accepted; the digits may
// be arbitrarily many.
ShiftCount parse_shift_count(QStringView text);

quint32 shift_left(quint32 value, int bits);
quint32 shift_right(quint32 value, int bits);

// Operations of the operand calculator, numbered as their radio buttons.
enum class Operation { Add = 0, Subtract = 1, And = 2, Or = 3 };

// The result of `a op b`, or nothing when it leaves 0..4294967295.
std::optional<quint32> apply(Operation op, quint32 a, quint32 b);

// Operand base for the id of its radio button (bin 0, oct 1, dec 2, hex 3).
int base_for_id(int id);

// Renderings: lower case, no prefix, no leading zeros, "0" for zero.
QString to_base(quint32 value, int base);
// All 32 bits, most significant first, in eight space-separated groups of
// four (39 characters).
QString grouped_binary(quint32 value);

} // namespace regmath
