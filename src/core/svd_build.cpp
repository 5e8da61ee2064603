#include "svd_tree.h"

#include <QFile>
#include <QHash>
#include <QVarLengthArray>

#include <algorithm>
#include <tuple>
#include <unordered_map>
#include <vector>

// The second pass: derivedFrom settled on the tree, which is then walked from
// the device down, dim arrays expanded and register properties passed down
// to the registers, appended to the flat list in file order.

namespace svd {
namespace tree {

namespace {

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

// PREFIX.NAME, allocated once: nested cluster arrays name thousands of
// registers this way, and `+` would allocate for the dot and again for the
// name.
QString joined(const QString &prefix, const QString &name)
{
    QString path(prefix.size() + 1 + name.size(), Qt::Uninitialized);
    QChar *out = std::copy(prefix.cbegin(), prefix.cend(), path.data());
    *out++ = QLatin1Char('.');
    std::copy(name.cbegin(), name.cend(), out);
    return path;
}

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
    Builder(Tree &tree, const QString &file_name) : tree(tree), nodes(tree.nodes), file(file_name)
    {
    }

    QString error;

    bool build(Device &device)
    {
        out = &device;
        device.name = tree.device_name;
        device.big_endian = tree.big_endian;
        path.reserve(256);
        qint64 expected = 0;
        for (int peripheral : tree.peripherals) {
            expected += registers_stated(peripheral, -1, 0);
            if (expected >= max_registers)
                break;
        }
        device.registers.reserve(int(qMin(expected, qint64(max_registers))));
        // The table of first names sized for them too, rather than rehashed
        // as it fills; past 32768 names it still grows as needed.
        size_t table_size = 1024;
        while (table_size < size_t(qMin(expected, qint64(1) << 15)) * 2)
            table_size *= 2;
        first_of_name.assign(table_size, {0u, -1});
        Properties properties;
        properties.take(tree.device);
        for (int peripheral : tree.peripherals) {
            if (!resolve(peripheral))
                return false;
            const Node &node = nodes[size_t(peripheral)];
            Properties inherited = properties;
            inherited.take(node);
            const bool ok = each_element(peripheral, [&](const QString &name, quint64 offset) {
                path.resize(0);
                path.append(name);
                return walk(node.first_child, node.address + offset, inherited, 0);
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
    Tree &tree;
    std::vector<Node> &nodes;
    QString file;
    Device *out = nullptr;
    // The peripheral and clusters above the registers being added,
    // PERIPHERAL.CLUSTER...: one buffer for the whole walk, so that only
    // the registers' own names are allocated.
    QString path;
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
    // file states them, before derivedFrom is followed; a derived node that
    // states no dim or children of its own counts as the sibling (or
    // peripheral) its derivedFrom names, as nearly all name one. A guess
    // only: derivedFrom is settled by resolve(), and a wrong count costs no
    // more than growing the list.
    std::vector<qint64> counted; // per node, -1 until counted

    int named_sibling(const Node &node, int first_sibling) const
    {
        if (node.derived_from.isEmpty() || node.derived_from.contains(QLatin1Char('.')))
            return -1;
        if (node.parent < 0) {
            for (int peripheral : tree.peripherals) {
                if (name_matches(nodes[size_t(peripheral)].name, node.derived_from))
                    return peripheral;
            }
            return -1;
        }
        for (int sibling = first_sibling; sibling >= 0;
             sibling = nodes[size_t(sibling)].next_sibling) {
            const Node &other = nodes[size_t(sibling)];
            if (other.kind == node.kind && name_matches(other.name, node.derived_from))
                return sibling;
        }
        return -1;
    }

    qint64 registers_stated(int index, int first_sibling, int depth)
    {
        if (counted.empty())
            counted.assign(nodes.size(), -1);
        if (counted[size_t(index)] >= 0)
            return counted[size_t(index)];
        const Node &node = nodes[size_t(index)];
        const int source = named_sibling(node, first_sibling);
        const Node &dims = (node.stated & HasDim) || source < 0 ? node : nodes[size_t(source)];
        const qint64 elements =
            (dims.stated & HasDim) ? qint64(qMin(dims.dim, quint64(max_registers))) : 1;
        qint64 count = 1;
        if (node.kind != Kind::Register) {
            const int first = (node.stated & HasChildren) || source < 0
                                  ? node.first_child
                                  : nodes[size_t(source)].first_child;
            count = 0;
            for (int child = first; child >= 0 && count < max_registers && depth < max_depth;
                 child = nodes[size_t(child)].next_sibling) {
                const Kind kind = nodes[size_t(child)].kind;
                if (kind == Kind::Register || kind == Kind::Cluster)
                    count += registers_stated(child, first, depth + 1);
            }
        }
        counted[size_t(index)] =
            qMin(elements * qMin(count, qint64(max_registers)), qint64(max_registers));
        return counted[size_t(index)];
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
                    std::find_if(tree.peripherals.begin(), tree.peripherals.end(), matches);
                next = it == tree.peripherals.end() ? -1 : *it;
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

    // Registers below the node chain of `first_child`, named from `path`.
    bool walk(int first_child, quint64 base, const Properties &properties, int depth)
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
                    const int mark = path.size();
                    path.append(QLatin1Char('.')).append(name);
                    const bool walked = walk(node.first_child, at + offset, inherited, depth + 1);
                    path.truncate(mark);
                    return walked;
                });
                if (!ok)
                    return false;
                continue;
            }
            FieldList *fields = fields_of(child);
            if (!fields || !each_element(child, [&](const QString &name, quint64 offset) {
                    return add_register(node, *fields, joined(path, name), at + offset, inherited);
                }))
                return false;
        }
        return true;
    }

