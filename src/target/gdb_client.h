// A client of any GDB server (OpenOCD, pyOCD, the J-Link and ST-LINK
// servers, probe-rs, QEMU's gdbstub) over TCP, for reading and writing
// registers one at a time. Asynchronous: nothing here waits, so the map
// window can use it from its own thread; Session wraps it for the console
// program. QtCore and QtNetwork only.
//
// A register is one aligned m of exactly its size (a block over several
// registers lets a server split it into accesses of other widths), a write
// one M of exactly its size. Every failure names the server and the address
// and leaves the connection either ready for the next request (an error or
// empty reply, a reply that does not fit the request) or closed (a timeout,
// a broken or hostile stream), never out of step.
#pragma once

#include "rsp.h"

#include <QByteArray>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

namespace target {

class Client : public QObject
{
    Q_OBJECT
public:
    enum class State { Disconnected, Connecting, Ready, Running, Closing };

    explicit Client(QObject *parent = nullptr);
    ~Client() override;

    // Each packet exchange, and the connection itself, within this.
    void set_timeout(int ms) { timeout_ms = ms; }
    int timeout() const { return timeout_ms; }

    // Connects and asks the server what it supports; ready() or closed().
    void connect_to(const QString &host, quint16 port);

    // Queued one after the other; each ends in done() or failed() with the
    // id returned. Refused (failed() at once) unless connected.
    int read(quint64 address, int size);
    int write(quint64 address, const QByteArray &bytes);

    // Lets a target that the server halted for us run again and stays
    // connected; requests are then refused until halt() stops it, since
    // most servers halt a running target on any packet without saying so.
    void resume();
    void halt();

    // Ends the session, leaving the target as it was found: a target the
    // server halted when we connected is detached (D), which resumes it; one
    // that was halted already is left halted (D would resume it too).
    // closed() follows.
    void close();

    State state() const { return current; }
    QString server() const { return server_name; }
    // The server stopped a running target when we connected (it said so
    // with a stop reply nobody asked for).
    bool halted_on_connect() const { return halted_by_us; }
    // The last stop reply, "T05thread:01;".
    QByteArray stop_reply() const { return last_stop; }
    bool no_ack_mode() const { return no_ack; }
    int packet_size() const { return server_packet_size; }
    // Packets sent and received since connecting, for the benchmark's
    // count of round trips.
    int packets_sent() const { return sent_count; }

signals:
    void ready();
    void done(int id, const QByteArray &bytes); // the bytes read; empty for a write
    void failed(int id, const QString &message);
    void state_changed(target::Client::State state);
    // The connection is gone; `why` is empty when close() ended it.
    void closed(const QString &why);

private:
    enum class Step { Supported, NoAck, Status, Memory, Detach, Resume, Interrupt };
    struct Request
    {
        int id = 0;
        Step step = Step::Memory;
        QByteArray packet;
        quint64 address = 0;
        int size = 0;
        bool is_write = false;
    };

    void on_connected();
    void on_bytes();
    void on_socket_error();
    void on_timeout();
    void send_next();
    void start_soon();
    void fail_later(int id, const QString &message);
    void send_packet(const QByteArray &payload);
    void handle_packet(const QByteArray &payload);
    void finish_request(const QByteArray &reply);
    void fail_request(const QString &why);
    void drop(const QString &why);
    void set_state(State state);
    QString what(const Request &request) const;

    QTcpSocket socket;
    QTimer timer;
    rsp::Reader reader;
    QQueue<Request> queue;
    Request active;
    bool busy = false;
    QByteArray last_sent;
    int retransmissions = 0;
    int bad_sums = 0;
    int next_id = 1;
    int timeout_ms = 3000;
    State current = State::Disconnected;
    QString server_name;
    bool halted_by_us = false;
    bool replied_once = false;
    bool no_ack = false;
    int server_packet_size = 0;
    QByteArray last_stop;
    int sent_count = 0;
};

// The console program's way in: each call waits for its answer in a local
// event loop (the client's timeout bounds it). Errors come back as text.
class Session
{
public:
    explicit Session(int timeout_ms);
    ~Session();
    // Empty on success, else why not.
    QString open(const QString &host, quint16 port);
    // The bytes, or nothing with `error` set.
    std::optional<QByteArray> read(quint64 address, int size, QString &error);
    QString write(quint64 address, const QByteArray &bytes);
    // Leaves the target as it was found; empty when that worked.
    QString close();
    Client &client() { return link; }

private:
    // Runs the loop until `finished` is set by one of the client's signals.
    void wait(const bool &finished);
    Client link;
    // The request waited for, and what became of it.
    int waiting = 0;
    bool answered = false;
    QByteArray answer;
    QString failure;
};

// HOST:PORT into its parts; false for anything else (IPv6 in brackets too).
bool split_address(const QString &text, QString &host, quint16 &port);

} // namespace target
