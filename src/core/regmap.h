// A register value read as the fields of one register of a map: what the
// console program prints and the map window shows, from the reader's data.
// QtCore only.
#pragma once

#include "svd.h"

#include <QString>
#include <QStringView>
#include <QVector>
#include <QtGlobal>

#include <optional>

namespace regmap {

// "[31:30]", or "[5]" for a single bit.
QString bits(int msb, int lsb);

// "0x0000002A": upper-case digits, eight of them up to 32 bits, one per
// nibble of `width` beyond.
QString hex(quint64 value, int width = 32);

// Bits [msb:lsb] of `value`, shifted down to bit 0; 0 above bit 63.
quint64 bits_of(quint64 value, int msb, int lsb);
// The field's bits of `value`, shifted down to bit 0.
quint64 field_value(const svd::Field &field, quint64 value);
// The largest value the field holds.
quint64 field_max(const svd::Field &field);
// `value` with exactly the field's bits replaced; nothing when `field_value`
// is wider than the field, which must not spill into its neighbours.
std::optional<quint64> with_field(const svd::Field &field, quint64 value, quint64 field_value);

// The enumerated value that names `field_value` as read: one of the values
// for reading (usage read or read-write) that matches it, else their default
// one; nullptr when none does.
const svd::EnumValue *read_name(const svd::Field &field, quint64 field_value);
// The values offered when a value is composed to be written: those for
// writing where the field has its own, else all of them; default entries,
// which stand for no single value, are left out.
QVector<const svd::EnumValue *> write_choices(const svd::Field &field);
// What `text` sets the field to: the name of one of write_choices() (case
// ignored), else a number in any notation Paste value reads (plain digits
// are decimal). Nothing when it is neither.
std::optional<quint64> parse_field_value(const svd::Field &field, QStringView text);

// The access token followed by the side effects the file states: "read-write,
// write 1 to clear, read clears". Empty when nothing states either.
QString access_text(const svd::Register &reg, const svd::Field &field);

// One row per field, msb first, and a reserved row (field -1) for each run
// of the register's bits that no field covers, so all bits are accounted for.
struct Row
{
    int msb;
    int lsb;
    int field; // index into the register's fields, or -1 for reserved bits
};
QVector<Row> layout(const svd::Register &reg);
// The rows of layout() in which two values of the register differ: what a
// comparison of two dumps shows of it.
QVector<Row> changed_rows(const svd::Register &reg, quint64 old_value, quint64 new_value);

// The register of that full name, case ignored; -1 when there is none.
int find_register(const svd::Device &device, QStringView name);

// The registers whose full names contain every white-space separated term of
// `query`, case ignored, at most `limit` of them: first a name equal to the
// whole query, then names in which every term starts a part (the name's
// start or just after a dot), then the rest, each group in file order.
// Nothing for a blank query.
QVector<int> search(const svd::Device &device, QStringView query, int limit);

// Which field holds `bit` of the register, as the bit buttons say it:
// "MODER2[1]" for bit 1 of a wide field, just "CEN" for a field of one bit,
// "reserved" for a bit no field covers and "outside the register" for a bit
// at or above its size. The first field in file order wins an overlap.
QString bit_place(const svd::Register &reg, int bit);

// Whether bits [msb:lsb] of `value` differ from the register's reset value
// where its reset mask says the reset value is known.
bool differs_from_reset(const svd::Register &reg, int msb, int lsb, quint64 value);

// The registers whose full names match `pattern`, a shell wildcard (* ? and
// [...] classes, case ignored), in file order; all of them for an empty
// pattern. Array and cluster names carry brackets of their own ("CH[0]"), so
// a name also matches when the pattern does with its brackets read as
// themselves, and a [ that no ] closes is always itself: 'TIM.CH[0].*' lists
// the cluster CH[0], and a register's own name lists that register.
QVector<int> matching(const svd::Device &device, QStringView pattern);

// The registers a mistyped `name` most likely meant, at most `limit`: first
// those whose last part is the name's (ODR for GPIOA.ODR), then those a few
// typing slips away, each group nearest first. Nothing when none is close.
QVector<int> closest(const svd::Device &device, QStringView name, int limit);

// What a text typed into a field's editor writes: a value the field holds,
// read as parse_field_value() reads it, or why it writes nothing, in words
// that name the field ("4096 does not fit the 12-bit field CLKDIV (at most
// 4095)"). Exactly one of the two is set.
struct FieldEntry
{
    std::optional<quint64> value;
    QString refusal;
};
FieldEntry read_field_entry(const svd::Field &field, QStringView text);

// "0xA5" for an 8-bit register, "0x0000" for a 16-bit one: a digit for every
// nibble of `width`, up to 64 bits.
QString sized_hex(quint64 value, int width);

} // namespace regmap
