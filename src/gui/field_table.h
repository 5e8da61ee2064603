// The table of a register's fields as screen readers meet it.
//
// Qt describes a table view with a column of row headers whether or not the
// view shows them, so this table's hidden one came out as headers "1", "2",
// ..., and it never says which cells can be edited. FieldTableView carries
// its own description: the column headers, then the cells row by row, the
// value cells editable where the field can be written. Its focus and
// selection events count cells the same way.
#pragma once

#include <QTableView>

class FieldTableView : public QTableView
{
    Q_OBJECT

public:
    explicit FieldTableView(QWidget *parent = nullptr);

    // The cell's place among the table's accessible children.
    int accessible_child(const QModelIndex &index) const;

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;
};
