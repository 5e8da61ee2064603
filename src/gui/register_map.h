// The register-map window: a CMSIS-SVD file read off the GUI thread, a search
// over its full register names and addresses, the whole map as a tree to
// browse, the facts of the register picked and its fields as a table that
// follows the main window's value.
//
// It never holds the value as its own: the main window calls follow() from
// its one refresh, and every edit made here (a field's value, the reset
// value) goes back through entered() as an accepted entry of the main
// window, whose refresh then comes back here. Created only when the user
// first asks for a map, and not owned by the main window's widget tree, so
// the program still ends when the main window closes.
#pragma once

#include <QDialog>
#include <QSet>
#include <QStringList>
#include <QVector>

#include <memory>
#include <vector>

class FieldModel;
class RegisterTree;
class TargetPanel;
class QCompleter;
class QStringListModel;

namespace svd {
struct Device;
}
namespace dump {
struct Dump;
}

namespace Ui {
class RegisterMap;
}

class RegisterMap : public QDialog
{
    Q_OBJECT

public:
    // The window opens beside `main_window`.
    explicit RegisterMap(QWidget *main_window);
    ~RegisterMap() override;

    // Shows the window and reads `path` in the background, then picks
    // `register_name` (full name, case ignored) when one is given. A file
    // that cannot be read shows its error and leaves the map shown so far.
    // `with_main_window`: the two open together, at start, and are laid out
    // as a pair.
    void open_file(const QString &path, const QString &register_name = QString(),
                   bool with_main_window = false);
    // The main window's value, at every refresh; costs next to nothing while
    // the window is closed.
    void follow(quint32 value);

    // Reads a register dump and shows its values in the tree; `compare`: as
    // the new side of a comparison with the dump shown. Its problems show in
    // the status, and it is kept for the map read next when none is open.
    void open_dump(const QString &path, bool compare = false);
    // A map or a dump, as map_menu::is_map_file() tells them apart.
    void open_dropped(const QString &path);
    // The values shown, as name lines; false when the file cannot be written.
    bool save_values(const QString &path);
    // Connects to a GDB server at HOST:PORT and reads the register picked.
    void connect_target(const QString &address);

signals:
    // A value to enter into the main window.
    void entered(quint32 value);
    // What each bit of the register is ("MODER2[1]", "CEN", "reserved"),
    // bit 0 first; empty while no register is shown.
    void bit_places_changed(const QStringList &places);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Reader;
    void read_done(Reader *reader);
    void show_busy(const QString &file_name);
    void show_status(const QString &text, bool error, const QString &details = QString());
    void show_map_status();
    QString mistakes_note() const;
    QString shown_name(int index) const;
    void show_matches(const QString &query, bool popup);
    void pick_from_search();
    void filter_tree();
    void setup_tree();
    void pick(int index);
    void show_details();
    void show_note();
    void size_columns();
    void remember_layout();
    void announce_places();
    void place_beside_main_window(bool together);
    QString file_name() const;
    // Dumps, in register_map_dumps.cpp.
    void setup_dumps();
    void paste_dump(bool compare);
    void take_dump(const dump::Dump &taken, const QString &name, bool compare);
    void apply_dumps();
    QString dump_note() const;
    void enter_dump_value();

    Ui::RegisterMap *ui;
    QWidget *main_window;
    FieldModel *model;
    RegisterTree *tree;
    TargetPanel *target_panel;
    QStringListModel *matches;
    QCompleter *completer;
    std::unique_ptr<svd::Device> device;
    QString path;            // of the map shown
    QVector<int> match_rows; // the register behind each completion
    QString tree_query;      // the search as last typed
    QStringList places;
    int current = -1; // the register shown, an index into device->registers
    quint32 value = 0;
    bool placed = false;
    bool sizing_columns = false;
    QVector<int> user_widths; // per column but the description; -1: sized here
    bool typed_while_reading = false;
    bool enter_while_reading = false;
    QString last_error;            // the last refusal or error, until a map is read
    QSet<QString> shared_names;    // full names that more than one register has
    std::vector<Reader *> readers; // running, newest last
    // The dump shown and the one compared with it, kept across maps, each
    // with what messages call it.
    std::unique_ptr<dump::Dump> base_dump, new_dump;
    QString base_name, new_name;
    QString dump_dir;          // of the dump file read last, where dialogs start
    QString dump_summary;      // for the status, while a map with a dump is shown
    QStringList dump_problems; // for its tooltip
    bool dump_failed = false;  // the dump covers no register of the map
};