    bool add_register(const Node &node, FieldList &fields, QString name, quint64 address,
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
        // Taken, not shared: no reference count to change, twice, per register.
        reg.name = std::move(name);
        reg.address = address;
        reg.warnings = node.warnings + fields.warnings;
        if (properties.size == 0 || properties.size > 4096) {
            reg.warnings.append(line_note(node.line) +
                                QStringLiteral("register %1 has size %2; read as 32 bits")
                                    .arg(reg.name, QString::number(properties.size)));
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
                             QString::number(reg.size), reg.name,
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
        const int seen = first_named(reg.name, out->registers.size());
        if (seen >= 0) {
            Register &first = out->registers[seen];
            reg.warnings.append(line_note(node.line) +
                                QStringLiteral("another register named %1 comes first, at line %2")
                                    .arg(reg.name, QString::number(first.line)));
            first.warnings.append(line_note(first.line) +
                                  QStringLiteral("another register named %1 follows, at line %2")
                                      .arg(reg.name, QString::number(node.line)));
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
        // One field per child but for field arrays: grown once, if at all.
        int children = 0;
        for (int child = nodes[size_t(index)].first_child; child >= 0;
             child = nodes[size_t(child)].next_sibling)
            ++children;
        list.fields.reserve(children);
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
        // An array of a million fields passes the expansion limits; told
        // element by element, its warnings alone would cost seconds.
        QString first_beyond;
        int beyond = 0;
        const bool expanded = each_element(index, [&](const QString &name, quint64 offset) {
            const quint64 element_msb = msb + offset;
            if (element_msb > 65535 || element_msb < msb) {
                if (beyond++ == 0)
                    first_beyond = name;
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
            list.fields.append(std::move(field));
            return true;
        });
        if (beyond == 1)
            list.warnings.append(
                line_note(node.line) +
                QStringLiteral("field %1 lies beyond bit 65535, ignored").arg(first_beyond));
        else if (beyond > 1)
            list.warnings.append(line_note(node.line) +
                                 QStringLiteral("field %1 and the %2 elements of its array after "
                                                "it lie beyond bit 65535, ignored")
                                     .arg(first_beyond, QString::number(beyond - 1)));
        return expanded;
    }

    // Duplicate names and overlapping bits within one register.
    static void check_layout(FieldList &list)
    {
        // Most registers have a few fields: looking back over them costs
        // less than allocating a hash node for each; long lists are hashed.
        const bool hashed = list.fields.size() > 32;
        QHash<QString, int> names;
        QVarLengthArray<int, 64> order;
        for (int i = 0; i < list.fields.size(); ++i) {
            const Field &field = list.fields[i];
            int first_line = -1; // of the first field of this name, if any
            if (hashed) {
                const auto seen = names.constFind(field.name);
                if (seen != names.constEnd())
                    first_line = *seen;
                else
                    names.insert(field.name, field.line);
            } else {
                for (int j = 0; j < i && first_line < 0; ++j) {
                    if (list.fields[j].name == field.name)
                        first_line = list.fields[j].line;
                }
            }
            // Vendors name every gap RESERVED; that is no second field.
            if (first_line >= 0 &&
                field.name.compare(QLatin1String("RESERVED"), Qt::CaseInsensitive) != 0)
                list.warnings.append(
                    line_note(field.line) +
                    QStringLiteral("another field named %1 comes first, at line %2")
                        .arg(field.name, QString::number(first_line)));
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

bool build(Tree &tree, const QString &file_name, Device &device, QString &error)
{
    Builder builder(tree, file_name);
    if (builder.build(device))
        return true;
    error = builder.error;
    return false;
}

} // namespace tree

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
    tree::Tree tree;
    if (!tree::parse(input, file_name, tree, reading.error))
        return reading;
    if (!tree::build(tree, file_name, reading.device, reading.error))
        reading.device = Device();
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
    Reading reading = read(&file, path);
    // Its start tells, and a file of gigabytes is not read whole for it.
    if (!reading.error.isEmpty() && file.seek(0)) {
        if (const QString what = not_xml_text(file.read(1 << 20)); !what.isEmpty())
            reading.error = QStringLiteral("%1: %2").arg(path, what);
    }
    return reading;
}

} // namespace svd
