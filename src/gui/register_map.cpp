#include "register_map.h"
#include "ui_register_map.h"

#include "dump.h"
#include "field_model.h"
#include "map_menu.h"
#include "placement.h"
#include "recent_maps.h"
#include "register_tree.h"
#include "regmap.h"
#include "settings.h"
#include "svd.h"
#include "target_panel.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>
#include <QSplitter>
#include <QStringListModel>
#include <QThread>
#include <QTreeView>

#include <QSet>

#include <algorithm>
#include <utility>

namespace {

// Completions listed at most; the search itself runs over every register.
constexpr int listed_matches = 200;

QString dash() { return QString::fromUtf8(" \u2014 "); }

const QString size_key = QStringLiteral("register_map/size");
const QString columns_key = QStringLiteral("register_map/column_widths");
const QString splitter_key = QStringLiteral("register_map/splitter");

} // namespace

// QtConcurrent is not part of every Qt this program is built with; a thread
// of its own per file does the same.
class RegisterMap::Reader : public QThread
{
public:
    Reader(const QString &path, const QString &register_name, QObject *parent)
        : QThread(parent), path(path), register_name(register_name)
    {
    }

    const QString path;
    const QString register_name;
    svd::Reading reading; // read once finished() is emitted

protected:
    void run() override { reading = svd::read_file(path); }
};

RegisterMap::RegisterMap(QWidget *main_window)
    : QDialog(nullptr), ui(new Ui::RegisterMap), main_window(main_window),
      model(new FieldModel(this)), tree(new RegisterTree(this)),
      target_panel(new TargetPanel(this)), matches(new QStringListModel(this)),
      completer(new QCompleter(this))
{
    ui->setupUi(this);
    // A window of its own with the usual buttons; closing it alone never
    // ends the program.
    setWindowFlags(Qt::Window);
    setWindowIcon(main_window->windowIcon());
    // A map dropped here replaces the one shown, rather than ending up as a
    // file URL typed into the search.
    map_menu::accept_drops(this, [this](const QString &dropped) { open_dropped(dropped); });
    const QSize remembered = tarnwick_settings().value(size_key).toSize();
    if (remembered.isValid())
        resize(remembered.expandedTo(minimumSizeHint()));
    // Widths the user gave a column, -1 where the column is sized to the
    // register shown; the description always takes what is left.
    for (const QVariant &width : tarnwick_settings().value(columns_key).toList())
        user_widths.append(width.toInt());
    user_widths.resize(qMin(int(user_widths.size()), int(FieldModel::Description)));
    while (user_widths.size() < FieldModel::Description)
        user_widths.append(-1);
    setAttribute(Qt::WA_QuitOnClose, false);
    // Below the dump buttons: a live chip is one more source of values.
    ui->mapLayout->insertWidget(2, target_panel);
    connect(target_panel, &TargetPanel::entered, this, &RegisterMap::entered);
    connect(target_panel, &TargetPanel::values_read, this,
            [this](const dump::Dump &read, const QString &name) { take_dump(read, name, false); });
    ui->mapBusy->hide();
    ui->registerNote->hide();
    ui->registerWarnings->hide();
    QFont small = ui->registerWarnings->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    ui->registerWarnings->setFont(small);
    ui->registerWarnings->setForegroundRole(QPalette::PlaceholderText);

    ui->fieldTable->setModel(model);
    ui->fieldTable->setItemDelegate(new FieldDelegate(model, ui->fieldTable));
    ui->fieldTable->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // One line per field, as in a listing; rows never resize to their text.
    ui->fieldTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ui->fieldTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    connect(model, &FieldModel::entered, this, &RegisterMap::entered);
    connect(ui->fieldTable->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                if (!sizing_columns && column < user_widths.size())
                    user_widths[column] = width;
            });

    // The list holds only what matches, already ranked: the completer shows
    // it as it is instead of filtering a list of every name.
    completer->setModel(matches);
    completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    completer->setMaxVisibleItems(12);
    completer->setWidget(ui->registerSearch);
    connect(completer, QOverload<const QModelIndex &>::of(&QCompleter::activated), this,
            [this](const QModelIndex &index) {
                if (index.row() < match_rows.size())
                    pick(match_rows[index.row()]);
            });
    connect(ui->registerSearch, &QLineEdit::textEdited, this, [this](const QString &text) {
        // What is typed while a map is read is meant for that map, not
        // for the one still shown.
        typed_while_reading = !readers.empty();
        tree_query = text;
        if (!typed_while_reading) {
            show_matches(text, true);
            filter_tree();
        }
    });
    connect(ui->registerSearch, &QLineEdit::returnPressed, this, [this] { pick_from_search(); });
    ui->registerSearch->installEventFilter(this);

    connect(ui->copyAddress, &QToolButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(ui->registerAddress->text()); });
    setup_tree();
    setup_dumps();
    connect(ui->resetValue, &QPushButton::clicked, this, [this] {
        if (device && current >= 0)
            emit entered(quint32(device->registers[current].reset_value));
    });
    show_details();
}

