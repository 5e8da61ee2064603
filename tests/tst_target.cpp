// The live-target client against a fake GDB server that plays both a good
// server and the hostile ones, the packet layer's framing, and the rules of
// what may be read and written, as tables.
#include "gdb_client.h"
#include "rsp.h"
#include "target_rules.h"

#include <QTcpServer>
#include <QtTest>

#include <functional>

namespace {

// Answers the handshake like QEMU (optionally offering no-ack mode and
// halting the target on connect) and everything else through `answer`,
// which gets each request's payload and returns the raw bytes to send.
class FakeServer : public QObject
{
public:
    std::function<QByteArray(const QByteArray &)> answer;
    bool offer_no_ack = false;
    bool halt_on_connect = false;
    QByteArrayList requests;
    QTcpSocket *peer = nullptr;

    FakeServer()
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            peer = server.nextPendingConnection();
            if (halt_on_connect)
                peer->write(rsp::frame("T02thread:01;"));
            connect(peer, &QTcpSocket::readyRead, this, [this] { on_bytes(); });
        });
    }
    quint16 port() const { return server.serverPort(); }

private:
    void on_bytes()
    {
        QVector<rsp::Event> events;
        reader.feed(peer->readAll(), events);
        for (const rsp::Event &event : events) {
            if (event.kind != rsp::Event::Packet)
                continue;
            requests << event.payload;
            if (!no_ack)
                peer->write("+");
            if (event.payload == "qSupported")
                peer->write(rsp::frame(offer_no_ack ? "PacketSize=1000;QStartNoAckMode+"
                                                    : "PacketSize=1000"));
            else if (event.payload == "QStartNoAckMode")
                peer->write(rsp::frame("OK")), no_ack = true;
            else if (event.payload == "?")
                peer->write(rsp::frame("T05thread:01;"));
            else if (event.payload == "D")
                peer->write(rsp::frame("OK"));
            else if (answer)
                peer->write(answer(event.payload));
        }
    }
    QTcpServer server;
    rsp::Reader reader;
    bool no_ack = false;
};

svd::Register make_register(svd::Access access, QVector<svd::Field> fields = {})
{
    svd::Register reg;
    reg.name = QStringLiteral("P.R");
    reg.access = access;
    reg.fields = fields;
    return reg;
}

svd::Field make_field(const char *name, int msb, int lsb,
                      svd::Access access = svd::Access::Unstated,
                      svd::WriteEffect write = svd::WriteEffect::None,
                      svd::ReadEffect read = svd::ReadEffect::None)
{
    svd::Field field;
    field.name = QString::fromLatin1(name);
    field.msb = msb;
    field.lsb = lsb;
    field.access = access;
    field.write_effect = write;
    field.read_effect = read;
    return field;
}

} // namespace

Q_DECLARE_METATYPE(svd::Register)

class TargetTest : public QObject
{
    Q_OBJECT
private slots:
    void reader_data();
    void reader();
    void hostile_data();
    void hostile();
    void session();
    void rules_data();
    void rules();
};

void TargetTest::reader_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QString>("events");
    QTest::newRow("ack, packet, nack") << QByteArray("+$OK#9a-") << "+ P:OK -";
    QTest::newRow("our own framing reads back, escapes and all")
        << rsp::frame("a$b#c}d*e") << "P:a$b#c}d*e";
    QTest::newRow("run-length: 0* repeats 0 three more times")
        << QByteArray("$0* #") + QByteArray::number(rsp::checksum("0* "), 16) << "P:0000";
    QTest::newRow("wrong checksum") << QByteArray("$OK#00") << "bad";
    QTest::newRow("a repeat with nothing before it") << QByteArray("$* #4a") << "malformed";
    QTest::newRow("a packet past the limit ends the stream")
        << "$" + QByteArray(rsp::max_payload + 1, 'a') + "#00$OK#9a"
        << "long";
    QTest::newRow("stray bytes are tolerated, a flood is not")
        << QByteArray("\r\n$OK#9a") + QByteArray(rsp::max_stray + 1, 'x') + "$OK#9a"
        << "P:OK garbage";
    QTest::newRow("a notification is told apart") << QByteArray("%Stop:T05#XX$OK#9a") << "bad P:OK";
}

