// The live-target client's cost against a real GDB server (QEMU on
// loopback), each figure beside a baseline taken in the same run:
//   1. one register read through target::Client against a bare m exchange
//      written here on a plain socket (send, wait for the whole reply, ack);
//   2. tarnwick-cli --read of N registers through a counting proxy: the
//      packets it sends for two N, which must differ by the difference in N;
//   3. a watch: one read every 250 ms for a few seconds, CPU time over wall
//      time of this process.
// Usage: target_bench HOST:PORT TARNWICK_CLI SVD [SAMPLES]
#include "gdb_client.h"
#include "rsp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double cpu_seconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

const quint64 address = 0x10000010; // FICR.CODEPAGESIZE

// The floor: the request framed by hand, the reply read to its checksum.
std::vector<double> bare_exchanges(const QString &host, quint16 port, int samples)
{
    QTcpSocket socket;
    socket.connectToHost(host, port);
    socket.waitForConnected(3000);
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const auto exchange = [&socket](const QByteArray &payload) {
        socket.write(rsp::frame(payload));
        QByteArray in;
        // The reply is complete two digits after its #.
        while (!(in.contains('$') && in.indexOf('#', in.indexOf('$')) >= 0 &&
                 in.size() >= in.indexOf('#', in.indexOf('$')) + 3)) {
            if (!socket.waitForReadyRead(3000))
                return false;
            in += socket.readAll();
        }
        socket.write("+");
        return true;
    };
    // A server that halts the target on connecting says so first.
    if (socket.waitForReadyRead(300) && socket.readAll().contains('$'))
        socket.write("+");
    std::vector<double> times;
    exchange("qSupported");
    const QByteArray request = QStringLiteral("m%1,4").arg(address, 0, 16).toLatin1();
    QElapsedTimer clock;
    for (int i = 0; i < samples; ++i) {
        clock.start();
        if (!exchange(request))
            break;
        times.push_back(double(clock.nsecsElapsed()) / 1e3);
    }
    socket.write(rsp::frame("D"));
    socket.waitForBytesWritten(1000);
    socket.waitForReadyRead(1000);
    return times;
}

std::vector<double> client_reads(const QString &host, quint16 port, int samples)
{
    target::Session session(3000);
    std::vector<double> times;
    if (!session.open(host, port).isEmpty())
        return times;
    QElapsedTimer clock;
    QString error;
    for (int i = 0; i < samples; ++i) {
        clock.start();
        if (!session.read(address, 4, error))
            break;
        times.push_back(double(clock.nsecsElapsed()) / 1e3);
    }
    session.close();
    return times;
}

// Runs tarnwick-cli --read PATTERN through a proxy and counts the packets
// it sends; -1 when it failed.
int packets_of_read(const QString &host, quint16 port, const QString &cli, const QString &svd,
                    const QString &pattern, int &registers)
{
    QTcpServer proxy;
    proxy.listen(QHostAddress::LocalHost);
    QTcpSocket upstream;
    QTcpSocket *client = nullptr;
    int packets = 0;
    QObject::connect(&proxy, &QTcpServer::newConnection, [&] {
        client = proxy.nextPendingConnection();
        upstream.connectToHost(host, port);
        upstream.waitForConnected(3000);
        QObject::connect(client, &QTcpSocket::readyRead, [&] {
            const QByteArray bytes = client->readAll();
            packets += int(bytes.count('$'));
            upstream.write(bytes);
        });
        QObject::connect(&upstream, &QTcpSocket::readyRead,
                         [&] { client->write(upstream.readAll()); });
    });
    QProcess process;
    process.start(cli, {QStringLiteral("--svd"), svd, QStringLiteral("--gdb"),
                        QStringLiteral("127.0.0.1:%1").arg(proxy.serverPort()),
                        QStringLiteral("--read"), pattern, QStringLiteral("--json")});
    process.waitForStarted();
    while (process.state() != QProcess::NotRunning)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    registers = int(process.readAllStandardOutput().count("\"value\": \"0x"));
    upstream.disconnectFromHost();
    return process.exitCode() == 0 ? packets : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString host;
    quint16 port = 0;
    if (args.size() < 4 || !target::split_address(args[1], host, port)) {
        std::fprintf(stderr, "usage: target_bench HOST:PORT TARNWICK_CLI SVD [SAMPLES]\n");
        return 2;
    }
    const int samples = args.size() > 4 ? args[4].toInt() : 1000;

    // Alternating halves, so neither side gets the warmer half of the run.
    std::vector<double> bare, ours;
    for (int round = 0; round < 2; ++round) {
        const std::vector<double> b = bare_exchanges(host, port, samples / 2);
        const std::vector<double> c = client_reads(host, port, samples / 2);
        bare.insert(bare.end(), b.begin(), b.end());
        ours.insert(ours.end(), c.begin(), c.end());
    }
    const double ratio = median(ours) / median(bare);
    std::printf("   one read of 4 bytes, median of %zu: client %.1f us, bare m exchange %.1f us\n",
                ours.size(), median(ours), median(bare));
    std::printf("GOAL T1 a register read <= 1.5 x a bare m exchange: %s (%.2f)\n",
                ratio <= 1.5 ? "MET" : "NOT MET", ratio);

    int few = 0, many = 0;
    const int packets_few = packets_of_read(host, port, args[2], args[3], "GPIO.PIN_CNF*", few);
    const int packets_many = packets_of_read(host, port, args[2], args[3], "GPIO.*", many);
    std::printf("   tarnwick-cli --read: %d registers in %d packets, %d registers in %d packets\n",
                few, packets_few, many, packets_many);
    const bool linear = packets_few > 0 && packets_many - packets_few == many - few && many > few;
    std::printf("GOAL T2 --read of N registers = N packets + a fixed %d: %s\n", packets_few - few,
                linear ? "MET" : "NOT MET");

    // The watch as the window would run it: the client's own timer.
    target::Client client;
    int reads = 0;
    QObject::connect(&client, &target::Client::done, [&] { ++reads; });
    QEventLoop loop;
    QObject::connect(&client, &target::Client::ready, &loop, &QEventLoop::quit);
    client.connect_to(host, port);
    loop.exec();
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { client.read(address, 4); });
    const double cpu_before = cpu_seconds();
    QElapsedTimer wall;
    wall.start();
    watch.start(250);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    const double share = (cpu_seconds() - cpu_before) / (double(wall.nsecsElapsed()) / 1e9);
    QObject::connect(&client, &target::Client::closed, &loop, &QEventLoop::quit);
    client.close();
    loop.exec();
    std::printf("   watch: %d reads in %.1f s, CPU %.3f %% of one core\n", reads,
                double(wall.elapsed()) / 1000, share * 100);
    std::printf("GOAL T3 a watch < 1 %% of a core: %s (%.3f %%)\n",
                share < 0.01 ? "MET" : "NOT MET", share * 100);
    return 0;
}
