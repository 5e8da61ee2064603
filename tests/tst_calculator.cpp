// Widget tests of the register calculator: bit buttons, direct entry in the
// value fields, the operand calculator, the default button and the shifts.
// Every action goes through the widgets the way a user reaches them.

#include "dialog.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

const quint32 kMax = 4294967295u;

// Exact value of a digit string with spaces ignored; false when it needs more
// than 64 bits.
bool exactValue(const QString &text, int base, quint64 *value)
{
    quint64 v = 0;
    for (QChar c : text) {
        if (c == QLatin1Char(' '))
            continue;
        const int digit = QString(c).toInt(nullptr, 16);
        if (v > (~quint64(0) - quint64(digit)) / quint64(base))
            return false;
        v = v * quint64(base) + quint64(digit);
    }
    *value = v;
    return true;
}

bool fits32(const QString &text, int base)
{
    quint64 v = 0;
    return exactValue(text, base, &v) && v <= kMax;
}

quint32 value32(const QString &text, int base)
{
    quint64 v = 0;
    exactValue(text, base, &v);
    return quint32(v);
}

QRect radioHitRect(QRadioButton *radio)
{
    QStyleOptionButton option;
    option.initFrom(radio);
    return radio->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, radio);
}

} // namespace

// Stops the test function when a helper's comparison failed.
#define CHECKED(call)                                                                              \
    do {                                                                                           \
        call;                                                                                      \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

class TestCalculator : public QObject, private CalculatorWidgets
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void startupState();

    void bitClick_data();
    void bitClick();
    void bitClickAfterHexEntry_data();
    void bitClickAfterHexEntry();
    void bitClickFillsEmptyFields_data();
    void bitClickFillsEmptyFields();

    void directEntryAccepted_data();
    void directEntryAccepted();
    void directEntryValidator_data();
    void directEntryValidator();
    void directEntryDeleteToEmpty_data();
    void directEntryDeleteToEmpty();
    void entryAndOperandClearEachOthersError_data();
    void entryAndOperandClearEachOthersError();

    void rejectedEntryKeepsCurrentValue_data();
    void rejectedEntryKeepsCurrentValue();
    void typingDigitByDigit_data();
    void typingDigitByDigit();
    void longValuesRejected_data();
    void longValuesRejected();
    void longOperandsRejected_data();
    void longOperandsRejected();
    void operandSpacesGroupDigits_data();
    void operandSpacesGroupDigits();
    void oneEnterOneCalculation_data();
    void oneEnterOneCalculation();
    void operatorRadiosMakeCalculateDefault_data();
    void operatorRadiosMakeCalculateDefault();
    void shiftCounts_data();
    void shiftCounts();

    void operandValidator_data();
    void operandValidator();
    void operandTyping_data();
    void operandTyping();
    void operandRestoredAfterSwitchOrClear_data();
    void operandRestoredAfterSwitchOrClear();
    void operandDebugLinePerEdit_data();
    void operandDebugLinePerEdit();
    void calculation_data();
    void calculation();
    void repeatedCalculation_data();
    void repeatedCalculation();
    void defaultButton_data();
    void defaultButton();

    void shiftByOne_data();
    void shiftByOne();

    void clearAll_data();
    void clearAll();
    void escapeClosesWindow_data();
    void escapeClosesWindow();

private:
    QLineEdit *valueField(const QString &name) const;
    static int baseOfField(const QString &name);
    QRadioButton *radio(const QString &name) const;
    static int baseOfRadio(const QString &name);

    void click(QAbstractButton *button);
    void clickRadio(QRadioButton *button);
    void press(QLineEdit *field);
    void paste(QLineEdit *field, const QString &text);
    void eraseAll(QLineEdit *field);
    void setRegisterByHex(const QString &hexText);

    void verifyFields(const QString &dec, const QString &hex, const QString &oct);
    void verifyRendered(quint32 value);
    void verifyBits(quint32 value, quint32 untouched = 0);
    void verifyRegister(quint32 value, quint32 untouched = 0);
    void verifyRangeError();

    std::unique_ptr<Dialog> dialog;
};

void TestCalculator::initTestCase() { debug_lines::install(); }

void TestCalculator::cleanupTestCase() { debug_lines::uninstall(); }

void TestCalculator::init()
{
    dialog.reset(new Dialog);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    dialog->activateWindow();
    QApplication::setActiveWindow(dialog.get());

    find_widgets(dialog.get());
    debug_lines::captured.clear();
}

void TestCalculator::cleanup() { dialog.reset(); }

QLineEdit *TestCalculator::valueField(const QString &name) const
{
    if (name == QLatin1String("dec"))
        return dec;
    if (name == QLatin1String("hex"))
        return hex;
    return oct;
}

int TestCalculator::baseOfField(const QString &name)
{
    if (name == QLatin1String("dec"))
        return 10;
    if (name == QLatin1String("hex"))
        return 16;
    return 8;
}

QRadioButton *TestCalculator::radio(const QString &name) const
{
    return child<QRadioButton>(dialog.get(), qPrintable(QStringLiteral("radioButton_") + name));
}

int TestCalculator::baseOfRadio(const QString &name)
{
    if (name == QLatin1String("bin"))
        return 2;
    if (name == QLatin1String("oct"))
        return 8;
    if (name == QLatin1String("hex"))
        return 16;
    return 10;
}

void TestCalculator::click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }

// A radio button reacts only to clicks on its indicator or text.
void TestCalculator::clickRadio(QRadioButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, radioHitRect(button).center());
}

void TestCalculator::press(QLineEdit *field) { QTest::mouseClick(field, Qt::LeftButton); }

void TestCalculator::paste(QLineEdit *field, const QString &text)
{
    field->selectAll();
    field->insert(text);
}

void TestCalculator::eraseAll(QLineEdit *field)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
}

void TestCalculator::setRegisterByHex(const QString &hexText)
{
    paste(hex, hexText);
    QCOMPARE(hex->text(), hexText);
    QCOMPARE(err->text(), QString());
}

void TestCalculator::verifyFields(const QString &decText, const QString &hexText,
                                  const QString &octText)
{
    QCOMPARE(dec->text(), decText);
    QCOMPARE(hex->text(), hexText);
    QCOMPARE(oct->text(), octText);
}

void TestCalculator::verifyRendered(quint32 value)
{
    verifyFields(QString::number(value, 10), QString::number(value, 16), QString::number(value, 8));
}

// `untouched` marks buttons that nothing has restyled since start-up.
void TestCalculator::verifyBits(quint32 value, quint32 untouched)
{
    QCOMPARE(bin->text(), grouped_binary_text(value));
    // Lists indexed by bit number, so a failure names the bit.
    QStringList captions, expectedCaptions, styles, expectedStyles;
    for (int i = 0; i < 32; ++i) {
        const bool set = (value >> i) & 1u;
        const bool fresh = (untouched >> i) & 1u;
        captions << bits[i]->text();
        expectedCaptions << (set ? QStringLiteral("1") : QStringLiteral("0"));
        styles << bits[i]->styleSheet();
        expectedStyles << (set ? set_bit_style : fresh ? QString() : clear_bit_style);
    }
    QCOMPARE(captions, expectedCaptions);
    QCOMPARE(styles, expectedStyles);
}

void TestCalculator::verifyRegister(quint32 value, quint32 untouched)
{
    CHECKED(verifyRendered(value));
    CHECKED(verifyBits(value, untouched));
}

