// The rules for a live target, from the access and side effects a map states.
#include "target_rules.h"

#include "regmap.h"

namespace target_rules {

namespace {

// The file's own token, which is what a user can look up in it.
QString read_action_token(svd::ReadEffect effect)
{
    switch (effect) {
    case svd::ReadEffect::None:
        break;
    case svd::ReadEffect::Clear:
        return QStringLiteral("clear");
    case svd::ReadEffect::Set:
        return QStringLiteral("set");
    case svd::ReadEffect::Modify:
        return QStringLiteral("modify");
    case svd::ReadEffect::ModifyExternal:
        return QStringLiteral("modifyExternal");
    }
    return QString();
}

quint64 field_mask(const svd::Field &field)
{
    return field.lsb >= 64 ? 0 : regmap::field_max(field) << field.lsb;
}

// Whether writing 1 (or 0) acts: the value that does not.
std::optional<bool> no_effect_bit(svd::WriteEffect effect)
{
    switch (effect) {
    case svd::WriteEffect::OneToClear:
    case svd::WriteEffect::OneToSet:
    case svd::WriteEffect::OneToToggle:
        return false;
    case svd::WriteEffect::ZeroToClear:
    case svd::WriteEffect::ZeroToSet:
    case svd::WriteEffect::ZeroToToggle:
        return true;
    default:
        return std::nullopt;
    }
}

quint64 fielded_mask(const svd::Register &reg)
{
    quint64 mask = 0;
    for (const svd::Field &field : reg.fields)
        mask |= field_mask(field);
    return mask;
}

} // namespace

quint64 size_mask(const svd::Register &reg)
{
    return reg.size >= 64 ? ~quint64(0) : (quint64(1) << reg.size) - 1;
}

ReadVerdict may_read(const svd::Register &reg)
{
    if (reg.access == svd::Access::WriteOnly || reg.access == svd::Access::WriteOnce)
        return {Read::Never, QStringLiteral("it is write-only")};
    if (reg.read_effect != svd::ReadEffect::None)
        return {Read::OnRequest, QStringLiteral("reading it has a side effect (%1)")
                                     .arg(read_action_token(reg.read_effect))};
    for (const svd::Field &field : reg.fields) {
        if (field.read_effect != svd::ReadEffect::None)
            return {Read::OnRequest, QStringLiteral("reading it has a side effect (%1: %2)")
                                         .arg(field.name, read_action_token(field.read_effect))};
    }
    return {};
}

WriteVerdict may_write(const svd::Register &reg)
{
    if (reg.access == svd::Access::ReadOnly)
        return {false, QStringLiteral("it is read-only")};
    return {};
}

NoEffect no_effect(const svd::Register &reg)
{
    NoEffect result;
    for (const svd::Field &field : reg.fields) {
        const svd::WriteEffect effect =
            field.write_effect != svd::WriteEffect::None ? field.write_effect : reg.write_effect;
        if (const std::optional<bool> bit = no_effect_bit(effect)) {
            result.mask |= field_mask(field);
            if (*bit)
                result.value |= field_mask(field);
        }
    }
    // A register's own modifiedWriteValues covers the bits no field claims.
    if (const std::optional<bool> bit = no_effect_bit(reg.write_effect)) {
        const quint64 rest = size_mask(reg) & ~fielded_mask(reg);
        result.mask |= rest;
        if (*bit)
            result.value |= rest;
    }
    result.mask &= size_mask(reg);
    result.value &= result.mask;
    return result;
}

quint64 read_only_mask(const svd::Register &reg)
{
    quint64 mask = 0;
    for (const svd::Field &field : reg.fields) {
        if (reg.access_of(field) == svd::Access::ReadOnly)
            mask |= field_mask(field);
    }
    return mask & size_mask(reg);
}

quint64 fields_touched(const svd::Register &reg, quint64 bits)
{
    // Unfielded bits count one by one.
    quint64 touched = bits & ~fielded_mask(reg);
    for (const svd::Field &field : reg.fields) {
        if (bits & field_mask(field))
            touched |= field_mask(field);
    }
    return touched & size_mask(reg);
}

quint64 word_to_write(const svd::Register &reg, quint64 wanted, quint64 current, quint64 changed)
{
    const quint64 touched = fields_touched(reg, changed);
    const NoEffect quiet = no_effect(reg);
    quint64 word = wanted;
    const quint64 untouched_effect = quiet.mask & ~touched;
    word = (word & ~untouched_effect) | (quiet.value & untouched_effect);
    const quint64 read_only = read_only_mask(reg);
    word = (word & ~read_only) | (current & read_only);
    return word & size_mask(reg);
}

quint64 value_of(const QByteArray &bytes, bool big_endian)
{
    quint64 value = 0;
    for (int i = 0; i < bytes.size(); ++i) {
        const quint64 byte = quint8(bytes[big_endian ? i : bytes.size() - 1 - i]);
        value = value << 8 | byte;
    }
    return value;
}

QByteArray bytes_of(quint64 value, int size, bool big_endian)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[big_endian ? size - 1 - i : i] = char(value >> (8 * i));
    return bytes;
}

} // namespace target_rules
