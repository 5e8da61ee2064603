#include "regmath.h"

namespace regmath {

namespace {

// The core reader: ASCII digits of `base` only. The exact value is tracked
// in 64 bits only until it passes 32 bits, so any length is judged correctly
// without overflowing; the low 32 bits are kept for the operand's log line.
ParseResult parse_digits(QStringView digits, int base)
{
    quint64 value = 0;
    quint32 low = 0;
    bool overflow = false;
    for (QChar c : digits) {
        const int d = digit_value(c);
        if (d >= base)
            return {Parse::NotANumber, 0};
        low = low * quint32(base) + quint32(d);
        if (!overflow) {
            value = value * quint64(base) + quint64(d);
            overflow = value > 0xffffffffull;
        }
    }
    return {overflow ? Parse::OutOfRange : Parse::Ok, low};
}

} // namespace

int digit_value(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'z')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'Z')
        return u - 'A' + 10;
    return 99;
}

ParseResult parse_register(QStringView text, int base)
{
    return parse_digits(text.trimmed(), base);
}

ParseResult parse_operand(QStringView text, int base)
{
    QString digits;
    digits.reserve(text.size());
    for (QChar c : text) {
        if (!c.isSpace())
            digits.append(c);
    }
    return parse_digits(digits, base);
}

ShiftCount parse_shift_count(QStringView text)
{
    QStringView t = text.trimmed();
    bool negative = false;
    if (!t.isEmpty() && (t.front() == QLatin1Char('+') || t.front() == QLatin1Char('-'))) {
        negative = t.front() == QLatin1Char('-');
        t = t.mid(1);
    }
    if (t.isEmpty())
        return {false, 0};
    const ParseResult r = parse_digits(t, 10);
    if (r.status == Parse::NotANumber)
        return {false, 0};
    const bool zero = r.status == Parse::Ok && r.value == 0;
    if (negative && !zero)
        return {false, 0};
    if (r.status == Parse::OutOfRange || r.value >= 32)
        return {true, 32};
    return {true, int(r.value)};
}

quint32 shift_left(quint32 value, int bits) { return bits >= 32 ? 0 : value << bits; }

quint32 shift_right(quint32 value, int bits) { return bits >= 32 ? 0 : value >> bits; }

std::optional<quint32> apply(Operation op, quint32 a, quint32 b)
{
    switch (op) {
    case Operation::Add:
        if (quint64(a) + quint64(b) > 0xffffffffull)
            return std::nullopt;
        return a + b;
    case Operation::Subtract:
        if (b > a)
            return std::nullopt;
        return a - b;
    case Operation::And:
        return a & b;
    case Operation::Or:
        return a | b;
    }
    return std::nullopt;
}

int base_for_id(int id)
{
    static const int bases[] = {2, 8, 10, 16};
    return id >= 0 && id < 4 ? bases[id] : 10;
}

QString to_base(quint32 value, int base) { return QString::number(value, base); }

QString grouped_binary(quint32 value)
{
    QString text;
    text.reserve(39);
    for (int bit = 31; bit >= 0; --bit) {
        text.append(QLatin1Char((value >> bit) & 1u ? '1' : '0'));
        if (bit % 4 == 0 && bit != 0)
            text.append(QLatin1Char(' '));
    }
    return text;
}

} // namespace regmath
