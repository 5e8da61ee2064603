// The register value written out as source-code literals, for pasting into C,
// C++ or Verilog, the descriptions of single bits and of the whole value, and
// the reading of a pasted literal. QtCore only.
#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <optional>

namespace literals {

// "0x1234ABCD": eight upper-case digits, as register maps print them.
QString c_hex(quint32 value);
// "0x1234'ABCD": C++14 digit separator between the two 16-bit halves.
QString c_hex_separated(quint32 value);
// "32'h1234_ABCD": sized Verilog literal, underscore between the halves.
QString verilog(quint32 value);
// All 32 binary digits, most significant first, no spaces.
QString binary(quint32 value);
// Unsigned decimal, never negative.
QString decimal(quint32 value);

// "0x00000020" for bit 5: the mask of one bit (0 to 31), as c_hex() writes it.
QString bit_mask(int bit);
// "bit 5 · 0x00000020": what a bit button says about itself.
QString bit_tooltip(int bit);

// The four bases on four lines, each as a literal: 0x1234ABCD, 305441741,
// 0o2215125715, 0b and 32 binary digits.
QString all_bases(quint32 value);

// What a register engineer checks, one fact a line: the signed 32-bit
// reading, the number of set bits, the lowest and highest set bit ("none"
// for 0), the bytes from byte 3 to byte 0 and the byte-swapped value.
QString facts(quint32 value);

// What a pasted text holds: one register value, or why it holds none.
struct Reading
{
    std::optional<quint32> value;
    bool too_wide = false; // a number, but it needs more than 32 bits
};

// Reads one number, letters in either case, white space around it ignored:
// - C and C++ 0x, 0b, 0o with ' or _ between digits and a suffix u, l, ul,
//   ull, ll, lu or llu; digits with one of those suffixes are a C decimal
//   literal (3u), or octal with a leading 0 (017u), whatever `plain_base`;
// - Verilog and SystemVerilog 'h, 'd, 'o, 'b with an optional size before the
//   ' and _ anywhere after the first digit; a value wider than its size is no
//   number (a size above 32 with a value above 32 bits counts as too wide);
// - VHDL x"...", o"...", b"..." with _ between digits;
// - assembler hex with an h suffix (1Fh);
// - 32 binary digits alone or in the binary label's eight groups of four,
//   which are binary whatever `plain_base`;
// - any other run of digits, single spaces between them as grouping, in
//   `plain_base` (that of the view it is pasted into).
// Full-width forms (U+FF01 to U+FF5E, the ideographic space U+3000), as
// Chinese and Japanese input methods type them, read as their ASCII forms.
// A text longer than max_literal_length is no number.
Reading read_literal(QStringView text, int plain_base);

// The longest binary literal, 0b and 32 digits with a separator between each,
// has 65 characters; room for the indentation and line ends that come along
// when a literal is copied out of source code brings that to this bound. A
// longer clipboard holds a file or a log, not a value, and is refused by its
// length alone: the context menu reads the clipboard every time it opens,
// and scanning a clipboard of megabytes would stall it.
constexpr int max_literal_length = 256;

} // namespace literals
