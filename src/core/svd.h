// Register maps as silicon vendors publish them: CMSIS-SVD files.
//
// The reader turns a file into one flat list of registers in file order, with
// everything the format spreads over the tree already settled: derivedFrom
// followed, dim arrays expanded, register properties inherited from the
// device, peripheral and clusters, addresses made absolute. What remains is
// plain data that the console program and the map window only look up.
//
// Broken XML, a dangling or circular derivedFrom, entity declarations and
// expansions beyond any real chip are errors naming file, line and column.
// The mistakes vendors do ship (fields outside their register, overlaps,
// values wider than their field, duplicate names, unknown tokens) are
// warnings kept with the register, so real files stay usable. QtCore only.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

class QIODevice;

namespace svd {

enum class Access : quint8 { Unstated, ReadOnly, WriteOnly, ReadWrite, WriteOnce, ReadWriteOnce };
// The schema's token ("read-write", ...); empty for Unstated.
QString access_name(Access access);

// What a set of enumerated values is for; a set that does not say is both.
enum class Usage : quint8 { ReadWrite, Read, Write };

// What a write does beyond storing the bits, and what a read does.
enum class WriteEffect : quint8 {
    None,
    OneToClear,
    OneToSet,
    OneToToggle,
    ZeroToClear,
    ZeroToSet,
    ZeroToToggle,
    Clear,
    Set,
    Modify
};
enum class ReadEffect : quint8 { None, Clear, Set, Modify, ModifyExternal };

struct EnumValue
{
    QString name;
    QString description;
    quint64 value = 0;
    // Bits that must match: all but the file's x digits, which are 0 here
    // (#1x0 matches 4 and 6; #1 matches 1 alone, in a field of any width).
    // Meaningless for the default value, which matches what no other value
    // does.
    quint64 care = ~quint64(0);
    bool is_default = false;
    Usage usage = Usage::ReadWrite;
};

struct Field
{
    QString name;
    int msb = 0;
    int lsb = 0;
    Access access = Access::Unstated; // as the file states it for the field
    WriteEffect write_effect = WriteEffect::None;
    ReadEffect read_effect = ReadEffect::None;
    QString description;
    QVector<EnumValue> values; // every set of the field, in file order
    int line = 0;

    int width() const { return msb - lsb + 1; }
};

struct Register
{
    QString name; // PERIPHERAL.REGISTER, PERIPHERAL.CLUSTER.REGISTER, ...
    quint64 address = 0;
    int size = 32;
    quint64 reset_value = 0;
    quint64 reset_mask = ~quint64(0);
    Access access = Access::Unstated; // inherited from cluster, peripheral, device
    WriteEffect write_effect = WriteEffect::None;
    ReadEffect read_effect = ReadEffect::None;
    QString description;
    QVector<Field> fields; // file order; shared by the copies of one definition
    QStringList warnings;  // "line 12: ..."
    int line = 0;

    // The field's own access, else the register's.
    Access access_of(const Field &field) const
    {
        return field.access != Access::Unstated ? field.access : access;
    }
};

struct Device
{
    QString name;
    // <cpu><endian>big</endian>: register values are stored most significant
    // byte first. Every other byte order reads as little-endian.
    bool big_endian = false;
    QVector<Register> registers;
    // Mistakes not tied to one register (a peripheral's unknown access, ...).
    QStringList warnings;
};

struct Reading
{
    Device device;
    QString error; // "FILE:LINE:COLUMN: what"; empty when the file was read
};

// Registers and array elements beyond any real chip (the largest vendor
// files have a few thousand): an expansion past these is refused.
constexpr int max_registers = 250000;
constexpr int max_expansion = 1000000; // instances of every kind, fields included
constexpr int max_fields = 4000000;    // the fields of all registers together

// Warnings ("line 12: ...") in the order of their lines, as the user reads
// them against the file; they are gathered per kind of mistake.
void sort_by_line(QStringList &warnings);

// Why `content`, a file that did not read as XML, is no XML text at all, in
// words for its user: empty, compressed, an archive, UTF-16 or UTF-32 that
// does not declare itself, binary data, plain text, or not UTF-8 where it
// states no other encoding. Empty when it looks like XML text, whose own
// error then says more. read_file() gives this instead of the XML reader's
// error.
QString not_xml_text(const QByteArray &content);
// Whether a file's first bytes begin XML text: a < after white space and a
// byte-order mark, in UTF-8 or UTF-16. A file dropped on a window is a map
// when they do and a dump when they do not.
bool starts_as_xml(const QByteArray &head);

Reading read_file(const QString &path);
// `file_name` is what error messages call the input.
Reading read(QIODevice *input, const QString &file_name);

} // namespace svd

// Plain values of implicitly shared members: a QVector of them grows by
// moving its bytes rather than by copying each element and releasing the old.
Q_DECLARE_TYPEINFO(svd::EnumValue, Q_MOVABLE_TYPE);
Q_DECLARE_TYPEINFO(svd::Field, Q_MOVABLE_TYPE);
Q_DECLARE_TYPEINFO(svd::Register, Q_MOVABLE_TYPE);
