#include "regmap.h"

#include "literals.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <numeric>

namespace regmap {

namespace {

// Fields may sit anywhere up to bit 65535; a shift of 64 or more is
// undefined in C++, so every mask is built here.
quint64 low_bits(int count) { return count >= 64 ? ~quint64(0) : (quint64(1) << count) - 1; }

bool for_reading(const svd::EnumValue &value) { return value.usage != svd::Usage::Write; }

bool for_writing(const svd::EnumValue &value) { return value.usage != svd::Usage::Read; }

QString write_effect_text(svd::WriteEffect effect)
{
    switch (effect) {
    case svd::WriteEffect::None:
        break;
    case svd::WriteEffect::OneToClear:
        return QStringLiteral("write 1 to clear");
    case svd::WriteEffect::OneToSet:
        return QStringLiteral("write 1 to set");
    case svd::WriteEffect::OneToToggle:
        return QStringLiteral("write 1 to toggle");
    case svd::WriteEffect::ZeroToClear:
        return QStringLiteral("write 0 to clear");
    case svd::WriteEffect::ZeroToSet:
        return QStringLiteral("write 0 to set");
    case svd::WriteEffect::ZeroToToggle:
        return QStringLiteral("write 0 to toggle");
    case svd::WriteEffect::Clear:
        return QStringLiteral("a write clears");
    case svd::WriteEffect::Set:
        return QStringLiteral("a write sets");
    case svd::WriteEffect::Modify:
        return QStringLiteral("a write modifies");
    }
    return QString();
}

QString read_effect_text(svd::ReadEffect effect)
{
    switch (effect) {
    case svd::ReadEffect::None:
        break;
    case svd::ReadEffect::Clear:
        return QStringLiteral("read clears");
    case svd::ReadEffect::Set:
        return QStringLiteral("read sets");
    case svd::ReadEffect::Modify:
        return QStringLiteral("read modifies");
    case svd::ReadEffect::ModifyExternal:
        return QStringLiteral("read has side effects");
    }
    return QString();
}

} // namespace

QString bits(int msb, int lsb)
{
    return msb == lsb ? QStringLiteral("[%1]").arg(msb)
                      : QStringLiteral("[%1:%2]").arg(msb).arg(lsb);
}

QString hex(quint64 value, int width) { return sized_hex(value, qMax(width, 32)); }

quint64 bits_of(quint64 value, int msb, int lsb)
{
    return lsb >= 64 ? 0 : (value >> lsb) & low_bits(msb - lsb + 1);
}

quint64 field_value(const svd::Field &field, quint64 value)
{
    return bits_of(value, field.msb, field.lsb);
}

quint64 field_max(const svd::Field &field) { return low_bits(field.width()); }

std::optional<quint64> with_field(const svd::Field &field, quint64 value, quint64 field_value)
{
    if (field_value > field_max(field))
        return std::nullopt;
    if (field.lsb >= 64)
        return field_value == 0 ? std::optional<quint64>(value) : std::nullopt;
    const quint64 mask = low_bits(field.width()) << field.lsb;
    const quint64 placed = field_value << field.lsb;
    // Bits that would land above bit 63 do not fit either.
    if ((placed >> field.lsb) != field_value)
        return std::nullopt;
    return (value & ~mask) | (placed & mask);
}

const svd::EnumValue *read_name(const svd::Field &field, quint64 field_value)
{
    const quint64 mask = field_max(field);
    const svd::EnumValue *fallback = nullptr;
    for (const svd::EnumValue &value : field.values) {
        if (!for_reading(value))
            continue;
        if (value.is_default) {
            if (!fallback)
                fallback = &value;
        } else if (((value.value ^ field_value) & value.care & mask) == 0 &&
                   (value.value & value.care & ~mask) == 0) {
            return &value;
        }
    }
    return fallback;
}

QVector<const svd::EnumValue *> write_choices(const svd::Field &field)
{
    const bool own =
        std::any_of(field.values.begin(), field.values.end(),
                    [](const svd::EnumValue &v) { return v.usage == svd::Usage::Write; });
    QVector<const svd::EnumValue *> choices;
    for (const svd::EnumValue &value : field.values) {
        if (!value.is_default && (!own || for_writing(value)))
            choices.append(&value);
    }
    return choices;
}

std::optional<quint64> parse_field_value(const svd::Field &field, QStringView text)
{
    const QStringView name = text.trimmed();
    for (const svd::EnumValue *choice : write_choices(field)) {
        if (name.compare(choice->name, Qt::CaseInsensitive) == 0)
            return choice->value & choice->care;
    }
    const literals::Reading reading = literals::read_literal(text, 10);
    if (!reading.value)
        return std::nullopt;
    return quint64(*reading.value);
}

QString access_text(const svd::Register &reg, const svd::Field &field)
{
    QStringList parts;
    const QString access = svd::access_name(reg.access_of(field));
    if (!access.isEmpty())
        parts << access;
    const svd::WriteEffect write =
        field.write_effect != svd::WriteEffect::None ? field.write_effect : reg.write_effect;
    const svd::ReadEffect read =
        field.read_effect != svd::ReadEffect::None ? field.read_effect : reg.read_effect;
    for (const QString &effect : {write_effect_text(write), read_effect_text(read)}) {
        if (!effect.isEmpty())
            parts << effect;
    }
    return parts.join(QStringLiteral(", "));
}

QVector<Row> layout(const svd::Register &reg)
{
    QVector<Row> rows;
    rows.reserve(reg.fields.size() + 4);
    for (int i = 0; i < reg.fields.size(); ++i)
        rows.append({reg.fields[i].msb, reg.fields[i].lsb, i});
    std::stable_sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
        return a.msb != b.msb ? a.msb > b.msb : a.lsb > b.lsb;
    });
    // Walk down from the top bit; whatever no field reaches is reserved.
    QVector<Row> all;
    all.reserve(rows.size() * 2 + 1);
    int next = reg.size - 1; // the highest bit not yet accounted for
    for (const Row &row : qAsConst(rows)) {
        if (row.msb < next)
            all.append({next, row.msb + 1, -1});
        all.append(row);
        next = qMin(next, row.lsb - 1);
    }
    if (next >= 0)
        all.append({next, 0, -1});
    return all;
}

