// Registers and fields by name for the console program.
#include "registers.h"

#include "output.h"
#include "regmap.h"

#include <algorithm>

namespace cli {

namespace {

// Why `text` sets no value of the field, and what does.
QString unwritable(const svd::Field &field, const QString &text)
{
    const QString name = text.trimmed();
    const auto named = std::find_if(field.values.begin(), field.values.end(),
                                    [&name](const svd::EnumValue &value) {
                                        return name.compare(value.name, Qt::CaseInsensitive) == 0;
                                    });
    QString why = QStringLiteral("\"%1\" is neither a number nor a value of %2");
    if (named != field.values.end() && named->is_default)
        why = QStringLiteral("\"%1\" names the values of %2 that have no name of their own, "
                             "not one to write");
    else if (named != field.values.end())
        why = QStringLiteral("\"%1\" is what %2 reads as, not a value to write");
    QStringList names;
    for (const svd::EnumValue *choice : regmap::write_choices(field))
        names << choice->name;
    return why.arg(text, field.name) +
           QStringLiteral("; it is written as %1a number")
               .arg(names.isEmpty() ? QString() : names.join(QStringLiteral(", ")) + " or ");
}

} // namespace

// ": GPIOA is a peripheral; try --list 'GPIOA.*'" where `name` is the name
// of a peripheral or cluster; empty otherwise.
QString group_hint(const svd::Device &device, const QString &name)
{
    const QString inside = name + QLatin1Char('.');
    const bool holds_registers =
        std::any_of(device.registers.begin(), device.registers.end(), [&](const svd::Register &r) {
            return r.name.startsWith(inside, Qt::CaseInsensitive);
        });
    if (!holds_registers)
        return QString();
    return QStringLiteral(": %1 is a %2; try --list '%1.*'")
        .arg(name, name.contains(QLatin1Char('.')) ? QStringLiteral("cluster")
                                                   : QStringLiteral("peripheral"));
}

int find_field(const svd::Register &reg, QStringView name)
{
    for (int i = 0; i < reg.fields.size(); ++i) {
        if (name.compare(reg.fields[i].name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// FIELD=X, applied to `value` in order.
int assign(const svd::Register &reg, const QStringList &assignments, quint64 &value,
           QVector<int> *named)
{
    QVector<int> done;
    for (const QString &assignment : assignments) {
        const int equals = assignment.indexOf(QLatin1Char('='));
        const QString name = assignment.left(equals).trimmed();
        const QString text = assignment.mid(equals + 1);
        const int index = find_field(reg, name);
        if (index < 0)
            return fail(BadInput, QStringLiteral("%1 has no field %2").arg(reg.name, name));
        const svd::Field &field = reg.fields[index];
        // The second of two would silently undo the first: a slip, not a plan.
        if (done.contains(index))
            return fail(BadInput, QStringLiteral("%1 is set twice").arg(field.name));
        done.append(index);
        if (named)
            named->append(index);
        // Its bits beyond the register would make a value the register
        // cannot hold.
        if (field.msb >= reg.size)
            return fail(BadInput, QStringLiteral("%1 %2 reaches past the %3-bit register %4, so it "
                                                 "cannot be set")
                                      .arg(field.name, regmap::bits(field.msb, field.lsb),
                                           QString::number(reg.size), reg.name));
        const std::optional<quint64> field_value = regmap::parse_field_value(field, text);
        if (!field_value)
            return fail(BadInput, unwritable(field, text));
        const std::optional<quint64> placed = regmap::with_field(field, value, *field_value);
        if (!placed)
            return fail(BadInput, QStringLiteral("%1 does not fit the %2-bit field %3")
                                      .arg(text, QString::number(field.width()), field.name));
        value = *placed;
        if (reg.access_of(field) == svd::Access::ReadOnly)
            fail(Ok, QStringLiteral("%1 is read-only: writing it changes nothing").arg(field.name));
    }
    return Ok;
}

// What `name`, which names no register, is instead, and what to try.
QString no_register(const svd::Device &device, const QString &file, const QString &name)
{
    const QString wanted = name.trimmed();
    const QString text = QStringLiteral("%1 has no register %2").arg(file, wanted);
    if (const QString hint = group_hint(device, wanted); !hint.isEmpty())
        return text + hint;
    const int dot = wanted.lastIndexOf(QLatin1Char('.'));
    const int owner = dot > 0 ? regmap::find_register(device, wanted.left(dot)) : -1;
    if (owner >= 0 && find_field(device.registers[owner], wanted.mid(dot + 1)) >= 0)
        return text + QStringLiteral(": %1 is a field of %2; try %2 %1=X")
                          .arg(wanted.mid(dot + 1), device.registers[owner].name);
    QStringList names;
    for (const int index : regmap::closest(device, wanted, 5))
        names << device.registers[index].name;
    return names.isEmpty() ? text
                           : text + QStringLiteral("; the closest: %1").arg(names.join(", "));
}

} // namespace cli
