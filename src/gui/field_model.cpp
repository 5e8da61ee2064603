#include "field_model.h"

#include "literals.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFont>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QToolTip>

namespace {

// Tarnwick holds 32 bits; a field of a wider register may lie above them.
constexpr int held_bits = 32;

// "0x2 (2)", with a digit for every nibble of the field; a single bit is
// just its digit.
QString value_text(int width, quint64 value)
{
    if (width == 1)
        return QString::number(value);
    const int digits = (qMin(width, 64) + 3) / 4;
    return QStringLiteral("0x") +
           QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0')) +
           QStringLiteral(" (") + QString::number(value) + QLatin1Char(')');
}

// A field of a wider register may lie above the held bits, or reach past
// them: it shows the bits that are held, and says the others are not.
QString held_text(const regmap::Row &row, quint64 bits)
{
    if (row.lsb >= held_bits)
        return QStringLiteral("not held");
    if (row.msb < held_bits)
        return value_text(row.msb - row.lsb + 1, bits);
    return value_text(held_bits - row.lsb, bits) +
           QStringLiteral(", bits %1:%2 not held").arg(row.msb).arg(held_bits);
}

// The row an editor edits, kept on the editor so that Enter can check it.
const char *const field_row = "tarnwick_field_row";

} // namespace

FieldModel::FieldModel(QObject *parent) : QAbstractTableModel(parent) {}

void FieldModel::set_register(const svd::Register *new_reg, quint32 new_value)
{
    beginResetModel();
    reg = new_reg;
    value = new_value;
    rows = reg ? regmap::layout(*reg) : QVector<regmap::Row>();
    shown.clear();
    shown.reserve(rows.size());
    for (const regmap::Row &row : qAsConst(rows))
        shown.append(shown_for(row));
    endResetModel();
}

FieldModel::Shown FieldModel::shown_for(const regmap::Row &row) const
{
    const bool held = row.lsb < held_bits;
    return {regmap::bits_of(value, row.msb, row.lsb),
            held && regmap::differs_from_reset(*reg, qMin(row.msb, held_bits - 1), row.lsb, value)};
}

// Only the cells whose text or mark changed are reported, one by one: Qt 5's
// views repaint just the cell for a single index, but the whole table for a
// range.
void FieldModel::set_value(quint32 new_value)
{
    if (!reg || new_value == value)
        return;
    value = new_value;
    for (int i = 0; i < rows.size(); ++i) {
        const Shown now = shown_for(rows[i]);
        if (now.bits == shown[i].bits && now.differs == shown[i].differs)
            continue;
        if (now.differs != shown[i].differs)
            emit dataChanged(index(i, Name), index(i, Name));
        shown[i] = now;
        emit dataChanged(index(i, Value), index(i, Value));
        emit dataChanged(index(i, Meaning), index(i, Meaning));
    }
}

const svd::Field *FieldModel::field_at(int row) const
{
    if (!reg || row < 0 || row >= rows.size() || rows[row].field < 0)
        return nullptr;
    return &reg->fields[rows[row].field];
}

QStringList FieldModel::possible_texts(int column) const
{
    QStringList texts;
    for (int i = 0; i < rows.size(); ++i) {
        const regmap::Row &row = rows[i];
        if (column == Name && row.field >= 0)
            texts.append(reg->fields[row.field].name);
        // Reserved runs may elide, unless they are all the register has.
        if (column == Value && (row.field >= 0 || reg->fields.isEmpty()) && row.lsb < held_bits)
            texts.append(held_text(
                row, regmap::bits_of(~quint64(0), qMin(row.msb, held_bits - 1), row.lsb)));
        if (const svd::Field *field = column == Meaning ? field_at(i) : nullptr) {
            for (const svd::EnumValue &named : field->values)
                texts.append(named.name);
        }
    }
    return texts;
}

int FieldModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows.size();
}

int FieldModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FieldModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows.size())
        return QVariant();
    const regmap::Row &row = rows[index.row()];
    const Shown &now = shown[index.row()];
    const svd::Field *field = field_at(index.row());
    const int width = row.msb - row.lsb + 1;
    const bool held = row.lsb < held_bits;
    const bool whole = row.msb < held_bits; // every bit of it held
    const bool marked = now.differs && (index.column() == Name || index.column() == Value);
    const auto reset_text = [&] {
        return QStringLiteral("reset value %1")
            .arg(value_text(width, regmap::bits_of(reg->reset_value, row.msb, row.lsb)));
    };

    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case Bits:
            return regmap::bits(row.msb, row.lsb);
        case Name:
            return field ? field->name : QStringLiteral("reserved");
        case Value:
            return held_text(row, now.bits);
        case Meaning:
            // Bits that are not held have no value to name, not even 0.
            if (const svd::EnumValue *named =
                    field && whole ? regmap::read_name(*field, now.bits) : nullptr)
                return named->name;
            return QVariant();
        case Access:
            return field ? regmap::access_text(*reg, *field) : QVariant();
        case Description:
            return field ? field->description.simplified() : QVariant();
        }
        break;
    case Qt::EditRole:
        if (index.column() == Value && field) {
            for (const svd::EnumValue *choice : regmap::write_choices(*field)) {
                if ((choice->value & choice->care) == now.bits)
                    return choice->name;
            }
            return value_text(qMax(width, 2), now.bits).section(QLatin1Char(' '), 0, 0);
        }
        return data(index, Qt::DisplayRole);
    case Qt::FontRole:
        if (marked) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        if (!field && index.column() == Name) {
            QFont italic;
            italic.setItalic(true);
            return italic;
        }
        break;
    case Qt::ForegroundRole:
        if (!field || !held)
            return QPalette().brush(QPalette::Disabled, QPalette::Text);
        break;
    case Qt::ToolTipRole:
        if (marked)
            return QStringLiteral("Differs from the %1").arg(reset_text());
        if (index.column() == Meaning && field && whole) {
            if (const svd::EnumValue *named = regmap::read_name(*field, now.bits))
                return named->description.simplified();
        }
        if (index.column() == Description && field)
            return field->description;
        if (index.column() == Value && !held)
            return QStringLiteral("Above the 32 bits Tarnwick holds");
        if (index.column() == Value && !whole)
            return QStringLiteral("Bits %1:%2 are above the 32 bits Tarnwick holds")
                .arg(row.msb)
                .arg(held_bits);
        break;
    case Qt::AccessibleDescriptionRole:
        if (marked)
            return QStringLiteral("differs from the %1").arg(reset_text());
        break;
    }
    return QVariant();
}

QVariant FieldModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[ColumnCount] = {"Bits",    "Field",  "Value",
                                                    "Meaning", "Access", "Description"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section])
                                                 : QVariant();
}

Qt::ItemFlags FieldModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const svd::Field *field = field_at(index.row());
    if (index.column() == Value && field && field->msb < held_bits)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool FieldModel::setData(const QModelIndex &index, const QVariant &text, int role)
{
    const svd::Field *field = field_at(index.row());
    if (role != Qt::EditRole || index.column() != Value || !field || field->msb >= held_bits)
        return false;
    const regmap::FieldEntry entry = regmap::read_field_entry(*field, text.toString());
    if (!entry.value)
        return false;
    const std::optional<quint64> result = regmap::with_field(*field, value, *entry.value);
    if (!result || *result > 0xFFFFFFFFu)
        return false;
    emit entered(quint32(*result));
    return true;
}

FieldDelegate::FieldDelegate(FieldModel *model, QObject *parent)
    : QStyledItemDelegate(parent), fields(model)
{
}

QWidget *FieldDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                     const QModelIndex &index) const
{
    const svd::Field *field = fields->field_at(index.row());
    if (index.column() != FieldModel::Value || !field)
        return QStyledItemDelegate::createEditor(parent, option, index);
    const QVector<const svd::EnumValue *> choices = regmap::write_choices(*field);
    if (choices.isEmpty()) {
        auto *line = new QLineEdit(parent);
        line->setFrame(false);
        line->setProperty(field_row, index.row());
        return line;
    }
    // Editable, so that a value no name stands for can still be typed.
    auto *combo = new QComboBox(parent);
    combo->setProperty(field_row, index.row());
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    for (const svd::EnumValue *choice : choices) {
        combo->addItem(choice->name);
        combo->setItemData(
            combo->count() - 1,
            QStringLiteral("%1: %2").arg(QString::number(choice->value & choice->care),
                                         choice->description.simplified()),
            Qt::ToolTipRole);
    }
    return combo;
}

void FieldDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        combo->setCurrentIndex(combo->findText(text));
        combo->setEditText(text);
        // A key that opened the editor replaces the value, as in a line.
        combo->lineEdit()->selectAll();
    } else if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        line->setText(text);
    } else {
        QStyledItemDelegate::setEditorData(editor, index);
    }
}

void FieldDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                 const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    QLineEdit *line = combo ? combo->lineEdit() : qobject_cast<QLineEdit *>(editor);
    if (!line)
        return QStyledItemDelegate::setModelData(editor, model, index);
    // Leaving the editor with a text the field cannot take writes nothing;
    // Enter has already said why.
    model->setData(index, line->text(), Qt::EditRole);
}

// Enter with a value the field cannot take keeps the editor open and says
// why at the editor, rather than writing part of what was typed.
bool FieldDelegate::eventFilter(QObject *watched, QEvent *event)
{
    auto *editor = qobject_cast<QWidget *>(watched);
    if (editor && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        auto *combo = qobject_cast<QComboBox *>(editor);
        QLineEdit *line = combo ? combo->lineEdit() : qobject_cast<QLineEdit *>(editor);
        const svd::Field *field = editor->property(field_row).isValid()
                                      ? fields->field_at(editor->property(field_row).toInt())
                                      : nullptr;
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && line && field &&
            !(combo && combo->view()->isVisible())) {
            const QString refusal = regmap::read_field_entry(*field, line->text()).refusal;
            editor->setToolTip(refusal);
            if (!refusal.isEmpty()) {
                QToolTip::showText(editor->mapToGlobal(QPoint(0, editor->height())), refusal,
                                   editor);
                return true;
            }
        }
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}
