#include "svd.h"

#include "regmath.h"

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

#include <algorithm>
#include <array>
#include <iterator>
#include <tuple>
#include <unordered_map>
#include <vector>

// Two passes. The first streams the XML once into a tree of nodes that hold
// only what each element states itself; nothing is looked up yet, since a
// derivedFrom may name an element further down the file. The second settles
// derivedFrom on that tree and walks it from the device down, expanding dim
// arrays and passing register properties to the registers, which it appends
// to the flat list in file order.

namespace svd {

namespace {

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

enum class Element : quint8 {
    Unknown,
    Device,
    Peripherals,
    Peripheral,
    Registers,
    Cluster,
    Register,
    Fields,
    Field,
    EnumeratedValues,
    EnumeratedValue,
    Name,
    Description,
    BaseAddress,
    AddressOffset,
    Size,
    Access,
    ResetValue,
    ResetMask,
    Dim,
    DimIncrement,
    DimIndex,
    BitOffset,
    BitWidth,
    Lsb,
    Msb,
    BitRange,
    ModifiedWriteValues,
    ReadAction,
    Usage,
    Value,
    IsDefault,
};

// Called for every start tag: only the tags of its length are compared.
Element element_of(QStringRef tag)
{
    struct Entry
    {
        const char *name;
        Element element;
    };
    static const Entry entries[] = {
        {"dim", Element::Dim},
        {"lsb", Element::Lsb},
        {"msb", Element::Msb},
        {"name", Element::Name},
        {"size", Element::Size},
        {"field", Element::Field},
        {"value", Element::Value},
        {"usage", Element::Usage},
        {"access", Element::Access},
        {"fields", Element::Fields},
        {"device", Element::Device},
        {"cluster", Element::Cluster},
        {"bitWidth", Element::BitWidth},
        {"register", Element::Register},
        {"bitRange", Element::BitRange},
        {"dimIndex", Element::DimIndex},
        {"bitOffset", Element::BitOffset},
        {"resetMask", Element::ResetMask},
        {"isDefault", Element::IsDefault},
        {"registers", Element::Registers},
        {"resetValue", Element::ResetValue},
        {"readAction", Element::ReadAction},
        {"peripheral", Element::Peripheral},
        {"description", Element::Description},
        {"baseAddress", Element::BaseAddress},
        {"peripherals", Element::Peripherals},
        {"dimIncrement", Element::DimIncrement},
        {"addressOffset", Element::AddressOffset},
        {"enumeratedValue", Element::EnumeratedValue},
        {"enumeratedValues", Element::EnumeratedValues},
        {"modifiedWriteValues", Element::ModifiedWriteValues},
    };
    // entries[first[n]] is the first entry of length n; the table is sorted
    // by length.
    static const auto first = [] {
        std::array<int, 21> starts{};
        int at = int(std::size(entries));
        for (int length = 20; length >= 0; --length) {
            for (int i = at - 1; i >= 0 && int(qstrlen(entries[i].name)) >= length; --i)
                at = i;
            starts[size_t(length)] = at;
        }
        return starts;
    }();
    const int size = tag.size();
    if (size >= int(first.size()) - 1)
        return Element::Unknown;
    const QChar *chars = tag.unicode();
    for (int i = first[size_t(size)]; i < first[size_t(size) + 1]; ++i) {
        const char *name = entries[i].name;
        int k = 0;
        while (k < size && chars[k].unicode() == ushort(name[k]))
            ++k;
        if (k == size)
            return entries[i].element;
    }
    return Element::Unknown;
}

bool starts_with(QStringView text, const char *prefix)
{
    return text.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

// Digits of `base` into `out`; false on a stray character or past 64 bits.
// With `care`, x digits are don't-care bits (binary only) and are 0 in it.
// Digits not written are 0 like any number's, so they must match: #1 in a
// 32-bit field is 1, not every odd value.
bool accumulate(QStringView digits, int base, quint64 &out, quint64 *care = nullptr)
{
    if (digits.isEmpty())
        return false;
    const int bits_per_digit = base == 16 ? 4 : base == 2 ? 1 : 0;
    quint64 value = 0;
    quint64 dont_care = 0;
    for (QChar c : digits) {
        int d = regmath::digit_value(c);
        const bool x = care && base == 2 && (c == QLatin1Char('x') || c == QLatin1Char('X'));
        if (x)
            d = 0;
        else if (d >= base)
            return false;
        if (bits_per_digit) {
            if (value >> (64 - bits_per_digit) || dont_care >> (64 - bits_per_digit))
                return false;
            value = (value << bits_per_digit) | quint64(d);
            dont_care = (dont_care << bits_per_digit) | (x ? 1 : 0);
        } else {
            if (value > (~quint64(0) - quint64(d)) / 10)
                return false;
            value = value * 10 + quint64(d);
        }
    }
    out = value;
    if (care)
        *care = ~dont_care;
    return true;
}

// The format's numbers: decimal, 0x hexadecimal or # binary, an optional
// leading +, and a k, M, G or T multiplier.
bool parse_number(QStringView text, quint64 &out)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1Char('+')))
        text = text.mid(1);
    int base = 10;
    if (starts_with(text, "0x")) {
        base = 16;
        text = text.mid(2);
    } else if (text.startsWith(QLatin1Char('#'))) {
        base = 2;
        text = text.mid(1);
    } else if (starts_with(text, "0b")) {
        base = 2;
        text = text.mid(2);
    }
    int shift = 0;
    if (!text.isEmpty()) {
        switch (text.back().toLower().unicode()) {
        case 'k':
            shift = 10;
            break;
        case 'm':
            shift = 20;
            break;
        case 'g':
            shift = 30;
            break;
        case 't':
            shift = 40;
            break;
        }
        if (shift)
            text.chop(1);
    }
    quint64 value = 0;
    if (!accumulate(text, base, value) || (shift && value >> (64 - shift)))
        return false;
    out = value << shift;
    return true;
}