void TestCalculator::verifyRangeError()
{
    QCOMPARE(err->text(), range_error_text);
    QCOMPARE(err->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::red));
    QCOMPARE(err->palette().color(QPalette::Inactive, QPalette::WindowText), QColor(Qt::red));
    QCOMPARE(err->palette().color(QPalette::Disabled, QPalette::WindowText), QColor(Qt::red));
}

void TestCalculator::startupState()
{
    CHECKED(verifyFields(QString(), QString(), QString()));
    QCOMPARE(bin->text(), QStringLiteral("0000 0000 0000 0000 0000 0000 0000 0000"));
    CHECKED(verifyBits(0, ~0u));
    QCOMPARE(num->text(), QString());
    QCOMPARE(err->text(), QString());
    QVERIFY(calc->isDefault());
    QVERIFY(radio("dec")->isChecked());
    QVERIFY(radio("add")->isChecked());
}

void TestCalculator::bitClick_data()
{
    QTest::addColumn<int>("bit");
    QTest::addColumn<quint32>("start");
    QTest::addColumn<bool>("fromStartup");
    QTest::addColumn<bool>("withError");

    for (int bit = 0; bit < 32; ++bit)
        QTest::addRow("bit %d from start-up", bit) << bit << 0u << true << false;
    for (int bit = 0; bit < 32; ++bit)
        QTest::addRow("bit %d from a5a5a5a5", bit) << bit << 0xa5a5a5a5u << false << (bit % 2 == 1);
}

void TestCalculator::bitClick()
{
    QFETCH(int, bit);
    QFETCH(quint32, start);
    QFETCH(bool, fromStartup);
    QFETCH(bool, withError);

    if (!fromStartup)
        CHECKED(setRegisterByHex(QString::number(start, 16)));
    if (withError) {
        paste(dec, QStringLiteral("99999999999"));
        CHECKED(verifyRangeError());
    }

    const quint32 flipped = start ^ (1u << bit);
    const quint32 untouched = fromStartup ? ~(1u << bit) : 0u;
    click(bits[bit]);
    CHECKED(verifyRegister(flipped, untouched));
    QCOMPARE(err->text(), QString());

    click(bits[bit]);
    CHECKED(verifyRegister(start, untouched));
    QCOMPARE(err->text(), QString());
}

void TestCalculator::bitClickAfterHexEntry_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("bit");
    QTest::addColumn<QString>("hexAfter");

    QTest::newRow("00FF, bit 8") << "00FF" << 8 << "1ff";
    QTest::newRow("00ff, bit 0") << "00ff" << 0 << "fe";
    QTest::newRow("0000000A, bit 31") << "0000000A" << 31 << "8000000a";
    QTest::newRow("FFFFFFFF, bit 31") << "FFFFFFFF" << 31 << "7fffffff";
}

void TestCalculator::bitClickAfterHexEntry()
{
    QFETCH(QString, typed);
    QFETCH(int, bit);
    QFETCH(QString, hexAfter);

    QTest::keyClicks(hex, typed);
    QCOMPARE(hex->text(), typed);
    click(bits[bit]);
    QCOMPARE(hex->text(), hexAfter);
    const quint32 expected = typed.toUInt(nullptr, 16) ^ (1u << bit);
    CHECKED(verifyRegister(expected));
}

void TestCalculator::bitClickFillsEmptyFields_data()
{
    QTest::addColumn<bool>("clearFirst");
    QTest::newRow("right after start-up") << false;
    QTest::newRow("after clear all") << true;
}

void TestCalculator::bitClickFillsEmptyFields()
{
    QFETCH(bool, clearFirst);
    if (clearFirst) {
        CHECKED(setRegisterByHex(QStringLiteral("8000")));
        click(clear);
        CHECKED(verifyFields(QString(), QString(), QString()));
    }
    click(bits[0]);
    CHECKED(verifyFields(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1")));
    QVERIFY(bin->text().endsWith(QStringLiteral(" 0001")));
    CHECKED(verifyBits(1, clearFirst ? 0u : ~1u));
}

void TestCalculator::directEntryAccepted_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<quint32>("value");

    struct Row
    {
        const char *field;
        const char *text;
        quint32 value;
    };
    const Row rows[] = {
        {"dec", "4294967295", kMax},
        {"dec", "2147483648", 2147483648u},
        {"dec", "0", 0},
        {"dec", "0000000042", 42},
        {"dec", "305419896", 0x12345678u},
        {"hex", "FFFFFFFF", kMax},
        {"hex", "ffffffff", kMax},
        {"hex", "80000000", 2147483648u},
        {"hex", "00FF", 255},
        {"hex", "aBcDeF", 0xabcdefu},
        {"hex", "0000000000000000000000000000000A", 10},
        {"oct", "37777777777", kMax},
        {"oct", "20000000000", 2147483648u},
        {"oct", "0777", 511},
        {"oct", "00000000000000000000000000000017", 15},
    };
    for (const Row &row : rows) {
        for (bool pasted : {false, true}) {
            QTest::addRow("%s %s %s", row.field, pasted ? "pasted" : "typed", row.text)
                << QString::fromLatin1(row.field) << QString::fromLatin1(row.text) << pasted
                << row.value;
        }
    }
}

void TestCalculator::directEntryAccepted()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, pasted);
    QFETCH(quint32, value);

    QLineEdit *edit = valueField(field);
    QVERIFY(calc->isDefault());
    if (pasted)
        paste(edit, text);
    else
        QTest::keyClicks(edit, text);

    // The typed text stays as it is; the other fields follow the value.
    QCOMPARE(edit->text(), text);
    if (edit != dec)
        QCOMPARE(dec->text(), QString::number(value, 10));
    if (edit != hex)
        QCOMPARE(hex->text(), QString::number(value, 16));
    if (edit != oct)
        QCOMPARE(oct->text(), QString::number(value, 8));
    CHECKED(verifyBits(value));
    QCOMPARE(err->text(), QString());
    QVERIFY(!calc->isDefault());
}

void TestCalculator::directEntryValidator_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expected");

    QTest::newRow("dec refuses letters and signs") << "dec"
                                                   << "1a2-+ 3."
                                                   << "123";
    QTest::newRow("oct refuses 8 and 9") << "oct"
                                         << "17891"
                                         << "171";
    QTest::newRow("hex takes both cases, refuses g") << "hex"
                                                     << "aFgG9x"
                                                     << "aF9";
    QTest::newRow("dec stops at 32 digits")
        << "dec" << QString(33, QLatin1Char('0')) << QString(32, QLatin1Char('0'));
    QTest::newRow("hex stops at 32 digits")
        << "hex" << QString(34, QLatin1Char('0')) << QString(32, QLatin1Char('0'));
    QTest::newRow("oct stops at 32 digits")
        << "oct" << QString(40, QLatin1Char('0')) << QString(32, QLatin1Char('0'));
}

void TestCalculator::directEntryValidator()
{
    QFETCH(QString, field);
    QFETCH(QString, keys);
    QFETCH(QString, expected);

    QLineEdit *edit = valueField(field);
    QTest::keyClicks(edit, keys);
    QCOMPARE(edit->text(), expected);
    CHECKED(verifyBits(value32(expected, baseOfField(field))));
    QCOMPARE(err->text(), QString());

    // A paste with a character outside the base changes nothing.
    paste(edit, QStringLiteral("12z"));
    QCOMPARE(edit->text(), expected);
}

