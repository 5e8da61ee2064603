// The client's exchanges: one request in flight, each with its own timer,
// so a reply can never be taken for the answer to another request.
#include "gdb_client.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace target {

namespace {

QString address_hex(quint64 address)
{
    return QStringLiteral("0x") + QStringLiteral("%1")
                                      .arg(address, address >> 32 ? 16 : 8, 16, QLatin1Char('0'))
                                      .toUpper();
}

QString bytes_text(int size)
{
    return size == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(size);
}

// How many times a packet is sent again when the other side asks for it, or
// a bad checksum is answered with -, before the line is taken for broken.
constexpr int max_retries = 3;

} // namespace

Client::Client(QObject *parent) : QObject(parent)
{
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &Client::on_timeout);
    connect(&socket, &QTcpSocket::connected, this, &Client::on_connected);
    connect(&socket, &QTcpSocket::readyRead, this, &Client::on_bytes);
    connect(&socket, &QAbstractSocket::errorOccurred, this, &Client::on_socket_error);
    // Register reads are a few bytes each way: Nagle's delay would double
    // the time of every one.
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // What a server sends between two of our reads waits in the kernel,
    // not here: a flood costs no memory of ours.
    socket.setReadBufferSize(64 * 1024);
}

Client::~Client()
{
    // Destroyed connected (the window closing): the server sees the
    // connection end, the least that leaves a halted target as it was.
    socket.abort();
}

void Client::set_state(State state)
{
    if (state == current)
        return;
    current = state;
    emit state_changed(state);
}

void Client::connect_to(const QString &host, quint16 port)
{
    socket.abort();
    reader.reset();
    queue.clear();
    busy = false;
    halted_by_us = false;
    replied_once = false;
    no_ack = false;
    server_packet_size = 0;
    last_stop.clear();
    sent_count = 0;
    server_name = host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]:%2").arg(host).arg(port)
                                                  : QStringLiteral("%1:%2").arg(host).arg(port);
    set_state(State::Connecting);
    timer.start(timeout_ms);
    socket.connectToHost(host, port);
}

void Client::on_connected()
{
    // Announce nothing: every feature we named the server could act on.
    Request supported;
    supported.step = Step::Supported;
    supported.packet = "qSupported";
    queue.prepend(supported);
    timer.stop();
    send_next();
}

QString Client::what(const Request &request) const
{
    switch (request.step) {
    case Step::Memory:
        return QStringLiteral("%1 %2 at %3")
            .arg(request.is_write ? QStringLiteral("writing") : QStringLiteral("reading"),
                 bytes_text(request.size), address_hex(request.address));
    case Step::Supported:
    case Step::NoAck:
    case Step::Status:
        return QStringLiteral("connecting");
    case Step::Detach:
        return QStringLiteral("detaching");
    case Step::Resume:
        return QStringLiteral("resuming the target");
    case Step::Interrupt:
        return QStringLiteral("halting the target");
    }
    return QString();
}

int Client::read(quint64 address, int size)
{
    Request request;
    request.id = next_id++;
    request.address = address;
    request.size = size;
    request.packet = QStringLiteral("m%1,%2").arg(address, 0, 16).arg(size, 0, 16).toLatin1();
    queue.enqueue(request);
    start_soon();
    return request.id;
}

int Client::write(quint64 address, const QByteArray &bytes)
{
    Request request;
    request.id = next_id++;
    request.address = address;
    request.size = bytes.size();
    request.is_write = true;
    request.packet =
        QStringLiteral("M%1,%2:").arg(address, 0, 16).arg(bytes.size(), 0, 16).toLatin1() +
        rsp::hex(bytes);
    queue.enqueue(request);
    start_soon();
    return request.id;
}

void Client::start_soon()
{
    // An idle connection sends at once, which saves a round of the event
    // loop per register; a busy one sends when the reply in flight is in.
    if (!busy && current != State::Connecting)
        send_next();
}

void Client::fail_later(int id, const QString &message)
{
    // Never from inside read() or write(): the caller has no id yet.
    QTimer::singleShot(0, this, [this, id, message] { emit failed(id, message); });
}