// An enumerated value: as a number, or in binary (# or 0b) with x digits
// that match either bit.
bool parse_enum_number(QStringView text, quint64 &value, quint64 &care)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1Char('+')))
        text = text.mid(1);
    if (text.startsWith(QLatin1Char('#')))
        return accumulate(text.mid(1), 2, value, &care);
    if (starts_with(text, "0b"))
        return accumulate(text.mid(2), 2, value, &care);
    care = ~quint64(0);
    return parse_number(text, value);
}

// [msb:lsb]
bool parse_bit_range(QStringView text, quint64 &msb, quint64 &lsb)
{
    text = text.trimmed();
    if (!text.startsWith(QLatin1Char('[')) || !text.endsWith(QLatin1Char(']')))
        return false;
    text = text.mid(1, text.size() - 2);
    const int colon = int(text.indexOf(QLatin1Char(':')));
    return colon > 0 && parse_number(text.left(colon), msb) &&
           parse_number(text.mid(colon + 1), lsb);
}

// Tokens compared without case, hyphens or underscores, so that the
// spellings vendors use outside the schema read as the schema's own.
QString folded(QStringView text)
{
    QString out;
    for (QChar c : text.trimmed()) {
        if (c != QLatin1Char('-') && c != QLatin1Char('_') && !c.isSpace())
            out += c.toLower();
    }
    return out;
}

template <class T> bool from_tokens(const QHash<QString, T> &tokens, QStringView text, T &out)
{
    const auto it = tokens.constFind(folded(text));
    if (it == tokens.constEnd())
        return false;
    out = *it;
    return true;
}

bool parse_access(QStringView text, Access &out)
{
    // The schema's own spellings, as nearly every field states them, without
    // folding a copy of each.
    static const std::pair<const char *, Access> exact[] = {
        {"read-write", Access::ReadWrite},
        {"read-only", Access::ReadOnly},
        {"write-only", Access::WriteOnly},
    };
    for (const auto &[token, access] : exact) {
        if (text == QLatin1String(token)) {
            out = access;
            return true;
        }
    }
    static const QHash<QString, Access> tokens = {
        {QStringLiteral("readonly"), Access::ReadOnly},
        {QStringLiteral("read"), Access::ReadOnly},
        {QStringLiteral("writeonly"), Access::WriteOnly},
        {QStringLiteral("write"), Access::WriteOnly},
        {QStringLiteral("readwrite"), Access::ReadWrite},
        {QStringLiteral("writeonce"), Access::WriteOnce},
        {QStringLiteral("readwriteonce"), Access::ReadWriteOnce},
    };
    return from_tokens(tokens, text, out);
}

bool parse_write_effect(QStringView text, WriteEffect &out)
{
    static const QHash<QString, WriteEffect> tokens = {
        {QStringLiteral("onetoclear"), WriteEffect::OneToClear},
        {QStringLiteral("onetoset"), WriteEffect::OneToSet},
        {QStringLiteral("onetotoggle"), WriteEffect::OneToToggle},
        {QStringLiteral("zerotoclear"), WriteEffect::ZeroToClear},
        {QStringLiteral("zerotoset"), WriteEffect::ZeroToSet},
        {QStringLiteral("zerototoggle"), WriteEffect::ZeroToToggle},
        {QStringLiteral("clear"), WriteEffect::Clear},
        {QStringLiteral("set"), WriteEffect::Set},
        {QStringLiteral("modify"), WriteEffect::Modify},
    };
    return from_tokens(tokens, text, out);
}

bool parse_read_effect(QStringView text, ReadEffect &out)
{
    static const QHash<QString, ReadEffect> tokens = {
        {QStringLiteral("clear"), ReadEffect::Clear},
        {QStringLiteral("set"), ReadEffect::Set},
        {QStringLiteral("modify"), ReadEffect::Modify},
        {QStringLiteral("modifyexternal"), ReadEffect::ModifyExternal},
    };
    return from_tokens(tokens, text, out);
}

bool parse_usage(QStringView text, Usage &out)
{
    static const QHash<QString, Usage> tokens = {
        {QStringLiteral("read"), Usage::Read},
        {QStringLiteral("write"), Usage::Write},
        {QStringLiteral("readwrite"), Usage::ReadWrite},
    };
    return from_tokens(tokens, text, out);
}

bool parse_bool(QStringView text, bool &out)
{
    static const QHash<QString, bool> tokens = {
        {QStringLiteral("true"), true},
        {QStringLiteral("1"), true},
        {QStringLiteral("false"), false},
        {QStringLiteral("0"), false},
    };
    return from_tokens(tokens, text, out);
}

QString tag_name(Kind kind)
{
    static const char *const names[] = {"peripheral", "cluster", "register", "field",
                                        "enumeratedValues"};
    return QString::fromLatin1(names[int(kind)]);
}

QString line_note(int line) { return QStringLiteral("line %1: ").arg(line); }

// The number of line_note()'s "line 12: ", 0 without one.
int line_of(const QString &warning)
{
    if (!warning.startsWith(QLatin1String("line ")))
        return 0;
    int line = 0;
    for (int i = 5; i < warning.size() && warning[i].isDigit(); ++i)
        line = line * 10 + warning[i].digitValue();
    return line;
}

// Warnings are gathered per kind of mistake; the user reads them against
// the file, top to bottom.
void sort_by_line(QStringList &warnings)
{
    if (warnings.size() > 1)
        std::stable_sort(warnings.begin(), warnings.end(), [](const QString &a, const QString &b) {
            return line_of(a) < line_of(b);
        });
}

// Clusters may nest; a file nesting them deeper than any chip does is
// refused rather than followed down the stack.
constexpr int max_depth = 32;

// The first pass: the XML into nodes.
class Parser
{
public:
    Parser(QIODevice *input, const QString &file_name) : xml(input), file(file_name)
    {
        text.reserve(4096);
        // One node per 300 to 600 bytes in vendor files, per 160 in files of
        // nested clusters with short descriptions; growing by doubling would
        // move the nodes several times over, and pages reserved but never
        // reached cost nothing.
        nodes.reserve(size_t(qBound(qint64(16), input->size() / 128, qint64(1) << 20)));
    }

    // Device-level register properties are kept in `device`.
    Node device;
    QString device_name;
    std::vector<Node> nodes;
    std::vector<int> peripherals;
    QString error;

