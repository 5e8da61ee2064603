#include "field_table.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QPointer>

namespace {

// A cell of the table, or with row -1 the header of its column.
class FieldCell : public QAccessibleInterface, public QAccessibleTableCellInterface
{
public:
    FieldCell(FieldTableView *view, int row, int column) : view(view), row(row), column(column) {}

    bool isValid() const override
    {
        return view && view->model() && row < view->model()->rowCount() &&
               column < view->model()->columnCount();
    }
    QObject *object() const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(view.data());
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    void setText(QAccessible::Text, const QString &) override {}
    QAccessible::Role role() const override
    {
        return row < 0 ? QAccessible::ColumnHeader : QAccessible::Cell;
    }

    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return QString();
        if (row < 0)
            return kind == QAccessible::Name
                       ? view->model()->headerData(column, Qt::Horizontal).toString()
                       : QString();
        const QModelIndex at = index();
        switch (kind) {
        case QAccessible::Name:
        case QAccessible::Value: {
            const QVariant spoken = at.data(Qt::AccessibleTextRole);
            return spoken.isValid() ? spoken.toString() : at.data().toString();
        }
        case QAccessible::Description: {
            const QVariant described = at.data(Qt::AccessibleDescriptionRole);
            return described.isValid() ? described.toString() : at.data(Qt::ToolTipRole).toString();
        }
        default:
            return QString();
        }
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        if (row < 0) {
            const QHeaderView *header = view->horizontalHeader();
            return QRect(header->sectionViewportPosition(column), 0, header->sectionSize(column),
                         header->height())
                .translated(header->viewport()->mapToGlobal(QPoint(0, 0)));
        }
        return view->visualRect(index()).translated(view->viewport()->mapToGlobal(QPoint(0, 0)));
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid())
            return state;
        const QRect shown(view->viewport()->mapToGlobal(QPoint(0, 0)), view->viewport()->size());
        state.invisible = !view->isVisible() || !shown.intersects(rect());
        if (row < 0)
            return state;
        const Qt::ItemFlags flags = index().flags();
        state.selectable = state.focusable = flags.testFlag(Qt::ItemIsSelectable);
        state.editable = flags.testFlag(Qt::ItemIsEditable);
        state.selected = isSelected();
        state.focused = view->currentIndex() == index();
        return state;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface && row >= 0
                   ? static_cast<QAccessibleTableCellInterface *>(this)
                   : nullptr;
    }

    bool isSelected() const override
    {
        return isValid() && view->selectionModel() && view->selectionModel()->isSelected(index());
    }
    QList<QAccessibleInterface *> columnHeaderCells() const override
    {
        QAccessibleInterface *table = parent();
        QAccessibleInterface *header = table ? table->child(column) : nullptr;
        return header ? QList<QAccessibleInterface *>{header} : QList<QAccessibleInterface *>();
    }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column; }
    int rowIndex() const override { return row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

private:
    QModelIndex index() const { return view->model()->index(row, column); }

    QPointer<FieldTableView> view;
    const int row;
    const int column;
};

