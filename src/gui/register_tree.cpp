#include "register_tree.h"

#include "svd.h"

#include <QFont>

namespace {

// Far beyond any address, so that a group's lowest one is found by min().
constexpr quint64 no_address = ~quint64(0);

QString arrow() { return QString::fromUtf8(" \u2192 "); }

} // namespace

RegisterTree::RegisterTree(QObject *parent) : QAbstractItemModel(parent) {}

void RegisterTree::set_device(const svd::Device *new_device)
{
    beginResetModel();
    device = new_device;
    nodes = device ? regmap::tree(*device) : QVector<regmap::TreeNode>(1);
    values.clear();
    old_values.clear();
    picked = -1;
    lowest.fill(no_address, nodes.size());
    leaf_of.fill(-1, device ? device->registers.size() : 0);
    // Children come after their parents, so one pass from the end carries
    // each lowest address up.
    for (int node = nodes.size() - 1; node > 0; --node) {
        const int reg = nodes[node].reg;
        if (reg >= 0) {
            leaf_of[reg] = node;
            lowest[node] = device->registers[reg].address;
        }
        lowest[nodes[node].parent] = qMin(lowest[nodes[node].parent], lowest[node]);
    }
    endResetModel();
    set_shown({});
}

void RegisterTree::set_shown(const QVector<bool> &shown)
{
    beginResetModel();
    QVector<bool> keep(nodes.size(), false);
    shown_count = 0;
    for (int node = nodes.size() - 1; node > 0; --node) {
        const int reg = nodes[node].reg;
        if (reg >= 0 && (shown.isEmpty() || (reg < shown.size() && shown[reg]))) {
            keep[node] = true;
            ++shown_count;
        }
        if (keep[node])
            keep[nodes[node].parent] = true;
    }
    visible = QVector<QVector<int>>(nodes.size());
    row_in_parent.fill(-1, nodes.size());
    // Node order is file order within every parent.
    for (int node = 1; node < nodes.size(); ++node) {
        if (!keep[node])
            continue;
        QVector<int> &siblings = visible[nodes[node].parent];
        row_in_parent[node] = siblings.size();
        siblings.append(node);
    }
    endResetModel();
}

void RegisterTree::set_values(const Values &new_values, const Values &new_old_values)
{
    values = new_values;
    old_values = new_old_values;
    for (int node = 0; node < visible.size(); ++node) {
        const QVector<int> &rows = visible[node];
        if (!rows.isEmpty())
            emit dataChanged(createIndex(0, Value, quintptr(rows.first())),
                             createIndex(rows.size() - 1, Value, quintptr(rows.last())));
    }
}

void RegisterTree::set_picked(int reg, quint32 value)
{
    const int before = picked;
    const bool same = reg == picked && value == picked_value;
    picked = reg;
    picked_value = value;
    if (same)
        return;
    for (int changed_reg : {before, reg}) {
        const QModelIndex cell = index_of(changed_reg, Value);
        if (cell.isValid())
            emit dataChanged(cell, cell);
    }
    // The groups' counts of changes above it.
    if (comparing()) {
        for (QModelIndex up = index_of(reg).parent(); up.isValid(); up = up.parent()) {
            const QModelIndex cell = up.siblingAtColumn(Value);
            emit dataChanged(cell, cell);
        }
    }
}

std::optional<quint64> RegisterTree::dump_value(int reg) const
{
    return reg >= 0 && reg < values.size() ? values[reg] : std::nullopt;
}

std::optional<quint64> RegisterTree::value(int reg) const
{
    if (reg == picked && reg >= 0)
        return picked_value;
    return dump_value(reg);
}

bool RegisterTree::changed(int reg) const
{
    if (!device || reg < 0 || reg >= device->registers.size())
        return false;
    const std::optional<quint64> shown = value(reg);
    if (!shown)
        return false;
    const svd::Register &r = device->registers[reg];
    if (!comparing())
        return regmap::differs_from_reset(r, r.size - 1, 0, *shown);
    const std::optional<quint64> old = reg < old_values.size() ? old_values[reg] : std::nullopt;
    return old && regmap::bits_of(*old ^ *shown, r.size - 1, 0) != 0;
}