    bool parse()
    {
        bool found = false;
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType token = xml.readNext();
            if (token == QXmlStreamReader::DTD) {
                check_dtd();
            } else if (token == QXmlStreamReader::StartElement) {
                if (found || xml.name() != QLatin1String("device")) {
                    raise(found ? QStringLiteral("a second root element")
                                : QStringLiteral("not a CMSIS-SVD file: the root element is "
                                                 "<%1>, not <device>")
                                      .arg(xml.name()));
                    break;
                }
                found = true;
                parse_device();
            }
        }
        if (xml.hasError()) {
            error = QStringLiteral("%1:%2:%3: %4")
                        .arg(file, QString::number(error_line ? error_line : xml.lineNumber()),
                             QString::number(error_line ? error_column : xml.columnNumber() + 1),
                             xml.errorString());
            return false;
        }
        if (!found) {
            error = QStringLiteral("%1:%2:%3: not a CMSIS-SVD file: no <device> element")
                        .arg(file, QString::number(xml.lineNumber()),
                             QString::number(xml.columnNumber() + 1));
            return false;
        }
        return true;
    }

private:
    QXmlStreamReader xml;
    QString file;
    QString text;            // the current leaf's text, its buffer reused for every leaf
    qint64 error_line = 0;   // where a value in error starts, rather than where
    qint64 error_column = 0; // the reader stopped

    void raise(const QString &what)
    {
        if (!xml.hasError())
            xml.raiseError(what);
    }

    void raise_at(qint64 line, qint64 column, const QString &what)
    {
        if (xml.hasError())
            return;
        error_line = line;
        error_column = column;
        xml.raiseError(what);
    }

    // Qt expands internal entities as it reads; a small file of nested ones
    // grows to hundreds of megabytes. SVD has no use for any.
    void check_dtd()
    {
        if (!xml.entityDeclarations().isEmpty())
            raise(QStringLiteral("the file declares entities, which register maps never need; "
                                 "refusing to expand them"));
    }

    // Moves to the next child element of the current one; false at its end.
    bool next_child(Element &element)
    {
        while (!xml.atEnd()) {
            switch (xml.readNext()) {
            case QXmlStreamReader::StartElement:
                element = element_of(xml.name());
                return true;
            case QXmlStreamReader::EndElement:
            case QXmlStreamReader::Invalid:
                return false;
            case QXmlStreamReader::DTD:
                check_dtd();
                break;
            default:
                break;
            }
        }
        return false;
    }

    // The text of the current element, child elements' text included.
    QStringView leaf()
    {
        text.resize(0); // keeps the reserved buffer
        int depth = 0;
        while (!xml.atEnd()) {
            switch (xml.readNext()) {
            case QXmlStreamReader::Characters:
                text.append(xml.text());
                break;
            case QXmlStreamReader::StartElement:
                ++depth;
                break;
            case QXmlStreamReader::EndElement:
                if (depth-- == 0)
                    return text;
                break;
            case QXmlStreamReader::Invalid:
                return text;
            default:
                break;
            }
        }
        return text;
    }

    // A number the structure depends on: anything else is an error.
    quint64 number(const char *what)
    {
        const qint64 line = xml.lineNumber();
        const qint64 column = xml.columnNumber() + 1;
        quint64 value = 0;
        const QStringView digits = leaf();
        if (!parse_number(digits, value))
            raise_at(line, column,
                     QStringLiteral("<%1> holds \"%2\", which is not a number")
                         .arg(QLatin1String(what), digits.trimmed().left(40).toString()));
        return value;
    }

    template <class T, class Parse>
    void token(Node &node, Stated bit, T &out, Parse parse_token, const char *what)
    {
        const int line = int(xml.lineNumber());
        const QStringView value = leaf();
        if (parse_token(value, out)) {
            node.stated |= bit;
        } else {
            node.warnings.append(line_note(line) +
                                 QStringLiteral("unknown %1 \"%2\" in %3 %4, ignored")
                                     .arg(QLatin1String(what), value.trimmed().toString(),
                                          tag_name(node.kind), node.name));
        }
    }

    void parse_device()
    {
        Element element;
        while (next_child(element)) {
            switch (element) {
            case Element::Name:
                device_name = leaf().trimmed().toString();
                break;
            case Element::Peripherals:
                while (next_child(element)) {
                    if (element == Element::Peripheral)
                        peripherals.push_back(parse_node(Kind::Peripheral, -1, 0));
                    else
                        xml.skipCurrentElement();
                }
                break;
            default:
                if (!register_property(device, element))
                    xml.skipCurrentElement();
            }
        }
    }

    // Size, access, reset value and mask, stated on any level.
    bool register_property(Node &node, Element element)
    {
        switch (element) {
        case Element::Size:
            node.size = number("size");
            node.stated |= HasSize;
            return true;
        case Element::Access:
            token(node, HasAccess, node.access, parse_access, "access");
            return true;
        case Element::ResetValue:
            node.reset_value_line = int(xml.lineNumber());
            node.reset_value = number("resetValue");
            node.stated |= HasResetValue;
            return true;
        case Element::ResetMask:
            node.reset_mask_line = int(xml.lineNumber());
            node.reset_mask = number("resetMask");
            node.stated |= HasResetMask;
            return true;
        default:
            return false;
        }
    }

    int add_child(int parent, Kind kind, int depth)
    {
        const int child = parse_node(kind, parent, depth);
        Node &node = nodes[size_t(parent)];
        if (node.last_child >= 0)
            nodes[size_t(node.last_child)].next_sibling = child;
        else
            node.first_child = child;
        node.last_child = child;
        node.stated |= HasChildren;
        return child;
    }

    int parse_node(Kind kind, int parent, int depth)
    {
        const int index = int(nodes.size());
        nodes.emplace_back();
        {
            Node &node = nodes.back();
            node.kind = kind;
            node.parent = parent;
            node.line = int(xml.lineNumber());
            node.column = int(xml.columnNumber()) + 1;
            const QStringRef derived = xml.attributes().value(QLatin1String("derivedFrom"));
            if (!derived.isEmpty())
                node.derived_from = derived.trimmed().toString();
        }
        if (depth > max_depth) {
            raise(QStringLiteral("clusters nested more than %1 deep").arg(max_depth));
            return index;
        }

        bool has_msb = false;
        quint64 msb = 0;
        Element element;
        while (next_child(element)) {
            // `nodes` grows while children are read: look the node up afresh.
            Node &node = nodes[size_t(index)];
            switch (element) {
            case Element::Name:
                node.name = leaf().trimmed().toString();
                break;
            case Element::Description:
                node.description = leaf().toString();
                node.stated |= HasDescription;
                break;
            case Element::BaseAddress:
            case Element::AddressOffset:
                // One vendor file states a placeholder first and the chip's
                // real address after it.
                if (element == Element::BaseAddress && (node.stated & HasAddress))
                    node.warnings.append(line_note(int(xml.lineNumber())) +
                                         QStringLiteral("peripheral %1 states <baseAddress> "
                                                        "again; the last one counts")
                                             .arg(node.name));
                node.address =
                    number(element == Element::BaseAddress ? "baseAddress" : "addressOffset");
                node.stated |= HasAddress;
                break;
            case Element::Dim:
                node.dim = number("dim");
                node.stated |= HasDim;
                break;
            case Element::DimIncrement:
                node.dim_increment = number("dimIncrement");
                node.stated |= HasDimIncrement;
                break;
            case Element::DimIndex:
                node.dim_index = leaf().trimmed().toString();
                node.stated |= HasDimIndex;
                break;
            case Element::BitOffset:
            case Element::Lsb:
                node.lsb = number(element == Element::Lsb ? "lsb" : "bitOffset");
                node.stated |= HasLsb;
                break;
            case Element::BitWidth:
                node.width = number("bitWidth");
                node.stated |= HasWidth;
                break;
            case Element::Msb:
                msb = number("msb");
                has_msb = true;
                break;
            case Element::BitRange: {
                const QStringView range = leaf();
                if (!parse_bit_range(range, msb, node.lsb))
                    raise(QStringLiteral("<bitRange> holds \"%1\", not [msb:lsb]")
                              .arg(range.trimmed().left(40).toString()));
                has_msb = true;
                node.stated |= HasLsb;
                break;
            }
            case Element::ModifiedWriteValues:
                token(node, HasWriteEffect, node.write_effect, parse_write_effect,
                      "modifiedWriteValues");
                break;
            case Element::ReadAction:
                token(node, HasReadEffect, node.read_effect, parse_read_effect, "readAction");
                break;
            case Element::Usage:
                token(node, HasUsage, node.usage, parse_usage, "usage");
                break;
            case Element::Registers:
                if (kind != Kind::Peripheral) {
                    xml.skipCurrentElement();
                    break;
                }
                node.stated |= HasChildren;
                while (next_child(element)) {
                    if (element == Element::Cluster)
                        add_child(index, Kind::Cluster, depth + 1);
                    else if (element == Element::Register)
                        add_child(index, Kind::Register, depth + 1);
                    else
                        xml.skipCurrentElement();
                }
                break;
            case Element::Cluster:
            case Element::Register:
                if (kind == Kind::Cluster)
                    add_child(index, element == Element::Cluster ? Kind::Cluster : Kind::Register,
                              depth + 1);
                else
                    xml.skipCurrentElement();
                break;
            case Element::Fields:
                if (kind != Kind::Register) {
                    xml.skipCurrentElement();
                    break;
                }
                node.stated |= HasChildren;
                while (next_child(element)) {
                    if (element == Element::Field)
                        add_child(index, Kind::Field, depth + 1);
                    else
                        xml.skipCurrentElement();
                }
                break;
            case Element::EnumeratedValues:
                if (kind == Kind::Field)
                    add_child(index, Kind::Enums, depth + 1);
                else
                    xml.skipCurrentElement();
                break;
            case Element::EnumeratedValue:
                if (kind == Kind::Enums)
                    parse_enum_value(index);
                else
                    xml.skipCurrentElement();
                break;
            default:
                if (kind == Kind::Field && element == Element::Access)
                    token(node, HasAccess, node.access, parse_access, "access");
                else if (kind == Kind::Field || kind == Kind::Enums ||
                         !register_property(node, element))
                    xml.skipCurrentElement();
            }
        }

        Node &node = nodes[size_t(index)];
        for (EnumValue &value : node.values)
            value.usage = node.usage;
        // lsb with msb, and [msb:lsb], are a width too.
        if (has_msb && (node.stated & HasLsb)) {
            if (msb < node.lsb) {
                node.warnings.append(
                    line_note(node.line) +
                    QStringLiteral("field %1 has msb %2 below lsb %3; read the "
                                   "other way round")
                        .arg(node.name, QString::number(msb), QString::number(node.lsb)));
                std::swap(msb, node.lsb);
            }
            node.width = msb - node.lsb + 1;
            node.stated |= HasWidth;
        }
        if (node.name.isEmpty() && kind != Kind::Enums && !xml.hasError())
            raise(QStringLiteral("a <%1> without a <name>").arg(tag_name(kind)));
        return index;
    }

    void parse_enum_value(int set)
    {
        EnumValue value;
        const int line = int(xml.lineNumber());
        bool has_value = false;
        QString bad_value;
        Element element;
        while (next_child(element)) {
            switch (element) {
            case Element::Name:
                value.name = leaf().trimmed().toString();
                break;
            case Element::Description:
                value.description = leaf().toString();
                break;
            case Element::Value: {
                const QStringView digits = leaf();
                has_value = parse_enum_number(digits, value.value, value.care);
                if (!has_value)
                    bad_value = digits.trimmed().left(40).toString();
                break;
            }
            case Element::IsDefault: {
                const QStringView flag = leaf();
                parse_bool(flag, value.is_default);
                break;
            }
            default:
                xml.skipCurrentElement();
            }
        }
        Node &node = nodes[size_t(set)];
        node.stated |= HasChildren;
        if (!has_value && !value.is_default) {
            node.warnings.append(
                line_note(line) +
                (bad_value.isEmpty()
                     ? QStringLiteral("enumerated value %1 has no value, ignored").arg(value.name)
                     : QStringLiteral("enumerated value %1 holds \"%2\", which is not a number, "
                                      "ignored")
                           .arg(value.name, bad_value)));
            return;
        }
        node.values.append(value);
    }
};

