#include "svd_tree.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <array>
#include <iterator>
#include <vector>

// The first pass: the XML streamed once into nodes.

namespace svd {
namespace tree {

namespace {

enum class Element : quint8 {
    Unknown,
    Device,
    Cpu,
    Endian,
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
        {"cpu", Element::Cpu},
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
        {"endian", Element::Endian},
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

// The first pass: the XML into nodes.
class Parser : public Tree
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

    // Calls take(run) for each run of the current element's text, child
    // elements' text included, and stops after its end tag.
    template <class Take> void read_leaf(Take &&take)
    {
        int depth = 0;
        while (!xml.atEnd()) {
            switch (xml.readNext()) {
            case QXmlStreamReader::Characters:
                take(xml.text());
                break;
            case QXmlStreamReader::StartElement:
                ++depth;
                break;
            case QXmlStreamReader::EndElement:
                if (depth-- == 0)
                    return;
                break;
            case QXmlStreamReader::Invalid:
                return;
            default:
                break;
            }
        }
    }

    // The text of the current element, child elements' text included.
    QStringView leaf()
    {
        text.resize(0); // keeps the reserved buffer
        read_leaf([this](const QStringRef &run) { text.append(run); });
        return text;
    }

    // The same text as a string to keep: names and descriptions are nearly
    // always one run, copied once here rather than into `text` and out again.
    QString leaf_string()
    {
        QString kept;
        bool first = true;
        read_leaf([&](const QStringRef &run) {
            // Not run.toString(), which shares the reader's whole buffer
            // when the run fills it.
            if (first)
                kept = QString(run.unicode(), run.size());
            else
                kept.append(run);
            first = false;
        });
        return kept;
    }

    // Names, and the descriptions of fields and registers, recur by the
    // thousand (every channel of an array, every register of a kind, ON and
    // OFF): each text is kept once and shared, which saves an allocation and
    // the memory of every repeat. Long texts, and the descriptions of
    // enumerated values, rarely repeat and are not worth the lookup.
    std::vector<std::pair<uint, QString>> texts; // open addressing on the hash
    size_t texts_held = 0;

    QString shared(QStringView text)
    {
        if (text.isEmpty() || text.size() > 64)
            return text.toString();
        if ((texts_held + 1) * 2 > texts.size()) {
            std::vector<std::pair<uint, QString>> held(qMax(size_t(256), texts.size() * 2));
            const size_t mask = held.size() - 1;
            for (auto &entry : texts) {
                if (entry.second.isNull())
                    continue;
                size_t at = entry.first & mask;
                while (!held[at].second.isNull())
                    at = (at + 1) & mask;
                held[at] = std::move(entry);
            }
            texts.swap(held);
        }
        const uint hash = qHash(text);
        const size_t mask = texts.size() - 1;
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            auto &[held_hash, held] = texts[at];
            if (held.isNull()) {
                held_hash = hash;
                held = text.toString();
                ++texts_held;
                return held;
            }
            if (held_hash == hash && QStringView(held) == text)
                return held;
        }
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
                device_name = leaf_string().trimmed();
                break;
            case Element::Cpu:
                // Register dumps are assembled from bytes in this order.
                while (next_child(element)) {
                    if (element == Element::Endian)
                        big_endian = leaf().trimmed().compare(QLatin1String("big"),
                                                              Qt::CaseInsensitive) == 0;
                    else
                        xml.skipCurrentElement();
                }
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
                node.name = shared(leaf().trimmed());
                break;
            case Element::Description:
                node.description = shared(leaf());
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
                node.dim_index = leaf_string().trimmed();
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
                value.name = shared(leaf().trimmed());
                break;
            case Element::Description:
                value.description = leaf_string();
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

} // namespace

bool parse(QIODevice *input, const QString &file_name, Tree &tree, QString &error)
{
    Parser parser(input, file_name);
    if (!parser.parse()) {
        error = parser.error;
        return false;
    }
    tree = std::move(static_cast<Tree &>(parser));
    return true;
}

} // namespace tree

} // namespace svd