// A reader cannot be interrupted; the program waits for it rather than
// leave a thread writing into freed memory.
RegisterMap::~RegisterMap()
{
    if (isVisible())
        remember_layout();
    // QDialog's destructor hides the table, which resizes its columns once
    // the widths kept here are gone.
    ui->fieldTable->horizontalHeader()->disconnect(this);
    for (Reader *reader : readers) {
        reader->disconnect(this);
        reader->wait();
    }
    model->set_register(nullptr, 0);
    tree->set_device(nullptr);
    delete ui;
}

void RegisterMap::open_file(const QString &new_path, const QString &register_name,
                            bool with_main_window)
{
    auto *reader = new Reader(new_path, register_name, this);
    readers.push_back(reader);
    connect(reader, &QThread::finished, this, [this, reader] { read_done(reader); });
    reader->start();
    show_busy(QFileInfo(new_path).fileName());
    if (!placed)
        place_beside_main_window(with_main_window);
    show();
    raise();
    activateWindow();
}

void RegisterMap::read_done(Reader *reader)
{
    const bool newest = !readers.empty() && readers.back() == reader;
    readers.erase(std::find(readers.begin(), readers.end(), reader));
    reader->deleteLater();
    if (!newest) // a later request replaces it
        return;
    ui->mapBusy->hide();
    const bool typed = std::exchange(typed_while_reading, false);
    const bool enter = std::exchange(enter_while_reading, false);
    if (!reader->reading.error.isEmpty()) {
        last_error = QStringLiteral("Cannot read the map: %1").arg(reader->reading.error);
        show_status(last_error, true);
        return;
    }
    last_error.clear();
    if (!typed) // a search typed for the map shown before is not for this one
        tree_query.clear();

    // The table points into the old map; it lets go before the map does.
    model->set_register(nullptr, value);
    tree->set_device(nullptr);
    target_panel->set_device(nullptr);
    current = -1;
    places.clear();
    device = std::make_unique<svd::Device>(std::move(reader->reading.device));
    tree->set_device(device.get());
    target_panel->set_device(device.get());
    apply_dumps();
    path = reader->path;
    matches->setStringList({});
    match_rows.clear();
    recent_maps::remember(path, QString());
    shared_names.clear();
    QSet<QString> seen;
    for (const svd::Register &reg : qAsConst(device->registers)) {
        if (seen.contains(reg.name))
            shared_names.insert(reg.name);
        else
            seen.insert(reg.name);
    }

    QString status =
        QStringLiteral("%1 registers in %2").arg(device->registers.size()).arg(file_name());
    const int index = reader->register_name.isEmpty()
                          ? -1
                          : regmap::find_register(*device, reader->register_name);
    if (index >= 0) {
        pick(index);
    } else if (typed && !ui->registerSearch->text().isEmpty()) {
        filter_tree();
        show_details();
        announce_places();
        if (enter) { // its status, whether it picks a register or finds none
            show_map_status();
            pick_from_search();
            return;
        }
        show_matches(ui->registerSearch->text(), ui->registerSearch->hasFocus());
    } else {
        ui->registerSearch->setText(reader->register_name);
        if (!reader->register_name.isEmpty())
            status += QStringLiteral("; none is called %1").arg(reader->register_name);
        show_details();
        announce_places();
        ui->registerSearch->setFocus();
    }
    show_status(status + mistakes_note() + dump_note(), dump_failed,
                (device->warnings + dump_problems).join(QLatin1Char('\n')));
}

