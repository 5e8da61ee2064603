// libFuzzer target for literals::read_literal, the reader behind Paste value
// and the console program's value arguments. The input is read as UTF-8 and,
// for clipboards that hand over other scripts, as UTF-16 code units, in each
// plain base a view can have. Whatever the text, a reading must keep the
// reader's own promises: a value renders as every literal Tarnwick copies and
// reads back as itself; white space around the text, the case of its ASCII
// letters and full-width spelling change nothing.

#include "literals.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

void check(bool holds)
{
    if (!holds)
        __builtin_trap();
}

bool same(const literals::Reading &a, const literals::Reading &b)
{
    return a.value == b.value && a.too_wide == b.too_wide;
}

QString swapped_case(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const ushort u = c.unicode();
        if (u < 0x80 && c.isLetter())
            c = c.isUpper() ? c.toLower() : c.toUpper();
    }
    return out;
}

// How a Chinese input method types the same text; only the printable ASCII
// block and the space have full-width forms.
QString full_width(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const ushort u = c.unicode();
        if (u >= 0x21 && u <= 0x7E)
            c = QChar(ushort(u + 0xFEE0));
        else if (u == 0x20)
            c = QChar(ushort(0x3000));
    }
    return out;
}

void read_in_every_base(const QString &text)
{
    for (int base : {2, 8, 10, 16}) {
        const literals::Reading read = literals::read_literal(text, base);
        check(!(read.value && read.too_wide));
        if (text.size() > literals::max_literal_length) {
            check(!read.value && !read.too_wide);
            continue;
        }
        check(same(literals::read_literal(swapped_case(text), base), read));
        check(same(literals::read_literal(full_width(text), base), read));
        if (text.size() + 2 <= literals::max_literal_length)
            check(same(literals::read_literal(QLatin1Char(' ') + text + QLatin1Char('\n'), base),
                       read));
        if (!read.value)
            continue;
        const quint32 value = *read.value;
        for (const QString &literal : {literals::c_hex(value), literals::c_hex_separated(value),
                                       literals::verilog(value), literals::binary(value)})
            check(literals::read_literal(literal, base).value == value);
        check(literals::read_literal(literals::decimal(value), 10).value == value);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    read_in_every_base(QString::fromUtf8(reinterpret_cast<const char *>(data), int(size)));
    // Raw code units, unpaired surrogates and byte-order marks left as they are.
    QString units(int(size / 2), Qt::Uninitialized);
    std::memcpy(units.data(), data, size / 2 * 2);
    read_in_every_base(units);
    return 0;
}
