// The register-map reader on a file of our own that exercises each of its
// rules, the field logic on top of it, and one table of hostile files.
#include "dump.h"
#include "regmap.h"
#include "svd.h"

#include <QBuffer>
#include <QtTest>

namespace {

const svd::Device &test_map()
{
    static const svd::Reading reading = svd::read_file(QStringLiteral(":/data/tarnwick_test.svd"));
    if (!reading.error.isEmpty())
        qFatal("%s", qPrintable(reading.error));
    return reading.device;
}

const svd::Register &reg(const QString &name)
{
    const int index = regmap::find_register(test_map(), name);
    if (index < 0)
        qFatal("no register %s", qPrintable(name));
    return test_map().registers[index];
}

const svd::Field &field(const QString &reg_name, const QString &name)
{
    for (const svd::Field &f : reg(reg_name).fields) {
        if (f.name == name)
            return f;
    }
    qFatal("no field %s", qPrintable(name));
}

// "Up=0 Down=1 r": each value with its don't-care bits as x, and its usage.
QString values_text(const svd::Field &f)
{
    QStringList parts;
    for (const svd::EnumValue &v : f.values) {
        QString value = QString::number(v.value, 2);
        for (int bit = 0; bit < value.size(); ++bit) {
            if (!((v.care >> (value.size() - 1 - bit)) & 1))
                value[bit] = QLatin1Char('x');
        }
        static const char *const usages[] = {"", "r", "w"}; // read-write, read, write
        parts << QStringLiteral("%1=%2%3").arg(v.name,
                                               v.is_default ? QStringLiteral("default") : value,
                                               QLatin1String(usages[int(v.usage)]));
    }
    return parts.join(QLatin1Char(' '));
}

// Whether "line 12: ..." warnings come top to bottom.
bool in_line_order(const QStringList &warnings)
{
    QVector<int> lines;
    for (const QString &warning : warnings)
        lines << warning.section(' ', 1, 1).chopped(1).toInt();
    return std::is_sorted(lines.begin(), lines.end());
}

} // namespace

class TestSvd : public QObject
{
    Q_OBJECT

private slots:
    void registers_data();
    void registers();
    void fileOrder();
    void fields_data();
    void fields();
    void warnings_data();
    void warnings();
    void decode_data();
    void decode();
    void layout();
    void regmapSearch_data();
    void regmapSearch();
    void regmapBits_data();
    void regmapBits();
    void dumps_data();
    void dumps();
    void dumpRoundTrip();
    void hostile_data();
    void hostile();
};

void TestSvd::registers_data()
{
    QTest::addColumn<QString>("name");
    // Address, size, reset value, access, number of fields, description.
    QTest::addColumn<QString>("facts");

    // clang-format off
    QTest::newRow("plain") << "GPIOA.MODER" << "0x40020000 32 0xA8000000 read-write 16 GPIO port mode register";
    QTest::newRow("peripheral derived before its source") << "GPIOB.MODER" << "0x40020400 32 0xA8000000 read-write 16 GPIO port mode register";
    QTest::newRow("own register list replaces the source's; own size comes down") << "GPIOC.LCKR" << "0x4002081C 16 0x00000000 read-write 1";
    QTest::newRow("vendor access token, # binary reset value") << "TIM.CR1" << "0x40010000 32 0x00000005 read-writeOnce 6 Control register 1";
    QTest::newRow("derived register: own size, source's tags as stated there") << "tim.cr2" << "0x40010004 16 0x00000005 read-writeOnce 6 Control register 1";
    QTest::newRow("cluster array keeps [], properties from the cluster") << "TIM.CH[1].CCR" << "0x40010060 16 0x000000FF read-write 1";
    QTest::newRow("nested cluster, dimIndex list, access from the inner cluster") << "TIM.CH[0].DEAD.DTC" << "0x40010058 16 0x000000FF read-only 1";
    QTest::newRow("derived cluster: own offset, source's dim") << "TIM.SPARE[1].DEAD.DTA" << "0x400100B0 16 0x000000FF read-only 1";
    QTest::newRow("dimIndex range") << "TIM.ARR[3]" << "0x400100CC 32 0x0000FFFF read-write 0";
    QTest::newRow("wider than 32 bits") << "TIM.CNT64" << "0x400100D0 64 0x123456789ABCDEF0 read-write 1";
    QTest::newRow("#1 values in a 32-bit field") << "GPIOD.PDDR" << "0x400FF0D4 32 0x00000000 read-write 1";
    QTest::newRow("fields named RESERVED more than once") << "GPIOD.PCR" << "0x400FF0E0 32 0x00000000 read-write 4";
    // clang-format on
}

