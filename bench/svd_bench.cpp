// The register-map reader against QXmlStreamReader tokenizing the same file,
// in one process and alternately, so both see the same machine. Each file is
// read from disk by both, as the program reads it.
//
// svd_bench [--repeat N] FILE...   time and counts for each file
// svd_bench --generate FILE MB     writes a synthetic vendor-like file
// svd_bench --generate-nested FILE  one of about 7000 registers, most of them
//                                   in nested clusters
// svd_bench --memory FILE          RSS before and after reading, in kB
// svd_bench --once read|tokenize FILE  one of the two alone, once, for
//                                   valgrind --tool=callgrind to count
#include "proc_status.h"
#include "svd.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

qint64 tokenize(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    QXmlStreamReader xml(&file);
    qint64 tokens = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        ++tokens;
    }
    return xml.hasError() ? -1 : tokens;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The device's properties as every generated map states them, up to its
// first peripheral.
void begin_device(QTextStream &out, const char *name)
{
    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<device schemaVersion=\"1.3\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
           "  <name>"
        << name
        << "</name>\n  <width>32</width>\n  <size>32</size>\n"
           "  <access>read-write</access>\n  <resetValue>0x00000000</resetValue>\n"
           "  <resetMask>0xFFFFFFFF</resetMask>\n  <peripherals>\n";
}

// Peripherals laid out as vendors write them: registers with descriptions,
// fields in all three bit notations, enumerated values for reading and for
// writing, dim arrays, and every fourth peripheral derived from the one
// before it, as timer and UART instances are.
void generate(const QString &path, int megabytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QTextStream out(&file);
    begin_device(out, "SYNTH");
    const qint64 target = qint64(megabytes) << 20;
    for (int p = 0; file.pos() < target; ++p) {
        const quint32 base = 0x40000000u + quint32(p) * 0x400u;
        if (p % 4 == 3) {
            out << "    <peripheral derivedFrom=\"P" << p - 1 << "\">\n      <name>P" << p
                << "</name>\n      <baseAddress>0x" << QString::number(base, 16)
                << "</baseAddress>\n    </peripheral>\n";
            continue;
        }
        out << "    <peripheral>\n      <name>P" << p << "</name>\n"
            << "      <description>Peripheral number " << p
            << " of the synthetic device, with a description as long as vendors write them"
               "</description>\n      <baseAddress>0x"
            << QString::number(base, 16) << "</baseAddress>\n      <registers>\n";
        for (int r = 0; r < 24; ++r) {
            out << "        <register>\n";
            if (r == 23)
                out << "          <dim>8</dim>\n          <dimIncrement>4</dimIncrement>\n"
                       "          <name>ARR[%s]</name>\n";
            else
                out << "          <name>R" << r << "</name>\n";
            out << "          <description>Control register " << r
                << ": enables, modes and status flags of this block</description>\n"
                   "          <addressOffset>0x"
                << QString::number(r * 4, 16) << "</addressOffset>\n          <resetValue>0x"
                << QString::number(r * 0x1111, 16) << "</resetValue>\n          <fields>\n";
            for (int f = 0; f < 8; ++f) {
                out << "            <field>\n              <name>F" << f << "</name>\n"
                    << "              <description>Field " << f
                    << " selects one of the modes of this part of the block</description>\n";
                switch (f % 3) {
                case 0:
                    out << "              <bitOffset>" << f * 4 << "</bitOffset>\n"
                        << "              <bitWidth>4</bitWidth>\n";
                    break;
                case 1:
                    out << "              <lsb>" << f * 4 << "</lsb>\n              <msb>"
                        << f * 4 + 3 << "</msb>\n";
                    break;
                default:
                    out << "              <bitRange>[" << f * 4 + 3 << ":" << f * 4
                        << "]</bitRange>\n";
                }
                out << "              <access>read-write</access>\n";
                if (f < 3) {
                    for (const char *usage : {"read", "write"}) {
                        out << "              <enumeratedValues>\n"
                               "                <usage>"
                            << usage << "</usage>\n";
                        for (int v = 0; v < 4; ++v)
                            out << "                <enumeratedValue>\n"
                                   "                  <name>MODE"
                                << v << "</name>\n                  <description>Mode " << v
                                << " of the field</description>\n                  <value>" << v
                                << "</value>\n                </enumeratedValue>\n";
                        out << "              </enumeratedValues>\n";
                    }
                }
                out << "            </field>\n";
            }
            out << "          </fields>\n        </register>\n";
        }
        out << "      </registers>\n    </peripheral>\n";
        out.flush();
    }
    out << "  </peripherals>\n</device>\n";
}

