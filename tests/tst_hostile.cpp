// Hostile input: junk, foreign digits and control characters pasted into
// every field, absurd operands and shift counts, and buttons hammered. After
// every step the register must still be shown the same way by every view.

#include "dialog.h"
#include "testsupport.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const quint32 start_value = 23130; // 0x5a5a: set and clear bits in every nibble pair

const QString grey_style = QStringLiteral("background: rgb(118,118,118)");
const QString plain_style = QStringLiteral("Default");

// 32 KiB of mixed junk: printable ASCII, control characters, letters and
// digits of other scripts, symbols. Deterministic, so a failure repeats.
QString junk_32k()
{
    QString text;
    text.reserve(32768);
    quint32 state = 0x2545f491;
    while (text.size() < 32768) {
        state = state * 1664525u + 1013904223u;
        const quint32 r = state >> 8;
        switch (r % 6) {
        case 0:
            text.append(QChar(ushort(0x20 + r / 6 % 95)));
            break; // printable ASCII
        case 1:
            text.append(QChar(ushort(r / 6 % 32)));
            break; // C0 controls, \0 too
        case 2:
            text.append(QChar(ushort(0x4e00 + r / 6 % 0x5000)));
            break; // CJK
        case 3:
            text.append(QChar(ushort(0x0660 + r / 6 % 10)));
            break; // Arabic-Indic digits
        case 4:
            text.append(QChar(ushort(0xff10 + r / 6 % 10)));
            break; // full-width digits
        default:
            text.append(QChar(ushort(0x2000 + r / 6 % 0x800)));
            break; // punctuation, symbols
        }
    }
    return text;
}

QString code_units(ushort first, ushort last)
{
    QString text;
    for (ushort u = first; u <= last; ++u)
        text.append(QChar(u));
    return text;
}

QString grouped_binary(quint32 value)
{
    QString text;
    for (int bit = 31; bit >= 0; --bit) {
        text.append((value >> bit) & 1u ? QLatin1Char('1') : QLatin1Char('0'));
        if (bit % 4 == 0 && bit > 0)
            text.append(QLatin1Char(' '));
    }
    return text;
}

// Payloads that no validated field may take, named for the test rows.
QVector<QPair<const char *, QString>> refused_payloads()
{
    return {
        {"32 KiB junk", junk_32k()},
        {"32 KiB of 7s", QString(32768, QLatin1Char('7'))},
        {"Arabic-Indic digits", code_units(0x0660, 0x0669)},
        {"full-width digits", code_units(0xff10, 0xff19)},
        {"NUL", QString(QChar(ushort(0)))},
        {"tab", QStringLiteral("\t")},
        {"newline", QStringLiteral("\n")},
        {"escape", QStringLiteral("\x1b")},
        {"delete", QStringLiteral("\x7f")},
        {"digits around a NUL", QStringLiteral("12") + QChar(ushort(0)) + QStringLiteral("34")},
        {"digits around a tab", QStringLiteral("1\t7")},
        {"digits and a newline", QStringLiteral("77\n")},
    };
}

} // namespace

class TestHostile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void validated_field_refuses_paste_data();
    void validated_field_refuses_paste();
    void shift_count_takes_junk_but_shifts_nothing_data();
    void shift_count_takes_junk_but_shifts_nothing();
    void operand_of_spaces_is_zero_data();
    void operand_of_spaces_is_zero();
    void forty_digit_shift_count_data();
    void forty_digit_shift_count();
    void calculator_button_hammered();
    void contact_button_hammered();

private:
    void type_decimal(quint32 value);
    void verify_views(quint32 expected);
    QList<QPointer<QWidget>> contact_dialogs() const;

    Dialog *dialog = nullptr;
    MessageBoxCatcher *catcher = nullptr;
};

void TestHostile::init()
{
    dialog = new Dialog;
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    catcher = new MessageBoxCatcher;
    type_decimal(start_value);
}

void TestHostile::cleanup()
{
    delete catcher;
    catcher = nullptr;
    delete dialog;
    dialog = nullptr;
    for (const QPointer<QWidget> &contact : contact_dialogs())
        delete contact.data();
}

// The user types a value into the empty decimal field.
void TestHostile::type_decimal(quint32 value)
{
    auto *dec = child<QLineEdit>(dialog, "lineEdit_dec");
    dec->selectAll();
    QTest::keyClicks(dec, QString::number(value));
    QCOMPARE(dec->text(), QString::number(value));
    verify_views(value);
}