void TestSvd::registers()
{
    QFETCH(QString, name);
    QFETCH(QString, facts);
    const svd::Register &r = reg(name);
    QCOMPARE(r.name, name.toUpper());
    QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6")
                 .arg(regmap::hex(r.address), QString::number(r.size),
                      regmap::hex(r.reset_value, r.size), svd::access_name(r.access),
                      QString::number(r.fields.size()), r.description)
                 .trimmed(),
             facts);
    QCOMPARE(r.warnings, QStringList());
}

void TestSvd::fileOrder()
{
    QStringList names;
    for (const svd::Register &r : test_map().registers)
        names << r.name;
    QCOMPARE(names.size(), 35);
    QCOMPARE(names.mid(0, 5),
             (QStringList{"GPIOB.MODER", "GPIOB.ODR", "GPIOA.MODER", "GPIOA.ODR", "GPIOC.LCKR"}));
    QCOMPARE(names.mid(7, 4), (QStringList{"TIM.CH[0].CCR", "TIM.CH[0].DEAD.DTA",
                                           "TIM.CH[0].DEAD.DTB", "TIM.CH[0].DEAD.DTC"}));
    QCOMPARE(reg("GPIOA.ODR").reset_mask, 0xFFFFull);
    // Each register holds its reset value; warnings read top to bottom.
    for (const svd::Register &r : test_map().registers) {
        QVERIFY2(in_line_order(r.warnings), qPrintable(r.warnings.join('\n')));
        QVERIFY(r.size >= 64 || ((r.reset_value | r.reset_mask) >> r.size) == 0);
    }
}

void TestSvd::fields_data()
{
    QTest::addColumn<QString>("register_name");
    QTest::addColumn<QString>("name");
    // Bits, access with its side effects, and the values: each with its x
    // don't-care bits and its usage (r read, w write).
    QTest::addColumn<QString>("facts");

    const QString modes = QStringLiteral("Input=0 Output=1 Alternate=10 Analog=11");
    const QString dir = QStringLiteral("Up=0r Down=1r CountUp=0w CountDown=1w");
    const QString cms = QStringLiteral("Edge=0 Center=1x0 Other=default");
    // clang-format off
    QTest::newRow("field array, bitOffset/bitWidth, 0b and # values") << "GPIOA.MODER" << "MODER15" << "[31:30] read-write; " + modes;
    QTest::newRow("first element of the array") << "GPIOB.MODER" << "MODER0" << "[1:0] read-write; " + modes;
    QTest::newRow("bitRange") << "GPIOA.ODR" << "ODR" << "[15:0] read-write; ";
    QTest::newRow("lsb and msb") << "GPIOC.LCKR" << "LCKK" << "[15] read-write; ";
    QTest::newRow("vendor token write") << "TIM.CR1" << "UDIS" << "[1] write-only; ";
    QTest::newRow("sets for reading and for writing") << "TIM.CR1" << "DIR" << "[4] read-writeOnce; " + dir;
    QTest::newRow("don't-care bits and a default") << "TIM.CR1" << "CMS" << "[7:5] read-writeOnce; " + cms;
    QTest::newRow("derived field by dotted path keeps its offset") << "TIM.CR1" << "OPM" << "[3] read-writeOnce; " + dir;
    QTest::newRow("derived field takes its width") << "TIM.CR1" << "CKD" << "[10:8] read-writeOnce; " + cms;
    QTest::newRow("write 1 to clear") << "TIM.SR" << "UIF" << "[0] read-write, write 1 to clear; ";
    QTest::newRow("read clears, values derived by name") << "TIM.SR" << "CC1IF" << "[1] read-write, read clears; Up=0r Down=1r";
    // clang-format on
}

void TestSvd::fields()
{
    QFETCH(QString, register_name);
    QFETCH(QString, name);
    QFETCH(QString, facts);
    const svd::Field &f = field(register_name, name);
    QCOMPARE(regmap::bits(f.msb, f.lsb) + ' ' + regmap::access_text(reg(register_name), f) + "; " +
                 values_text(f),
             facts);
}