// Mistakes of a peripheral or cluster belong to no one register, so the
// status counts them and its tooltip lists them.
QString RegisterMap::mistakes_note() const
{
    const int count = device->warnings.size();
    return count == 0 ? QString()
           : count == 1
               ? QStringLiteral("; the file has 1 mistake outside its registers")
               : QStringLiteral("; the file has %1 mistakes outside its registers").arg(count);
}

// What the status says while a map is shown and nothing went wrong since; a
// refusal or error before stays in its tooltip until the next map is read.
void RegisterMap::show_map_status()
{
    if (!device)
        return;
    QString details = (device->warnings + dump_problems).join(QLatin1Char('\n'));
    if (!last_error.isEmpty() && !dump_failed)
        details += (details.isEmpty() ? QString() : QStringLiteral("\n\n")) +
                   QStringLiteral("Last message: ") + last_error;
    show_status(
        QStringLiteral("%1 registers in %2").arg(device->registers.size()).arg(file_name()) +
            mistakes_note() + dump_note(),
        dump_failed, details);
}

void RegisterMap::show_busy(const QString &name)
{
    ui->mapBusy->show();
    show_status(QString::fromUtf8("Reading %1\u2026").arg(name), false);
}

void RegisterMap::show_status(const QString &text, bool error, const QString &details)
{
    ui->mapStatus->setToolTip(details);
    QPalette palette = ui->mapStatus->palette();
    palette.setColor(QPalette::WindowText,
                     error ? QColor(Qt::red) : this->palette().color(QPalette::WindowText));
    ui->mapStatus->setPalette(palette);
    ui->mapStatus->setText(text);
}

// Ranked by regmap::search(); `popup` false only refreshes the list that
// Enter picks from.
void RegisterMap::show_matches(const QString &query, bool popup)
{
    match_rows = device ? regmap::lookup(*device, query, listed_matches) : QVector<int>();
    QStringList names;
    names.reserve(match_rows.size());
    for (int row : qAsConst(match_rows))
        names.append(shown_name(row));
    matches->setStringList(names);
    if (!popup)
        return;
    if (names.isEmpty()) {
        completer->popup()->hide();
    } else {
        completer->complete();
        completer->popup()->setCurrentIndex(QModelIndex());
    }
}

void RegisterMap::setup_tree()
{
    QTreeView *view = ui->registerTree;
    view->setModel(tree);
    QHeaderView *header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(RegisterTree::Name, QHeaderView::Stretch);
    // Measured once from the font rather than from the rows: sizing to
    // contents would visit every row of a large map at each keystroke.
    const int number = fontMetrics().horizontalAdvance(QStringLiteral("0x00000000")) + 16;
    for (int column :
         {int(RegisterTree::Address), int(RegisterTree::Value), int(RegisterTree::Reset)}) {
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        view->setColumnWidth(column, number);
    }
    ui->mapSplitter->setStretchFactor(0, 2);
    ui->mapSplitter->setStretchFactor(1, 3);
    ui->mapSplitter->restoreState(tarnwick_settings().value(splitter_key).toByteArray());
    // A click picks, as does Enter; the arrow keys only move through the map.
    const auto pick_row = [this](const QModelIndex &index) {
        const int reg = tree->register_of(index);
        if (reg >= 0)
            pick(reg);
    };
    connect(view, &QTreeView::clicked, this, pick_row);
    connect(view, &QTreeView::activated, this, pick_row);
}

// The tree shows what the search finds, with the peripherals and clusters
// around it, and the whole map for a blank search. What was typed, not the
// name a pick writes into the field: picking leaves the tree as it was.
void RegisterMap::filter_tree()
{
    if (!device)
        return;
    const QString &query = tree_query;
    const bool changed_only = ui->changedOnly->isChecked();
    const bool all = query.trimmed().isEmpty() && !changed_only;
    QVector<bool> shown;
    if (!all) {
        shown.fill(query.trimmed().isEmpty(), device->registers.size());
        for (int reg : regmap::lookup(*device, query, device->registers.size()))
            shown[reg] = true;
        for (int reg = 0; changed_only && reg < shown.size(); ++reg)
            shown[reg] = shown[reg] && tree->changed(reg);
    }
    tree->set_shown(shown);
    QTreeView *view = ui->registerTree;
    if (all)
        view->collapseAll();
    else
        view->expandAll();
    const QModelIndex row = tree->index_of(current);
    if (row.isValid()) {
        view->setCurrentIndex(row);
        view->scrollTo(row);
    }
}

