// The register-dump reader against splitting the same text into lines and
// numbers with a plain loop, in one process and alternately. The dump is
// made here from the map of most registers among the files given: every
// register, as OpenOCD's mdw prints a peripheral, four words to a line.
//
// dump_bench [--repeat N] FILE...
#include "dump.h"
#include "svd.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Registers in address order, runs of one size at consecutive addresses on
// one line, at most four units to it; a register over another's bytes (an
// alternate view of the same address) is left out, as memory holds one.
QByteArray make_dump(const svd::Device &device)
{
    std::vector<const svd::Register *> regs;
    for (const svd::Register &reg : device.registers) {
        if (reg.size == 8 || reg.size == 16 || reg.size == 32 || reg.size == 64)
            regs.push_back(&reg);
    }
    std::stable_sort(regs.begin(), regs.end(), [](const svd::Register *a, const svd::Register *b) {
        return a->address < b->address;
    });
    QByteArray text;
    quint64 next = 0; // the address after the last unit written
    int on_line = 0, line_size = 0;
    char buffer[64];
    for (const svd::Register *reg : regs) {
        const int bytes = reg->size / 8;
        if (reg->address < next)
            continue;
        if (on_line == 4 || reg->address != next || bytes != line_size || on_line == 0) {
            if (on_line > 0)
                text += '\n';
            std::snprintf(buffer, sizeof buffer, "0x%08llx:", (unsigned long long)reg->address);
            text += buffer;
            on_line = 0;
            line_size = bytes;
        }
        const quint64 value = reg->reset_value ^ (reg->address * 0x9E3779B97F4A7C15ull);
        const quint64 mask = reg->size == 64 ? ~0ull : (1ull << reg->size) - 1;
        std::snprintf(buffer, sizeof buffer, " %0*llx", bytes * 2,
                      (unsigned long long)(value & mask));
        text += buffer;
        ++on_line;
        next = reg->address + quint64(bytes);
    }
    return text + '\n';
}

// The least a reader of such text must do: find the lines and the numbers.
quint64 split_plain(const QByteArray &text)
{
    quint64 sum = 0, number = 0, lines = 0;
    bool in_number = false;
    for (const char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
            digit = (c | 0x20) - 'a' + 10;
        if (digit >= 0) {
            number = number << 4 | quint64(digit);
            in_number = true;
            continue;
        }
        if (in_number)
            sum += number;
        number = 0;
        in_number = false;
        lines += c == '\n';
    }
    return sum + lines;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int repeat = 15;
    if (args.size() > 2 && args[0] == QLatin1String("--repeat")) {
        repeat = args[1].toInt();
        args = args.mid(2);
    }
    svd::Device device;
    QString chosen;
    for (const QString &path : args) {
        svd::Reading reading = svd::read_file(path);
        if (reading.error.isEmpty() && reading.device.registers.size() > device.registers.size()) {
            device = std::move(reading.device);
            chosen = QFileInfo(path).fileName();
        }
    }
    if (device.registers.isEmpty())
        qFatal("dump_bench: no map with registers among the files given");
    const QByteArray text = make_dump(device);

    // Each sample runs both often enough to be well above the timer's grain.
    const int rounds = qMax(1, int(4000000 / qMax(1, text.size())));
    std::vector<double> plain_ms, read_ms;
    quint64 sink = 0;
    int covered = 0, units = 0;
    for (int i = 0; i < repeat; ++i) {
        for (int pass = 0; pass < 2; ++pass) {
            const bool plain_now = (pass == 0) == (i % 2 == 0);
            QElapsedTimer timer;
            timer.start();
            for (int r = 0; r < rounds; ++r) {
                if (plain_now) {
                    sink += split_plain(text);
                } else {
                    const dump::Dump read = dump::read(text);
                    const dump::Values values = dump::cover(device, read);
                    covered = values.covered;
                    units = read.units.size();
                }
            }
            (plain_now ? plain_ms : read_ms).push_back(timer.nsecsElapsed() / 1e6 / rounds);
        }
    }
    const double p = median(plain_ms), r = median(read_ms);
    std::printf("   %s: %d registers, dump of %d bytes, %d units on %d registers covered "
                "(checksum %llu)\n",
                qPrintable(chosen), int(device.registers.size()), int(text.size()), units, covered,
                (unsigned long long)(sink % 1000));
    std::printf("   split_ms %.3f  read_cover_ms %.3f  ratio %.2f\n", p, r, r / p);
    std::printf("GOAL 5 reading and placing a dump <= 3 x splitting it: %s (%.2f)\n",
                r / p <= 3 ? "MET" : "NOT MET", r / p);
    return 0;
}