// Every view shows `expected`: the 32 buttons (caption and look), the grouped
// binary label, and the three value fields, which either all agree with the
// value (leading zeros and upper case allowed, as typed) or are all empty
// while the value is 0 (right after start-up, clear all or an emptied field).
void TestHostile::verify_views(quint32 expected)
{
    for (int i = 0; i < 32; ++i) {
        auto *button = child<QPushButton>(dialog, QStringLiteral("register_%1").arg(i).toLatin1());
        const bool set = (expected >> i) & 1u;
        QCOMPARE(button->text(), set ? QStringLiteral("1") : QStringLiteral("0"));
        if (set)
            QCOMPARE(button->styleSheet(), grey_style);
        else
            QVERIFY2(button->styleSheet() == plain_style || button->styleSheet().isEmpty(),
                     qPrintable(QStringLiteral("register_%1 has the style sheet '%2'")
                                    .arg(i)
                                    .arg(button->styleSheet())));
    }
    QCOMPARE(child<QLabel>(dialog, "label_bin")->text(), grouped_binary(expected));

    const struct
    {
        const char *name;
        int base;
    } fields[] = {{"lineEdit_dec", 10}, {"lineEdit_hex", 16}, {"lineEdit_oct", 8}};
    int empty = 0;
    for (const auto &f : fields)
        empty += child<QLineEdit>(dialog, f.name)->text().isEmpty() ? 1 : 0;
    if (empty == 3) {
        QCOMPARE(expected, 0u);
        return;
    }
    QCOMPARE(empty, 0);
    for (const auto &f : fields) {
        bool ok = false;
        const qulonglong shown = child<QLineEdit>(dialog, f.name)->text().toULongLong(&ok, f.base);
        QVERIFY2(ok, f.name);
        QCOMPARE(shown, qulonglong(expected));
    }
}

QList<QPointer<QWidget>> TestHostile::contact_dialogs() const
{
    QList<QPointer<QWidget>> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->inherits("connect_developer"))
            found.append(w);
    }
    return found;
}

void TestHostile::validated_field_refuses_paste_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("payload");
    for (const char *field : {"lineEdit_dec", "lineEdit_hex", "lineEdit_oct", "lineEdit_num"}) {
        for (const auto &payload : refused_payloads())
            QTest::addRow("%s, %s", field, payload.first)
                << QString::fromLatin1(field) << payload.second;
    }
}

// The validators refuse the whole paste: the field keeps its text and nothing
// else changes.
void TestHostile::validated_field_refuses_paste()
{
    QFETCH(QString, field);
    QFETCH(QString, payload);

    auto *num = child<QLineEdit>(dialog, "lineEdit_num");
    QTest::keyClicks(num, QStringLiteral("77"));
    QCOMPARE(num->text(), QStringLiteral("77"));

    auto *target = child<QLineEdit>(dialog, field.toLatin1());
    const QString before = target->text();
    QVERIFY(!before.isEmpty());
    target->selectAll();
    target->insert(payload);

    QCOMPARE(target->text(), before);
    QCOMPARE(num->text(), QStringLiteral("77"));
    QCOMPARE(child<QLabel>(dialog, "label_err")->text(), QString());
    verify_views(start_value);
    if (QTest::currentTestFailed())
        return;

    // Still usable afterwards: a bit click works from the unchanged value.
    QTest::mouseClick(child<QPushButton>(dialog, "register_0"), Qt::LeftButton);
    verify_views(start_value ^ 1u);
}

void TestHostile::shift_count_takes_junk_but_shifts_nothing_data()
{
    QTest::addColumn<QString>("payload");
    for (const auto &payload : refused_payloads()) {
        // Digits with white space around them are a count in this field.
        if (qstrcmp(payload.first, "32 KiB of 7s") != 0 &&
            qstrcmp(payload.first, "digits and a newline") != 0)
            QTest::newRow(payload.first) << payload.second;
    }
    QTest::newRow("controls only") << QStringLiteral("\t\n\x1b\x7f") + QChar(ushort(0));
    QTest::newRow("sign alone") << QStringLiteral("-");
    QTest::newRow("digits with a space inside") << QStringLiteral("1 2");
}

// The count field has no validator, so it takes anything; a count that is
// not a number leaves the value alone on both count-shift buttons.
void TestHostile::shift_count_takes_junk_but_shifts_nothing()
{
    QFETCH(QString, payload);

    auto *count = child<QLineEdit>(dialog, "lineEdit_bit_move");
    count->selectAll();
    count->insert(payload);
    QCOMPARE(count->text(), payload.left(count->maxLength()));

    QTest::mouseClick(child<QPushButton>(dialog, "pushButton_bit_mL"), Qt::LeftButton);
    verify_views(start_value);
    if (QTest::currentTestFailed())
        return;
    QTest::mouseClick(child<QPushButton>(dialog, "pushButton_bit_mR"), Qt::LeftButton);
    verify_views(start_value);
    QCOMPARE(count->text(), payload.left(count->maxLength()));
    QVERIFY(catcher->boxes.isEmpty());
}

void TestHostile::operand_of_spaces_is_zero_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<quint32>("expected");
    for (const char *base :
         {"radioButton_bin", "radioButton_oct", "radioButton_dec", "radioButton_hex"}) {
        QTest::addRow("%s, add", base) << base << "radioButton_add" << start_value;
        QTest::addRow("%s, sub", base) << base << "radioButton_sub" << start_value;
        QTest::addRow("%s, or", base) << base << "radioButton_or" << start_value;
        QTest::addRow("%s, and", base) << base << "radioButton_and" << 0u;
    }
}