void TargetTest::reader()
{
    QFETCH(QByteArray, stream);
    QFETCH(QString, events);
    rsp::Reader reader;
    QVector<rsp::Event> got;
    // Byte by byte: a server may drip its reply.
    for (const char c : stream)
        reader.feed(&c, 1, got);
    QStringList text;
    const char *names[] = {"+", "-", "P:", "N:", "bad", "malformed", "long", "garbage"};
    for (const rsp::Event &event : got)
        text << QString::fromLatin1(names[event.kind]) + QString::fromLatin1(event.payload);
    QCOMPARE(text.join(' '), events);
}

void TargetTest::hostile_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("stays_open");
    const QString where = QStringLiteral("reading 4 bytes at 0x40002518: ");
    QTest::newRow("E NN") << rsp::frame("E14") << where + "the server answered E14" << true;
    QTest::newRow("empty") << rsp::frame("")
                           << where + "the server answered with an empty reply (it does not do m)"
                           << true;
    QTest::newRow("too short") << rsp::frame("00") << where + "the server sent 1 byte instead"
                               << true;
    QTest::newRow("not hex") << rsp::frame("zzzzzzzz") << where + "the reply is not hex" << true;
    QTest::newRow("garbage") << QByteArray(100, '!') << where + "bytes outside any packet" << false;
    QTest::newRow("endless") << "$" + QByteArray(100000, '0')
                             << where + "a packet longer than 4096 bytes" << false;
    QTest::newRow("bad checksums") << QByteArray("$00000000#00").repeated(4)
                                   << where + "packets with wrong checksums" << false;
    QTest::newRow("silence") << QByteArray()
                             << where + "no reply within 300 ms; the connection is closed" << false;
    QTest::newRow("dripping") << QByteArray("drip")
                              << where + "no reply within 300 ms; the connection is closed"
                              << false;
    QTest::newRow("close") << QByteArray("close") << where + "the server closed the connection"
                           << false;
}

void TargetTest::hostile()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, message);
    QFETCH(bool, stays_open);
    FakeServer server;
    QTimer drip;
    server.answer = [&](const QByteArray &request) -> QByteArray {
        if (request != "m40002518,4")
            return rsp::frame("00000000");
        if (reply == "close")
            server.peer->disconnectFromHost();
        if (reply == "drip") {
            connect(&drip, &QTimer::timeout,
                    [&] { server.peer->write("$"), server.peer->write("0"); });
            drip.start(50);
        }
        return reply == "close" || reply == "drip" ? QByteArray() : reply;
    };
    target::Session session(300);
    QCOMPARE(session.open(QStringLiteral("127.0.0.1"), server.port()), QString());
    QString error;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!session.read(0x40002518, 4, error));
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(error, QStringLiteral("127.0.0.1:%1: ").arg(server.port()) + message);
    // An answer in step leaves the connection usable, anything else closes it.
    const std::optional<QByteArray> next = session.read(0x20000000, 4, error);
    QCOMPARE(bool(next), stays_open);
}