void Client::resume()
{
    Request request;
    request.step = Step::Resume;
    request.packet = "c";
    queue.enqueue(request);
    QTimer::singleShot(0, this, &Client::send_next);
}

void Client::halt()
{
    Request request;
    request.step = Step::Interrupt;
    queue.enqueue(request);
    QTimer::singleShot(0, this, &Client::send_next);
}

void Client::close()
{
    if (current == State::Disconnected || current == State::Connecting) {
        drop(QString());
        return;
    }
    Request request;
    request.step = Step::Detach;
    request.packet = "D";
    queue.enqueue(request);
    QTimer::singleShot(0, this, &Client::send_next);
}

void Client::send_next()
{
    if (current == State::Disconnected) {
        while (!queue.isEmpty()) {
            const Request request = queue.dequeue();
            if (request.step == Step::Memory)
                fail_later(request.id, server_name + QStringLiteral(": ") + what(request) +
                                           QStringLiteral(": not connected"));
        }
        return;
    }
    if (busy || queue.isEmpty() || socket.state() != QAbstractSocket::ConnectedState)
        return;
    const bool handshake = queue.head().step == Step::Supported ||
                           queue.head().step == Step::NoAck || queue.head().step == Step::Status;
    if (current == State::Connecting && !handshake)
        return;
    active = queue.dequeue();
    const QString prefix = server_name + QStringLiteral(": ") + what(active) + QStringLiteral(": ");
    switch (active.step) {
    case Step::Memory: {
        QString refusal;
        const bool power_of_two = active.size > 0 && (active.size & (active.size - 1)) == 0;
        if (current == State::Running)
            refusal = QStringLiteral("the target is running, and most servers halt it for any "
                                     "request; halt it first");
        else if (current != State::Ready)
            refusal = QStringLiteral("not connected");
        else if (!power_of_two || active.address % active.size)
            refusal = QStringLiteral("not an aligned access of 1, 2, 4 or 8 bytes");
        else if (server_packet_size && active.packet.size() + 4 > server_packet_size)
            refusal = QStringLiteral("longer than the server's packets (%1 bytes)")
                          .arg(server_packet_size);
        if (!refusal.isEmpty()) {
            fail_later(active.id, prefix + refusal);
            send_next();
            return;
        }
        break;
    }
    case Step::Detach:
        // Only a target the server halted for us is detached, which resumes
        // it; D would also start one that was halted before we came, and a
        // running one (after resume()) would be halted by its first byte.
        if (!halted_by_us || current == State::Running) {
            set_state(State::Closing);
            drop(QString());
            return;
        }
        set_state(State::Closing);
        break;
    case Step::Resume:
        if (current != State::Ready) {
            send_next();
            return;
        }
        send_packet(active.packet);
        // A resumed target answers only when it stops again.
        set_state(State::Running);
        send_next();
        return;
    case Step::Interrupt:
        if (current != State::Running) {
            send_next();
            return;
        }
        // The interrupt is a bare byte, outside any packet.
        busy = true;
        socket.write("\x03", 1);
        ++sent_count;
        timer.start(timeout_ms);
        return;
    default:
        break;
    }
    busy = true;
    send_packet(active.packet);
    timer.start(timeout_ms);
}

void Client::send_packet(const QByteArray &payload)
{
    last_sent = rsp::frame(payload);
    retransmissions = 0;
    bad_sums = 0;
    ++sent_count;
    socket.write(last_sent);
}