void TestCalculator::directEntryDeleteToEmpty_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("selectAllDelete");
    for (const char *field : {"dec", "hex", "oct"}) {
        QTest::addRow("%s by backspace", field) << QString::fromLatin1(field) << false;
        QTest::addRow("%s by select all and delete", field) << QString::fromLatin1(field) << true;
    }
}

void TestCalculator::directEntryDeleteToEmpty()
{
    QFETCH(QString, field);
    QFETCH(bool, selectAllDelete);

    QLineEdit *edit = valueField(field);
    QTest::keyClicks(edit, QStringLiteral("1234"));
    const quint32 typed = value32(QStringLiteral("1234"), baseOfField(field));
    CHECKED(verifyBits(typed));
    // Leave an error from the operand field, which the emptied entry clears.
    QTest::keyClicks(num, QStringLiteral("99999999999"));
    CHECKED(verifyRangeError());

    if (selectAllDelete) {
        eraseAll(edit);
    } else {
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(edit, Qt::Key_Backspace);
    }
    CHECKED(verifyFields(QString(), QString(), QString()));
    CHECKED(verifyBits(0));
    QCOMPARE(err->text(), QString());
    QVERIFY(!calc->isDefault());

    // The emptied field counts as 0: a rejected paste now shows 0 everywhere.
    paste(edit, QStringLiteral("77777777777777"));
    CHECKED(verifyRegister(0));
    CHECKED(verifyRangeError());
}

void TestCalculator::entryAndOperandClearEachOthersError_data()
{
    QTest::addColumn<bool>("operandFirst");
    QTest::newRow("entry clears operand error") << true;
    QTest::newRow("operand clears entry error") << false;
}

void TestCalculator::entryAndOperandClearEachOthersError()
{
    QFETCH(bool, operandFirst);
    if (operandFirst) {
        paste(num, QStringLiteral("4294967296"));
        CHECKED(verifyRangeError());
        QTest::keyClicks(oct, QStringLiteral("7"));
    } else {
        paste(oct, QStringLiteral("40000000000"));
        CHECKED(verifyRangeError());
        QTest::keyClicks(num, QStringLiteral("7"));
    }
    QCOMPARE(err->text(), QString());
}

void TestCalculator::rejectedEntryKeepsCurrentValue_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("prep");
    QTest::addColumn<QString>("text");

    const char *tooBig[] = {"99999999999", "100000000", "40000000000"};
    const char *fields[] = {"dec", "hex", "oct"};
    for (int f = 0; f < 3; ++f) {
        for (const char *prep : {"bit", "calculation", "shift", "start-up", "emptied"}) {
            QTest::addRow("%s after %s", fields[f], prep)
                << QString::fromLatin1(fields[f]) << QString::fromLatin1(prep)
                << QString::fromLatin1(tooBig[f]);
        }
    }
}

void TestCalculator::rejectedEntryKeepsCurrentValue()
{
    QFETCH(QString, field);
    QFETCH(QString, prep);
    QFETCH(QString, text);

    QLineEdit *edit = valueField(field);
    quint32 before = 0;
    if (prep == QLatin1String("bit")) {
        QTest::keyClicks(dec, QStringLiteral("5"));
        click(bits[4]);
        before = 21;
    } else if (prep == QLatin1String("calculation")) {
        QTest::keyClicks(dec, QStringLiteral("5"));
        QTest::keyClicks(num, QStringLiteral("16"));
        click(calc);
        before = 21;
    } else if (prep == QLatin1String("shift")) {
        QTest::keyClicks(dec, QStringLiteral("5"));
        QTest::keyClicks(count, QStringLiteral("2"));
        click(child<QPushButton>(dialog.get(), "pushButton_bit_mL"));
        before = 20;
    } else if (prep == QLatin1String("emptied")) {
        QTest::keyClicks(edit, QStringLiteral("7"));
        eraseAll(edit);
        before = 0;
    }
    if (prep != QLatin1String("start-up") && prep != QLatin1String("emptied"))
        CHECKED(verifyRegister(before));

    paste(edit, text);
    CHECKED(verifyRegister(before));
    CHECKED(verifyRangeError());
    QVERIFY(!calc->isDefault());
}

void TestCalculator::typingDigitByDigit_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("keys");

    QTest::newRow("dec 4294967296") << "dec"
                                    << "4294967296";
    QTest::newRow("dec 42949672950") << "dec"
                                     << "42949672950";
    QTest::newRow("dec 99999999999") << "dec"
                                     << "99999999999";
    QTest::newRow("hex nine F") << "hex"
                                << "FFFFFFFFF";
    QTest::newRow("hex 100000000") << "hex"
                                   << "100000000";
    QTest::newRow("oct 377777777770") << "oct"
                                      << "377777777770";
    QTest::newRow("oct 40000000000") << "oct"
                                     << "40000000000";
}

// Each keystroke is one entry: accepted prefixes stay as typed, a rejected
// one brings back the value of the previous keystroke.
void TestCalculator::typingDigitByDigit()
{
    QFETCH(QString, field);
    QFETCH(QString, keys);

    QLineEdit *edit = valueField(field);
    const int base = baseOfField(field);
    quint32 value = 0;
    for (QChar key : keys) {
        const QString candidate = edit->text() + key;
        QTest::keyClicks(edit, QString(key));
        if (fits32(candidate, base)) {
            value = value32(candidate, base);
            QCOMPARE(edit->text(), candidate);
            QCOMPARE(err->text(), QString());
        } else {
            QCOMPARE(edit->text(), QString::number(value, base));
            CHECKED(verifyRangeError());
        }
        CHECKED(verifyBits(value));
        if (edit != dec)
            QCOMPARE(dec->text(), QString::number(value, 10));
        if (edit != hex)
            QCOMPARE(hex->text(), QString::number(value, 16));
        if (edit != oct)
            QCOMPARE(oct->text(), QString::number(value, 8));
    }
    QVERIFY(!err->text().isEmpty());
}

void TestCalculator::longValuesRejected_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<quint32>("value");

    auto reject = [](const char *field, const QString &text) {
        QTest::addRow("%s %s rejected", field, qPrintable(text))
            << QString::fromLatin1(field) << text << false << 0u;
    };
    auto accept = [](const char *field, const QString &text, quint32 value) {
        QTest::addRow("%s %s accepted", field, qPrintable(text))
            << QString::fromLatin1(field) << text << true << value;
    };
    reject("dec", QString(20, QLatin1Char('9')));
    reject("dec", QString(32, QLatin1Char('9')));
    reject("dec", QStringLiteral("9223372036854775807"));
    reject("dec", QStringLiteral("9223372036854775808"));
    reject("dec", QStringLiteral("18446744073709551616"));
    reject("dec", QStringLiteral("4294967296"));
    reject("hex", QStringLiteral("100000000"));
    reject("hex", QStringLiteral("8000000000000000"));
    reject("hex", QStringLiteral("ffffffffffffffff"));
    reject("hex", QStringLiteral("10000000000000000"));
    reject("hex", QString(32, QLatin1Char('F')));
    reject("oct", QStringLiteral("40000000000"));
    reject("oct", QStringLiteral("1000000000000000000000"));
    reject("oct", QString(32, QLatin1Char('7')));
    accept("hex", QString(31, QLatin1Char('0')) + QLatin1Char('A'), 10);
    accept("hex", QString(24, QLatin1Char('0')) + QStringLiteral("FFFFFFFF"), kMax);
    accept("dec", QString(22, QLatin1Char('0')) + QStringLiteral("4294967295"), kMax);
    accept("dec", QString(32, QLatin1Char('0')), 0);
    accept("oct", QString(21, QLatin1Char('0')) + QStringLiteral("37777777777"), kMax);
    QTest::newRow("dec empty accepted") << "dec" << QString() << true << 0u;
    QTest::newRow("hex empty accepted") << "hex" << QString() << true << 0u;
    QTest::newRow("oct empty accepted") << "oct" << QString() << true << 0u;
}