class FieldTable : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit FieldTable(FieldTableView *view) : QAccessibleWidget(view, QAccessible::Table) {}
    ~FieldTable() override { forget_cells(); }

    int childCount() const override { return (rowCount() + 1) * columnCount(); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        return cell(index / columnCount() - 1, index % columnCount());
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
            if (QAccessible::accessibleInterface(it.value()) == child)
                return it.key();
        }
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QModelIndex at = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return at.isValid() ? cellAt(at.row(), at.column()) : nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex current = view()->currentIndex();
        return current.isValid() ? cellAt(current.row(), current.column()) : nullptr;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessibleInterface *cellAt(int row, int column) const override
    {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
            return nullptr;
        return cell(row, column);
    }
    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QString columnDescription(int column) const override
    {
        return model() ? model()->headerData(column, Qt::Horizontal).toString() : QString();
    }
    QString rowDescription(int) const override { return QString(); }
    int columnCount() const override { return model() ? model()->columnCount() : 0; }
    int rowCount() const override { return model() ? model()->rowCount() : 0; }
    int selectedCellCount() const override { return selected().size(); }
    int selectedColumnCount() const override { return selectedColumns().size(); }
    int selectedRowCount() const override { return selectedRows().size(); }
    QList<QAccessibleInterface *> selectedCells() const override
    {
        QList<QAccessibleInterface *> found;
        for (const QModelIndex &index : selected())
            found.append(cellAt(index.row(), index.column()));
        return found;
    }
    QList<int> selectedColumns() const override
    {
        QList<int> found;
        if (view()->selectionModel()) {
            for (const QModelIndex &index : view()->selectionModel()->selectedColumns())
                found.append(index.column());
        }
        return found;
    }
    QList<int> selectedRows() const override
    {
        QList<int> found;
        if (view()->selectionModel()) {
            for (const QModelIndex &index : view()->selectionModel()->selectedRows())
                found.append(index.row());
        }
        return found;
    }
    bool isColumnSelected(int column) const override { return selectedColumns().contains(column); }
    bool isRowSelected(int row) const override { return selectedRows().contains(row); }
    // Selecting is the view's business, by keyboard and mouse.
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    // Cells stand for a place in the table; after any change of the model
    // they are made anew rather than kept pointing at other rows.
    void modelChange(QAccessibleTableModelChangeEvent *) override { forget_cells(); }

private:
    FieldTableView *view() const { return static_cast<FieldTableView *>(widget()); }
    QAbstractItemModel *model() const { return view()->model(); }
    QModelIndexList selected() const
    {
        return view()->selectionModel() ? view()->selectionModel()->selectedIndexes()
                                        : QModelIndexList();
    }

    QAccessibleInterface *cell(int row, int column) const
    {
        const int index = (row + 1) * columnCount() + column;
        if (const QAccessible::Id id = cells.value(index))
            return QAccessible::accessibleInterface(id);
        auto *made = new FieldCell(view(), row, column);
        cells.insert(index, QAccessible::registerAccessibleInterface(made));
        return made;
    }
    void forget_cells()
    {
        for (const QAccessible::Id id : qAsConst(cells))
            QAccessible::deleteAccessibleInterface(id);
        cells.clear();
    }

    mutable QHash<int, QAccessible::Id> cells; // by child index, made when first asked for
};

QAccessibleInterface *field_table_factory(const QString &, QObject *object)
{
    if (auto *view = qobject_cast<FieldTableView *>(object))
        return new FieldTable(view);
    return nullptr;
}

} // namespace

FieldTableView::FieldTableView(QWidget *parent) : QTableView(parent)
{
    QAccessible::installFactory(field_table_factory); // only once, however often called
}

int FieldTableView::accessible_child(const QModelIndex &index) const
{
    return (index.row() + 1) * model()->columnCount() + index.column();
}

// QTableView's own events would count a column of row headers in; the
// events are sent here instead, counted as FieldTable counts.
void FieldTableView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (QAccessible::isActive() && current.isValid()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(accessible_child(current));
        QAccessible::updateAccessibility(&event);
    }
    QAbstractItemView::currentChanged(current, previous);
}

void FieldTableView::selectionChanged(const QItemSelection &selected,
                                      const QItemSelection &deselected)
{
    if (QAccessible::isActive()) {
        for (const QModelIndex &index : selected.indexes()) {
            QAccessibleEvent event(this, QAccessible::SelectionAdd);
            event.setChild(accessible_child(index));
            QAccessible::updateAccessibility(&event);
        }
        for (const QModelIndex &index : deselected.indexes()) {
            QAccessibleEvent event(this, QAccessible::SelectionRemove);
            event.setChild(accessible_child(index));
            QAccessible::updateAccessibility(&event);
        }
    }
    QAbstractItemView::selectionChanged(selected, deselected);
}