QVector<Row> changed_rows(const svd::Register &reg, quint64 old_value, quint64 new_value)
{
    QVector<Row> rows = layout(reg);
    const quint64 changed = old_value ^ new_value;
    rows.erase(std::remove_if(
                   rows.begin(), rows.end(),
                   [changed](const Row &row) { return bits_of(changed, row.msb, row.lsb) == 0; }),
               rows.end());
    return rows;
}

int find_register(const svd::Device &device, QStringView name)
{
    const QStringView wanted = name.trimmed();
    for (int i = 0; i < device.registers.size(); ++i) {
        if (wanted.compare(device.registers[i].name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVector<int> search(const svd::Device &device, QStringView query, int limit)
{
    QVector<QStringView> terms;
    for (int i = 0; i < query.size();) {
        if (query[i].isSpace()) {
            ++i;
            continue;
        }
        int end = i;
        while (end < query.size() && !query[end].isSpace())
            ++end;
        terms.append(query.mid(i, end - i));
        i = end;
    }
    if (terms.isEmpty() || limit <= 0)
        return {};
    const auto starts_a_part = [](QStringView name, QStringView term) {
        for (int at = name.indexOf(term, 0, Qt::CaseInsensitive); at >= 0;
             at = name.indexOf(term, at + 1, Qt::CaseInsensitive)) {
            if (at == 0 || name[at - 1] == QLatin1Char('.'))
                return true;
        }
        return false;
    };
    const QStringView whole = query.trimmed();
    QVector<int> exact, parts, rest;
    for (int i = 0; i < device.registers.size(); ++i) {
        const QStringView name = device.registers[i].name;
        const bool all = std::all_of(terms.begin(), terms.end(), [name](QStringView term) {
            return name.contains(term, Qt::CaseInsensitive);
        });
        if (!all)
            continue;
        if (name.compare(whole, Qt::CaseInsensitive) == 0)
            exact.append(i);
        else if (std::all_of(terms.begin(), terms.end(),
                             [&](QStringView term) { return starts_a_part(name, term); }))
            parts.append(i);
        else if (rest.size() < limit) // the last group is never needed beyond the limit
            rest.append(i);
    }
    exact += parts;
    exact += rest;
    if (exact.size() > limit)
        exact.resize(limit);
    return exact;
}

QString bit_place(const svd::Register &reg, int bit)
{
    if (bit >= reg.size)
        return QStringLiteral("outside the register");
    for (const svd::Field &field : reg.fields) {
        if (bit < field.lsb || bit > field.msb)
            continue;
        if (field.width() == 1)
            return field.name;
        return QStringLiteral("%1[%2]").arg(field.name, QString::number(bit - field.lsb));
    }
    return QStringLiteral("reserved");
}

bool differs_from_reset(const svd::Register &reg, int msb, int lsb, quint64 value)
{
    if (lsb >= 64)
        return false;
    const quint64 bits = low_bits(msb - lsb + 1) << lsb;
    return ((value ^ reg.reset_value) & reg.reset_mask & bits) != 0;
}

namespace {

// A shell wildcard as an anchored expression. With `classes`, [...] is a
// class wherever a ] closes it ([!...] or [^...] the complement, a ] first
// one of its members); otherwise, and for a [ that nothing closes, a bracket
// is itself.
QString wildcard_expression(QStringView pattern, bool classes)
{
    const auto literal = [](QChar c) { return QRegularExpression::escape(QString(c)); };
    QString expression;
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('*')) {
            expression += QLatin1String(".*");
            continue;
        }
        if (c == QLatin1Char('?')) {
            expression += QLatin1Char('.');
            continue;
        }
        if (c != QLatin1Char('[') || !classes) {
            expression += literal(c);
            continue;
        }
        int first = i + 1;
        const bool complement = first < pattern.size() && (pattern[first] == QLatin1Char('!') ||
                                                           pattern[first] == QLatin1Char('^'));
        first += complement ? 1 : 0;
        int end = first < pattern.size() && pattern[first] == QLatin1Char(']') ? first + 1 : first;
        while (end < pattern.size() && pattern[end] != QLatin1Char(']'))
            ++end;
        if (end >= pattern.size()) {
            expression += literal(c);
            continue;
        }
        expression += complement ? QLatin1String("[^") : QLatin1String("[");
        for (int j = first; j < end; ++j) {
            const QChar member = pattern[j];
            if (member == QLatin1Char('\\') || member == QLatin1Char('[') ||
                member == QLatin1Char(']') || member == QLatin1Char('^'))
                expression += QLatin1Char('\\');
            expression += member;
        }
        expression += QLatin1Char(']');
        i = end;
    }
    return QStringLiteral("\\A(?:%1)\\z").arg(expression);
}

// Edits (insert, delete, replace one character) from `a` to `b`, case ignored.
int distance(QStringView a, QStringView b)
{
    QVector<int> row(int(b.size()) + 1);
    std::iota(row.begin(), row.end(), 0);
    for (int i = 0; i < a.size(); ++i) {
        int diagonal = row[0];
        row[0] = i + 1;
        for (int j = 0; j < b.size(); ++j) {
            const int above = row[j + 1];
            const int replace = diagonal + (a[i].toCaseFolded() != b[j].toCaseFolded() ? 1 : 0);
            row[j + 1] = qMin(qMin(above, row[j]) + 1, replace);
            diagonal = above;
        }
    }
    return row[int(b.size())];
}

QStringView last_part(QStringView name) { return name.mid(name.lastIndexOf(QLatin1Char('.')) + 1); }

} // namespace

QVector<int> matching(const svd::Device &device, QStringView pattern)
{
    const auto expression = [pattern](bool classes) {
        return QRegularExpression(wildcard_expression(pattern, classes),
                                  QRegularExpression::CaseInsensitiveOption);
    };
    // A range backwards ([z-a]) is no class; the pattern may still match
    // with its brackets as themselves.
    const QRegularExpression as_classes = expression(true);
    const QRegularExpression as_themselves = expression(false);
    QVector<int> found;
    for (int i = 0; i < device.registers.size(); ++i) {
        const QString &name = device.registers[i].name;
        if (pattern.isEmpty() || (as_classes.isValid() && as_classes.match(name).hasMatch()) ||
            as_themselves.match(name).hasMatch())
            found.append(i);
    }
    return found;
}

QVector<int> closest(const svd::Device &device, QStringView name, int limit)
{
    const QStringView wanted = name.trimmed();
    const QStringView wanted_last = last_part(wanted);
    // A few slips per word: one in four characters, at least one.
    const int slips = qMax(1, int(wanted.size()) / 4);
    struct Candidate
    {
        bool same_last;
        int distance;
        int index;
    };
    QVector<Candidate> candidates;
    for (int i = 0; i < device.registers.size(); ++i) {
        const QString &candidate = device.registers[i].name;
        const bool same_last = !wanted_last.isEmpty() &&
                               last_part(candidate).compare(wanted_last, Qt::CaseInsensitive) == 0;
        const int d = distance(wanted, candidate);
        if (same_last || d <= slips)
            candidates.append({same_last, d, i});
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate &a, const Candidate &b) {
                         return a.same_last != b.same_last ? a.same_last : a.distance < b.distance;
                     });
    QVector<int> found;
    for (int i = 0; i < candidates.size() && i < limit; ++i)
        found.append(candidates[i].index);
    return found;
}

FieldEntry read_field_entry(const svd::Field &field, QStringView text)
{
    const QStringView typed = text.trimmed();
    const quint64 max = field_max(field);
    // The limit in the base the user typed in, so it can be compared at a glance.
    const bool decimal = std::all_of(typed.begin(), typed.end(), [](QChar c) {
        return c.isDigit() || c == QLatin1Char(' ') || c == QLatin1Char('-');
    });
    const QString limit =
        decimal ? QString::number(max) : QStringLiteral("0x") + QString::number(max, 16).toUpper();
    const QString quoted = typed.toString();
    if (typed.isEmpty())
        return {std::nullopt,
                QStringLiteral("Type a value for %1, or press Escape to leave it").arg(field.name)};
    const std::optional<quint64> value = parse_field_value(field, typed);
    if (value && *value <= max)
        return {value, QString()};
    if (value || literals::read_literal(typed, 10).too_wide)
        return {std::nullopt, QStringLiteral("%1 does not fit the %2-bit field %3 (at most %4)")
                                  .arg(quoted, QString::number(field.width()), field.name, limit)};
    if (typed.startsWith(QLatin1Char('-')) && literals::read_literal(typed.mid(1), 10).value)
        return {std::nullopt, QStringLiteral("%1 is negative; the field %2 holds 0 to %3")
                                  .arg(quoted, field.name, limit)};
    return {std::nullopt,
            write_choices(field).isEmpty()
                ? QStringLiteral("%1 is no number").arg(quoted)
                : QStringLiteral("%1 is neither a number nor a name %2 has for writing")
                      .arg(quoted, field.name)};
}

QString sized_hex(quint64 value, int width)
{
    const int digits = qBound(1, (width + 3) / 4, 16);
    return QStringLiteral("0x") +
           QStringLiteral("%1")
               .arg(bits_of(value, digits * 4 - 1, 0), digits, 16, QLatin1Char('0'))
               .toUpper();
}

} // namespace regmap