// Enter: the completion the arrow keys went to, else the first match.
void RegisterMap::pick_from_search()
{
    QAbstractItemView *popup = completer->popup();
    int row = 0;
    if (popup->isVisible() && popup->currentIndex().isValid())
        row = popup->currentIndex().row();
    else
        show_matches(ui->registerSearch->text(), false);
    popup->hide();
    if (!readers.empty()) { // picks from the map being read once it is read
        enter_while_reading = true;
        return;
    }
    if (row < match_rows.size()) {
        pick(match_rows[row]);
    } else if (device) {
        last_error = QStringLiteral("No register name contains %1").arg(ui->registerSearch->text());
        show_status(last_error, false);
    }
}

// A register's full name, with its address where another has the same name,
// so that the two can be told apart wherever a name is listed.
QString RegisterMap::shown_name(int index) const
{
    const svd::Register &reg = device->registers[index];
    if (!shared_names.contains(reg.name))
        return reg.name;
    return QStringLiteral("%1 at %2")
        .arg(reg.name, regmap::hex(reg.address, reg.address >> 32 ? 64 : 32));
}

void RegisterMap::pick(int index)
{
    if (!device || index < 0 || index >= device->registers.size())
        return;
    completer->popup()->hide();
    show_map_status();
    if (index == current)
        return;
    current = index;
    target_panel->set_register(index);
    const svd::Register &reg = device->registers[index];
    model->set_register(&reg, value);
    tree->set_picked(index, value);
    ui->saveDump->setEnabled(true);
    enter_dump_value();
    const QModelIndex row = tree->index_of(index);
    ui->registerTree->setCurrentIndex(row);
    ui->registerTree->scrollTo(row);
    places.clear();
    for (int bit = 0; bit < 32; ++bit)
        places.append(regmap::bit_place(reg, bit));
    ui->registerSearch->setText(shown_name(index));
    show_details();
    size_columns();
    announce_places();
    recent_maps::remember(path, reg.name);
}

void RegisterMap::show_details()
{
    const svd::Register *reg = device && current >= 0 ? &device->registers[current] : nullptr;
    setWindowTitle(!device ? QStringLiteral("Register map")
                   : reg   ? shown_name(current) + dash() + file_name()
                           : file_name());
    for (QWidget *detail :
         {static_cast<QWidget *>(ui->registerAddress), static_cast<QWidget *>(ui->copyAddress),
          static_cast<QWidget *>(ui->resetValue)})
        detail->setEnabled(reg);
    if (!reg) {
        for (QLabel *label : {ui->registerSize, ui->registerReset, ui->registerAccess,
                              ui->registerDescription, ui->registerWarnings})
            label->clear();
        ui->registerAddress->clear();
        ui->registerWarnings->hide();
        show_note();
        return;
    }
    ui->registerAddress->setText(regmap::hex(reg->address, reg->address >> 32 ? 64 : 32));
    ui->registerSize->setText(QStringLiteral("%1 bits").arg(reg->size));
    const quint64 all = regmap::bits_of(~quint64(0), reg->size - 1, 0);
    // As wide as the register: the file's whole reset value, in as many
    // digits as the register has nibbles.
    QString reset = regmap::sized_hex(reg->reset_value, reg->size);
    if ((reg->reset_mask & all) != all)
        reset +=
            QStringLiteral(" (mask %1)").arg(regmap::sized_hex(reg->reset_mask & all, reg->size));
    ui->registerReset->setText(reset);
    ui->resetValue->setToolTip(
        QStringLiteral("Enter %1 into the register")
            .arg(regmap::sized_hex(quint32(reg->reset_value), qMin(reg->size, 32))));
    // A field that states nothing of its own leaves the register's.
    const QString access = regmap::access_text(*reg, svd::Field());
    ui->registerAccess->setText(access.isEmpty() ? QStringLiteral("not stated") : access);
    ui->registerDescription->setText(reg->description.simplified());
    ui->registerWarnings->setText(reg->warnings.isEmpty()
                                      ? QString()
                                      : QStringLiteral("The file's mistakes in this register:\n") +
                                            reg->warnings.join(QLatin1Char('\n')));
    ui->registerWarnings->setVisible(!reg->warnings.isEmpty());
    show_note();
}

