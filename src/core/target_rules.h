// What Tarnwick may do to a live chip's registers, decided from the map
// alone, so that the console program and the map window keep the same
// rules: which registers a read may touch without being asked, which need
// the user's explicit word, and what word a write puts on the bus so that
// writing back a status register does not clear every flag that was set.
// QtCore only.
#pragma once

#include "svd.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace target_rules {

enum class Read {
    Automatic, // watching and whole-peripheral reads may read it
    OnRequest, // a read changes the chip: only when asked for by name and confirmed
    Never      // write-only: a read returns nothing that means anything
};

struct ReadVerdict
{
    Read rule = Read::Automatic;
    // Why it is not read automatically: "reading it has a side effect
    // (modifyExternal)", "reading it has a side effect (FLAG: clear)", "it
    // is write-only". Empty for Automatic.
    QString reason;
};
ReadVerdict may_read(const svd::Register &reg);

// Nothing stops a write but a read-only register; the reason says so.
struct WriteVerdict
{
    bool allowed = true;
    QString reason;
};
WriteVerdict may_write(const svd::Register &reg);

// The bits of the fields (and of the register's unfielded bits) for which
// writing one value (0 or 1, the "no-effect" value) leaves them alone: the
// value to put in them when the user does not mean to act on them.
// Registers of oneToClear flags get 0 there, zeroToClear ones get 1.
struct NoEffect
{
    quint64 mask = 0;  // bits whose written value has an effect of its own
    quint64 value = 0; // their no-effect values
};
NoEffect no_effect(const svd::Register &reg);
// Bits of fields the file makes read-only.
quint64 read_only_mask(const svd::Register &reg);
// The bits of every field that has any bit in `bits`: a field the user
// touched counts as changed as a whole.
quint64 fields_touched(const svd::Register &reg, quint64 bits);

// The word that writes `wanted` to the register, whose present value is
// `current` (what was read, or the reset value where it cannot be read).
// `changed` holds the bits the user changed or named (a FIELD=X of the
// console program, an edit in the window); the fields with one of them are
// taken as the user gave them. Elsewhere a field with an effect on writing
// gets its no-effect value, and read-only fields keep `current`.
quint64 word_to_write(const svd::Register &reg, quint64 wanted, quint64 current, quint64 changed);

// The register's bits: all ones up to its size.
quint64 size_mask(const svd::Register &reg);

// A register's value from the bytes a server returned, which are memory in
// the device's byte order, and back.
quint64 value_of(const QByteArray &bytes, bool big_endian);
QByteArray bytes_of(quint64 value, int size, bool big_endian);

} // namespace target_rules