// How deep derivedFrom may chain (real files chain once or twice).
constexpr int max_chain = 64;

bool fits(quint64 value, quint64 size) { return size >= 64 || (value >> size) == 0; }

// Register properties as they come down from the device to a register.
struct Properties
{
    quint64 size = 32;
    Access access = Access::Unstated;
    quint64 reset_value = 0;
    quint64 reset_mask = ~quint64(0);
    // Where a reset value or mask too wide for the size in force there was
    // stated, else 0. One for 32 bits that comes down to a 16-bit register
    // is no mistake, and loses its upper bits silently.
    int wide_value_line = 0;
    int wide_mask_line = 0;

    void take(const Node &node)
    {
        if (node.stated & HasSize)
            size = node.size;
        if (node.stated & HasAccess)
            access = node.access;
        if (node.stated & HasResetValue) {
            reset_value = node.reset_value;
            wide_value_line = fits(reset_value, size) ? 0 : node.reset_value_line;
        }
        if (node.stated & HasResetMask) {
            reset_mask = node.reset_mask;
            wide_mask_line = fits(reset_mask, size) ? 0 : node.reset_mask_line;
        }
    }
};

// One element of a dim array, or the element itself.
struct Instance
{
    QString name;
    quint64 offset;
};

struct FieldList
{
    QVector<Field> fields;
    QStringList warnings;
    // The fields outside a register of this size, found once for all the
    // copies of the definition rather than once per copy.
    int outside_size = -1;
    QStringList outside;
};

