// The reader's own: the tree its first pass makes of the XML, which its
// second pass settles into the flat list of registers. Nothing outside
// svd_parse.cpp, svd_values.cpp and svd_build.cpp includes this.
#pragma once

#include "svd.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <vector>

class QIODevice;

namespace svd {
namespace tree {

// Two passes. The first streams the XML once into a tree of nodes that hold
// only what each element states itself; nothing is looked up yet, since a
// derivedFrom may name an element further down the file. The second settles
// derivedFrom on that tree and walks it from the device down, expanding dim
// arrays and passing register properties to the registers, which it appends
// to the flat list in file order.

enum class Kind : quint8 { Peripheral, Cluster, Register, Field, Enums };

// The tags a node states itself, as bits of Node::stated. A derived node
// takes from its source every tag it does not state.
enum Stated : quint32 {
    HasDescription = 1u << 0,
    HasAddress = 1u << 1,
    HasSize = 1u << 2,
    HasAccess = 1u << 3,
    HasResetValue = 1u << 4,
    HasResetMask = 1u << 5,
    HasDim = 1u << 6,
    HasDimIncrement = 1u << 7,
    HasDimIndex = 1u << 8,
    HasLsb = 1u << 9,
    HasWriteEffect = 1u << 10,
    HasReadEffect = 1u << 11,
    HasUsage = 1u << 12,
    HasChildren = 1u << 13, // registers, fields, enumerated values: replaced whole
    HasWidth = 1u << 14,
};

struct Node
{
    Kind kind = Kind::Peripheral;
    enum State : quint8 { Unresolved, Resolving, Resolved } state = Unresolved;
    Access access = Access::Unstated;
    WriteEffect write_effect = WriteEffect::None;
    ReadEffect read_effect = ReadEffect::None;
    Usage usage = Usage::ReadWrite;
    quint32 stated = 0;
    int parent = -1; // -1: the device
    int line = 0;
    int column = 0;
    QString name;
    QString derived_from;
    QString description;
    QString dim_index;
    quint64 address = 0; // baseAddress of a peripheral, addressOffset otherwise
    quint64 size = 0;
    quint64 reset_value = 0;
    quint64 reset_mask = 0;
    int reset_value_line = 0;
    int reset_mask_line = 0;
    quint64 dim = 0;
    quint64 dim_increment = 0;
    quint64 lsb = 0;   // a field's lowest bit
    quint64 width = 1; // and its number of bits
    // Children (clusters and registers, fields, or value sets) as a chain
    // through next_sibling: no allocation per node, and a derived node shares
    // its source's chain by taking its first_child.
    int first_child = -1;
    int last_child = -1;
    int next_sibling = -1;
    QVector<EnumValue> values; // a set of enumerated values
    QStringList warnings;
};

// What the first pass hands the second.
struct Tree
{
    // Device-level register properties are kept in `device`.
    Node device;
    QString device_name;
    bool big_endian = false;
    std::vector<Node> nodes;
    std::vector<int> peripherals;
};

// Clusters may nest; a file nesting them deeper than any chip does is
// refused rather than followed down the stack.
constexpr int max_depth = 32;

// The format's numbers: decimal, 0x hexadecimal or # binary, an optional
// leading +, and a k, M, G or T multiplier.
bool parse_number(QStringView text, quint64 &out);
// An enumerated value: as a number, or in binary (# or 0b) with x digits
// that match either bit.
bool parse_enum_number(QStringView text, quint64 &value, quint64 &care);
// [msb:lsb]
bool parse_bit_range(QStringView text, quint64 &msb, quint64 &lsb);
// The schema's tokens, and the spellings vendors use outside it.
bool parse_access(QStringView text, Access &out);
bool parse_write_effect(QStringView text, WriteEffect &out);
bool parse_read_effect(QStringView text, ReadEffect &out);
bool parse_usage(QStringView text, Usage &out);
bool parse_bool(QStringView text, bool &out);

QString tag_name(Kind kind);
QString line_note(int line);

// The first pass; `error` is "FILE:LINE:COLUMN: what" when it fails.
bool parse(QIODevice *input, const QString &file_name, Tree &tree, QString &error);
// The second pass, on a tree the first made.
bool build(Tree &tree, const QString &file_name, Device &device, QString &error);

} // namespace tree
} // namespace svd