void TestSvd::warnings_data()
{
    // Of the registers from FLAWED's first on; -1: the list of a peripheral
    // array that states too few dimIndex entries, an unknown access, then a
    // second baseAddress; -2: a register of 70 fields and a 71st named as the
    // fourth, past the few that are compared one by one; -3: an array of
    // 20000 fields 4 bits apart, which passes bit 65535.
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("warning");

    // clang-format off
    QTest::newRow("outside") << 0 << "line 148: field OUTSIDE [9:8] lies outside the 8-bit register";
    QTest::newRow("overlap") << 0 << "line 150: fields LOW and OVER overlap in bits [3:2]";
    QTest::newRow("unknown access") << 0 << "line 150: unknown access \"sometimes\" in field OVER, ignored";
    QTest::newRow("too wide") << 0 << "line 151: enumerated value TOO_WIDE (4) does not fit the 2-bit field SMALL";
    QTest::newRow("duplicate field") << 0 << "line 157: another field named LOW comes first, at line 149";
    QTest::newRow("duplicate register") << 1 << "line 160: another register named FLAWED.CTRL comes first, at line 145";
    QTest::newRow("duplicate register, told at the first too") << 0 << "line 145: another register named FLAWED.CTRL follows, at line 160";
    QTest::newRow("reset value wider than the register") << 4 << "line 180: reset value 0xFFFFFFFFFFFFFFF1 does not fit the 32-bit register GPIOD.ISFR; keeping 0xFFFFFFF1";
    QTest::newRow("reset mask wider than the register") << 4 << "line 180: reset mask 0x1FFFFFFFF does not fit the 32-bit register GPIOD.ISFR; keeping 0xFFFFFFFF";
    QTest::newRow("baseAddress twice") << -1 << "line 4: peripheral P%s states <baseAddress> again; the last one counts";
    QTest::newRow("duplicate field among many") << -2 << "line 73: another field named F3 comes first, at line 6";
    QTest::newRow("field array past bit 65535, told once") << -3 << "line 2: field F16384 and the 3615 elements of its array after it lie beyond bit 65535, ignored";
    // clang-format on
}

void TestSvd::warnings()
{
    QFETCH(int, index);
    QFETCH(QString, warning);
    if (index == -2) {
        QByteArray xml("<device><name>D</name><peripherals><peripheral><name>P</name>\n"
                       "<registers><register><name>R</name><size>128</size><fields>\n");
        for (int i = 0; i < 71; ++i)
            xml +=
                QStringLiteral("<field><name>F%1</name><description>Field %2 of many</description>"
                               "<bitOffset>%2</bitOffset><bitWidth>1</bitWidth></field>\n")
                    .arg(i < 70 ? i : 3)
                    .arg(i)
                    .toUtf8();
        xml += "</fields></register></registers></peripheral></peripherals></device>\n";
        QBuffer input(&xml);
        input.open(QIODevice::ReadOnly);
        const svd::Register r =
            svd::read(&input, QStringLiteral("f.svd")).device.registers.value(0);
        QVERIFY2(r.warnings == QStringList{warning}, qPrintable(r.warnings.join('\n')));
        // Each text where it belongs, among more than the reader shares at first.
        QCOMPARE(r.fields.size(), 71);
        for (int i = 0; i < 71; ++i) {
            QCOMPARE(r.fields[i].name, QStringLiteral("F%1").arg(i < 70 ? i : 3));
            QCOMPARE(r.fields[i].description, QStringLiteral("Field %1 of many").arg(i));
        }
        return;
    }
    if (index == -3) {
        QByteArray xml("<device><name>D</name><peripherals><peripheral><name>P</name><registers>\n"
                       "<register><name>R</name><size>65536</size><fields><field><dim>20000</dim>"
                       "<dimIncrement>4</dimIncrement><name>F%s</name><bitOffset>0</bitOffset>"
                       "<bitWidth>4</bitWidth></field></fields></register></registers>"
                       "</peripheral></peripherals></device>\n");
        QBuffer input(&xml);
        input.open(QIODevice::ReadOnly);
        const svd::Register r =
            svd::read(&input, QStringLiteral("f.svd")).device.registers.value(0);
        QVERIFY2(r.warnings.contains(warning), qPrintable(r.warnings.join(QLatin1Char('\n'))));
        QCOMPARE(r.warnings.filter(QStringLiteral("beyond")).size(), 1);
        QCOMPARE(r.fields.size(), 16384);
        return;
    }
    if (index == -1) {
        QByteArray xml("<device><name>D</name><peripherals>\n<peripheral><dim>2</dim>"
                       "<dimIncrement>4</dimIncrement><dimIndex>A</dimIndex><name>P%s</name>\n"
                       "<baseAddress>0</baseAddress><access>sometimes</access>\n"
                       "<baseAddress>0x40000000</baseAddress><registers><register><name>R</name>"
                       "<addressOffset>4</addressOffset></register></registers></peripheral>"
                       "</peripherals></device>\n");
        QBuffer input(&xml);
        input.open(QIODevice::ReadOnly);
        const svd::Reading reading = svd::read(&input, QStringLiteral("p.svd"));
        const QStringList &list = reading.device.warnings;
        QVERIFY2(list.contains(warning) && in_line_order(list), qPrintable(list.join('\n')));
        QCOMPARE(reading.device.registers.value(0).address, 0x40000004ull);
        return;
    }
    const int first = regmap::find_register(test_map(), QStringLiteral("FLAWED.CTRL"));
    const svd::Register &r = test_map().registers[first + index];
    QVERIFY2(r.warnings.contains(warning) && in_line_order(r.warnings),
             qPrintable(r.warnings.join('\n')));
    // Loaded all the same, with its fields.
    QCOMPARE(r.fields.size(), index == 0 ? 5 : 0);
}