// Spaces are allowed in the operand field once a base is chosen, but an
// operand of nothing but spaces is 0: add, subtract and OR keep the value,
// AND clears it. No box, no error.
void TestHostile::operand_of_spaces_is_zero()
{
    QFETCH(QString, base);
    QFETCH(QString, operation);
    QFETCH(quint32, expected);

    QTest::mouseClick(child<QRadioButton>(dialog, base.toLatin1()), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>(dialog, operation.toLatin1()), Qt::LeftButton);
    auto *num = child<QLineEdit>(dialog, "lineEdit_num");
    const QString spaces(32, QLatin1Char(' '));
    QTest::keyClicks(num, spaces);
    QCOMPARE(num->text(), spaces);

    QTest::mouseClick(child<QPushButton>(dialog, "pushButton_calculate"), Qt::LeftButton);

    QCOMPARE(catcher->boxes.size(), 0);
    QCOMPARE(child<QLabel>(dialog, "label_err")->text(), QString());
    QCOMPARE(num->text(), spaces);
    verify_views(expected);
}

void TestHostile::forty_digit_shift_count_data()
{
    const QString digits = QStringLiteral("1234567890123456789012345678901234567890");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("count");
    QTest::addColumn<quint32>("expected");
    for (const char *button : {"pushButton_bit_mL", "pushButton_bit_mR"}) {
        QTest::addRow("%s, 40 digits", button) << button << digits << 0u;
        QTest::addRow("%s, +40 digits", button) << button << QLatin1Char('+') + digits << 0u;
        QTest::addRow("%s, 40 digits in spaces", button)
            << button << QLatin1Char(' ') + digits + QLatin1Char(' ') << 0u;
        QTest::addRow("%s, 40 nines", button) << button << QString(40, QLatin1Char('9')) << 0u;
        QTest::addRow("%s, -40 digits", button)
            << button << QLatin1Char('-') + digits << start_value;
    }
}

// A count far beyond 64 bits shifts every bit out; a negative one, however
// long, is not a count and leaves the value unchanged.
void TestHostile::forty_digit_shift_count()
{
    QFETCH(QString, button);
    QFETCH(QString, count);
    QFETCH(quint32, expected);

    auto *field = child<QLineEdit>(dialog, "lineEdit_bit_move");
    QTest::keyClicks(field, count);
    QCOMPARE(field->text(), count);
    QTest::mouseClick(child<QPushButton>(dialog, button.toLatin1()), Qt::LeftButton);
    verify_views(expected);
    QCOMPARE(catcher->boxes.size(), 0);
}

// Fifty quick clicks start fifty calculators (here a stand-in that only
// records that it ran) and never show a box or disturb the register.
void TestHostile::calculator_button_hammered()
{
#ifdef Q_OS_WIN
    QSKIP("Windows starts C:\\Windows\\System32\\calc.exe, not a calculator from PATH; "
          "the Windows end-to-end test puts a stand-in there");
#endif
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    const QString log = bin.filePath(QStringLiteral("runs"));
    const QString script = bin.filePath(QStringLiteral("gnome-calculator"));
    {
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho run >> '" + log.toLocal8Bit() + "'\n");
    }
    QVERIFY(QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner));
    const QByteArray old_path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ':' + old_path);

    auto *button = child<QPushButton>(dialog, "pushButton_open_calculator");
    for (int i = 0; i < 50; ++i)
        QTest::mouseClick(button, Qt::LeftButton);
    qputenv("PATH", old_path);

    const auto runs = [&log] {
        QFile file(log);
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        return int(file.readAll().count('\n'));
    };
    // The stand-ins run detached; wait until all have written their line.
    QTRY_COMPARE_WITH_TIMEOUT(runs(), 50, 60000);
    QCOMPARE(catcher->boxes.size(), 0);
    verify_views(start_value);
}

// Fifty contact dialogs open, all close with Escape and all are freed once
// deferred deletes run; the main window is untouched.
void TestHostile::contact_button_hammered()
{
    auto *button = child<QPushButton>(dialog, "pushButton_connect_developer");
    for (int i = 0; i < 50; ++i)
        QTest::mouseClick(button, Qt::LeftButton);

    const QList<QPointer<QWidget>> opened = contact_dialogs();
    QCOMPARE(opened.size(), 50);
    for (const QPointer<QWidget> &contact : opened) {
        QVERIFY(contact->isVisible());
        QCOMPARE(contact->windowTitle(), QString::fromUtf8("关于"));
    }

    for (const QPointer<QWidget> &contact : opened)
        QTest::keyClick(contact.data(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    int alive = 0;
    for (const QPointer<QWidget> &contact : opened)
        alive += contact.isNull() ? 0 : 1;
    QCOMPARE(alive, 0);
    QCOMPARE(contact_dialogs().size(), 0);
    QVERIFY(dialog->isVisible());
    verify_views(start_value);
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