// `name` as a path component: ARR[%s] is also called ARR, PMUX0_%s PMUX0_.
bool name_matches(const QString &name, QStringView part)
{
    if (name == part)
        return true;
    if (!name.contains(QLatin1Char('%')))
        return false;
    QString bare = name;
    bare.remove(QLatin1String("[%s]")).remove(QLatin1String("%s"));
    return bare == part;
}

// The second pass: derivedFrom, inheritance and expansion.
class Builder
{
public:
    Builder(Parser &parser, const QString &file_name)
        : parser(parser), nodes(parser.nodes), file(file_name)
    {
    }

    QString error;

    bool build(Device &device)
    {
        out = &device;
        device.name = parser.device_name;
        qint64 expected = 0;
        for (int peripheral : parser.peripherals)
            expected += elements_stated(peripheral) *
                        registers_stated(nodes[size_t(peripheral)].first_child);
        device.registers.reserve(int(qMin(expected, qint64(max_registers))));
        Properties properties;
        properties.take(parser.device);
        for (int peripheral : parser.peripherals) {
            if (!resolve(peripheral))
                return false;
            const Node &node = nodes[size_t(peripheral)];
            Properties inherited = properties;
            inherited.take(node);
            const bool ok = each_element(peripheral, [&](const QString &name, quint64 offset) {
                return walk(node.first_child, name, node.address + offset, inherited, 0);
            });
            if (!ok)
                return false;
        }
        for (const Node &node : nodes) {
            if (node.kind == Kind::Peripheral || node.kind == Kind::Cluster)
                device.warnings += node.warnings;
        }
        sort_by_line(device.warnings);
        return true;
    }

private:
    Parser &parser;
    std::vector<Node> &nodes;
    QString file;
    Device *out = nullptr;
    int chain = 0;
    qint64 expanded = 0;
    qint64 field_count = 0;
    std::unordered_map<int, FieldList> field_lists;
    std::unordered_map<int, std::vector<Instance>> arrays;
    QHash<QString, int> sets_by_name;
    // The first register of each full name, open addressing on the name's
    // hash: a map of thousands of registers would allocate a node for each.
    std::vector<std::pair<uint, int>> first_of_name;
    int names_held = 0;

    // Registers that nested cluster arrays expand to are thousands of copies
    // of a few definitions; growing the list as they come would move each
    // several times and touch twice the memory. Counted from the dims as the
    // file states them, before derivedFrom is followed: a guess, but close.
    qint64 elements_stated(int index) const
    {
        const Node &node = nodes[size_t(index)];
        return (node.stated & HasDim) ? qint64(qMin(node.dim, quint64(max_registers))) : 1;
    }

    qint64 registers_stated(int first_child, int depth = 0) const
    {
        qint64 count = 0;
        for (int child = first_child; child >= 0 && count < max_registers && depth <= max_depth;
             child = nodes[size_t(child)].next_sibling) {
            const Node &node = nodes[size_t(child)];
            if (node.kind == Kind::Register)
                count += elements_stated(child);
            else if (node.kind == Kind::Cluster)
                count += elements_stated(child) * registers_stated(node.first_child, depth + 1);
        }
        return qMin(count, qint64(max_registers));
    }

    bool fail(const Node &node, const QString &what)
    {
        if (error.isEmpty())
            error = QStringLiteral("%1:%2:%3: %4")
                        .arg(file, QString::number(node.line), QString::number(node.column), what);
        return false;
    }

    QString describe(const Node &node) const
    {
        return QStringLiteral("%1 %2").arg(tag_name(node.kind), node.name);
    }

    bool resolve(int index)
    {
        Node &node = nodes[size_t(index)];
        if (node.state == Node::Resolved)
            return true;
        if (node.state == Node::Resolving)
            return fail(node, QStringLiteral("derivedFrom=\"%1\" of %2 leads back to itself")
                                  .arg(node.derived_from, describe(node)));
        if (node.derived_from.isEmpty()) {
            node.state = Node::Resolved;
            return true;
        }
        if (chain >= max_chain)
            return fail(node,
                        QStringLiteral("derivedFrom chains more than %1 deep").arg(max_chain));
        node.state = Node::Resolving;
        ++chain;
        const int source = lookup(node.parent, node.derived_from, node.kind);
        const bool found = source >= 0 && resolve(source);
        --chain;
        if (!found) {
            return fail(node, QStringLiteral("%1 derives from \"%2\", which the file does not "
                                             "define")
                                  .arg(describe(node), node.derived_from));
        }
        inherit(nodes[size_t(index)], nodes[size_t(source)]);
        nodes[size_t(index)].state = Node::Resolved;
        return true;
    }