void TestSvd::decode_data()
{
    QTest::addColumn<QString>("register_name");
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint64>("value");
    QTest::addColumn<quint64>("field_value");
    QTest::addColumn<QString>("read_name");
    QTest::addColumn<QString>("choices");

    // clang-format off
    QTest::newRow("MODER15 at reset") << "GPIOA.MODER" << "MODER15" << 0xA8000000ull << 2ull << "Alternate" << "Input Output Alternate Analog";
    QTest::newRow("reads from the read set, offers the write set") << "TIM.CR1" << "DIR" << 0x10ull << 1ull << "Down" << "CountUp CountDown";
    QTest::newRow("don't-care bit set") << "TIM.CR1" << "CMS" << 0xC0ull << 6ull << "Center" << "Edge Center";
    QTest::newRow("default when nothing matches") << "TIM.CR1" << "CMS" << 0x20ull << 1ull << "Other" << "Edge Center";
    QTest::newRow("no values") << "GPIOA.ODR" << "ODR" << 0x12345ull << 0x2345ull << "" << "";
    QTest::newRow("64-bit field") << "TIM.CNT64" << "CNT" << ~0ull << ~0ull << "" << "";
    QTest::newRow("#1 in a 32-bit field is 1") << "GPIOD.PDDR" << "PDD" << 1ull << 1ull << "OUTPUT" << "INPUT OUTPUT";
    QTest::newRow("#1 is not any odd value") << "GPIOD.PDDR" << "PDD" << 0xFFFFFFFFull << 0xFFFFFFFFull << "" << "INPUT OUTPUT";
    QTest::newRow("#0 is not any even value") << "GPIOD.PDDR" << "PDD" << 0xC6ull << 0xC6ull << "" << "INPUT OUTPUT";
    QTest::newRow("0b10 in a 3-bit field is 2") << "GPIOD.PCR" << "MUX" << 0x60ull << 6ull << "" << "ALT2";
    // clang-format on
}

void TestSvd::decode()
{
    QFETCH(QString, register_name);
    QFETCH(QString, name);
    QFETCH(quint64, value);
    QFETCH(quint64, field_value);
    QFETCH(QString, read_name);
    QFETCH(QString, choices);
    const svd::Field &f = field(register_name, name);
    QCOMPARE(regmap::field_value(f, value), field_value);
    const svd::EnumValue *named = regmap::read_name(f, field_value);
    QCOMPARE(named ? named->name : QString(), read_name);
    QStringList offered;
    for (const svd::EnumValue *choice : regmap::write_choices(f))
        offered << choice->name;
    QCOMPARE(offered.join(' '), choices);
    // Setting the field back is exactly the value; one more than it holds is refused.
    QCOMPARE(regmap::with_field(f, value, field_value), std::optional<quint64>(value));
    if (f.width() < 64)
        QVERIFY(!regmap::with_field(f, value, regmap::field_max(f) + 1));
    QCOMPARE(regmap::with_field(f, 0, 1), std::optional<quint64>(quint64(1) << f.lsb));
    if (!offered.isEmpty())
        QCOMPARE(regmap::parse_field_value(f, offered.last().toLower()),
                 std::optional<quint64>(regmap::write_choices(f).last()->value &
                                        regmap::write_choices(f).last()->care));
}