// Wider registers than Tarnwick's 32 bits, and set bits above a narrower
// one's size: the only two ways the value and the register disagree.
void RegisterMap::show_note()
{
    QString note;
    if (device && current >= 0) {
        const svd::Register &reg = device->registers[current];
        if (reg.size > 32)
            note = QStringLiteral("%1 has %2 bits, but Tarnwick holds 32: bits %3:32 show as 0 "
                                  "and cannot be set here.")
                       .arg(reg.name, QString::number(reg.size), QString::number(reg.size - 1));
        else if (reg.size < 32 && (value >> reg.size) != 0)
            note = QStringLiteral("Bits above bit %1 are set, but %2 has only %3 bits.")
                       .arg(QString::number(reg.size - 1), reg.name, QString::number(reg.size));
    }
    if (note == ui->registerNote->text())
        return;
    ui->registerNote->setText(note);
    ui->registerNote->setVisible(!note.isEmpty());
}

// Once per register: a bit click must not resize columns. Name, value and
// meaning get room for their widest possible text, in bold as a changed
// field shows. The value column fits the fields' values: a reserved run of
// bits may be wider and elides. The description takes the rest.
void RegisterMap::size_columns()
{
    QTableView *table = ui->fieldTable;
    sizing_columns = true;
    table->resizeColumnsToContents();
    QFont bold = table->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const int margin = 2 * table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 12;
    table->setColumnWidth(FieldModel::Value,
                          table->horizontalHeader()->sectionSizeHint(FieldModel::Value));
    for (int column : {int(FieldModel::Name), int(FieldModel::Value), int(FieldModel::Meaning)}) {
        int widest = table->columnWidth(column);
        for (const QString &text : model->possible_texts(column))
            widest = qMax(widest, metrics.horizontalAdvance(text) + margin);
        table->setColumnWidth(column, widest);
    }
    table->setColumnWidth(FieldModel::Access, qMin(table->columnWidth(FieldModel::Access), 220));
    for (int column = 0; column < user_widths.size(); ++column) {
        if (user_widths[column] > 0)
            table->setColumnWidth(column, user_widths[column]);
    }
    sizing_columns = false;
}

void RegisterMap::remember_layout()
{
    QVariantList widths;
    for (int width : qAsConst(user_widths))
        widths.append(width);
    QSettings store = tarnwick_settings();
    store.setValue(size_key, size());
    store.setValue(columns_key, widths);
    store.setValue(splitter_key, ui->mapSplitter->saveState());
}

void RegisterMap::announce_places()
{
    emit bit_places_changed(isVisible() ? places : QStringList());
}

// Frames are what the user sees, so they are placed as frames; the map's own
// frame is not known before it is first shown, and is the main window's.
void RegisterMap::place_beside_main_window(bool together)
{
    placed = true;
    const QRect main = main_window->frameGeometry();
    const QScreen *screen = main_window->screen();
    const QRect room = screen ? screen->availableGeometry() : main;
    const QSize frame = main.size() - main_window->size();
    const placement::Windows where =
        placement::place_windows(main, size() + frame, room, together, 420 + frame.width(), 8);
    if (where.main.topLeft() != main.topLeft())
        main_window->move(where.main.topLeft());
    resize(where.map.size() - frame);
    move(where.map.topLeft());
}

QString RegisterMap::file_name() const { return QFileInfo(path).fileName(); }

void RegisterMap::follow(quint32 new_value)
{
    value = new_value;
    target_panel->set_value(new_value);
    if (current < 0 || !isVisible())
        return;
    tree->set_picked(current, value);
    model->set_value(value);
    show_note();
}

void RegisterMap::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    tree->set_picked(current, value);
    model->set_value(value);
    show_note();
    announce_places();
}

void RegisterMap::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    // Closing the window ends the session; minimising it does not.
    if (!event->spontaneous())
        target_panel->disconnect_target();
    remember_layout();
    announce_places();
}

// The arrow keys open the list of matches; once it is open, it takes them.
bool RegisterMap::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->registerSearch && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Down || key == Qt::Key_Up) && !completer->popup()->isVisible()) {
            show_matches(ui->registerSearch->text(), true);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void RegisterMap::connect_target(const QString &address) { target_panel->connect_to(address); }
