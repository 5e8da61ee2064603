#include "dumps.h"

#include "dump.h"
#include "output.h"
#include "regmap.h"

#include <QFile>

#include <cstdio>

namespace cli {

namespace {

struct Capture
{
    QString name; // as messages call it
    dump::Dump dump;
    dump::Values values;
};

QString plural(int count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

// Reads and places the dump, and tells on standard error what it said of
// itself; Ok, or the exit code of its failure.
int load(const svd::Device &device, const QString &path, Capture &capture)
{
    if (path == QLatin1String("-")) {
        capture.name = QStringLiteral("standard input");
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly))
            return fail(BadInput, QStringLiteral("standard input: ") + input.errorString());
        capture.dump = dump::read(&input, capture.name);
    } else {
        capture.name = path;
        capture.dump = dump::read_file(path);
    }
    if (!capture.dump.error.isEmpty())
        return fail(BadInput, capture.dump.error);
    capture.values = dump::cover(device, capture.dump);
    warn(capture.name, capture.dump.warnings + capture.values.warnings);
    if (const int skipped = capture.dump.skipped)
        fail(Ok, QStringLiteral("%1: %2 in no form of dump skipped, the first line %3")
                     .arg(capture.name, plural(skipped, "line", "lines"))
                     .arg(capture.dump.first_skipped));
    if (const int partly = capture.values.partly)
        fail(Ok, QStringLiteral("%1: %2 only partly covered, the first %3")
                     .arg(capture.name, plural(partly, "register", "registers"),
                          device.registers[capture.values.first_partly].name));
    return Ok;
}

// Where a dump meant for another chip and the map part ways, for the message
// that says the map is likely the wrong one.
QString mismatch(const svd::Device &device, const QString &file, const dump::Dump &dump)
{
    if (dump.units.isEmpty())
        return QStringLiteral("none of its names is a register of %1").arg(file);
    quint64 first = dump.units.first().address;
    for (const dump::Unit &unit : dump.units)
        first = qMin(first, unit.address);
    if (device.registers.isEmpty())
        return QStringLiteral("%1 has no registers").arg(file);
    quint64 low = device.registers.first().address, high = low;
    for (const svd::Register &reg : device.registers) {
        low = qMin(low, reg.address);
        high = qMax(high, reg.address);
    }
    return QStringLiteral("it starts at %1, and the registers of %2 lie from %3 to %4")
        .arg(address_text(first), file, address_text(low), address_text(high));
}

// The registers matching `pattern` that `capture` covers, or the exit code
// of why there are none.
int covered(const svd::Device &device, const QString &file, const QString &pattern,
            const Capture &capture, QVector<int> &out)
{
    const QVector<int> matching = regmap::matching(device, pattern);
    for (const int index : matching) {
        if (capture.values.values[index])
            out.append(index);
    }
    if (!out.isEmpty())
        return Ok;
    if (capture.values.covered == 0)
        return fail(BadInput, QStringLiteral("%1 covers no register of %2: usually the wrong map "
                                             "for the dump (%3)")
                                  .arg(capture.name, file, mismatch(device, file, capture.dump)));
    if (matching.isEmpty())
        return fail(BadInput, QStringLiteral("no register matches %1").arg(pattern));
    return fail(BadInput,
                QStringLiteral("%1 covers %2 of %3, none matching %4")
                    .arg(capture.name, plural(capture.values.covered, "register", "registers"),
                         file, pattern));
}

QString json_array(const QStringList &objects)
{
    return objects.isEmpty()
               ? QStringLiteral("[]\n")
               : QStringLiteral("[\n%1\n]\n").arg(objects.join(QStringLiteral(",\n")));
}

// "0x1 Output": a field's bits as the decoded table shows them, and their name.
QString field_text(const svd::Field *field, quint64 bits)
{
    const svd::EnumValue *name = field ? regmap::read_name(*field, bits) : nullptr;
    const QString number = QStringLiteral("0x") + QString::number(bits, 16).toUpper();
    return name ? number + ' ' + name->name : number;
}

QString enum_json(const svd::Field *field, quint64 bits)
{
    const svd::EnumValue *name = field ? regmap::read_name(*field, bits) : nullptr;
    return name ? json_string(name->name) : QStringLiteral("null");
}

} // namespace