// Every bit once, msb first, gaps as reserved rows.
void TestSvd::layout()
{
    QStringList rows;
    for (const regmap::Row &row : regmap::layout(reg("TIM.CR1")))
        rows << regmap::bits(row.msb, row.lsb) + (row.field < 0 ? "-" : "");
    QCOMPARE(rows.join(' '), QStringLiteral("[31:11]- [10:8] [7:5] [4] [3] [2]- [1] [0]"));
}

void TestSvd::hostile_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("error");

    const auto device = [](const char *registers) {
        return QByteArray("<device><name>D</name><peripherals>\n<peripheral><name>P</name>"
                          "<baseAddress>0</baseAddress><registers>\n") +
               registers + "\n</registers></peripheral>\n</peripherals></device>\n";
    };
    // Each register derives from the next, so the first one needs them all.
    const auto chain = [](int links) {
        QByteArray registers;
        for (int i = 0; i < links; ++i)
            registers += QByteArray("<register derivedFrom=\"R") + QByteArray::number(i + 1) +
                         "\"><name>R" + QByteArray::number(i) + "</name></register>";
        return registers + "<register><name>R" + QByteArray::number(links) +
               "</name><addressOffset>0</addressOffset></register>";
    };
    QByteArray nested = "<cluster><name>C</name><addressOffset>0</addressOffset>";
    nested = nested.repeated(40) + QByteArray("</cluster>").repeated(40);

    // clang-format off
    QTest::newRow("malformed XML") << device("<register><name>R</name>") << "x%1.svd:4:13: ";
    QTest::newRow("empty") << QByteArray() << "x%1.svd:1:";
    QTest::newRow("not SVD") << QByteArray("<html><body/></html>") << "x%1.svd:1:7: not a CMSIS-SVD file: the root element is <html>, not <device>";
    QTest::newRow("entities") << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>\n<device>&b;</device>") << "x%1.svd:2:";
    QTest::newRow("missing source") << device("<register derivedFrom=\"NOPE\"><name>R</name></register>") << "x%1.svd:3:30: register R derives from \"NOPE\", which the file does not define";
    QTest::newRow("cycle") << device("<register derivedFrom=\"B\"><name>A</name></register><register derivedFrom=\"A\"><name>B</name></register>") << "leads back to itself";
    QTest::newRow("chain deeper than any file") << device(chain(100)) << "chains more than 64 deep";
    QTest::newRow("dim of 100000000") << device("<register><dim>100000000</dim><dimIncrement>4</dimIncrement><name>R%s</name><addressOffset>0</addressOffset></register>") << "dim 100000000 makes more than 1000000 elements";
    QTest::newRow("dimIndex range of 100000000") << device("<register><dim>4</dim><dimIndex>0-99999999</dimIndex><name>R%s</name><addressOffset>0</addressOffset></register>") << "dimIndex \"0-99999999\" makes more than";
    QTest::newRow("nested arrays multiply") << device("<cluster><dim>1000</dim><dimIncrement>0</dimIncrement><name>C%s</name><addressOffset>0</addressOffset><cluster><dim>1000</dim><dimIncrement>0</dimIncrement><name>D%s</name><addressOffset>0</addressOffset><register><name>R</name><addressOffset>0</addressOffset></register></cluster></cluster>") << "the map expands to more than";
    QTest::newRow("few registers, each with very many fields") << device("<register><dim>250000</dim><dimIncrement>4</dimIncrement><name>R%s</name><addressOffset>0</addressOffset><size>4096</size><fields><field><dim>500000</dim><dimIncrement>0</dimIncrement><name>F%s</name><bitOffset>0</bitOffset></field></fields></register>") << "the map expands to more than 4000000 fields";
    QTest::newRow("cluster inside itself") << device("<cluster><name>C</name><addressOffset>0</addressOffset><cluster derivedFrom=\"C\"><name>D</name></cluster><register><name>R</name><addressOffset>0</addressOffset></register></cluster>") << "clusters contain themselves";
    QTest::newRow("nesting deeper than any chip") << device(nested) << "nested more than 32 deep";
    QTest::newRow("not a number") << device("<register><name>R</name><addressOffset>0x4Z</addressOffset></register>") << "x%1.svd:3:40: <addressOffset> holds \"0x4Z\", which is not a number";
    QTest::newRow("no name") << device("<register><addressOffset>0</addressOffset></register>") << "a <register> without a <name>";
    // clang-format on
}