void Client::on_bytes()
{
    QVector<rsp::Event> events;
    // At most the read buffer's size at a time: a server streaming an
    // endless packet ends in TooLong after max_payload bytes.
    while (socket.bytesAvailable() > 0 && current != State::Disconnected) {
        events.clear();
        reader.feed(socket.readAll(), events);
        for (const rsp::Event &event : events) {
            if (current == State::Disconnected)
                return;
            switch (event.kind) {
            case rsp::Event::Ack:
            case rsp::Event::Notification:
                break;
            case rsp::Event::Nack:
                if (!busy || no_ack)
                    break;
                if (++retransmissions > max_retries) {
                    drop(QStringLiteral("the server asked for the packet again %1 times")
                             .arg(max_retries));
                    return;
                }
                socket.write(last_sent);
                break;
            case rsp::Event::Packet:
                if (!no_ack)
                    socket.write("+", 1);
                handle_packet(event.payload);
                break;
            case rsp::Event::BadChecksum:
                if (no_ack || ++bad_sums > max_retries) {
                    drop(QStringLiteral("packets with wrong checksums"));
                    return;
                }
                socket.write("-", 1);
                break;
            case rsp::Event::Malformed:
                if (!no_ack)
                    socket.write("+", 1);
                if (busy)
                    fail_request(QStringLiteral("a reply that does not decode"));
                break;
            case rsp::Event::TooLong:
                drop(QStringLiteral("a packet longer than %1 bytes").arg(rsp::max_payload));
                return;
            case rsp::Event::Garbage:
                drop(QStringLiteral("bytes outside any packet"));
                return;
            }
        }
    }
}

void Client::handle_packet(const QByteArray &payload)
{
    if (rsp::is_stop_reply(payload)) {
        last_stop = payload;
        // Before it has answered anything, a stop reply is the server
        // telling that it halted the target for this connection.
        if (!replied_once && (!busy || active.step == Step::Supported)) {
            halted_by_us = true;
            return;
        }
        if (current == State::Running && !(busy && active.step == Step::Interrupt)) {
            set_state(State::Ready);
            return;
        }
        if (!busy || (active.step != Step::Status && active.step != Step::Interrupt))
            return; // a stop nobody asked about: the request's reply is still to come
    }
    if (!busy)
        return;
    finish_request(payload);
}

void Client::finish_request(const QByteArray &reply)
{
    replied_once = true;
    timer.stop();
    busy = false;
    const Request request = active;
    const QString prefix =
        server_name + QStringLiteral(": ") + what(request) + QStringLiteral(": ");
    switch (request.step) {
    case Step::Supported: {
        const rsp::Supported supported = rsp::parse_supported(reply);
        server_packet_size = supported.packet_size;
        Request status;
        status.step = Step::Status;
        status.packet = "?";
        queue.prepend(status);
        if (supported.no_ack) {
            Request no_ack_request;
            no_ack_request.step = Step::NoAck;
            no_ack_request.packet = "QStartNoAckMode";
            queue.prepend(no_ack_request);
        }
        break;
    }
    case Step::NoAck:
        no_ack = reply == "OK";
        break;
    case Step::Status:
        if (rsp::is_stop_reply(reply))
            last_stop = reply;
        set_state(State::Ready);
        emit ready();
        break;
    case Step::Memory:
        if (const std::optional<int> code = rsp::error_code(reply)) {
            emit failed(request.id,
                        prefix + QStringLiteral("the server answered E%1")
                                     .arg(QString::number(*code | 0x100, 16).mid(1).toUpper()));
        } else if (reply.isEmpty()) {
            emit failed(request.id, prefix + QStringLiteral("the server answered with an empty "
                                                            "reply (it does not do %1)")
                                                 .arg(request.is_write ? "M" : "m"));
        } else if (request.is_write) {
            if (reply == "OK")
                emit done(request.id, QByteArray());
            else
                emit failed(request.id, prefix + QStringLiteral("the server answered \"%1\"")
                                                     .arg(QString::fromLatin1(reply.left(40))));
        } else {
            const std::optional<QByteArray> bytes = rsp::unhex(reply);
            if (bytes && bytes->size() == request.size)
                emit done(request.id, *bytes);
            else
                emit failed(request.id,
                            prefix + (bytes ? QStringLiteral("the server sent %1 instead")
                                                  .arg(bytes_text(int(bytes->size())))
                                            : QStringLiteral("the reply is not hex")));
        }
        break;
    case Step::Detach:
        drop(QString());
        return;
    case Step::Interrupt:
        set_state(State::Ready);
        break;
    case Step::Resume:
        break;
    }
    send_next();
}

void Client::fail_request(const QString &why)
{
    timer.stop();
    busy = false;
    emit failed(active.id,
                server_name + QStringLiteral(": ") + what(active) + QStringLiteral(": ") + why);
    send_next();
}