int show_dump(const svd::Device &device, const QString &file, const QString &dump_path,
              const QString &pattern, bool changed, bool json)
{
    Capture capture;
    QVector<int> shown;
    if (const int code = load(device, dump_path, capture))
        return code;
    if (const int code = covered(device, file, pattern, capture, shown))
        return code;
    QStringList blocks;
    for (const int index : qAsConst(shown)) {
        const svd::Register &reg = device.registers[index];
        const quint64 value = *capture.values.values[index];
        if (changed && !regmap::differs_from_reset(reg, reg.size - 1, 0, value))
            continue;
        blocks << (json ? decoded_json(reg, value).chopped(1) : decoded_text(reg, value));
    }
    if (blocks.isEmpty())
        fail(Ok, shown.size() == 1
                     ? QStringLiteral("%1: the register it covers holds its reset value")
                           .arg(capture.name)
                     : QStringLiteral("%1: the %2 registers it covers hold their reset values")
                           .arg(capture.name)
                           .arg(shown.size()));
    print(json ? json_array(blocks) : blocks.join('\n'));
    return Ok;
}

int show_diff(const svd::Device &device, const QString &file, const QString &old_path,
              const QString &new_path, const QString &pattern, bool json)
{
    Capture before, after;
    QVector<int> in_old, in_new;
    if (const int code = load(device, old_path, before))
        return code;
    if (const int code = load(device, new_path, after))
        return code;
    if (const int code = covered(device, file, pattern, before, in_old))
        return code;
    if (const int code = covered(device, file, pattern, after, in_new))
        return code;
    QStringList parts;
    int both = 0;
    for (const int index : qAsConst(in_old)) {
        if (!after.values.values[index])
            continue;
        ++both;
        const svd::Register &reg = device.registers[index];
        const quint64 old_value = *before.values.values[index];
        const quint64 new_value = *after.values.values[index];
        if (old_value == new_value)
            continue;
        QVector<QStringList> rows;
        QStringList fields;
        for (const regmap::Row &row : regmap::changed_rows(reg, old_value, new_value)) {
            const svd::Field *field = row.field >= 0 ? &reg.fields[row.field] : nullptr;
            const quint64 old_bits = regmap::bits_of(old_value, row.msb, row.lsb);
            const quint64 new_bits = regmap::bits_of(new_value, row.msb, row.lsb);
            rows.append({field ? field->name : QStringLiteral("reserved"),
                         regmap::bits(row.msb, row.lsb),
                         field_text(field, old_bits) + " -> " + field_text(field, new_bits)});
            fields << QStringLiteral("    {\"name\": %1, \"msb\": %2, \"lsb\": %3, \"old\": %4, "
                                     "\"new\": %5, \"old_enum\": %6, \"new_enum\": %7}")
                          .arg(field ? json_string(field->name) : QStringLiteral("null"))
                          .arg(row.msb)
                          .arg(row.lsb)
                          .arg(old_bits)
                          .arg(new_bits)
                          .arg(enum_json(field, old_bits), enum_json(field, new_bits));
        }
        if (json) {
            parts << QStringLiteral("  {\"name\": %1, \"address\": \"%2\", \"size\": %3, \"old\": "
                                    "\"%4\", \"new\": \"%5\", \"fields\": [%6]}")
                         .arg(json_string(reg.name), address_text(reg.address))
                         .arg(reg.size)
                         .arg(regmap::hex(old_value, reg.size), regmap::hex(new_value, reg.size),
                              fields.isEmpty() ? QString() : '\n' + fields.join(",\n") + "\n  ");
            continue;
        }
        QString text = QStringLiteral("%1  %2 -> %3\n")
                           .arg(reg.name, regmap::sized_hex(old_value, reg.size),
                                regmap::sized_hex(new_value, reg.size));
        for (const QString &line : table(rows).split('\n', Qt::SkipEmptyParts))
            text += QStringLiteral("  ") + line + '\n';
        parts << text;
    }
    if (both == 0)
        return fail(BadInput, QStringLiteral("%1 and %2 cover no register%3 in common")
                                  .arg(before.name, after.name,
                                       pattern.isEmpty() ? QString()
                                                         : QStringLiteral(" matching ") + pattern));
    if (parts.isEmpty())
        fail(Ok, both == 1
                     ? QStringLiteral("the register both dumps cover holds the same value")
                     : QStringLiteral("the %1 registers both dumps cover hold the same values")
                           .arg(both));
    print(json ? json_array(parts) : parts.join(QString()));
    return Ok;
}

} // namespace cli