void TestSvd::hostile()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, error);
    QBuffer input(&xml);
    input.open(QIODevice::ReadOnly);
    // A % in the name must come out as it went in.
    const svd::Reading reading = svd::read(&input, QStringLiteral("x%1.svd"));
    QVERIFY2(reading.error.contains(error), qPrintable(reading.error));
    QVERIFY(reading.error.startsWith(QLatin1String("x%1.svd:")));
    QVERIFY(reading.device.registers.isEmpty());
}

void TestSvd::regmapSearch_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("found"); // indices into the names below

    // clang-format off
    QTest::newRow("a part, then inside one") << "moder" << 10 << "0,1,2,4";
    QTest::newRow("whole name first") << "gpioa.MODER" << 10 << "1,2";
    QTest::newRow("every term required") << " GPIOA\tmoder " << 10 << "1,2";
    QTest::newRow("limit") << "moder" << 2 << "0,1";
    QTest::newRow("blank") << "  " << 10 << "";
    QTest::newRow("address") << " 0x4000'0004 " << 10 << "1";
    QTest::newRow("starting there, then holding it") << "0X40000006" << 10 << "5,1";
    QTest::newRow("no register there") << "0x40000018" << 10 << "";
    QTest::newRow("17 digits are no address") << "0x11112222333344445" << 10 << "";
    // clang-format on
}

void TestSvd::regmapSearch()
{
    QFETCH(QString, query);
    QFETCH(int, limit);
    QFETCH(QString, found);

    svd::Device device;
    for (const char *name :
         {"GPIOB.MODER", "GPIOA.MODER", "GPIOA.MODERX", "TIM.CH[1].CCR", "XMODER.A", "GPIOA.ODR"}) {
        device.registers.append(svd::Register());
        device.registers.last().name = QString::fromLatin1(name);
        device.registers.last().address = 0x40000000 + 4 * (device.registers.size() - 1);
    }
    device.registers.last().address = 0x40000006;
    device.registers.last().size = 16;
    // Printed as an outline: each node's children in parentheses.
    const QVector<regmap::TreeNode> nodes = regmap::tree(device);
    const std::function<QString(int)> outline = [&](int node) {
        QStringList parts;
        for (int child : nodes[node].children)
            parts << outline(child);
        const QString name = nodes[node].reg >= 0
                                 ? nodes[node].name + QString::number(nodes[node].reg)
                                 : nodes[node].name;
        return parts.isEmpty() ? name : name + '(' + parts.join(' ') + ')';
    };
    QCOMPARE(outline(0), QStringLiteral("(GPIOB(MODER0) GPIOA(MODER1 MODERX2 ODR5) "
                                        "TIM(CH[1](CCR3)) XMODER(A4))"));
    QStringList got;
    for (int index : regmap::lookup(device, query, limit))
        got.append(QString::number(index));
    QCOMPARE(got.join(','), found);
}

// A 16-bit register with fields A [5:4] and B [0], reset 0x0030 known for
// bits 15:4 only.
void TestSvd::regmapBits_data()
{
    QTest::addColumn<int>("bit");
    QTest::addColumn<QString>("place");
    QTest::addColumn<quint64>("value");
    QTest::addColumn<bool>("a_differs");

    // clang-format off
    QTest::newRow("wide field") << 5 << "A[1]" << quint64(0x30) << false;
    QTest::newRow("field's low bit") << 4 << "A[0]" << quint64(0x10) << true;
    QTest::newRow("one-bit field") << 0 << "B" << quint64(0x3F) << false;
    QTest::newRow("reserved") << 1 << "reserved" << quint64(0) << true;
    QTest::newRow("above its size") << 16 << "outside the register" << quint64(0x1003F) << false;
    // clang-format on
}

void TestSvd::regmapBits()
{
    QFETCH(int, bit);
    QFETCH(QString, place);
    QFETCH(quint64, value);
    QFETCH(bool, a_differs);

    svd::Register reg;
    reg.size = 16;
    reg.reset_value = 0x30;
    reg.reset_mask = 0xFFF0;
    reg.fields.resize(2);
    reg.fields[0].name = QStringLiteral("B"); // file order is not bit order
    reg.fields[1].name = QStringLiteral("A");
    reg.fields[1].msb = 5;
    reg.fields[1].lsb = 4;
    QCOMPARE(regmap::bit_place(reg, bit), place);
    QCOMPARE(regmap::differs_from_reset(reg, 5, 4, value), a_differs);
    QVERIFY(!regmap::differs_from_reset(reg, 3, 0, value)); // their reset value is unknown
}

