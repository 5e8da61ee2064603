// The fields of one register as the rows of a table, read from the value the
// main window holds, and the editor of a field's value.
//
// The model never owns the value: it is told each new value by set_value(),
// and an edit is offered back through entered() as the whole new register
// value, which the main window accepts and then sends here like any other
// change. Rows come from regmap::layout() once per register; set_value()
// only compares each row's bits with what it showed and reports the rows
// that changed, so following a bit click stays cheap.
#pragma once

#include "regmap.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QVector>

class FieldModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Bits, Name, Value, Meaning, Access, Description, ColumnCount };

    explicit FieldModel(QObject *parent = nullptr);

    // `reg` must outlive its use here; nullptr empties the table.
    void set_register(const svd::Register *reg, quint32 value);
    void set_value(quint32 value);
    // The field shown in `row`; nullptr for reserved bits.
    const svd::Field *field_at(int row) const;
    // Every text the Name, Value or Meaning column may come to show for a
    // field of this register (for its reserved bits too when it has no
    // field), so the column can be sized once.
    QStringList possible_texts(int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Takes a field value as regmap::read_field_entry() reads it; refuses
    // one the field cannot hold instead of letting it spill over.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    void entered(quint32 value);

private:
    struct Shown
    {
        quint64 bits;
        bool differs;
    };
    Shown shown_for(const regmap::Row &row) const;

    const svd::Register *reg = nullptr;
    QVector<regmap::Row> rows;
    QVector<Shown> shown;
    quint32 value = 0;
};

// Edits a field's value: a list of its named values when it has any, where a
// number may be typed as well, else a line. Whatever is typed stays as typed;
// Enter refuses a value the field cannot hold, saying why at the editor.
class FieldDelegate : public QStyledItemDelegate
{
public:
    explicit FieldDelegate(FieldModel *model, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    FieldModel *fields;
};