    // Every tag the node does not state comes from its source as stated
    // there; a list it states replaces the source's whole.
    static void inherit(Node &node, const Node &source)
    {
        const quint32 take = source.stated & ~node.stated;
        if (take & HasDescription)
            node.description = source.description;
        if (take & HasAddress)
            node.address = source.address;
        if (take & HasSize)
            node.size = source.size;
        if (take & HasAccess)
            node.access = source.access;
        if (take & HasResetValue) {
            node.reset_value = source.reset_value;
            node.reset_value_line = source.reset_value_line;
        }
        if (take & HasResetMask) {
            node.reset_mask = source.reset_mask;
            node.reset_mask_line = source.reset_mask_line;
        }
        if (take & HasDim)
            node.dim = source.dim;
        if (take & HasDimIncrement)
            node.dim_increment = source.dim_increment;
        if (take & HasDimIndex)
            node.dim_index = source.dim_index;
        if (take & HasLsb)
            node.lsb = source.lsb;
        if (take & HasWidth)
            node.width = source.width;
        if (take & HasWriteEffect)
            node.write_effect = source.write_effect;
        if (take & HasReadEffect)
            node.read_effect = source.read_effect;
        if (take & HasUsage)
            node.usage = source.usage;
        if (take & HasChildren) {
            node.first_child = source.first_child;
            node.values = source.values;
        }
        node.stated |= source.stated;
    }

    // A dotted path, first from the node's own scope, then from each scope
    // around it, up to the device. A set of enumerated values may also be
    // named alone from anywhere.
    int lookup(int scope, const QString &path, Kind kind)
    {
        const QVector<QStringRef> parts = path.splitRef(QLatin1Char('.'));
        for (int at = scope;; at = nodes[size_t(at)].parent) {
            const int found = descend(at, parts, kind);
            if (found >= 0 || !error.isEmpty())
                return found;
            if (at < 0)
                break;
        }
        if (kind != Kind::Enums || parts.size() != 1)
            return -1;
        if (sets_by_name.isEmpty()) {
            for (int i = int(nodes.size()) - 1; i >= 0; --i) {
                if (nodes[size_t(i)].kind == Kind::Enums && !nodes[size_t(i)].name.isEmpty())
                    sets_by_name.insert(nodes[size_t(i)].name, i);
            }
        }
        return sets_by_name.value(path, -1);
    }

    int descend(int scope, const QVector<QStringRef> &parts, Kind kind)
    {
        int at = scope;
        for (int k = 0; k < parts.size(); ++k) {
            if (at >= 0 && !resolve(at))
                return -1;
            const bool last = k + 1 == parts.size();
            const auto matches = [&](int child) {
                const Node &node = nodes[size_t(child)];
                return (!last || node.kind == kind) && name_matches(node.name, parts[k]);
            };
            int next = -1;
            if (at < 0) {
                const auto it =
                    std::find_if(parser.peripherals.begin(), parser.peripherals.end(), matches);
                next = it == parser.peripherals.end() ? -1 : *it;
            } else {
                for (next = nodes[size_t(at)].first_child; next >= 0 && !matches(next);
                     next = nodes[size_t(next)].next_sibling) {
                }
            }
            if (next < 0)
                return -1;
            at = next;
        }
        return at;
    }

    bool dim_indices(const Node &node, QStringList &indices)
    {
        const QString &text = node.dim_index;
        const int dash = text.indexOf(QLatin1Char('-'));
        if (!text.contains(QLatin1Char(',')) && dash > 0) {
            const QStringView first = QStringView(text).left(dash).trimmed();
            const QStringView last = QStringView(text).mid(dash + 1).trimmed();
            quint64 from = 0, to = 0;
            if (parse_number(first, from) && parse_number(last, to) && from <= to) {
                if (to - from >= quint64(max_expansion))
                    return fail(node, QStringLiteral("dimIndex \"%1\" makes more than %2 elements")
                                          .arg(text, QString::number(max_expansion)));
                for (quint64 i = from; i <= to; ++i)
                    indices.append(QString::number(i));
                return true;
            }
            if (first.size() == 1 && last.size() == 1 && first[0].isLetter() &&
                last[0].isLetter() && first[0] <= last[0]) {
                for (ushort c = first[0].unicode(); c <= last[0].unicode(); ++c)
                    indices.append(QChar(c));
                return true;
            }
            return fail(node, QStringLiteral("dimIndex \"%1\" is not a range").arg(text));
        }
        for (const QStringRef &index : text.splitRef(QLatin1Char(','))) {
            const QStringRef trimmed = index.trimmed();
            if (trimmed.isEmpty())
                return fail(node, QStringLiteral("dimIndex \"%1\" has an empty entry").arg(text));
            indices.append(trimmed.toString());
        }
        return true;
    }

    // The elements a node stands for; nullptr after an error.
    const std::vector<Instance> *instances(int index)
    {
        auto it = arrays.find(index);
        if (it == arrays.end()) {
            Node &node = nodes[size_t(index)];
            std::vector<Instance> elements;
            if (!(node.stated & HasDim)) {
                elements.push_back({node.name, 0});
            } else {
                if (node.dim > quint64(max_expansion)) {
                    fail(node, QStringLiteral("dim %1 makes more than %2 elements")
                                   .arg(node.dim)
                                   .arg(max_expansion));
                    return nullptr;
                }
                QStringList indices;
                if (node.stated & HasDimIndex) {
                    if (!dim_indices(node, indices))
                        return nullptr;
                    if (quint64(indices.size()) != node.dim)
                        node.warnings.append(
                            line_note(node.line) +
                            QStringLiteral("%1 has dim %2 but %3 dimIndex entries; using %4")
                                .arg(describe(node), QString::number(node.dim),
                                     QString::number(indices.size()),
                                     QString::number(qMin(quint64(indices.size()), node.dim))));
                }
                const int count = (node.stated & HasDimIndex)
                                      ? int(qMin(quint64(indices.size()), node.dim))
                                      : int(node.dim);
                elements.reserve(size_t(count));
                const bool placeholder = node.name.contains(QLatin1String("%s"));
                for (int i = 0; i < count; ++i) {
                    const QString index_text =
                        (node.stated & HasDimIndex) ? indices[i] : QString::number(i);
                    QString name = node.name;
                    if (placeholder)
                        name.replace(QLatin1String("%s"), index_text);
                    else
                        name += index_text;
                    elements.push_back({name, quint64(i) * node.dim_increment});
                }
            }
            it = arrays.emplace(index, std::move(elements)).first;
        }
        expanded += qint64(it->second.size());
        if (expanded > max_expansion) {
            fail(nodes[size_t(index)],
                 QStringLiteral("the map expands to more than %1 elements").arg(max_expansion));
            return nullptr;
        }
        return &it->second;
    }