void TargetTest::session()
{
    // A server that halted a running target is detached at the end, which
    // resumes it; one that found it halted is left alone. No-ack mode only
    // when offered, a - answered by sending the packet again, one m and one
    // M of exactly the register's size.
    for (const bool halting : {true, false}) {
        FakeServer server;
        server.halt_on_connect = halting;
        server.offer_no_ack = halting;
        bool nacked = false;
        server.answer = [&](const QByteArray &request) -> QByteArray {
            if (request.startsWith('M'))
                return rsp::frame("OK");
            if (!nacked && !halting)
                return nacked = true, QByteArray("-");
            return rsp::frame("78563412");
        };
        target::Session session(1000);
        QCOMPARE(session.open(QStringLiteral("localhost"), server.port()), QString());
        QCOMPARE(session.client().halted_on_connect(), halting);
        QString error;
        QCOMPARE(session.write(0x20000000, QByteArray::fromHex("01020304")), QString());
        QCOMPARE(session.read(0x20000000, 4, error).value_or("?"), QByteArray::fromHex("78563412"));
        QCOMPARE(session.close(), QString());
        QByteArrayList expected = {"qSupported", "?", "M20000000,4:01020304", "m20000000,4"};
        if (halting)
            expected = QByteArrayList{"qSupported", "QStartNoAckMode"} + expected.mid(1) +
                       QByteArrayList{"D"};
        else
            expected.append("m20000000,4");
        QCOMPARE(server.requests, expected);
    }
}

void TargetTest::rules_data()
{
    using A = svd::Access;
    using W = svd::WriteEffect;
    QTest::addColumn<svd::Register>("reg");
    QTest::addColumn<QString>("read");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<quint64>("wanted");
    QTest::addColumn<quint64>("current");
    QTest::addColumn<quint64>("changed");
    QTest::addColumn<quint64>("word");
    QTest::newRow("plain read-write")
        << make_register(A::ReadWrite) << "" << true << 0x12ull << 0x34ull << 0xFFull << 0x12ull;
    QTest::newRow("write-only") << make_register(A::WriteOnly) << "it is write-only" << true << 5ull
                                << 0ull << 5ull << 5ull;
    QTest::newRow("read-only") << make_register(A::ReadOnly) << "" << false << 5ull << 5ull << 0ull
                               << 5ull;
    svd::Register fifo = make_register(A::ReadOnly);
    fifo.read_effect = svd::ReadEffect::ModifyExternal;
    QTest::newRow("a FIFO") << fifo << "reading it has a side effect (modifyExternal)" << false
                            << 0ull << 0ull << 0ull << 0ull;
    // Flags set in the value read, written back untouched: none is cleared;
    // the one the user named is.
    const svd::Register status = make_register(
        A::ReadWrite, {make_field("OVR", 3, 3, A::Unstated, W::OneToClear, svd::ReadEffect::None),
                       make_field("RXNE", 2, 2, A::Unstated, W::OneToClear),
                       make_field("NEN", 1, 1, A::Unstated, W::ZeroToClear),
                       make_field("BUSY", 0, 0, A::ReadOnly)});
    QTest::newRow("status write-back clears nothing")
        << status << "" << true << 0xEull << 0xDull << 0x0ull << 0x3ull;
    QTest::newRow("status: OVR named is cleared")
        << status << "" << true << 0xDull << 0xDull << 0x8ull << 0xBull;
    QTest::newRow("status: NEN cleared on purpose")
        << status << "" << true << 0xCull << 0xFull << 0x2ull << 0x1ull;
    svd::Register counter = make_register(
        A::ReadWrite, {make_field("CNT", 7, 0, A::Unstated, W::None, svd::ReadEffect::Clear)});
    QTest::newRow("a field that clears on read")
        << counter << "reading it has a side effect (CNT: clear)" << true << 1ull << 0ull << 1ull
        << 1ull;
}

void TargetTest::rules()
{
    QFETCH(svd::Register, reg);
    QFETCH(QString, read);
    QFETCH(bool, writable);
    QFETCH(quint64, wanted);
    QFETCH(quint64, current);
    QFETCH(quint64, changed);
    const target_rules::ReadVerdict verdict = target_rules::may_read(reg);
    QCOMPARE(verdict.reason, read);
    QCOMPARE(verdict.rule == target_rules::Read::Never, read == "it is write-only");
    QCOMPARE(target_rules::may_write(reg).allowed, writable);
    QTEST(target_rules::word_to_write(reg, wanted, current, changed), "word");
}

QTEST_GUILESS_MAIN(TargetTest)
#include "tst_target.moc"
