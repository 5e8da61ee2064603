// The map window's way to a live chip through any GDB server: read the
// picked register into the main window, watch it, write the main window's
// value back, and read a whole peripheral into the tree. What may be read
// or written without asking is target_rules' word, as in the console
// program. Nothing here waits: every answer comes back as a signal, so a
// server that stops answering leaves the window usable.
#pragma once

#include "gdb_client.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace svd {
struct Device;
}
namespace dump {
struct Dump;
}

class TargetPanel : public QWidget
{
    Q_OBJECT
public:
    explicit TargetPanel(QWidget *parent = nullptr);
    ~TargetPanel() override;

    // The map shown (nullptr while none is) and the register picked in it.
    void set_device(const svd::Device *device);
    void set_register(int index);
    // The main window's value, at every refresh.
    void set_value(quint32 value);
    // The value shown came from a dump rather than from the chip.
    void note_dump_value();
    // Connects to HOST:PORT and reads the picked register once connected
    // (at once when one is picked, else when the first one is).
    void connect_to(const QString &address);
    // Leaves the target as it was found.
    void disconnect_target();

signals:
    void entered(quint32 value);
    // A peripheral's registers as read, named by the server they came from.
    void values_read(const dump::Dump &values, const QString &name);

private:
    enum class Purpose { Read, Watch, Write, ReadBack, Peripheral };
    struct Pending
    {
        Purpose purpose = Purpose::Read;
        int reg = -1;
        quint64 written = 0;
    };

    void ask_address();
    void read_picked(Purpose purpose);
    void write_picked();
    void read_peripheral();
    void watch_tick();
    void on_done(int id, const QByteArray &bytes);
    void on_failed(int id, const QString &message);
    void finish_peripheral();
    void update_controls();
    void show_status();
    bool connected() const;

    target::Client client;
    QPushButton *connect_button;
    QLineEdit *address;
    QPushButton *read_button, *write_button, *peripheral_button;
    QCheckBox *watch;
    QLabel *status;
    QTimer *watch_timer;

    const svd::Device *device = nullptr;
    int current = -1;
    quint32 value = 0;
    QString server; // HOST:PORT, while connected or connecting
    bool read_on_connect = false;
    bool closing = false; // close() called, closed() not yet come
    QHash<int, Pending> pending;
    // The last value read from (or written to) each register, and when.
    QHash<int, quint64> read_values;
    QHash<int, QDateTime> read_times;
    bool from_dump = false;
    QString note; // the last event: an error, a mismatch after a write
    // A peripheral read under way: the values so far and what is outstanding.
    dump::Dump *collecting = nullptr;
    int outstanding = 0;
    QStringList left_out;
};