void TestCalculator::longValuesRejected()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(quint32, value);

    const quint32 before = 0x1234;
    CHECKED(setRegisterByHex(QStringLiteral("1234")));
    QLineEdit *edit = valueField(field);
    if (text.isEmpty())
        eraseAll(edit);
    else
        paste(edit, text);

    if (!accepted) {
        CHECKED(verifyRegister(before));
        CHECKED(verifyRangeError());
        return;
    }
    // An emptied field empties the others; otherwise they show the value.
    QCOMPARE(edit->text(), text);
    if (edit != dec)
        QCOMPARE(dec->text(), text.isEmpty() ? QString() : QString::number(value, 10));
    if (edit != hex)
        QCOMPARE(hex->text(), text.isEmpty() ? QString() : QString::number(value, 16));
    if (edit != oct)
        QCOMPARE(oct->text(), text.isEmpty() ? QString() : QString::number(value, 8));
    CHECKED(verifyBits(value));
    QCOMPARE(err->text(), QString());
}

void TestCalculator::longOperandsRejected_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");

    auto row = [](const char *base, const QString &text, bool accepted) {
        QTest::addRow("%s %s", base, qPrintable(text))
            << QString::fromLatin1(base) << text << accepted;
    };
    row("dec", QString(20, QLatin1Char('9')), false);
    row("dec", QString(32, QLatin1Char('9')), false);
    row("dec", QStringLiteral("4294967296"), false);
    row("dec", QStringLiteral("4 294 967 296"), false);
    row("dec", QStringLiteral("9223372036854775807"), false);
    row("dec", QStringLiteral("18446744073709551621"), false);
    row("hex", QStringLiteral("100000000"), false);
    row("hex", QStringLiteral("ffffffffffffffff"), false);
    row("hex", QStringLiteral("1 0000 0000"), false);
    row("oct", QStringLiteral("40000000000"), false);
    row("oct", QString(32, QLatin1Char('7')), false);
    row("dec", QStringLiteral("4294967295"), true);
    row("dec", QString(29, QLatin1Char('0')) + QStringLiteral("042"), true);
    row("hex", QString(31, QLatin1Char('0')) + QLatin1Char('A'), true);
    row("oct", QString(21, QLatin1Char('0')) + QStringLiteral("37777777777"), true);
    row("bin", QString(32, QLatin1Char('1')), true);
    row("bin", QString(31, QLatin1Char('0')) + QLatin1Char('1'), true);
}

// A rejected operand puts back the operand accepted before the base switch,
// written in the new base; an accepted one is what the calculation uses.
void TestCalculator::longOperandsRejected()
{
    QFETCH(QString, base);
    QFETCH(QString, text);
    QFETCH(bool, accepted);

    const quint32 previous = 12;
    QTest::keyClicks(num, QStringLiteral("12"));
    clickRadio(radio(base));
    QCOMPARE(num->text(), QString());
    const int radix = baseOfRadio(base);

    debug_lines::captured.clear();
    paste(num, text);
    QCOMPARE(debug_lines::captured.size(), 1);
    quint64 exact = 0;
    if (exactValue(text, radix, &exact) && exact <= quint64(std::numeric_limits<qint64>::max()))
        QCOMPARE(debug_lines::captured.first(), QString::number(quint32(exact)));

    quint32 operand = previous;
    if (accepted) {
        QCOMPARE(num->text(), text);
        QCOMPARE(err->text(), QString());
        operand = value32(text, radix);
    } else {
        QCOMPARE(num->text(), QString::number(previous, radix));
        CHECKED(verifyRangeError());
    }
    QVERIFY(calc->isDefault());
    click(calc);
    CHECKED(verifyRegister(operand));
}

void TestCalculator::operandSpacesGroupDigits_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("op");
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("expected");

    QTest::newRow("bin 1010 1010 add") << "bin"
                                       << "1010 1010"
                                       << "add" << 0u << 170u;
    QTest::newRow("bin 1010 1010 and") << "bin"
                                       << "1010 1010"
                                       << "and" << kMax << 170u;
    QTest::newRow("hex dead beef") << "hex"
                                   << "dead beef"
                                   << "add" << 0u << 0xdeadbeefu;
    QTest::newRow("hex DEAD BEEF") << "hex"
                                   << "DEAD BEEF"
                                   << "or" << 0u << 0xdeadbeefu;
    QTest::newRow("hex f f f f f f f f") << "hex"
                                         << "f f f f f f f f"
                                         << "add" << 0u << kMax;
    QTest::newRow("dec 4 294 967 295") << "dec"
                                       << "4 294 967 295"
                                       << "add" << 0u << kMax;
    QTest::newRow("dec surrounded") << "dec"
                                    << "  12  "
                                    << "add" << 30u << 42u;
    QTest::newRow("oct 377 777") << "oct"
                                 << "377 777"
                                 << "add" << 0u << 0377777u;
    QTest::newRow("dec only spaces") << "dec"
                                     << "   "
                                     << "add" << 77u << 77u;
    QTest::newRow("dec only spaces and") << "dec"
                                         << "   "
                                         << "and" << 77u << 0u;
    QTest::newRow("bin only spaces or") << "bin"
                                        << "    "
                                        << "or" << 5u << 5u;
}

void TestCalculator::operandSpacesGroupDigits()
{
    QFETCH(QString, base);
    QFETCH(QString, text);
    QFETCH(QString, op);
    QFETCH(quint32, start);
    QFETCH(quint32, expected);

    if (start != 0)
        CHECKED(setRegisterByHex(QString::number(start, 16)));
    clickRadio(radio(base));
    clickRadio(radio(op));
    debug_lines::captured.clear();
    QTest::keyClicks(num, text);
    QCOMPARE(num->text(), text);
    QCOMPARE(err->text(), QString());
    QCOMPARE(debug_lines::captured.size(), text.size());
    QCOMPARE(debug_lines::captured.last(), QString::number(value32(text, baseOfRadio(base))));

    click(calc);
    CHECKED(verifyRegister(expected));
    QCOMPARE(num->text(), text);
}

