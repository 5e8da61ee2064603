// Number logic without any widget: parsing of the register and operand
// fields, shift counts, shifts, the four operations and the renderings.
#include "regmath.h"

#include <QtTest>

#include <bitset>
#include <string>

using regmath::Operation;
using regmath::Parse;

Q_DECLARE_METATYPE(regmath::Parse)
Q_DECLARE_METATYPE(regmath::Operation)

namespace {

QString repeated(char c, int count) { return QString(count, QLatin1Char(c)); }

// Left-pads with zeros to `width` characters.
QString zero_padded(const QString &digits, int width)
{
    return repeated('0', width - digits.size()) + digits;
}

// Straightforward reference renderings on a 64-bit value.
QString reference_grouped_binary(quint32 value)
{
    const std::string bits = std::bitset<32>(value).to_string();
    QString text;
    for (int group = 0; group < 8; ++group) {
        if (group > 0)
            text += QLatin1Char(' ');
        text += QString::fromStdString(bits.substr(std::size_t(group) * 4, 4));
    }
    return text;
}

} // namespace

class TestRegmath : public QObject
{
    Q_OBJECT

private slots:
    void parseRegister_data();
    void parseRegister();
    void parseOperand_data();
    void parseOperand();
    void parseShiftCount_data();
    void parseShiftCount();
    void shifts_data();
    void shifts();
    void apply_data();
    void apply();
    void baseForId_data();
    void baseForId();
    void renderings_data();
    void renderings();
    void groupedBinaryShape_data();
    void groupedBinaryShape();
};