// The register blocks of newer parts: channels as arrays of clusters holding
// arrays of clusters, a plain cluster at the bottom, and a second channel
// array derived from the first, about 7000 registers in all.
void generate_nested(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QTextStream out(&file);
    begin_device(out, "NESTED");
    const auto registers = [&](const QString &indent, const char *prefix, int count) {
        for (int r = 0; r < count; ++r) {
            out << indent << "<register>\n"
                << indent << "  <name>" << prefix << r << "</name>\n"
                << indent << "  <description>" << prefix << " register " << r
                << " of this channel</description>\n"
                << indent << "  <addressOffset>0x" << QString::number(r * 4, 16)
                << "</addressOffset>\n"
                << indent << "  <fields>\n";
            for (int f = 0; f < 4; ++f) {
                out << indent << "    <field><name>F" << f << "</name><description>Field " << f
                    << " of the register</description><bitOffset>" << f * 8
                    << "</bitOffset><bitWidth>8</bitWidth>";
                if (f == 0)
                    out << "<enumeratedValues><enumeratedValue><name>OFF</name><value>0</value>"
                           "</enumeratedValue><enumeratedValue><name>ON</name><value>1</value>"
                           "</enumeratedValue></enumeratedValues>";
                out << "</field>\n";
            }
            out << indent << "  </fields>\n" << indent << "</register>\n";
        }
    };
    // 4 x (6 + 2 x (4 + 2)) registers in a channel array, twice that with the
    // derived copy, and 4 plain ones: 148 per peripheral.
    for (int p = 0; p < 48; ++p) {
        out << "    <peripheral>\n      <name>N" << p << "</name>\n"
            << "      <description>Nested block " << p << "</description>\n"
            << "      <baseAddress>0x" << QString::number(0x40000000u + quint32(p) * 0x10000u, 16)
            << "</baseAddress>\n      <registers>\n";
        registers(QStringLiteral("        "), "CTRL", 4);
        out << "        <cluster>\n          <dim>4</dim><dimIncrement>0x400</dimIncrement>\n"
               "          <name>CH[%s]</name><description>Channel</description>\n"
               "          <addressOffset>0x100</addressOffset>\n";
        registers(QStringLiteral("          "), "CFG", 6);
        out << "          <cluster>\n            <dim>2</dim><dimIncrement>0x100</dimIncrement>\n"
               "            <name>SUB[%s]</name><addressOffset>0x40</addressOffset>\n";
        registers(QStringLiteral("            "), "SEL", 4);
        out << "            <cluster>\n              <name>EV</name>"
               "<addressOffset>0x80</addressOffset>\n";
        registers(QStringLiteral("              "), "EVT", 2);
        out << "            </cluster>\n          </cluster>\n        </cluster>\n"
               "        <cluster derivedFrom=\"CH[%s]\"><name>ALT[%s]</name>"
               "<addressOffset>0x2000</addressOffset></cluster>\n"
               "      </registers>\n    </peripheral>\n";
    }
    out << "  </peripherals>\n</device>\n";
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("--generate")) {
        generate(args[1], args[2].toInt());
        return 0;
    }
    if (args.size() == 2 && args[0] == QLatin1String("--generate-nested")) {
        generate_nested(args[1]);
        return 0;
    }
    if (args.size() == 2 && args[0] == QLatin1String("--memory")) {
        const long before = status_kb(getpid(), "VmRSS");
        const svd::Reading reading = svd::read_file(args[1]);
        const long after = status_kb(getpid(), "VmRSS");
        const long peak = status_kb(getpid(), "VmHWM");
        std::printf("%s bytes=%lld registers=%d rss_before_kB=%ld rss_after_kB=%ld "
                    "peak_kB=%ld\n",
                    qPrintable(QFileInfo(args[1]).fileName()), QFileInfo(args[1]).size(),
                    int(reading.device.registers.size()), before, after, peak);
        return reading.error.isEmpty() ? 0 : 2;
    }
    if (args.size() == 3 && args[0] == QLatin1String("--once")) {
        if (args[1] == QLatin1String("tokenize"))
            return tokenize(args[2]) < 0 ? 2 : 0;
        if (args[1] == QLatin1String("read"))
            return svd::read_file(args[2]).error.isEmpty() ? 0 : 2;
        qFatal("--once takes read or tokenize");
    }
    int repeat = 7;
    if (args.size() > 2 && args[0] == QLatin1String("--repeat")) {
        repeat = args[1].toInt();
        args = args.mid(2);
    }
    std::printf("%-20s %9s %6s %7s %5s %9s %9s %6s %8s\n", "file", "bytes", "regs", "fields",
                "warn", "tok_ms", "read_ms", "ratio", "MB/s");
    for (const QString &path : args) {
        std::vector<double> token_ms, read_ms;
        svd::Reading reading;
        for (int i = 0; i < repeat; ++i) {
            QElapsedTimer timer;
            // Alternate which goes first, so neither always finds a warmer cache.
            for (int pass = 0; pass < 2; ++pass) {
                const bool tokens_now = (pass == 0) == (i % 2 == 0);
                timer.start();
                if (tokens_now) {
                    if (tokenize(path) < 0)
                        qFatal("%s is not well-formed XML", qPrintable(path));
                    token_ms.push_back(timer.nsecsElapsed() / 1e6);
                } else {
                    svd::Reading fresh = svd::read_file(path);
                    read_ms.push_back(timer.nsecsElapsed() / 1e6);
                    // The map of the run before is freed here, untimed: the
                    // program reads into an empty Reading (a new thread per
                    // file in the map window, once in tarnwick-cli), and
                    // frees the map it replaces elsewhere.
                    reading = std::move(fresh);
                }
            }
        }
        if (!reading.error.isEmpty()) {
            std::printf("%s: %s\n", qPrintable(path), qPrintable(reading.error));
            continue;
        }
        int fields = 0, warnings = reading.device.warnings.size();
        for (const svd::Register &reg : reading.device.registers) {
            fields += reg.fields.size();
            warnings += reg.warnings.size();
        }
        const double bytes = QFileInfo(path).size();
        const double t = median(token_ms), r = median(read_ms);
        std::printf("%-20s %9.0f %6d %7d %5d %9.2f %9.2f %6.2f %8.1f\n",
                    qPrintable(QFileInfo(path).fileName()), bytes,
                    int(reading.device.registers.size()), fields, warnings, t, r, r / t,
                    bytes / 1e6 / (r / 1e3));
    }
    return 0;
}