    // Calls visit(name, offset) for each element the node stands for.
    template <class Visit> bool each_element(int index, Visit &&visit)
    {
        const Node &node = nodes[size_t(index)];
        if (!(node.stated & HasDim)) {
            if (++expanded > max_expansion)
                return fail(
                    node,
                    QStringLiteral("the map expands to more than %1 elements").arg(max_expansion));
            return visit(node.name, quint64(0));
        }
        const std::vector<Instance> *elements = instances(index);
        if (!elements)
            return false;
        for (const Instance &element : *elements) {
            if (!visit(element.name, element.offset))
                return false;
        }
        return true;
    }

    bool walk(int first_child, const QString &prefix, quint64 base, const Properties &properties,
              int depth)
    {
        if (first_child >= 0 && depth > max_depth)
            return fail(nodes[size_t(first_child)],
                        QStringLiteral("clusters contain themselves through derivedFrom"));
        for (int child = first_child; child >= 0; child = nodes[size_t(child)].next_sibling) {
            if (!resolve(child))
                return false;
            const Node &node = nodes[size_t(child)];
            if (node.kind != Kind::Cluster && node.kind != Kind::Register)
                continue;
            Properties inherited = properties;
            inherited.take(node);
            const quint64 at = base + node.address;
            if (node.kind == Kind::Cluster) {
                const bool ok = each_element(child, [&](const QString &name, quint64 offset) {
                    return walk(node.first_child, prefix + QLatin1Char('.') + name, at + offset,
                                inherited, depth + 1);
                });
                if (!ok)
                    return false;
                continue;
            }
            FieldList *fields = fields_of(child);
            if (!fields || !each_element(child, [&](const QString &name, quint64 offset) {
                    return add_register(node, *fields, prefix + QLatin1Char('.') + name,
                                        at + offset, inherited);
                }))
                return false;
        }
        return true;
    }

    bool add_register(const Node &node, FieldList &fields, const QString &name, quint64 address,
                      const Properties &properties)
    {
        if (out->registers.size() >= max_registers)
            return fail(
                node,
                QStringLiteral("the map expands to more than %1 registers").arg(max_registers));
        // Copies share their fields, but whoever reads the map walks them
        // once per register.
        field_count += fields.fields.size();
        if (field_count > max_fields)
            return fail(node,
                        QStringLiteral("the map expands to more than %1 fields").arg(max_fields));
        Register reg;
        reg.name = name;
        reg.address = address;
        reg.warnings = node.warnings + fields.warnings;
        if (properties.size == 0 || properties.size > 4096) {
            reg.warnings.append(line_note(node.line) +
                                QStringLiteral("register %1 has size %2; read as 32 bits")
                                    .arg(name, QString::number(properties.size)));
            reg.size = 32;
        } else {
            reg.size = int(properties.size);
        }
        // A value the register cannot hold would reach whoever shows it.
        const quint64 held = reg.size >= 64 ? ~quint64(0) : (quint64(1) << reg.size) - 1;
        reg.reset_value = properties.reset_value & held;
        reg.reset_mask = properties.reset_mask & held;
        for (const auto &[line, what, stated] :
             {std::make_tuple(properties.wide_value_line, "reset value", properties.reset_value),
              std::make_tuple(properties.wide_mask_line, "reset mask", properties.reset_mask)}) {
            if (line && (stated & ~held))
                reg.warnings.append(
                    line_note(line) +
                    QStringLiteral("%1 0x%2 does not fit the %3-bit register %4; keeping 0x%5")
                        .arg(QLatin1String(what), QString::number(stated, 16).toUpper(),
                             QString::number(reg.size), name,
                             QString::number(stated & held, 16).toUpper()));
        }
        reg.access = properties.access;
        reg.write_effect = node.write_effect;
        reg.read_effect = node.read_effect;
        reg.description = node.description;
        reg.fields = fields.fields;
        reg.line = node.line;
        if (fields.outside_size != reg.size) {
            fields.outside_size = reg.size;
            fields.outside.clear();
            for (const Field &field : qAsConst(fields.fields)) {
                if (field.msb >= reg.size)
                    fields.outside.append(line_note(field.line) +
                                          QStringLiteral("field %1 [%2:%3] lies outside the "
                                                         "%4-bit register")
                                              .arg(field.name, QString::number(field.msb),
                                                   QString::number(field.lsb),
                                                   QString::number(reg.size)));
            }
        }
        reg.warnings += fields.outside;
        // Both say so, as a user may come to either first.
        const int seen = first_named(name, out->registers.size());
        if (seen >= 0) {
            Register &first = out->registers[seen];
            reg.warnings.append(line_note(node.line) +
                                QStringLiteral("another register named %1 comes first, at line %2")
                                    .arg(name, QString::number(first.line)));
            first.warnings.append(line_note(first.line) +
                                  QStringLiteral("another register named %1 follows, at line %2")
                                      .arg(name, QString::number(node.line)));
            sort_by_line(first.warnings);
        }
        sort_by_line(reg.warnings);
        out->registers.append(std::move(reg));
        return true;
    }