void TestSvd::dumps_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("big");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QString>("messages");

    // clang-format off
    QTest::newRow("GDB x/6xw, symbols") << QByteArray("0x40020000 <GPIOA>:\t0xa8000001\t0x00000000\t0x00000000\t0x00000000\n0x40020010 <GPIOA+16>:\t0x00000000\t0x00000055\n") << false << "GPIOA.MODER=0xA8000001 GPIOA.ODR=0x00000055" << "";
    QTest::newRow("GDB, a C++ symbol") << QByteArray("0x40020014 <ns::f<int, char>()+4>:\t0x00000003") << false << "GPIOA.ODR=0x00000003" << "";
    QTest::newRow("OpenOCD mdw") << QByteArray("0x40020400: a8000000 00000000 00000000 00000000 00000000 00000001 \n") << false << "GPIOB.MODER=0xA8000000 GPIOB.ODR=0x00000001" << "";
    QTest::newRow("J-Link mem16, CR LF") << QByteArray("4002081C = 8001 \r\n") << false << "GPIOC.LCKR=0x8001" << "";
    QTest::newRow("bytes, little-endian") << QByteArray("0x40020014:\t0x01\t0x02\t0x03\t0x04") << false << "GPIOA.ODR=0x04030201" << "";
    QTest::newRow("bytes, big-endian") << QByteArray("0x40020014: 01 02 03 04") << true << "GPIOA.ODR=0x01020304" << "";
    QTest::newRow("giant words over two registers, little") << QByteArray("0x40010000:\t0x0000abcd00001234") << false << "TIM.CR1=0x00001234 TIM.CR2=0xABCD" << "";
    QTest::newRow("giant words over two registers, big") << QByteArray("0x40010000:\t0x0000abcd00001234") << true << "TIM.CR1=0x0000ABCD TIM.CR2=0x0000" << "";
    QTest::newRow("halfwords, big") << QByteArray("0x40020000: 1234 5678") << true << "GPIOA.MODER=0x12345678" << "";
    QTest::newRow("a 64-bit register, either order") << QByteArray("0x400100d0: 0x123456789abcdef0") << true << "TIM.CNT64=0x123456789ABCDEF0" << "";
    QTest::newRow("name lines, case ignored, comments") << QByteArray("# saved\ngpioa.moder = 0xA8000001\nTIM.CH[0].CCR=12 # plain digits are hex\nTIM.CNT64 = 0x1234_5678_9ABC_DEF0\nFLAWED.CTRL = 0b101\n") << false << "GPIOA.MODER=0xA8000001 TIM.CH[0].CCR=0x0012 TIM.CNT64=0x123456789ABCDEF0 FLAWED.CTRL=0x05" << "";
    QTest::newRow("unknown name, value too wide") << QByteArray("GPIOA.ODRR = 1\nFLAWED.CTRL = 0x1FF\nGPIOA.ODR = 0x1FFFFFFFF\n") << false << "" << "line 1: the map has no register GPIOA.ODRR; the closest: GPIOA.ODR, GPIOB.ODR, GPIOA.MODER\nline 2: 0x000001FF does not fit the 8-bit register FLAWED.CTRL\nline 3: 0x1FFFFFFFF does not fit the 32-bit register GPIOA.ODR";
    QTest::newRow("an address twice") << QByteArray("0x40020014: 00000001\n0x40020000: 00000000\n0x40020014: 00000002\n0x40020014: 00000002\n") << false << "GPIOA.MODER=0x00000000 GPIOA.ODR=0x00000002" << "lines 1 and 3: 0x40020014 is given as 0x00000001 and 0x00000002; line 3 stands";
    QTest::newRow("a name twice") << QByteArray("GPIOA.ODR = 1\ngpioa.odr = 2\n") << false << "GPIOA.ODR=0x00000002" << "lines 1 and 2: gpioa.odr is given as 0x00000001 and 0x00000002; line 2 stands";
    QTest::newRow("a name against bytes") << QByteArray("GPIOA.ODR = 5\n0x40020014: 00000006\n0x40020000: a8000000\nGPIOA.MODER = 0\n") << false << "GPIOA.MODER=0x00000000 GPIOA.ODR=0x00000006" << "line 1: GPIOA.ODR is 0x00000005 but line 2's bytes make it 0x00000006; line 2 stands\nline 4: GPIOA.MODER is 0x00000000 but line 3's bytes make it 0xA8000000; line 4 stands";
    QTest::newRow("lines in no form") << QByteArray("(gdb) x/2xw 0x40020014\n0x40020014:\t0x00000007\t0x00000000\nCannot access memory at address 0x40020018\n0x40020000: 0001 00000002\n\n") << false << "GPIOA.ODR=0x00000007" << "skipped 3, first line 1";
    QTest::newRow("a line of a megabyte") << QByteArray(1 << 20, 'x') + "\n4002001C = 00000000\n40020014 = 00000009" << false << "GPIOA.ODR=0x00000009" << "skipped 1, first line 1";
    QTest::newRow("partly covered") << QByteArray("0x40020000: 0000\n0x40020416: 00 00\n") << false << "" << "partly 2, first GPIOB.ODR";
    QTest::newRow("no line in any form") << QByteArray("hello\n# a comment\n") << false << "" << "no line is a register dump (GDB x/x, OpenOCD mdw, J-Link mem32 or REGISTER = VALUE)\nskipped 1, first line 1";
    QTest::newRow("empty") << QByteArray(" \n") << false << "" << "it is empty";
    QTest::newRow("larger than 64 MiB") << QByteArray(dump::max_size + 1, '\n') << false << "" << "it is larger than 64 MiB, far more than any capture of registers; refusing to read it";
    // clang-format on
}

