// The map window's register dumps: opened, pasted, dropped, compared and
// saved, and their values shown in the tree.
#include "register_map.h"
#include "ui_register_map.h"

#include "dump.h"
#include "map_menu.h"
#include "register_tree.h"
#include "regmap.h"
#include "svd.h"
#include "target_panel.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QShortcut>

namespace {

const QString dump_filter = QStringLiteral("Register dumps (*.txt *.log *.dump);;All files (*)");

QString arrow() { return QString::fromUtf8(" \u2192 "); }

QString registers(int count)
{
    return count == 1 ? QStringLiteral("1 register")
                      : QStringLiteral("%1 registers").arg(QString::number(count));
}

} // namespace

void RegisterMap::setup_dumps()
{
    auto *open_menu = new QMenu(this);
    const auto open_file = [this](bool compare) {
        const QString chosen = QFileDialog::getOpenFileName(
            this, compare ? QStringLiteral("Compare with dump") : QStringLiteral("Open dump"),
            dump_dir.isEmpty() ? QFileInfo(path).path() : dump_dir, dump_filter);
        if (!chosen.isEmpty())
            open_dump(chosen, compare);
    };
    QAction *action = open_menu->addAction(QString::fromUtf8("&Open dump\u2026"), this,
                                           [open_file] { open_file(false); });
    action->setObjectName(QStringLiteral("open_dump_file"));
    action =
        open_menu->addAction(QStringLiteral("&Paste dump"), this, [this] { paste_dump(false); });
    action->setObjectName(QStringLiteral("paste_dump"));
    ui->openDump->setMenu(open_menu);

    auto *compare_menu = new QMenu(this);
    action = compare_menu->addAction(QString::fromUtf8("Compare with dump &file\u2026"), this,
                                     [open_file] { open_file(true); });
    action->setObjectName(QStringLiteral("compare_dump_file"));
    action = compare_menu->addAction(QStringLiteral("Compare with &pasted dump"), this,
                                     [this] { paste_dump(true); });
    action->setObjectName(QStringLiteral("compare_pasted_dump"));
    ui->compareDump->setMenu(compare_menu);
    ui->compareDump->setEnabled(false);

    // Ctrl+V where the map is browsed; the search field keeps its own paste.
    auto *paste =
        new QShortcut(QKeySequence::Paste, ui->registerTree, nullptr, nullptr, Qt::WidgetShortcut);
    connect(paste, &QShortcut::activated, this, [this] { paste_dump(false); });

    connect(ui->saveDump, &QToolButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getSaveFileName(
            this, QStringLiteral("Save values"),
            (dump_dir.isEmpty() ? QFileInfo(path).path() : dump_dir) + QLatin1Char('/') +
                QFileInfo(path).completeBaseName() + QStringLiteral("_values.txt"),
            dump_filter);
        if (!chosen.isEmpty() && !save_values(chosen)) {
            last_error = QStringLiteral("Cannot write %1").arg(QFileInfo(chosen).fileName());
            show_status(last_error, true);
        }
    });
    ui->saveDump->setEnabled(false);
    connect(ui->changedOnly, &QCheckBox::toggled, this, [this] { filter_tree(); });
}

void RegisterMap::open_dropped(const QString &dropped)
{
    if (map_menu::is_map_file(dropped))
        open_file(dropped);
    else
        open_dump(dropped);
}

void RegisterMap::open_dump(const QString &dump_path, bool compare)
{
    if (!placed)
        place_beside_main_window(false);
    show();
    raise();
    // Captures are kept together, rarely beside the vendor's files.
    dump_dir = QFileInfo(dump_path).path();
    take_dump(dump::read_file(dump_path), QFileInfo(dump_path).fileName(), compare);
}

void RegisterMap::paste_dump(bool compare)
{
    const QString text = QGuiApplication::clipboard()->text();
    if (text.trimmed().isEmpty()) {
        show_status(QStringLiteral("The clipboard holds no text to read as a dump"), true);
        return;
    }
    take_dump(dump::read(text.toUtf8()), QStringLiteral("the pasted dump"), compare);
}

void RegisterMap::take_dump(const dump::Dump &taken, const QString &name, bool compare)
{
    if (!taken.error.isEmpty()) {
        last_error = QStringLiteral("Cannot read %1: %2").arg(name, taken.error);
        show_status(last_error, true);
        return;
    }
    // A second dump is compared with the first; without one it is the first.
    if (compare && base_dump) {
        new_dump = std::make_unique<dump::Dump>(taken);
        new_name = name;
    } else {
        base_dump = std::make_unique<dump::Dump>(taken);
        base_name = name;
        new_dump.reset();
        new_name.clear();
    }
    if (device) {
        apply_dumps();
    } else if (readers.empty()) {
        last_error = QStringLiteral("No map is open: open the map %1 was taken from, and its "
                                    "values show there")
                         .arg(name);
        show_status(last_error, true);
    }
}

