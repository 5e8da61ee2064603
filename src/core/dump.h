// Register dumps as engineers have them: what a debugger or a log printed
// for a peripheral's worth of registers, read back into values.
//
// Any line may be in any of these forms, and a dump may mix them:
//   GDB x/Nx (units b, h, w, g)  0x40020000 <GPIOA>:\t0xa8000000\t0x00000000
//   OpenOCD mdb/mdh/mdw/mdd      0x40020000: a8000000 00000000
//   J-Link Commander mem8/16/32  40020000 = A8000000 00000000
//   name lines                   GPIOA.MODER = 0xA8000001
// In the memory forms the digit count of the numbers gives the unit (2, 4,
// 8 or 16 digits: 1, 2, 4 or 8 bytes), each unit at the address after the
// one before it. A name line's value is any literal Paste value reads (plain
// digits hex). `#` starts a comment. read() only parses; cover() places the
// units on a map's registers in the device's byte order. QtCore only.
#pragma once

#include "svd.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <optional>

class QIODevice;

namespace dump {

// A larger input is refused before it is read: no capture of registers comes
// near it, and a line without a newline costs no more than its bytes.
constexpr qint64 max_size = 64 * 1024 * 1024;

// One number of a memory line: `size` bytes (1, 2, 4 or 8) at `address`.
struct Unit
{
    quint64 address = 0;
    quint64 value = 0;
    int size = 4;
    int line = 0;
};

// A name line, the name as written.
struct Named
{
    QString name;
    quint64 value = 0;
    int line = 0;
};

struct Dump
{
    QVector<Unit> units;  // in input order
    QVector<Named> named; // in input order
    // "lines 3 and 9: 0x40020004 is given as 0x00 and 0x01; line 9 stands":
    // an address or name given twice with different values.
    QStringList warnings;
    int skipped = 0;       // lines in no form (blank and comment lines are not counted)
    int first_skipped = 0; // the line number of the first of them; 0 when none
    QString error;         // too large, unreadable, or no line in any form
};

// `name` is what messages call the input ("-" is standard input to callers).
Dump read(const QByteArray &text);
Dump read(QIODevice *input, const QString &name);
Dump read_file(const QString &path);

// What a dump holds for a map's registers, index for index with
// device.registers: a value for each register all of whose bytes the dump
// has, or that a name line names (the later line stands where both give one).
struct Values
{
    QVector<std::optional<quint64>> values;
    int covered = 0;       // registers with a value
    int partly = 0;        // registers some but not all of whose bytes are there
    int first_partly = -1; // the first of those in file order
    // Name lines that name no register of the map or give a value wider
    // than it, and names and addresses that disagree ("line 4: GPIOA.MODER
    // is 0x1 but line 2's bytes make it 0x0").
    QStringList warnings;
};
Values cover(const svd::Device &device, const Dump &dump);

// Name lines for every register that has a value, in file order, after a
// comment naming the map and the time: what read() and cover() read back.
// The second of two registers of one name gets a memory line instead.
QString name_lines(const svd::Device &device, const QVector<std::optional<quint64>> &values,
                   const QString &map_name, const QDateTime &time);

} // namespace dump

Q_DECLARE_TYPEINFO(dump::Unit, Q_PRIMITIVE_TYPE);
Q_DECLARE_TYPEINFO(dump::Named, Q_MOVABLE_TYPE);
