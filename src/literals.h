// The register value written out as source-code literals, for pasting into C,
// C++ or Verilog, and the descriptions of single bits. QtCore only.
#pragma once

#include <QString>
#include <QtGlobal>

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

} // namespace literals
