// The map window's tree of the whole map: peripherals, the clusters in them
// and their registers, with each register's address, value and reset value.
//
// A register's value is the main window's for the register picked, else the
// one a dump gave it. While two dumps are compared, a register the two give
// different values shows both, old first. The tree holds no widget state: the
// window says which registers are shown and which one is picked.
#pragma once

#include "regmap.h"

#include <QAbstractItemModel>
#include <QVector>

#include <optional>

namespace svd {
struct Device;
}

class RegisterTree : public QAbstractItemModel
{
    Q_OBJECT

public:
    enum Column { Name, Address, Value, Reset, Columns };
    using Values = QVector<std::optional<quint64>>;

    explicit RegisterTree(QObject *parent = nullptr);

    // The map shown, every register at first; nullptr for none. The device
    // must outlive its use here.
    void set_device(const svd::Device *device);
    // Which registers are shown, index for index with the device's
    // registers; an empty vector shows them all. Groups left without a
    // register shown disappear.
    void set_shown(const QVector<bool> &shown);
    // A dump's values, index for index with the device's registers, and those
    // of the dump compared with it (empty when none is).
    void set_values(const Values &values, const Values &old_values);
    // The register picked (-1 for none) and the main window's value.
    void set_picked(int reg, quint32 value);

    bool comparing() const { return !old_values.isEmpty(); }
    // The dump's value of a register, never the main window's.
    std::optional<quint64> dump_value(int reg) const;
    // The value shown: the main window's for the register picked.
    std::optional<quint64> value(int reg) const;
    // What the window marks: while comparing, a value that differs between
    // the two dumps; else a value that differs from the reset value.
    bool changed(int reg) const;

    // The register behind a row, -1 for a peripheral or cluster.
    int register_of(const QModelIndex &index) const;
    // Invalid when the register is not shown.
    QModelIndex index_of(int reg, int column = Name) const;
    int shown_registers() const { return shown_count; }

    QModelIndex index(int row, int column,
                      const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    int node_of(const QModelIndex &index) const;
    QString value_text(int reg) const;
    int changed_below(int node) const;

    const svd::Device *device = nullptr;
    QVector<regmap::TreeNode> nodes;
    QVector<quint64> lowest;       // per node: the lowest address in it
    QVector<QVector<int>> visible; // per node: its children shown
    QVector<int> row_in_parent;    // per node, among the children shown
    QVector<int> leaf_of;          // per register: its node
    Values values;
    Values old_values;
    int picked = -1;
    quint32 picked_value = 0;
    int shown_count = 0;
};