// From the dumps as read, whenever a dump or a map is taken.
void RegisterMap::apply_dumps()
{
    dump_summary.clear();
    dump_problems.clear();
    dump_failed = false;
    ui->compareDump->setEnabled(device && base_dump);
    ui->saveDump->setEnabled(device && (base_dump || current >= 0));
    if (!device || !base_dump)
        return;
    const dump::Values base = dump::cover(*device, *base_dump);
    const dump::Values compared = new_dump ? dump::cover(*device, *new_dump) : dump::Values();
    tree->set_values(new_dump ? compared.values : base.values,
                     new_dump ? base.values : RegisterTree::Values());

    const auto problems = [this](const dump::Dump &read, const dump::Values &values,
                                 const QString &name) {
        if (values.partly > 0)
            dump_problems << QStringLiteral("%1: %2 of the map's registers only partly there")
                                 .arg(name, QString::number(values.partly));
        for (const QString &warning : read.warnings + values.warnings)
            dump_problems << name + QStringLiteral(": ") + warning;
    };
    problems(*base_dump, base, base_name);
    if (new_dump)
        problems(*new_dump, compared, new_name);

    // Before counting: the picked register shows the main window's value.
    enter_dump_value();
    const dump::Values &shown = new_dump ? compared : base;
    int both = 0, changed = 0;
    for (int reg = 0; reg < device->registers.size(); ++reg) {
        if (!shown.values[reg] || (new_dump && !base.values[reg]))
            continue;
        ++both;
        changed += tree->changed(reg);
    }
    // Bold, as a value that differs shows.
    QFont bold = ui->registerTree->font();
    bold.setBold(true);
    const QString widest = QStringLiteral("0x00000000");
    const int value_width =
        QFontMetrics(bold).horizontalAdvance(new_dump ? widest + arrow() + widest : widest) + 16;
    ui->registerTree->setColumnWidth(RegisterTree::Value, value_width);
    dump_failed = both == 0;
    if (dump_failed) {
        dump_summary = new_dump ? QStringLiteral("%1 and %2 have no register of %3 in common")
                                      .arg(base_name, new_name, file_name())
                                : QStringLiteral("%1 covers no register of %2: is it a dump of "
                                                 "another chip?")
                                      .arg(base_name, file_name());
    } else {
        dump_summary = new_dump ? QStringLiteral("%1%2%3: %4 in both, %5 changed")
                                      .arg(base_name, arrow(), new_name, registers(both),
                                           QString::number(changed))
                                : QStringLiteral("%1: %2, %3 not at reset")
                                      .arg(base_name, registers(both), QString::number(changed));
    }
    for (const dump::Dump *read : {base_dump.get(), new_dump.get()}) {
        if (read && read->skipped > 0)
            dump_summary += QStringLiteral("; %1 %2 skipped, the first line %3")
                                .arg(QString::number(read->skipped),
                                     read->skipped == 1 ? QStringLiteral("line in no form")
                                                        : QStringLiteral("lines in no form"),
                                     QString::number(read->first_skipped));
    }
    show_map_status();
    filter_tree();
}

// What the status adds to the map's own for the dumps shown.
QString RegisterMap::dump_note() const
{
    return dump_summary.isEmpty() ? QString() : QStringLiteral("; ") + dump_summary;
}

// The picked register's value as the dump gives it, entered as the user
// would enter it; a register the dump leaves out keeps the value as it is.
void RegisterMap::enter_dump_value()
{
    if (const std::optional<quint64> dumped = tree->dump_value(current)) {
        target_panel->note_dump_value();
        emit entered(quint32(*dumped));
    }
}

bool RegisterMap::save_values(const QString &save_path)
{
    if (!device)
        return false;
    RegisterTree::Values shown(device->registers.size());
    for (int reg = 0; reg < shown.size(); ++reg)
        shown[reg] = tree->value(reg);
    QFile file(save_path);
    const QByteArray text =
        dump::name_lines(*device, shown, file_name(), QDateTime::currentDateTime()).toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return false;
    int count = 0;
    for (const auto &value : shown)
        count += bool(value);
    show_status(QStringLiteral("%1 values saved to %2")
                    .arg(QString::number(count), QFileInfo(save_path).fileName()),
                false);
    return true;
}