void TestRegmath::parseRegister_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("base");
    QTest::addColumn<Parse>("status");
    QTest::addColumn<quint32>("value");

    // Binary.
    QTest::newRow("bin 0") << "0" << 2 << Parse::Ok << 0u;
    QTest::newRow("bin 1") << "1" << 2 << Parse::Ok << 1u;
    QTest::newRow("bin 0x7fffffff") << repeated('1', 31) << 2 << Parse::Ok << 0x7fffffffu;
    QTest::newRow("bin 0x80000000")
        << QString(QLatin1Char('1') + repeated('0', 31)) << 2 << Parse::Ok << 0x80000000u;
    QTest::newRow("bin 0xffffffff") << repeated('1', 32) << 2 << Parse::Ok << 0xffffffffu;
    QTest::newRow("bin 2^32") << QString(QLatin1Char('1') + repeated('0', 32)) << 2
                              << Parse::OutOfRange << 0u;
    QTest::newRow("bin 33 ones") << repeated('1', 33) << 2 << Parse::OutOfRange << 0xffffffffu;
    QTest::newRow("bin 32 chars leading zeros") << zero_padded("101", 32) << 2 << Parse::Ok << 5u;
    QTest::newRow("bin digit 2") << "102" << 2 << Parse::NotANumber << 0u;
    QTest::newRow("bin empty") << "" << 2 << Parse::Ok << 0u;

    // Octal.
    QTest::newRow("oct 0") << "0" << 8 << Parse::Ok << 0u;
    QTest::newRow("oct 1") << "1" << 8 << Parse::Ok << 1u;
    QTest::newRow("oct 0x7fffffff") << "17777777777" << 8 << Parse::Ok << 0x7fffffffu;
    QTest::newRow("oct 0x80000000") << "20000000000" << 8 << Parse::Ok << 0x80000000u;
    QTest::newRow("oct 0xffffffff") << "37777777777" << 8 << Parse::Ok << 0xffffffffu;
    QTest::newRow("oct 2^32") << "40000000000" << 8 << Parse::OutOfRange << 0u;
    QTest::newRow("oct 2^32+7") << "40000000007" << 8 << Parse::OutOfRange << 7u;
    QTest::newRow("oct 32 chars leading zeros") << zero_padded("777", 32) << 8 << Parse::Ok << 511u;
    QTest::newRow("oct digit 8") << "18" << 8 << Parse::NotANumber << 0u;
    QTest::newRow("oct digit 9") << "9" << 8 << Parse::NotANumber << 0u;
    QTest::newRow("oct empty") << "" << 8 << Parse::Ok << 0u;

    // Decimal.
    QTest::newRow("dec 0") << "0" << 10 << Parse::Ok << 0u;
    QTest::newRow("dec 1") << "1" << 10 << Parse::Ok << 1u;
    QTest::newRow("dec 0x7fffffff") << "2147483647" << 10 << Parse::Ok << 0x7fffffffu;
    QTest::newRow("dec 0x80000000") << "2147483648" << 10 << Parse::Ok << 0x80000000u;
    QTest::newRow("dec 0xffffffff") << "4294967295" << 10 << Parse::Ok << 0xffffffffu;
    QTest::newRow("dec 2^32") << "4294967296" << 10 << Parse::OutOfRange << 0u;
    QTest::newRow("dec 2^32+1") << "4294967297" << 10 << Parse::OutOfRange << 1u;
    QTest::newRow("dec 11 digits") << "12345678901" << 10 << Parse::OutOfRange << 3755744309u;
    QTest::newRow("dec twenty nines")
        << repeated('9', 20) << 10 << Parse::OutOfRange << 1661992959u;
    QTest::newRow("dec int64 max")
        << "9223372036854775807" << 10 << Parse::OutOfRange << 0xffffffffu;
    QTest::newRow("dec int64 max+1") << "9223372036854775808" << 10 << Parse::OutOfRange << 0u;
    QTest::newRow("dec uint64 max")
        << "18446744073709551615" << 10 << Parse::OutOfRange << 0xffffffffu;
    QTest::newRow("dec 2^64") << "18446744073709551616" << 10 << Parse::OutOfRange << 0u;
    QTest::newRow("dec forty nines") << repeated('9', 40) << 10 << Parse::OutOfRange << 0xffffffffu;
    QTest::newRow("dec 32 chars leading zeros")
        << zero_padded("4294967295", 32) << 10 << Parse::Ok << 0xffffffffu;
    QTest::newRow("dec 32 zeros") << repeated('0', 32) << 10 << Parse::Ok << 0u;
    QTest::newRow("dec empty") << "" << 10 << Parse::Ok << 0u;
    QTest::newRow("dec blank") << "   " << 10 << Parse::Ok << 0u;
    QTest::newRow("dec surrounding spaces") << " 42 " << 10 << Parse::Ok << 42u;
    QTest::newRow("dec letter") << "12a" << 10 << Parse::NotANumber << 0u;
    QTest::newRow("dec minus") << "-1" << 10 << Parse::NotANumber << 0u;
    QTest::newRow("dec plus") << "+1" << 10 << Parse::NotANumber << 0u;
    QTest::newRow("dec point") << "1.5" << 10 << Parse::NotANumber << 0u;
    QTest::newRow("dec inner space") << "1 2" << 10 << Parse::NotANumber << 0u;
    QTest::newRow("dec full-width digit")
        << QString::fromUtf8("１") << 10 << Parse::NotANumber << 0u;

    // Hexadecimal.
    QTest::newRow("hex 0") << "0" << 16 << Parse::Ok << 0u;
    QTest::newRow("hex 1") << "1" << 16 << Parse::Ok << 1u;
    QTest::newRow("hex 0x7fffffff") << "7fffffff" << 16 << Parse::Ok << 0x7fffffffu;
    QTest::newRow("hex 0x80000000") << "80000000" << 16 << Parse::Ok << 0x80000000u;
    QTest::newRow("hex 0xffffffff lower") << "ffffffff" << 16 << Parse::Ok << 0xffffffffu;
    QTest::newRow("hex 0xffffffff upper") << "FFFFFFFF" << 16 << Parse::Ok << 0xffffffffu;
    QTest::newRow("hex mixed case") << "DeadBeef" << 16 << Parse::Ok << 0xdeadbeefu;
    QTest::newRow("hex 2^32") << "100000000" << 16 << Parse::OutOfRange << 0u;
    QTest::newRow("hex 2^32+0x1f") << "10000001F" << 16 << Parse::OutOfRange << 0x1fu;
    QTest::newRow("hex 32 chars leading zeros")
        << "0000000000000000000000000000000A" << 16 << Parse::Ok << 10u;
    QTest::newRow("hex 32 f") << repeated('f', 32) << 16 << Parse::OutOfRange << 0xffffffffu;
    QTest::newRow("hex g") << "g" << 16 << Parse::NotANumber << 0u;
    QTest::newRow("hex prefix") << "0x10" << 16 << Parse::NotANumber << 0u;
    QTest::newRow("hex empty") << "" << 16 << Parse::Ok << 0u;
}