void TestCalculator::oneEnterOneCalculation_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("operand");
    QTest::addColumn<QString>("startHex");
    QTest::addColumn<bool>("takeDefault");
    QTest::addColumn<quint32>("afterFirst");
    QTest::addColumn<quint32>("afterSecond");

    const QString one32 = QString(31, QLatin1Char('0')) + QLatin1Char('1');
    const QString spaced32 = QString(31, QLatin1Char(' ')) + QLatin1Char('1');
    // The hexadecimal text changes length: the redraw takes the default away,
    // so a second Enter does nothing.
    QTest::newRow("32 chars add, hex length grows")
        << ""
        << "add" << one32 << "f" << false << 0x10u << 0x10u;
    QTest::newRow("32 chars sub, hex length shrinks")
        << ""
        << "sub" << one32 << "100" << false << 0xffu << 0xffu;
    QTest::newRow("32 chars bin add, hex length grows")
        << "bin"
        << "add" << one32 << "ffff" << false << 0x10000u << 0x10000u;
    QTest::newRow("32 chars hex with spaces add")
        << "hex"
        << "add" << spaced32 << "ff" << false << 0x100u << 0x100u;
    QTest::newRow("32 chars and, hex length shrinks")
        << "dec"
        << "and" << QString(29, QLatin1Char('0')) + QStringLiteral("255") << "1ff" << false << 0xffu
        << 0xffu;
    QTest::newRow("short add, hex length grows") << ""
                                                 << "add"
                                                 << "1"
                                                 << "f" << false << 0x10u << 0x10u;
    // Same length: calculate stays the default, each Enter calculates once.
    QTest::newRow("32 chars add, hex length kept")
        << ""
        << "add" << one32 << "10" << false << 0x11u << 0x12u;
    QTest::newRow("32 chars sub, hex length kept")
        << ""
        << "sub" << one32 << "20" << false << 0x1fu << 0x1eu;
    QTest::newRow("32 chars bin add, hex length kept")
        << "bin"
        << "add" << one32 << "10" << false << 0x11u << 0x12u;
    QTest::newRow("32 chars or, hex length kept")
        << "oct"
        << "or" << QString(31, QLatin1Char('0')) + QLatin1Char('7') << "10" << false << 0x17u
        << 0x17u;
    QTest::newRow("short add, hex length kept") << ""
                                                << "add"
                                                << "1"
                                                << "10" << false << 0x11u << 0x12u;
    QTest::newRow("short sub, hex length kept") << ""
                                                << "sub"
                                                << "3"
                                                << "20" << false << 0x1du << 0x1au;
    // Calculate not the default: Enter does nothing.
    QTest::newRow("32 chars, not default") << ""
                                           << "add" << one32 << "10" << true << 0x10u << 0x10u;
    QTest::newRow("short, not default") << ""
                                        << "add"
                                        << "1"
                                        << "10" << true << 0x10u << 0x10u;
}

void TestCalculator::oneEnterOneCalculation()
{
    QFETCH(QString, base);
    QFETCH(QString, op);
    QFETCH(QString, operand);
    QFETCH(QString, startHex);
    QFETCH(bool, takeDefault);
    QFETCH(quint32, afterFirst);
    QFETCH(quint32, afterSecond);

    CHECKED(setRegisterByHex(startHex));
    if (!base.isEmpty())
        clickRadio(radio(base));
    clickRadio(radio(op));
    paste(num, operand);
    QCOMPARE(num->text(), operand);
    if (takeDefault)
        press(dec);
    num->setFocus();
    QCOMPARE(calc->isDefault(), !takeDefault);

    QSignalSpy calculateClicks(calc, &QPushButton::clicked);
    QSignalSpy returnPressed(num, &QLineEdit::returnPressed);
    QTest::keyClick(num, Qt::Key_Return);
    QCOMPARE(returnPressed.count(), operand.size() == 32 ? 1 : 0);
    QCOMPARE(calculateClicks.count(), takeDefault ? 0 : 1);
    CHECKED(verifyRegister(afterFirst));

    const bool secondCalculates = calc->isDefault();
    QTest::keyClick(num, Qt::Key_Return);
    QCOMPARE(calculateClicks.count(), (takeDefault ? 0 : 1) + (secondCalculates ? 1 : 0));
    CHECKED(verifyRegister(afterSecond));
    QCOMPARE(num->text(), operand);
}

void TestCalculator::operatorRadiosMakeCalculateDefault_data()
{
    QTest::addColumn<QString>("choice");
    QTest::addColumn<bool>("defaultBefore");
    QTest::addColumn<bool>("defaultAfter");

    for (const char *op : {"add", "sub", "and", "or"}) {
        QTest::addRow("%s from not default", op) << QString::fromLatin1(op) << false << true;
        QTest::addRow("%s from default", op) << QString::fromLatin1(op) << true << true;
    }
    for (const char *base : {"bin", "oct", "dec", "hex"}) {
        QTest::addRow("%s from not default", base) << QString::fromLatin1(base) << false << false;
        QTest::addRow("%s from default", base) << QString::fromLatin1(base) << true << true;
    }
}

void TestCalculator::operatorRadiosMakeCalculateDefault()
{
    QFETCH(QString, choice);
    QFETCH(bool, defaultBefore);
    QFETCH(bool, defaultAfter);

    CHECKED(setRegisterByHex(QStringLiteral("10")));
    QTest::keyClicks(num, QStringLiteral("3"));
    if (!defaultBefore)
        press(oct);
    QCOMPARE(calc->isDefault(), defaultBefore);

    clickRadio(radio(choice));
    QVERIFY(radio(choice)->isChecked());
    QCOMPARE(calc->isDefault(), defaultAfter);

    // With an operation chosen, Enter in the operand field now calculates.
    const bool isOperation = choice == QLatin1String("add") || choice == QLatin1String("sub") ||
                             choice == QLatin1String("and") || choice == QLatin1String("or");
    if (isOperation) {
        num->setFocus();
        QTest::keyClick(num, Qt::Key_Return);
        quint32 expected = 0x10u;
        if (choice == QLatin1String("add"))
            expected = 0x10u + 3u;
        else if (choice == QLatin1String("sub"))
            expected = 0x10u - 3u;
        else if (choice == QLatin1String("and"))
            expected = 0x10u & 3u;
        else
            expected = 0x10u | 3u;
        CHECKED(verifyRegister(expected));
    }
}

void TestCalculator::shiftCounts_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("countText");
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("expected");

    auto row = [](const char *name, const char *button, const char *text, quint32 start,
                  quint32 expected) {
        QTest::newRow(name) << QString::fromLatin1(button) << QString::fromLatin1(text) << start
                            << expected;
    };
    row("left 4 on 12345678", "mL", "4", 0x12345678u, 0x23456780u);
    row("right 31 on all ones", "mR", "31", kMax, 1u);
    row("left 31 on 1", "mL", "31", 1u, 0x80000000u);
    row("right 1 on all ones", "mR", "1", kMax, 0x7fffffffu);
    row("left 0", "mL", "0", 0x1234u, 0x1234u);
    row("right 0", "mR", "0", 0x1234u, 0x1234u);
    row("left empty", "mL", "", 0x1234u, 0x1234u);
    row("right empty", "mR", "", 0x1234u, 0x1234u);
    row("left abc", "mL", "abc", 0x1234u, 0x1234u);
    row("right abc", "mR", "abc", 0x1234u, 0x1234u);
    row("left 32 clears", "mL", "32", 0x1234u, 0u);
    row("right 32 clears", "mR", "32", kMax, 0u);
    row("left 33 clears", "mL", "33", kMax, 0u);
    row("right 35 clears", "mR", "35", kMax, 0u);
    row("left +32 clears", "mL", "+32", 1u, 0u);
    row("right 4294967296 clears", "mR", "4294967296", kMax, 0u);
    row("left 23 digits clears", "mL", "99999999999999999999999", kMax, 0u);
    row("left -1 unchanged", "mL", "-1", 0x1234u, 0x1234u);
    row("right -1 unchanged", "mR", "-1", 0x1234u, 0x1234u);
    row("left -32 unchanged", "mL", "-32", 0x1234u, 0x1234u);
    row("right -20 digits unchanged", "mR", "-99999999999999999999", 0x1234u, 0x1234u);
    row("right -0", "mR", "-0", 0x1234u, 0x1234u);
    row("left surrounding spaces", "mL", " 5 ", 1u, 32u);
    row("right leading plus", "mR", "+3", 0x80u, 0x10u);
    row("left spaces and plus", "mL", "  +7", 1u, 0x80u);
    row("left leading zeros", "mL", "031", 1u, 0x80000000u);
    row("left space inside", "mL", "1 2", 0x1234u, 0x1234u);
    row("left trailing letters", "mL", "3abc", 0x1234u, 0x1234u);
    row("left plus alone", "mL", "+", 0x1234u, 0x1234u);
    row("right minus alone", "mR", "-", 0x1234u, 0x1234u);
    row("right hex prefix", "mR", "0x4", 0x1234u, 0x1234u);
    row("right two signs", "mR", "+-3", 0x1234u, 0x1234u);
}