QString RegisterTree::value_text(int reg) const
{
    const svd::Register &r = device->registers[reg];
    const std::optional<quint64> shown = value(reg);
    const std::optional<quint64> old =
        comparing() && reg < old_values.size() ? old_values[reg] : std::nullopt;
    if (old && (!shown || changed(reg)))
        return regmap::sized_hex(*old, r.size) + arrow() +
               (shown ? regmap::sized_hex(*shown, r.size) : QStringLiteral("not in the new dump"));
    return shown ? regmap::sized_hex(*shown, r.size) : QString();
}

int RegisterTree::changed_below(int node) const
{
    if (nodes[node].reg >= 0)
        return changed(nodes[node].reg) ? 1 : 0;
    int count = 0;
    for (int child : nodes[node].children)
        count += changed_below(child);
    return count;
}

int RegisterTree::register_of(const QModelIndex &index) const
{
    const int node = node_of(index);
    return node > 0 ? nodes[node].reg : -1;
}

QModelIndex RegisterTree::index_of(int reg, int column) const
{
    if (reg < 0 || reg >= leaf_of.size())
        return QModelIndex();
    const int node = leaf_of[reg];
    if (node < 0 || row_in_parent[node] < 0)
        return QModelIndex();
    return createIndex(row_in_parent[node], column, quintptr(node));
}

int RegisterTree::node_of(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return 0;
    return int(index.internalId());
}

QModelIndex RegisterTree::index(int row, int column, const QModelIndex &parent) const
{
    const int node = node_of(parent);
    if (row < 0 || column < 0 || column >= Columns || node >= visible.size() ||
        row >= visible[node].size())
        return QModelIndex();
    return createIndex(row, column, quintptr(visible[node][row]));
}

QModelIndex RegisterTree::parent(const QModelIndex &index) const
{
    const int node = node_of(index);
    if (node <= 0)
        return QModelIndex();
    const int up = nodes[node].parent;
    return up <= 0 ? QModelIndex() : createIndex(row_in_parent[up], 0, quintptr(up));
}

int RegisterTree::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    const int node = node_of(parent);
    return node < visible.size() ? visible[node].size() : 0;
}

int RegisterTree::columnCount(const QModelIndex &) const { return Columns; }

QVariant RegisterTree::data(const QModelIndex &index, int role) const
{
    const int node = node_of(index);
    if (node <= 0 || !device)
        return QVariant();
    const int reg = nodes[node].reg;
    const svd::Register *r = reg >= 0 ? &device->registers[reg] : nullptr;
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case Name:
            return nodes[node].name;
        case Address:
            return lowest[node] == no_address
                       ? QVariant()
                       : regmap::hex(lowest[node], lowest[node] >> 32 ? 64 : 32);
        case Value:
            if (r)
                return value_text(reg);
            if (comparing()) {
                const int count = changed_below(node);
                return count ? QStringLiteral("%1 changed").arg(count) : QString();
            }
            return QVariant();
        case Reset:
            return r ? regmap::sized_hex(r->reset_value, r->size) : QVariant();
        }
        return QVariant();
    case Qt::ToolTipRole:
        return r && index.column() == Name
                   ? QVariant(r->name + QLatin1Char('\n') + r->description.simplified())
                   : QVariant();
    case Qt::FontRole:
        if (r && index.column() == Value && changed(reg)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return QVariant();
    case Qt::AccessibleTextRole:
        return r ? r->name : nodes[node].name;
    default:
        return QVariant();
    }
}

QVariant RegisterTree::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case Name:
        return QStringLiteral("Name");
    case Address:
        return QStringLiteral("Address");
    case Value:
        return QStringLiteral("Value");
    case Reset:
        return QStringLiteral("Reset");
    }
    return QVariant();
}