void TestRegmath::parseRegister()
{
    QFETCH(QString, text);
    QFETCH(int, base);
    QFETCH(Parse, status);
    QFETCH(quint32, value);

    const regmath::ParseResult result = regmath::parse_register(text, base);
    QCOMPARE(result.status, status);
    QCOMPARE(result.value, value);
}

void TestRegmath::parseOperand_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("base");
    QTest::addColumn<Parse>("status");
    QTest::addColumn<quint32>("value");

    QTest::newRow("bin grouped") << "1010 1010" << 2 << Parse::Ok << 170u;
    QTest::newRow("bin 32 bits grouped")
        << "1111 1111 1111 1111 1111 1111 1111 1111" << 2 << Parse::Ok << 0xffffffffu;
    QTest::newRow("bin 33 bits grouped")
        << "1 0000 0000 0000 0000 0000 0000 0000 0001" << 2 << Parse::OutOfRange << 1u;
    QTest::newRow("oct grouped") << "1 2" << 8 << Parse::Ok << 10u;
    QTest::newRow("oct 8 grouped") << "1 8" << 8 << Parse::NotANumber << 0u;
    QTest::newRow("dec grouped") << "4 294 967 295" << 10 << Parse::Ok << 0xffffffffu;
    QTest::newRow("dec grouped 2^32") << "4 294 967 296" << 10 << Parse::OutOfRange << 0u;
    QTest::newRow("dec plain") << "305419896" << 10 << Parse::Ok << 305419896u;
    QTest::newRow("hex grouped lower") << "dead beef" << 16 << Parse::Ok << 0xdeadbeefu;
    QTest::newRow("hex grouped upper") << "DEAD BEEF" << 16 << Parse::Ok << 0xdeadbeefu;
    QTest::newRow("hex grouped 2^32") << "1 0000 0000" << 16 << Parse::OutOfRange << 0u;
    QTest::newRow("hex leading and trailing spaces") << "  ff  " << 16 << Parse::Ok << 255u;
    QTest::newRow("only spaces") << "    " << 10 << Parse::Ok << 0u;
    QTest::newRow("empty") << "" << 16 << Parse::Ok << 0u;
    QTest::newRow("hex g") << "ab g" << 16 << Parse::NotANumber << 0u;
}

void TestRegmath::parseOperand()
{
    QFETCH(QString, text);
    QFETCH(int, base);
    QFETCH(Parse, status);
    QFETCH(quint32, value);

    const regmath::ParseResult result = regmath::parse_operand(text, base);
    QCOMPARE(result.status, status);
    QCOMPARE(result.value, value);
}

void TestRegmath::parseShiftCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("applies");
    QTest::addColumn<int>("bits");

    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("blank") << "   " << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("digit and letter") << "5x" << false << 0;
    QTest::newRow("sign only") << "+" << false << 0;
    QTest::newRow("minus one") << "-1" << false << 0;
    QTest::newRow("minus many nines") << "-99999999999999999999" << false << 0;
    QTest::newRow("two signs") << "--1" << false << 0;
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("minus zero") << "-0" << true << 0;
    QTest::newRow("one") << "1" << true << 1;
    QTest::newRow("31") << "31" << true << 31;
    QTest::newRow("leading zeros 31") << "0031" << true << 31;
    QTest::newRow("32") << "32" << true << 32;
    QTest::newRow("33") << "33" << true << 32;
    QTest::newRow("int max") << "2147483647" << true << 32;
    QTest::newRow("40 digits") << repeated('7', 40) << true << 32;
    QTest::newRow("2^32") << "4294967296" << true << 32;
    QTest::newRow("spaced plus five") << " +5 " << true << 5;
}

void TestRegmath::parseShiftCount()
{
    QFETCH(QString, text);
    QFETCH(bool, applies);
    QFETCH(int, bits);

    const regmath::ShiftCount count = regmath::parse_shift_count(text);
    QCOMPARE(count.applies, applies);
    if (applies)
        QCOMPARE(count.bits, bits);
}