void TestCalculator::shiftCounts()
{
    QFETCH(QString, button);
    QFETCH(QString, countText);
    QFETCH(quint32, start);
    QFETCH(quint32, expected);

    // Typed with a leading zero and in upper case, so a redraw is visible
    // even when the value does not change.
    const QString typed = QLatin1Char('0') + QString::number(start, 16).toUpper();
    CHECKED(setRegisterByHex(typed));
    if (!countText.isEmpty())
        paste(count, countText);

    MessageBoxCatcher boxes;
    click(child<QPushButton>(dialog.get(), qPrintable(QStringLiteral("pushButton_bit_") + button)));
    CHECKED(verifyRegister(expected));
    QCOMPARE(err->text(), QString());
    QCOMPARE(count->text(), countText);
    QCOMPARE(boxes.boxes.size(), 0);
}

void TestCalculator::operandValidator_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expected");

    QTest::newRow("start-up decimal refuses space") << ""
                                                    << "1 2a-+3"
                                                    << "123";
    QTest::newRow("decimal") << "dec"
                             << "1 2a-+3"
                             << "1 23";
    QTest::newRow("binary") << "bin"
                            << "10 2 01x9"
                            << "10  01";
    QTest::newRow("octal") << "oct"
                           << "17 89 70"
                           << "17  70";
    QTest::newRow("hexadecimal") << "hex"
                                 << "aF 9gG-Z0x"
                                 << "aF 90";
    QTest::newRow("start-up 33 digits")
        << "" << QString(33, QLatin1Char('0')) << QString(32, QLatin1Char('0'));
    QTest::newRow("binary 33 characters")
        << "bin" << QString(33, QLatin1Char('1')) << QString(32, QLatin1Char('1'));
    QTest::newRow("hex 33 characters with spaces")
        << "hex" << QString(33, QLatin1Char(' ')) << QString(32, QLatin1Char(' '));
}

void TestCalculator::operandValidator()
{
    QFETCH(QString, base);
    QFETCH(QString, keys);
    QFETCH(QString, expected);

    if (!base.isEmpty())
        clickRadio(radio(base));
    debug_lines::captured.clear();
    QTest::keyClicks(num, keys);
    QCOMPARE(num->text(), expected);
    // Only accepted keystrokes are edits.
    QCOMPARE(debug_lines::captured.size(), expected.size());
    QCOMPARE(err->text(), QString());
}

void TestCalculator::operandTyping_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("keys");

    QTest::newRow("dec 4294967295 then 5") << "dec"
                                           << "42949672955";
    QTest::newRow("dec 99999999999") << "dec"
                                     << "99999999999";
    QTest::newRow("hex nine F") << "hex"
                                << "FFFFFFFFF";
    QTest::newRow("hex upper and lower") << "hex"
                                         << "aBcD eF01 2";
    QTest::newRow("oct 37777777777 then 7") << "oct"
                                            << "377777777777";
    QTest::newRow("bin 32 ones") << "bin" << QString(32, QLatin1Char('1'));
}

// Each keystroke is checked: an accepted text stays as typed, a text beyond
// 32 bits is replaced by the last accepted operand in lower case.
void TestCalculator::operandTyping()
{
    QFETCH(QString, base);
    QFETCH(QString, keys);

    clickRadio(radio(base));
    const int radix = baseOfRadio(base);
    quint32 operand = 0;
    for (QChar key : keys) {
        const QString candidate = num->text() + key;
        press(dec); // takes the default away, so each edit has to give it back
        debug_lines::captured.clear();
        QTest::keyClicks(num, QString(key));
        QVERIFY(calc->isDefault());
        QCOMPARE(debug_lines::captured.size(), 1);
        QCOMPARE(debug_lines::captured.first(), QString::number(value32(candidate, radix)));
        if (fits32(candidate, radix)) {
            operand = value32(candidate, radix);
            QCOMPARE(num->text(), candidate);
            QCOMPARE(err->text(), QString());
        } else {
            QCOMPARE(num->text(), QString::number(operand, radix));
            CHECKED(verifyRangeError());
        }
    }
    click(calc);
    CHECKED(verifyRegister(operand));
}

void TestCalculator::operandRestoredAfterSwitchOrClear_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected");

    QTest::newRow("switch to hex") << "255"
                                   << "hex"
                                   << "123456789"
                                   << "ff";
    QTest::newRow("switch to oct") << "255"
                                   << "oct"
                                   << "77777777777"
                                   << "377";
    QTest::newRow("switch to dec again") << "255"
                                         << "dec"
                                         << "4294967296"
                                         << "255";
    QTest::newRow("clear all") << "77"
                               << "clear"
                               << "99999999999"
                               << "77";
    QTest::newRow("deleted all") << "77"
                                 << "erase"
                                 << "99999999999"
                                 << "0";
}

void TestCalculator::operandRestoredAfterSwitchOrClear()
{
    QFETCH(QString, typed);
    QFETCH(QString, action);
    QFETCH(QString, pasted);
    QFETCH(QString, expected);

    QTest::keyClicks(num, typed);
    // An error from a value field stays through a base switch.
    paste(dec, QStringLiteral("99999999999"));
    CHECKED(verifyRangeError());

    if (action == QLatin1String("clear")) {
        click(clear);
        QCOMPARE(num->text(), QString());
        QCOMPARE(err->text(), QString());
    } else if (action == QLatin1String("erase")) {
        eraseAll(num);
        QCOMPARE(num->text(), QString());
        QCOMPARE(err->text(), QString());
    } else {
        clickRadio(radio(action));
        QCOMPARE(num->text(), QString());
        CHECKED(verifyRangeError());
    }
    paste(num, pasted);
    QCOMPARE(num->text(), expected);
    CHECKED(verifyRangeError());
}

void TestCalculator::operandDebugLinePerEdit_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("typing") << ""
                            << "type 123" << QStringList{"1", "12", "123"};
    QTest::newRow("backspace") << "123"
                               << "backspace" << QStringList{"12"};
    QTest::newRow("select all and delete") << "123"
                                           << "erase" << QStringList{"0"};
    QTest::newRow("paste accepted") << "7"
                                    << "paste 4294967295" << QStringList{"4294967295"};
    QTest::newRow("paste rejected shows rejected value") << "7"
                                                         << "paste 4294967301" << QStringList{"5"};
    QTest::newRow("paste 2^32") << "7"
                                << "paste 4294967296" << QStringList{"0"};
    QTest::newRow("refused character") << "7"
                                       << "type a" << QStringList{};
    QTest::newRow("33rd character") << QString(32, QLatin1Char('0')) << "type 1" << QStringList{};
    QTest::newRow("base switch") << "7"
                                 << "radio" << QStringList{};
    QTest::newRow("clear all") << "7"
                               << "clear" << QStringList{};
    QTest::newRow("calculation") << "7"
                                 << "calculate" << QStringList{};
    QTest::newRow("value entry") << "7"
                                 << "dec" << QStringList{};
}

