#include "literals.h"

namespace literals {

namespace {

QString hex_digits(quint32 value)
{
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

} // namespace

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

QString bit_tooltip(int bit)
{
    return QStringLiteral("bit %1 \u00b7 %2").arg(bit).arg(bit_mask(bit));
}

} // namespace literals