void TestRegmath::shifts_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<int>("bits");
    QTest::addColumn<quint32>("left");
    QTest::addColumn<quint32>("right");

    QTest::newRow("bit 31 by 1") << 0x80000000u << 1 << 0u << 0x40000000u;
    QTest::newRow("all ones by 1") << 0xffffffffu << 1 << 0xfffffffeu << 0x7fffffffu;
    QTest::newRow("all ones by 0") << 0xffffffffu << 0 << 0xffffffffu << 0xffffffffu;
    QTest::newRow("all ones by 31") << 0xffffffffu << 31 << 0x80000000u << 1u;
    QTest::newRow("all ones by 32") << 0xffffffffu << 32 << 0u << 0u;
    QTest::newRow("all ones by 33") << 0xffffffffu << 33 << 0u << 0u;
    QTest::newRow("1 by 31") << 1u << 31 << 0x80000000u << 0u;
    QTest::newRow("12345678 by 4") << 0x12345678u << 4 << 0x23456780u << 0x01234567u;
    QTest::newRow("12345678 by 16") << 0x12345678u << 16 << 0x56780000u << 0x1234u;
    QTest::newRow("zero by 5") << 0u << 5 << 0u << 0u;
}

void TestRegmath::shifts()
{
    QFETCH(quint32, value);
    QFETCH(int, bits);
    QFETCH(quint32, left);
    QFETCH(quint32, right);

    // The literal columns are cross-checked against shifts on 64 bits, where
    // every count used here is defined.
    QCOMPARE(quint32((quint64(value) << bits) & 0xffffffffull), left);
    QCOMPARE(quint32(quint64(value) >> bits), right);

    QCOMPARE(regmath::shift_left(value, bits), left);
    QCOMPARE(regmath::shift_right(value, bits), right);
}

void TestRegmath::apply_data()
{
    QTest::addColumn<Operation>("op");
    QTest::addColumn<quint32>("a");
    QTest::addColumn<quint32>("b");
    QTest::addColumn<bool>("inRange");
    QTest::addColumn<quint32>("result");

    QTest::newRow("add max+0") << Operation::Add << 0xffffffffu << 0u << true << 0xffffffffu;
    QTest::newRow("add max+1") << Operation::Add << 0xffffffffu << 1u << false << 0u;
    QTest::newRow("add 1+max") << Operation::Add << 1u << 0xffffffffu << false << 0u;
    QTest::newRow("add max+max") << Operation::Add << 0xffffffffu << 0xffffffffu << false << 0u;
    QTest::newRow("add halves") << Operation::Add << 0x80000000u << 0x7fffffffu << true
                                << 0xffffffffu;
    QTest::newRow("add halves+1") << Operation::Add << 0x80000001u << 0x7fffffffu << false << 0u;
    QTest::newRow("add 2+3") << Operation::Add << 2u << 3u << true << 5u;
    QTest::newRow("add 0+0") << Operation::Add << 0u << 0u << true << 0u;
    QTest::newRow("sub 5-5") << Operation::Subtract << 5u << 5u << true << 0u;
    QTest::newRow("sub 5-6") << Operation::Subtract << 5u << 6u << false << 0u;
    QTest::newRow("sub 0-0") << Operation::Subtract << 0u << 0u << true << 0u;
    QTest::newRow("sub 0-1") << Operation::Subtract << 0u << 1u << false << 0u;
    QTest::newRow("sub max-1") << Operation::Subtract << 0xffffffffu << 1u << true << 0xfffffffeu;
    QTest::newRow("sub max-max") << Operation::Subtract << 0xffffffffu << 0xffffffffu << true << 0u;
    QTest::newRow("sub 0-max") << Operation::Subtract << 0u << 0xffffffffu << false << 0u;
    QTest::newRow("and") << Operation::And << 0xff00ff00u << 0x0ff00ff0u << true << 0x0f000f00u;
    QTest::newRow("and max") << Operation::And << 0xffffffffu << 0x80000001u << true << 0x80000001u;
    QTest::newRow("and 0") << Operation::And << 0xffffffffu << 0u << true << 0u;
    QTest::newRow("or") << Operation::Or << 0xff00ff00u << 0x0ff00ff0u << true << 0xfff0fff0u;
    QTest::newRow("or max") << Operation::Or << 0x12345678u << 0xffffffffu << true << 0xffffffffu;
    QTest::newRow("or 0") << Operation::Or << 0u << 0u << true << 0u;
}