void TestCalculator::operandDebugLinePerEdit()
{
    QFETCH(QString, setup);
    QFETCH(QString, action);
    QFETCH(QStringList, lines);

    QTest::keyClicks(num, setup);
    QCOMPARE(num->text(), setup);
    debug_lines::captured.clear();
    if (action.startsWith(QLatin1String("type ")))
        QTest::keyClicks(num, action.mid(5));
    else if (action.startsWith(QLatin1String("paste ")))
        paste(num, action.mid(6));
    else if (action == QLatin1String("backspace"))
        QTest::keyClick(num, Qt::Key_Backspace);
    else if (action == QLatin1String("erase"))
        eraseAll(num);
    else if (action == QLatin1String("radio"))
        clickRadio(radio("hex"));
    else if (action == QLatin1String("clear"))
        click(clear);
    else if (action == QLatin1String("calculate"))
        click(calc);
    else if (action == QLatin1String("dec"))
        QTest::keyClicks(dec, QStringLiteral("9"));
    QCOMPARE(debug_lines::captured, lines);
}

void TestCalculator::calculation_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("base");
    QTest::addColumn<quint32>("start");
    QTest::addColumn<QString>("operand");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<quint32>("expected");

    auto ok = [](const char *name, const char *op, quint32 start, const char *operand,
                 quint32 expected) {
        QTest::newRow(name) << QString::fromLatin1(op) << QString() << start
                            << QString::fromLatin1(operand) << false << expected;
    };
    auto refused = [](const char *name, const char *op, quint32 start, const char *operand) {
        QTest::newRow(name) << QString::fromLatin1(op) << QString() << start
                            << QString::fromLatin1(operand) << true << start;
    };
    ok("max plus 0", "add", kMax, "0", kMax);
    refused("max plus 1", "add", kMax, "1");
    ok("2^31 plus 2^31-1", "add", 2147483648u, "2147483647", kMax);
    refused("2^31 plus 2^31", "add", 2147483648u, "2147483648");
    refused("2^31+1 plus 2^31-1", "add", 2147483649u, "2147483647");
    ok("0 plus max", "add", 0, "4294967295", kMax);
    refused("1 plus max", "add", 1, "4294967295");
    refused("max plus max", "add", kMax, "4294967295");
    ok("plus empty", "add", 5, "", 5);
    ok("5 minus 5", "sub", 5, "5", 0);
    refused("5 minus 6", "sub", 5, "6");
    ok("0 minus 0", "sub", 0, "0", 0);
    refused("0 minus 1", "sub", 0, "1");
    ok("max minus max", "sub", kMax, "4294967295", 0);
    refused("max-1 minus max", "sub", kMax - 1, "4294967295");
    ok("minus empty", "sub", 5, "", 5);
    ok("and empty", "and", 0xff00ff00u, "", 0);
    ok("and 65535", "and", 0xdeadbeefu, "65535", 0xbeefu);
    ok("and max", "and", kMax, "4294967295", kMax);
    ok("or empty", "or", 0x1234u, "", 0x1234u);
    ok("or 15", "or", 0xf0000000u, "15", 0xf000000fu);
    ok("or max", "or", 0, "4294967295", kMax);
    QTest::newRow("hex ff plus 1") << "add"
                                   << "hex" << 1u << "ff" << false << 0x100u;
    QTest::newRow("hex FFFFFFFF plus 1") << "add"
                                         << "hex" << 1u << "FFFFFFFF" << true << 1u;
    QTest::newRow("bin 1 minus from 0") << "sub"
                                        << "bin" << 0u << "1" << true << 0u;
    QTest::newRow("oct 17 and") << "and"
                                << "oct" << 0xffu << "17" << false << 0xfu;
}

// A refused add or subtract shows the warning box and changes nothing, not
// even the text of the fields; otherwise every view is redrawn.
void TestCalculator::calculation()
{
    QFETCH(QString, op);
    QFETCH(QString, base);
    QFETCH(quint32, start);
    QFETCH(QString, operand);
    QFETCH(bool, refused);
    QFETCH(quint32, expected);

    const QString typed = QLatin1Char('0') + QString::number(start, 16).toUpper();
    CHECKED(setRegisterByHex(typed));
    const QString decBefore = dec->text();
    const QString octBefore = oct->text();
    if (!base.isEmpty())
        clickRadio(radio(base));
    clickRadio(radio(op));
    QTest::keyClicks(num, operand);
    QCOMPARE(num->text(), operand);

    MessageBoxCatcher boxes;
    click(calc);
    QCOMPARE(num->text(), operand);
    QCOMPARE(err->text(), QString());
    if (!refused) {
        QCOMPARE(boxes.boxes.size(), 0);
        CHECKED(verifyRegister(expected));
        return;
    }
    QCOMPARE(boxes.boxes.size(), 1);
    const MessageBoxCatcher::Box &box = boxes.boxes.first();
    QCOMPARE(box.title, QString::fromUtf8("警告"));
    QCOMPARE(box.text, QString::fromUtf8("计算结果超出范围"));
    QCOMPARE(box.parent, static_cast<QWidget *>(dialog.get()));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.icon, QMessageBox::Warning);
    CHECKED(verifyFields(decBefore, typed, octBefore));
    CHECKED(verifyBits(start));
}

void TestCalculator::repeatedCalculation_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<quint32>("start");
    QTest::addColumn<QString>("operand");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("refusals");
    QTest::addColumn<quint32>("expected");

    QTest::newRow("add 3 three times") << "add" << 1u << "3" << 3 << 0 << 10u;
    QTest::newRow("sub 4 three times from 10") << "sub" << 10u << "4" << 3 << 1 << 2u;
    QTest::newRow("add to the top then refused") << "add" << kMax - 5 << "3" << 3 << 2 << kMax - 2;
    QTest::newRow("or twice") << "or" << 8u << "3" << 2 << 0 << 11u;
}

void TestCalculator::repeatedCalculation()
{
    QFETCH(QString, op);
    QFETCH(quint32, start);
    QFETCH(QString, operand);
    QFETCH(int, clicks);
    QFETCH(int, refusals);
    QFETCH(quint32, expected);

    CHECKED(setRegisterByHex(QString::number(start, 16)));
    clickRadio(radio(op));
    QTest::keyClicks(num, operand);
    MessageBoxCatcher boxes;
    for (int i = 0; i < clicks; ++i)
        click(calc);
    QCOMPARE(boxes.boxes.size(), refusals);
    CHECKED(verifyRegister(expected));
}

void TestCalculator::defaultButton_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("hexText");
    QTest::addColumn<bool>("defaultBefore");
    QTest::addColumn<bool>("defaultAfter");
    QTest::addColumn<quint32>("valueAfter");

    const QString hex32 = QString(31, QLatin1Char('0')) + QLatin1Char('a');
    auto row = [](const char *event, const QString &hexText, bool before, bool after,
                  quint32 value) {
        QTest::addRow("%s, %s before", event, before ? "default" : "not default")
            << QString::fromLatin1(event) << hexText << before << after << value;
    };
    row("mouse press on dec", "ab", true, false, 0xab);
    row("mouse press on oct", "ab", true, false, 0xab);
    row("mouse press on hex", "ab", true, false, 0xab);
    row("hex cursor moved", "ab", true, false, 0xab);
    row("hex selection", "ab", true, false, 0xab);
    row("enter in hex, complete entry", hex32, true, false, 0xa);
    row("enter in hex, short entry", "ab", true, true, 0xac);
    row("operand edit", "ab", false, true, 0xab);
    row("add clicked", "ab", false, true, 0xab);
    row("sub clicked", "ab", false, true, 0xab);
    row("and clicked", "ab", false, true, 0xab);
    row("or clicked", "ab", false, true, 0xab);
    row("bin clicked", "ab", false, false, 0xab);
    row("hex clicked", "ab", false, false, 0xab);
    row("bin clicked", "ab", true, true, 0xab);
    row("hex clicked", "ab", true, true, 0xab);
    // The entries append a 1 to the rendered 0xab: 171, ab, 253.
    row("dec entry", "ab", true, false, 1711);
    row("hex entry", "ab", true, false, 0xab1);
    row("oct entry", "ab", true, false, 02531);
    row("bit click changing hex length", "ab", true, false, 0x1ab);
    row("clear all", "ab", true, false, 0);
}