// Each form read into the test map's registers, and all that is said of it.
void TestSvd::dumps()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, big);
    QFETCH(QString, values);
    QFETCH(QString, messages);

    // The device's byte order as the reader takes it from the file.
    QFile file(QStringLiteral(":/data/tarnwick_test.svd"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray svd_text = file.readAll();
    if (big)
        svd_text.replace("</name>", "</name><cpu><name>X</name><endian>big</endian></cpu>");
    QBuffer svd_input(&svd_text);
    svd_input.open(QIODevice::ReadOnly);
    const svd::Device device = svd::read(&svd_input, QStringLiteral("t.svd")).device;
    QCOMPARE(device.big_endian, big);

    QBuffer input(&text);
    input.open(QIODevice::ReadOnly);
    const dump::Dump read = dump::read(&input, QStringLiteral("d"));
    const dump::Values covered = dump::cover(device, read);
    QStringList said = read.warnings + covered.warnings;
    if (!read.error.isEmpty())
        said << read.error.mid(3); // "d: "
    if (read.skipped)
        said << QStringLiteral("skipped %1, first line %2")
                    .arg(read.skipped)
                    .arg(read.first_skipped);
    if (covered.partly)
        said << QStringLiteral("partly %1, first %2")
                    .arg(covered.partly)
                    .arg(device.registers[covered.first_partly].name);
    QCOMPARE(said.join('\n'), messages);
    QStringList got;
    for (int r = 0; r < device.registers.size(); ++r) {
        if (covered.values[r])
            got << device.registers[r].name + '=' +
                       regmap::sized_hex(*covered.values[r], device.registers[r].size);
    }
    QCOMPARE(got.join(' '), values);
    QCOMPARE(covered.covered, got.size());
}

// What Save values writes reads back to the same values, 64 bits included.
void TestSvd::dumpRoundTrip()
{
    QVector<std::optional<quint64>> values(test_map().registers.size());
    for (int r = 0; r < values.size(); r += 3) // the second FLAWED.CTRL among them
        values[r] = regmap::bits_of(test_map().registers[r].reset_value ^ 1,
                                    test_map().registers[r].size - 1, 0);
    const QString text = dump::name_lines(test_map(), values, QStringLiteral("tarnwick_test.svd"),
                                          QDateTime::currentDateTimeUtc());
    QVERIFY(text.startsWith(QLatin1String("# tarnwick_test.svd, ")));
    const dump::Dump read = dump::read(text.toUtf8());
    QVERIFY2(read.warnings.isEmpty() && read.skipped == 0, qPrintable(read.warnings.join('\n')));
    QCOMPARE(dump::cover(test_map(), read).values, values);
}

QTEST_APPLESS_MAIN(TestSvd)
#include "tst_svd.moc"
