#include "regmap.h"

#include "literals.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

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

QString hex(quint64 value, int width)
{
    const int digits = width <= 32 ? 8 : qMin(16, (width + 3) / 4);
    return QStringLiteral("0x") +
           QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

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
    QString refusal = write_choices(field).isEmpty()
                          ? QStringLiteral("%1 is no number").arg(quoted)
                          : QStringLiteral("%1 is neither a number nor a name %2 has for writing")
                                .arg(quoted, field.name);
    // C writes 3u, but a suffix is read only after a base prefix, as in the
    // main window's Paste value; say so instead of leaving the user guessing.
    static const QRegularExpression suffixed(
        QStringLiteral("\\A([0-9]+)(?:u|l|ul|ull|ll|lu|llu)\\z"),
        QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch match = suffixed.match(quoted); match.hasMatch())
        refusal += QStringLiteral(": a C suffix is read only after 0x, 0b or 0o; type %1")
                       .arg(match.captured(1));
    return {std::nullopt, refusal};
}

namespace {

// `window` moved, not resized, to lie in `room` where it fits.
QRect inside(QRect window, const QRect &room)
{
    window.moveLeft(
        qBound(room.left(), window.left(), qMax(room.left(), room.right() + 1 - window.width())));
    window.moveTop(
        qBound(room.top(), window.top(), qMax(room.top(), room.bottom() + 1 - window.height())));
    return window;
}

int overlap(const QRect &a, const QRect &b)
{
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : both.width() * both.height();
}

} // namespace

Placement place_windows(const QRect &main, const QSize &map, const QRect &room, bool together,
                        int least_width, int gap)
{
    QSize size = map.boundedTo(room.size());
    if (together && room.width() >= main.width() + gap + least_width) {
        size.setWidth(qMin(size.width(), room.width() - main.width() - gap));
        const int width = main.width() + gap + size.width();
        const int height = qMax(main.height(), size.height());
        const QPoint at(room.left() + (room.width() - width) / 2,
                        room.top() + qMax(0, (room.height() - height) / 2));
        const QRect moved = inside(QRect(at, main.size()), room);
        return {moved, inside(QRect(QPoint(moved.right() + 1 + gap, moved.top()), size), room)};
    }
    const QRect stays = together ? inside(main, room) : main;
    const int right = room.right() - stays.right() - gap;
    const int left = stays.left() - room.left() - gap;
    // Beside it, on the side that takes the map whole, else on the wider
    // side if the map still has a usable width there.
    const bool on_right = size.width() <= right || (size.width() > left && right >= left);
    const int space = on_right ? right : left;
    if (space >= qMin(size.width(), least_width)) {
        size.setWidth(qMin(size.width(), space));
        const int x = on_right ? stays.right() + 1 + gap : stays.left() - gap - size.width();
        return {stays, inside(QRect(QPoint(x, stays.top()), size), room)};
    }
    // No room beside it: against an edge of the room, above, below or level
    // with the main window, wherever the map hides the least of it.
    QRect best;
    int least_hidden = -1;
    for (const int x : {room.right() + 1 - size.width(), room.left()}) {
        for (const int y : {stays.top(), room.bottom() + 1 - size.height(), room.top()}) {
            const QRect candidate = inside(QRect(QPoint(x, y), size), room);
            const int hidden = overlap(candidate, stays);
            if (least_hidden < 0 || hidden < least_hidden) {
                best = candidate;
                least_hidden = hidden;
            }
        }
    }
    return {stays, best};
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