void TestRegmath::apply()
{
    QFETCH(Operation, op);
    QFETCH(quint32, a);
    QFETCH(quint32, b);
    QFETCH(bool, inRange);
    QFETCH(quint32, result);

    const std::optional<quint32> got = regmath::apply(op, a, b);
    QCOMPARE(got.has_value(), inRange);
    if (inRange)
        QCOMPARE(*got, result);
}

void TestRegmath::baseForId_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("base");

    QTest::newRow("bin") << 0 << 2;
    QTest::newRow("oct") << 1 << 8;
    QTest::newRow("dec") << 2 << 10;
    QTest::newRow("hex") << 3 << 16;
}

void TestRegmath::baseForId()
{
    QFETCH(int, id);
    QFETCH(int, base);
    QCOMPARE(regmath::base_for_id(id), base);
}

void TestRegmath::renderings_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("dec");
    QTest::addColumn<QString>("oct");
    QTest::addColumn<QString>("bin");
    QTest::addColumn<QString>("grouped");

    QTest::newRow("0") << 0u << "0"
                       << "0"
                       << "0"
                       << "0"
                       << "0000 0000 0000 0000 0000 0000 0000 0000";
    QTest::newRow("4294967295") << 4294967295u << "ffffffff"
                                << "4294967295"
                                << "37777777777" << repeated('1', 32)
                                << "1111 1111 1111 1111 1111 1111 1111 1111";
    QTest::newRow("2147483648") << 2147483648u << "80000000"
                                << "2147483648"
                                << "20000000000" << QString(QLatin1Char('1') + repeated('0', 31))
                                << "1000 0000 0000 0000 0000 0000 0000 0000";
    QTest::newRow("305419896") << 305419896u << "12345678"
                               << "305419896"
                               << "2215053170"
                               << "10010001101000101011001111000"
                               << "0001 0010 0011 0100 0101 0110 0111 1000";
    QTest::newRow("3735928559") << 3735928559u << "deadbeef"
                                << "3735928559"
                                << "33653337357"
                                << "11011110101011011011111011101111"
                                << "1101 1110 1010 1101 1011 1110 1110 1111";
    QTest::newRow("10") << 10u << "a"
                        << "10"
                        << "12"
                        << "1010"
                        << "0000 0000 0000 0000 0000 0000 0000 1010";
}

void TestRegmath::renderings()
{
    QFETCH(quint32, value);
    QFETCH(QString, hex);
    QFETCH(QString, dec);
    QFETCH(QString, oct);
    QFETCH(QString, bin);
    QFETCH(QString, grouped);

    // Cross-check the literal columns against independent references.
    QCOMPARE(QString::number(quint64(value), 16), hex);
    QCOMPARE(QString::number(quint64(value), 10), dec);
    QCOMPARE(QString::number(quint64(value), 8), oct);
    QCOMPARE(QString::number(quint64(value), 2), bin);
    QCOMPARE(reference_grouped_binary(value), grouped);

    QCOMPARE(regmath::to_base(value, 16), hex);
    QCOMPARE(regmath::to_base(value, 10), dec);
    QCOMPARE(regmath::to_base(value, 8), oct);
    QCOMPARE(regmath::to_base(value, 2), bin);
    QCOMPARE(regmath::grouped_binary(value), grouped);
}

void TestRegmath::groupedBinaryShape_data()
{
    QTest::addColumn<quint32>("value");

    for (int bit = 0; bit < 32; ++bit)
        QTest::addRow("only bit %d", bit) << (1u << bit);
    QTest::newRow("alternating a") << 0xaaaaaaaau;
    QTest::newRow("alternating 5") << 0x55555555u;
    QTest::newRow("nibble edges") << 0x81818181u;
}

void TestRegmath::groupedBinaryShape()
{
    QFETCH(quint32, value);

    const QString text = regmath::grouped_binary(value);
    QCOMPARE(text.size(), 39);
    QCOMPARE(text, reference_grouped_binary(value));
    // Reading the digits back gives the value: bit 31 is leftmost.
    QString digits = text;
    digits.remove(QLatin1Char(' '));
    bool ok = false;
    QCOMPARE(digits.toULongLong(&ok, 2), quint64(value));
    QVERIFY(ok);
}

QTEST_APPLESS_MAIN(TestRegmath)
#include "tst_regmath.moc"
