// What tarnwick-cli writes: tables for a person, JSON for scripts, the
// messages on standard error, all as UTF-8.
#include "output.h"

#include "regmap.h"

#include <algorithm>
#include <cstdio>

namespace cli {

void print(const QString &text) { std::fputs(text.toUtf8().constData(), stdout); }

int fail(int code, const QString &message)
{
    std::fputs(("tarnwick-cli: " + message + '\n').toUtf8().constData(), stderr);
    return code;
}

void warn(const QString &file, const QStringList &warnings)
{
    for (const QString &warning : warnings)
        fail(Ok, QStringLiteral("%1: %2").arg(file, warning));
}

QString table(const QVector<QStringList> &rows)
{
    QVector<int> widths;
    for (const QStringList &row : rows) {
        widths.resize(qMax(widths.size(), row.size()));
        for (int i = 0; i < row.size(); ++i)
            widths[i] = qMax(widths[i], row[i].size());
    }
    QString text;
    for (const QStringList &row : rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        text += line.trimmed() + '\n';
    }
    return text;
}

QString json_string(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

QString json_or_null(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("null") : json_string(text);
}

QString address_text(quint64 address) { return regmap::hex(address, address >> 32 ? 64 : 32); }

QString json_register(const svd::Register &reg)
{
    return QStringLiteral("\"name\": %1, \"address\": \"%2\", \"size\": %3, \"reset_value\": "
                          "\"%4\", \"access\": %5")
        .arg(json_string(reg.name), address_text(reg.address), QString::number(reg.size),
             regmap::hex(reg.reset_value, reg.size), json_or_null(svd::access_name(reg.access)));
}

QString access_or_dash(const QString &access)
{
    return access.isEmpty() ? QStringLiteral("-") : access;
}

QString decoded_text(const svd::Register &reg, quint64 value)
{
    QString text = QStringLiteral("%1  %2  %3 bits  %4  reset %5\nvalue %6 = %7\n\n")
                       .arg(reg.name, address_text(reg.address), QString::number(reg.size),
                            access_or_dash(svd::access_name(reg.access)),
                            regmap::sized_hex(reg.reset_value, reg.size),
                            regmap::sized_hex(value, reg.size), QString::number(value));
    QVector<QStringList> rows = {{QStringLiteral("bits"), QStringLiteral("field"),
                                  QStringLiteral("value"), QString(), QStringLiteral("enum"),
                                  QStringLiteral("access")}};
    for (const regmap::Row &row : regmap::layout(reg)) {
        const svd::Field *field = row.field >= 0 ? &reg.fields[row.field] : nullptr;
        const quint64 bits = regmap::bits_of(value, row.msb, row.lsb);
        const svd::EnumValue *name = field ? regmap::read_name(*field, bits) : nullptr;
        rows.append({regmap::bits(row.msb, row.lsb),
                     field ? field->name : QStringLiteral("reserved"),
                     QStringLiteral("0x") + QString::number(bits, 16).toUpper(),
                     QString::number(bits), name ? name->name : QString(),
                     field ? access_or_dash(regmap::access_text(reg, *field)) : QString()});
    }
    return text + table(rows);
}

QString decoded_json(const svd::Register &reg, quint64 value)
{
    QVector<const svd::Field *> fields;
    for (const svd::Field &field : reg.fields)
        fields.append(&field);
    std::stable_sort(fields.begin(), fields.end(),
                     [](const svd::Field *a, const svd::Field *b) { return a->msb > b->msb; });
    QStringList objects;
    for (const svd::Field *field : fields) {
        const quint64 bits = regmap::field_value(*field, value);
        const svd::EnumValue *name = regmap::read_name(*field, bits);
        objects << QStringLiteral("  {\"name\": %1, \"msb\": %2, \"lsb\": %3, \"access\": %4, "
                                  "\"value\": %5, \"enum\": %6, \"description\": %7}")
                       .arg(json_string(field->name), QString::number(field->msb),
                            QString::number(field->lsb),
                            json_or_null(svd::access_name(reg.access_of(*field))),
                            QString::number(bits), name ? json_string(name->name) : "null",
                            json_or_null(field->description.simplified()));
    }
    return QStringLiteral("{%1, \"value\": \"%2\", \"fields\": [%3]}\n")
        .arg(json_register(reg), regmap::hex(value, reg.size),
             objects.isEmpty() ? QString() : '\n' + objects.join(QStringLiteral(",\n")) + '\n');
}

} // namespace cli