void Client::on_timeout()
{
    if (current == State::Connecting && socket.state() != QAbstractSocket::ConnectedState) {
        drop(QStringLiteral("no connection within %1 ms").arg(timeout_ms));
        return;
    }
    if (!busy)
        return;
    // A reply that came later would be taken for the next request's.
    drop(QStringLiteral("no reply within %1 ms; the connection is closed").arg(timeout_ms));
}

void Client::on_socket_error()
{
    if (current == State::Disconnected)
        return;
    const QString text = socket.error() == QAbstractSocket::RemoteHostClosedError
                             ? QStringLiteral("the server closed the connection")
                             : socket.errorString();
    drop(current == State::Closing ? QString() : text);
}

void Client::drop(const QString &why)
{
    if (current == State::Disconnected && !busy && queue.isEmpty()) {
        emit closed(why);
        return;
    }
    timer.stop();
    socket.abort();
    reader.reset();
    const bool was_busy = busy;
    busy = false;
    const QString message = server_name + QStringLiteral(": ") +
                            (why.isEmpty() ? QStringLiteral("the connection is closed") : why);
    set_state(State::Disconnected);
    if (was_busy && active.step == Step::Memory)
        emit failed(active.id,
                    server_name + QStringLiteral(": ") + what(active) + QStringLiteral(": ") +
                        (why.isEmpty() ? QStringLiteral("the connection is closed") : why));
    while (!queue.isEmpty()) {
        const Request request = queue.dequeue();
        if (request.step == Step::Memory)
            emit failed(request.id, message);
    }
    emit closed(why.isEmpty() ? QString() : message);
}

Session::Session(int timeout_ms)
{
    link.set_timeout(timeout_ms);
    // Once, not per request: a register read is a few dozen microseconds.
    QObject::connect(&link, &Client::done, [this](int id, const QByteArray &bytes) {
        if (id == waiting) {
            answer = bytes;
            answered = true;
        }
    });
    QObject::connect(&link, &Client::failed, [this](int id, const QString &why) {
        if (id == waiting) {
            failure = why;
            answered = true;
        }
    });
}

Session::~Session() = default;

void Session::wait(const bool &finished)
{
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

QString Session::open(const QString &host, quint16 port)
{
    bool finished = false;
    QString error;
    const QMetaObject::Connection on_ready =
        QObject::connect(&link, &Client::ready, [&] { finished = true; });
    const QMetaObject::Connection on_closed =
        QObject::connect(&link, &Client::closed, [&](const QString &why) {
            error =
                why.isEmpty() ? link.server() + QStringLiteral(": the connection is closed") : why;
            finished = true;
        });
    link.connect_to(host, port);
    wait(finished);
    QObject::disconnect(on_ready);
    QObject::disconnect(on_closed);
    return error;
}

std::optional<QByteArray> Session::read(quint64 address, int size, QString &error)
{
    answered = false;
    failure.clear();
    waiting = link.read(address, size);
    wait(answered);
    error = failure;
    return failure.isEmpty() ? std::optional<QByteArray>(answer) : std::nullopt;
}

QString Session::write(quint64 address, const QByteArray &bytes)
{
    answered = false;
    failure.clear();
    waiting = link.write(address, bytes);
    wait(answered);
    return failure;
}

QString Session::close()
{
    if (link.state() == Client::State::Disconnected)
        return QString();
    bool finished = false;
    QString error;
    const QMetaObject::Connection on_closed =
        QObject::connect(&link, &Client::closed, [&](const QString &why) {
            error = why;
            finished = true;
        });
    link.close();
    wait(finished);
    QObject::disconnect(on_closed);
    return error;
}

bool split_address(const QString &text, QString &host, quint16 &port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    bool ok = false;
    const uint number = text.mid(colon + 1).toUInt(&ok, 10);
    if (!ok || number == 0 || number > 65535)
        return false;
    host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    if (host.isEmpty() || host.contains(QLatin1Char(' ')))
        return false;
    port = quint16(number);
    return true;
}

} // namespace target