    // The index of the first register called `name`; -1 when there is none
    // yet, and `index` becomes the first.
    int first_named(const QString &name, int index)
    {
        if (size_t(names_held + 1) * 2 > first_of_name.size()) {
            std::vector<std::pair<uint, int>> held(qMax(size_t(1024), first_of_name.size() * 2),
                                                   {0u, -1});
            for (const auto &entry : first_of_name) {
                if (entry.second >= 0)
                    held[free_slot(held, entry.first)] = entry;
            }
            first_of_name.swap(held);
        }
        const uint hash = qHash(name);
        const size_t mask = first_of_name.size() - 1;
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            const auto &[held_hash, held] = first_of_name[at];
            if (held < 0) {
                first_of_name[at] = {hash, index};
                ++names_held;
                return -1;
            }
            if (held_hash == hash && out->registers[held].name == name)
                return held;
        }
    }

    static size_t free_slot(const std::vector<std::pair<uint, int>> &table, uint hash)
    {
        const size_t mask = table.size() - 1;
        size_t at = hash & mask;
        while (table[at].second >= 0)
            at = (at + 1) & mask;
        return at;
    }

    // A register definition's fields, shared by all its copies.
    FieldList *fields_of(int index)
    {
        auto it = field_lists.find(index);
        if (it != field_lists.end())
            return &it->second;
        FieldList list;
        for (int child = nodes[size_t(index)].first_child; child >= 0;
             child = nodes[size_t(child)].next_sibling) {
            if (!resolve(child))
                return nullptr;
            if (!add_fields(child, list))
                return nullptr;
        }
        check_layout(list);
        return &field_lists.emplace(index, std::move(list)).first->second;
    }

    bool add_fields(int index, FieldList &list)
    {
        const Node &node = nodes[size_t(index)];
        list.warnings += node.warnings;
        if (!(node.stated & HasLsb) || node.width == 0 || node.width > 65536) {
            list.warnings.append(
                line_note(node.line) +
                (node.stated & HasLsb
                     ? QStringLiteral("field %1 is %2 bits wide, ignored")
                           .arg(node.name, QString::number(node.width))
                     : QStringLiteral("field %1 states no bit position, ignored").arg(node.name)));
            return true;
        }
        const quint64 lsb = node.lsb;
        const quint64 msb = lsb + node.width - 1;
        QVector<EnumValue> values;
        for (int set = node.first_child; set >= 0; set = nodes[size_t(set)].next_sibling) {
            if (!resolve(set))
                return false;
            const Node &values_node = nodes[size_t(set)];
            list.warnings += values_node.warnings;
            const bool as_read = std::all_of(
                values_node.values.begin(), values_node.values.end(),
                [&](const EnumValue &value) { return value.usage == values_node.usage; });
            if (values.isEmpty() && as_read) {
                values = values_node.values; // shared, as most fields have one set
                continue;
            }
            for (EnumValue value : values_node.values) {
                value.usage = values_node.usage;
                values.append(value);
            }
        }
        const quint64 width = node.width;
        for (const EnumValue &value : qAsConst(values)) {
            if (!value.is_default && width < 64 && ((value.value & value.care) >> width) != 0)
                list.warnings.append(line_note(node.line) +
                                     QStringLiteral("enumerated value %1 (%2) does not fit the "
                                                    "%3-bit field %4")
                                         .arg(value.name, QString::number(value.value),
                                              QString::number(width), node.name));
        }
        return each_element(index, [&](const QString &name, quint64 offset) {
            const quint64 element_msb = msb + offset;
            if (element_msb > 65535 || element_msb < msb) {
                list.warnings.append(
                    line_note(node.line) +
                    QStringLiteral("field %1 lies beyond bit 65535, ignored").arg(name));
                return true;
            }
            Field field;
            field.name = name;
            field.msb = int(element_msb);
            field.lsb = int(lsb + offset);
            field.access = node.access;
            field.write_effect = node.write_effect;
            field.read_effect = node.read_effect;
            field.description = node.description;
            field.values = values;
            field.line = node.line;
            list.fields.append(field);
            return true;
        });
    }

    // Duplicate names and overlapping bits within one register.
    static void check_layout(FieldList &list)
    {
        QHash<QString, int> names;
        std::vector<int> order;
        for (int i = 0; i < list.fields.size(); ++i) {
            const Field &field = list.fields[i];
            // Vendors name every gap RESERVED; that is no second field.
            if (names.contains(field.name) &&
                field.name.compare(QLatin1String("RESERVED"), Qt::CaseInsensitive) != 0)
                list.warnings.append(
                    line_note(field.line) +
                    QStringLiteral("another field named %1 comes first, at line %2")
                        .arg(field.name, QString::number(names.value(field.name))));
            else
                names.insert(field.name, field.line);
            order.push_back(i);
        }
        std::sort(order.begin(), order.end(),
                  [&](int a, int b) { return list.fields[a].lsb < list.fields[b].lsb; });
        int widest = -1; // the field reaching highest among those seen
        for (int i : order) {
            const Field &field = list.fields[i];
            if (widest >= 0 && list.fields[widest].msb >= field.lsb) {
                const Field &other = list.fields[widest];
                list.warnings.append(line_note(field.line) +
                                     QStringLiteral("fields %1 and %2 overlap in bits [%3:%4]")
                                         .arg(other.name, field.name,
                                              QString::number(qMin(other.msb, field.msb)),
                                              QString::number(field.lsb)));
            }
            if (widest < 0 || field.msb > list.fields[widest].msb)
                widest = i;
        }
    }
};

} // namespace

QString access_name(Access access)
{
    switch (access) {
    case Access::Unstated:
        break;
    case Access::ReadOnly:
        return QStringLiteral("read-only");
    case Access::WriteOnly:
        return QStringLiteral("write-only");
    case Access::ReadWrite:
        return QStringLiteral("read-write");
    case Access::WriteOnce:
        return QStringLiteral("writeOnce");
    case Access::ReadWriteOnce:
        return QStringLiteral("read-writeOnce");
    }
    return QString();
}

Reading read(QIODevice *input, const QString &file_name)
{
    Reading reading;
    Parser parser(input, file_name);
    if (!parser.parse()) {
        reading.error = parser.error;
        return reading;
    }
    Builder builder(parser, file_name);
    if (!builder.build(reading.device)) {
        reading.error = builder.error;
        reading.device = Device();
    }
    return reading;
}

Reading read_file(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Reading reading;
        reading.error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return reading;
    }
    return read(&file, path);
}

} // namespace svd