void TestCalculator::defaultButton()
{
    QFETCH(QString, event);
    QFETCH(QString, hexText);
    QFETCH(bool, defaultBefore);
    QFETCH(bool, defaultAfter);
    QFETCH(quint32, valueAfter);

    CHECKED(setRegisterByHex(hexText));
    QVERIFY(!calc->isDefault());
    QTest::keyClicks(num, QStringLiteral("1"));
    QVERIFY(calc->isDefault());
    if (!defaultBefore)
        press(dec);
    QCOMPARE(calc->isDefault(), defaultBefore);

    if (event == QLatin1String("mouse press on dec")) {
        press(dec);
    } else if (event == QLatin1String("mouse press on oct")) {
        press(oct);
    } else if (event == QLatin1String("mouse press on hex")) {
        press(hex);
    } else if (event == QLatin1String("hex cursor moved")) {
        QTest::keyClick(hex, Qt::Key_Left);
    } else if (event == QLatin1String("hex selection")) {
        QTest::keyClick(hex, Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(hex->selectedText(), hexText);
    } else if (event.startsWith(QLatin1String("enter in hex"))) {
        hex->setFocus();
        QTest::keyClick(hex, Qt::Key_Return);
    } else if (event == QLatin1String("operand edit")) {
        QTest::keyClicks(num, QStringLiteral("2"));
        valueAfter = 0xab;
    } else if (event.endsWith(QLatin1String(" clicked"))) {
        clickRadio(radio(event.left(event.indexOf(QLatin1Char(' ')))));
    } else if (event == QLatin1String("dec entry")) {
        QTest::keyClicks(dec, QStringLiteral("1"));
    } else if (event == QLatin1String("hex entry")) {
        QTest::keyClicks(hex, QStringLiteral("1"));
    } else if (event == QLatin1String("oct entry")) {
        QTest::keyClicks(oct, QStringLiteral("1"));
    } else if (event == QLatin1String("bit click changing hex length")) {
        click(bits[8]);
    } else if (event == QLatin1String("clear all")) {
        click(clear);
    } else {
        QFAIL("unknown event");
    }
    QCOMPARE(calc->isDefault(), defaultAfter);
    CHECKED(verifyBits(valueAfter));
}

void TestCalculator::shiftByOne_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<quint32>("start");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<quint32>("expected");

    QTest::newRow("< on 2^31") << "ml" << 2147483648u << 1 << 0u;
    QTest::newRow("< on 1") << "ml" << 1u << 1 << 2u;
    QTest::newRow("< on 12345678") << "ml" << 0x12345678u << 1 << 0x2468acf0u;
    QTest::newRow("< on c0000001") << "ml" << 0xc0000001u << 1 << 0x80000002u;
    QTest::newRow("< four times") << "ml" << 0x12345678u << 4 << 0x23456780u;
    QTest::newRow("< on 0") << "ml" << 0u << 1 << 0u;
    QTest::newRow("> on 1") << "mr" << 1u << 1 << 0u;
    QTest::newRow("> on all ones") << "mr" << kMax << 1 << 0x7fffffffu;
    QTest::newRow("> on 2^31") << "mr" << 2147483648u << 1 << 0x40000000u;
    QTest::newRow("> 31 times on all ones") << "mr" << kMax << 31 << 1u;
    QTest::newRow("> 32 times on all ones") << "mr" << kMax << 32 << 0u;
}

void TestCalculator::shiftByOne()
{
    QFETCH(QString, button);
    QFETCH(quint32, start);
    QFETCH(int, clicks);
    QFETCH(quint32, expected);

    CHECKED(setRegisterByHex(QLatin1Char('0') + QString::number(start, 16).toUpper()));
    QPushButton *shift =
        child<QPushButton>(dialog.get(), qPrintable(QStringLiteral("pushButton_bit_") + button));
    for (int i = 0; i < clicks; ++i)
        click(shift);
    CHECKED(verifyRegister(expected));
    QCOMPARE(err->text(), QString());
}

void TestCalculator::clearAll_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("op");
    QTest::addColumn<bool>("withError");

    QTest::newRow("decimal add") << ""
                                 << "" << false;
    QTest::newRow("hex sub with error") << "hex"
                                        << "sub" << true;
    QTest::newRow("bin or") << "bin"
                            << "or" << false;
}

// Clearing empties the value fields instead of showing 0 and keeps the
// chosen base, operation and last accepted operand.
void TestCalculator::clearAll()
{
    QFETCH(QString, base);
    QFETCH(QString, op);
    QFETCH(bool, withError);

    CHECKED(setRegisterByHex(QStringLiteral("ffff0000")));
    if (!base.isEmpty())
        clickRadio(radio(base));
    if (!op.isEmpty())
        clickRadio(radio(op));
    QTest::keyClicks(num, QStringLiteral("101"));
    QTest::keyClicks(count, QStringLiteral("3"));
    if (withError) {
        paste(oct, QStringLiteral("77777777777"));
        CHECKED(verifyRangeError());
    }

    click(clear);
    CHECKED(verifyFields(QString(), QString(), QString()));
    CHECKED(verifyBits(0));
    QCOMPARE(num->text(), QString());
    QCOMPARE(count->text(), QString());
    QCOMPARE(err->text(), QString());
    QVERIFY(radio(base.isEmpty() ? QStringLiteral("dec") : base)->isChecked());
    QVERIFY(radio(op.isEmpty() ? QStringLiteral("add") : op)->isChecked());

    // The operand accepted before the clear is what a rejected entry restores.
    const int radix = baseOfRadio(base.isEmpty() ? QStringLiteral("dec") : base);
    if (radix != 2) {
        paste(num, QString(12, QLatin1Char('7')));
        QCOMPARE(num->text(), QString::number(value32(QStringLiteral("101"), radix), radix));
    }
}

void TestCalculator::escapeClosesWindow_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("dialog") << "";
    QTest::newRow("operand field") << "lineEdit_num";
    QTest::newRow("decimal field") << "lineEdit_dec";
}

void TestCalculator::escapeClosesWindow()
{
    QFETCH(QString, target);
    QWidget *receiver = dialog.get();
    if (!target.isEmpty()) {
        receiver = child<QWidget>(dialog.get(), qPrintable(target));
        receiver->setFocus();
    }
    QSignalSpy rejected(dialog.get(), &QDialog::rejected);
    QVERIFY(dialog->isVisible());
    QTest::keyClick(receiver, Qt::Key_Escape);
    QCOMPARE(rejected.count(), 1);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
}

QTEST_MAIN(TestCalculator)
#include "tst_calculator.moc"
