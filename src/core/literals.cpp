#include "literals.h"

#include "regmath.h"

#include <QRegularExpression>
#include <QStringList>
#include <QtAlgorithms>
#include <QtEndian>

namespace literals {

namespace {

QString hex_digits(quint32 value)
{
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

int base_of(QChar letter)
{
    switch (letter.toLower().unicode()) {
    case 'b':
        return 2;
    case 'o':
        return 8;
    case 'd':
        return 10;
    default: // x, h
        return 16;
    }
}

// `digits` in `base` once the separators in `separators` are dropped. A
// separator must stand alone between two digits, except where `anywhere`
// (Verilog's _, allowed anywhere after the first digit).
Reading read_digits(QStringView digits, int base, const QString &separators, bool anywhere = false)
{
    QString kept;
    const int last = int(digits.size()) - 1;
    for (int i = 0; i <= last; ++i) {
        if (!separators.contains(digits[i])) {
            kept += digits[i];
        } else if (!anywhere && (i == 0 || i == last || separators.contains(digits[i - 1]) ||
                                 separators.contains(digits[i + 1]))) {
            return {};
        }
    }
    const regmath::ParseResult parsed = regmath::parse_register(kept, base);
    if (kept.isEmpty() || parsed.status == regmath::Parse::NotANumber)
        return {};
    if (parsed.status == regmath::Parse::OutOfRange)
        return {std::nullopt, true};
    return {parsed.value};
}

// A sized literal must fit its own width; one wider than 32 bits may still
// hold a 32-bit value.
Reading read_verilog(const QRegularExpressionMatch &match)
{
    const Reading read = read_digits(match.capturedRef(3), base_of(match.capturedRef(2).at(0)),
                                     QStringLiteral("_"), true);
    if (match.capturedRef(1).isEmpty() || (!read.value && !read.too_wide))
        return read;
    const regmath::ParseResult size = regmath::parse_register(match.capturedRef(1), 10);
    const bool over_32 = size.status == regmath::Parse::OutOfRange || size.value > 32;
    if (size.value == 0 && !over_32)
        return {};
    if (read.too_wide)
        return over_32 ? read : Reading{};
    if (!over_32 && size.value < 32 && (*read.value >> size.value) != 0)
        return {};
    return read;
}

// Full-width ASCII sits at a fixed distance from ASCII itself.
QString ascii_forms(QStringView text)
{
    QString ascii = text.toString();
    for (QChar &c : ascii) {
        const ushort u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(ushort(u - 0xFEE0));
        else if (u == 0x3000)
            c = QLatin1Char(' ');
    }
    return ascii;
}

} // namespace

Reading read_literal(QStringView text, int plain_base)
{
    // The group keeps \A and \z around every alternative of the pattern.
    const auto whole = [](const char *pattern) {
        return QRegularExpression(QStringLiteral("\\A(?:%1)\\z").arg(QLatin1String(pattern)),
                                  QRegularExpression::CaseInsensitiveOption);
    };
    static const QRegularExpression c = whole("0([xbo])([0-9a-f'_]+)(?:u|l|ul|ull|ll|lu|llu)?");
    static const QRegularExpression c_suffixed =
        whole("(0[0-7'_]*|[1-9][0-9'_]*)(?:u|l|ul|ull|ll|lu|llu)");
    static const QRegularExpression verilog = whole("([0-9]*)'([hdob])([0-9a-f][0-9a-f_]*)");
    static const QRegularExpression vhdl = whole("([xob])\"([0-9a-f_]+)\"");
    static const QRegularExpression assembler = whole("([0-9a-f]+)h");
    static const QRegularExpression binary32 = whole("[01]{32}|[01]{4}(?: [01]{4}){7}");

    if (text.size() > max_literal_length)
        return {};
    const QString trimmed = ascii_forms(text).trimmed();
    QRegularExpressionMatch match;
    if ((match = c.match(trimmed)).hasMatch())
        return read_digits(match.capturedRef(2), base_of(match.capturedRef(1).at(0)),
                           QStringLiteral("'_"));
    // The suffix says it is C, and C reads it as decimal or, from a leading
    // 0, octal.
    if ((match = c_suffixed.match(trimmed)).hasMatch())
        return read_digits(match.capturedRef(1), trimmed.startsWith(QLatin1Char('0')) ? 8 : 10,
                           QStringLiteral("'_"));
    if ((match = verilog.match(trimmed)).hasMatch())
        return read_verilog(match);
    if ((match = vhdl.match(trimmed)).hasMatch())
        return read_digits(match.capturedRef(2), base_of(match.capturedRef(1).at(0)),
                           QStringLiteral("_"));
    if ((match = assembler.match(trimmed)).hasMatch())
        return read_digits(match.capturedRef(1), 16, QString());
    // Tarnwick's own binary forms read back in every view.
    const int base = binary32.match(trimmed).hasMatch() ? 2 : plain_base;
    return read_digits(trimmed, base, QStringLiteral(" "));
}

QString c_hex(quint32 value) { return QStringLiteral("0x") + hex_digits(value); }

QString c_hex_separated(quint32 value)
{
    const QString digits = hex_digits(value);
    return QStringLiteral("0x") + digits.left(4) + QLatin1Char('\'') + digits.mid(4);
}

QString verilog(quint32 value)
{
    const QString digits = hex_digits(value);
    return QStringLiteral("32'h") + digits.left(4) + QLatin1Char('_') + digits.mid(4);
}

QString binary(quint32 value) { return QStringLiteral("%1").arg(value, 32, 2, QLatin1Char('0')); }

QString decimal(quint32 value) { return QString::number(value); }

QString bit_mask(int bit)
{
    Q_ASSERT(bit >= 0 && bit < 32);
    return c_hex(quint32(1) << (bit & 31));
}

QString all_bases(quint32 value)
{
    return QStringList{c_hex(value), decimal(value),
                       QStringLiteral("0o") + QString::number(value, 8),
                       QStringLiteral("0b") + binary(value)}
        .join(QLatin1Char('\n'));
}

QString facts(quint32 value)
{
    const auto bit = [value](int index) {
        return value == 0 ? QStringLiteral("none") : QString::number(index);
    };
    const QString bytes = hex_digits(value);
    return QStringLiteral("signed: %1\nbits set: %2\nlowest set bit: %3\nhighest set bit: %4\n"
                          "bytes 3 to 0: %5 %6 %7 %8\nbyte-swapped: %9")
        .arg(QString::number(qint32(value)), QString::number(qPopulationCount(value)),
             bit(qCountTrailingZeroBits(value)), bit(31 - int(qCountLeadingZeroBits(value))),
             bytes.mid(0, 2), bytes.mid(2, 2), bytes.mid(4, 2), bytes.mid(6, 2),
             c_hex(qbswap(value)));
}

QString bit_tooltip(int bit)
{
    return QStringLiteral("bit %1 \u00b7 %2").arg(bit).arg(bit_mask(bit));
}

} // namespace literals
