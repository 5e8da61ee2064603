// A long random session on one dialog, checked step by step against a small
// reference model of the calculator. The model is written on its own, with
// plain 64-bit arithmetic and its own parsing and formatting, so that it does
// not share a mistake with the program.
//
// The session is reproducible: TARNWICK_SEED picks the seed (a fixed one by
// default) and TARNWICK_STEPS the number of actions.

#include "dialog.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtTest>

namespace {

const quint32 kDefaultSeed = 20240611u;
const int kDefaultSteps = 3000;

const quint64 kMax = 0xffffffffull;
const char kDigits[] = "0123456789abcdef";

int digitValue(QChar c)
{
    const char ch = char(c.toLatin1());
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return 99;
}

QString render(quint32 value, int base)
{
    if (value == 0)
        return QStringLiteral("0");
    QString text;
    quint64 v = value;
    while (v != 0) {
        text.prepend(QLatin1Char(kDigits[v % quint64(base)]));
        v /= quint64(base);
    }
    return text;
}

// Digits of `base` with spaces skipped; false when the number needs more than
// 32 bits. The text has passed the field's validator.
bool parse32(const QString &text, int base, quint32 *value)
{
    quint64 v = 0;
    for (QChar c : text) {
        if (c == QLatin1Char(' '))
            continue;
        v = v * quint64(base) + quint64(digitValue(c));
        if (v > kMax)
            return false;
    }
    *value = quint32(v);
    return true;
}

bool allowedChar(QChar c, int base, bool space)
{
    if (c == QLatin1Char(' '))
        return space;
    return digitValue(c) < base;
}

bool fieldAccepts(const QString &text, int base, bool space)
{
    if (text.size() > 32)
        return false;
    for (QChar c : text) {
        if (!allowedChar(c, base, space))
            return false;
    }
    return true;
}

// Count rules: surrounding spaces and one sign; 32 or more clears; negative
// or not a number keeps the value.
quint32 shifted(quint32 value, const QString &countText, bool left)
{
    QString t = countText.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('+')) || t.startsWith(QLatin1Char('-'))) {
        negative = t.startsWith(QLatin1Char('-'));
        t = t.mid(1);
    }
    if (t.isEmpty())
        return value;
    quint64 n = 0;
    for (QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return value;
        n = qMin<quint64>(n * 10 + quint64(c.unicode() - '0'), 1000);
    }
    if (negative && n != 0)
        return value;
    if (n >= 32)
        return 0;
    return left ? quint32(quint64(value) << n) : quint32(value >> n);
}

struct Model
{
    quint32 value = 0;
    QString dec, hex, oct;
    QString caption[32];
    QString style[32]; // empty until something styles the button
    int baseId = 2;    // bin 0, oct 1, dec 2, hex 3
    int opId = 0;      // add 0, sub 1, and 2, or 3
    bool operandSpaces = false;
    QString num;
    quint32 numValue = 0;
    QString err;
    QString count;
    int debugLines = 0;
    int boxes = 0;
    // Tallies for the summary line only.
    int valueRejections = 0;
    int operandRejections = 0;
    int entersCalculating = 0;
    int entersIgnored = 0;
    int entersWithCompleteOperand = 0;

    Model()
    {
        for (QString &c : caption)
            c = QStringLiteral("0");
    }

    int operandBase() const
    {
        static const int bases[] = {2, 8, 10, 16};
        return bases[baseId];
    }

    void restyleAll()
    {
        for (int i = 0; i < 32; ++i)
            restyle(i);
    }
    void restyle(int i)
    {
        const bool set = (value >> i) & 1u;
        caption[i] = set ? QStringLiteral("1") : QStringLiteral("0");
        style[i] = set ? set_bit_style : clear_bit_style;
    }
    void renderFields()
    {
        dec = render(value, 10);
        hex = render(value, 16);
        oct = render(value, 8);
    }

    QString &fieldText(int base) { return base == 10 ? dec : base == 16 ? hex : oct; }

    void valueEdit(int base, const QString &text)
    {
        quint32 v = 0;
        const bool fits = parse32(text, base, &v);
        if (fits) {
            value = v;
            err.clear();
        } else {
            err = range_error_text;
            ++valueRejections;
        }
        const QString own = fits ? text : render(value, base);
        renderFields();
        if (text.isEmpty())
            dec = hex = oct = QString();
        fieldText(base) = own;
        restyleAll();
    }

    void operandEdit(const QString &text)
    {
        ++debugLines;
        quint32 v = 0;
        if (parse32(text, operandBase(), &v)) {
            numValue = v;
            num = text;
            err.clear();
        } else {
            num = render(numValue, operandBase());
            err = range_error_text;
            ++operandRejections;
        }
    }

    // Returns false when the calculation is refused with a warning box.
    bool calculate()
    {
        quint32 b = 0;
        if (!parse32(num, operandBase(), &b))
            qFatal("operand field holds a number beyond 32 bits: %s", qPrintable(num));
        const quint64 a = value;
        quint64 result = 0;
        switch (opId) {
        case 0:
            result = a + b;
            break;
        case 1:
            result = b > a ? kMax + 1 : a - b;
            break;
        case 2:
            result = a & b;
            break;
        default:
            result = a | b;
            break;
        }
        if (result > kMax) {
            ++boxes;
            return false;
        }
        value = quint32(result);
        renderFields();
        restyleAll();
        return true;
    }

    void toggle(int bit)
    {
        value ^= 1u << bit;
        err.clear();
        restyle(bit);
        renderFields();
    }

    void shift(bool left, bool byCount)
    {
        value = byCount ? shifted(value, count, left) : shifted(value, QStringLiteral("1"), left);
        renderFields();
        restyleAll();
    }

    void clearAll()
    {
        value = 0;
        err.clear();
        restyleAll();
        dec = hex = oct = num = count = QString();
    }
};

QRect radioHitRect(QRadioButton *radio)
{
    QStyleOptionButton option;
    option.initFrom(radio);
    return radio->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, radio);
}

} // namespace

class TestRandomSession : public QObject, private CalculatorWidgets
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void session();

private:
    QString nextAction();
    QString mismatch() const;

    int pick(int bound) { return int(rng.bounded(quint32(bound))); }
    bool chance(int percent) { return pick(100) < percent; }
    QString randomNumber(int base, bool operand);
    QString randomCount();
    QLineEdit *valueField(int which, int *base);

    void typeInto(QLineEdit *field, const QString &keys, int base, bool spaces, bool operand);
    void pasteInto(QLineEdit *field, const QString &text, int base, bool spaces, bool operand);
    void calculateBy(const std::function<void()> &trigger, bool calculates);

    QRandomGenerator rng;
    Dialog *dialog = nullptr;
    MessageBoxCatcher *catcher = nullptr;
    Model model;

    QPushButton *shiftButtons[4] = {};
    QRadioButton *baseRadios[4] = {};
    QRadioButton *opRadios[4] = {};
};

void TestRandomSession::initTestCase() { debug_lines::install(); }

void TestRandomSession::cleanupTestCase() { debug_lines::uninstall(); }

QLineEdit *TestRandomSession::valueField(int which, int *base)
{
    static const int bases[] = {10, 16, 8};
    *base = bases[which];
    return which == 0 ? dec : which == 1 ? hex : oct;
}

// Mostly short numbers, some long ones (often padded with zeros, so that
// long texts are not always out of range) and now and then a character the
// field refuses.
QString TestRandomSession::randomNumber(int base, bool operand)
{
    int length;
    const int r = pick(100);
    if (r < 45)
        length = 1 + pick(4);
    else if (r < 85)
        length = 5 + pick(8);
    else
        length = 13 + pick(20);
    QString text;
    for (int i = 0; i < length; ++i) {
        QChar c = QLatin1Char(kDigits[pick(base)]);
        if (base == 16 && chance(40))
            c = c.toUpper();
        text += c;
    }
    if (length > 8 && chance(50)) {
        const int keep = 1 + pick(8);
        text = QString(length - keep, QLatin1Char('0')) + text.right(keep);
    }
    if (operand && chance(25))
        text.insert(pick(text.size() + 1), QLatin1Char(' '));
    if (chance(6))
        text.insert(pick(text.size() + 1), QLatin1Char("g9- x+"[pick(6)]));
    return text;
}

QString TestRandomSession::randomCount()
{
    static const char *const samples[] = {"",
                                          "abc",
                                          "-1",
                                          "-0",
                                          "+3",
                                          " 7 ",
                                          "32",
                                          "33",
                                          "35",
                                          "-32",
                                          "1 2",
                                          "3x",
                                          "+",
                                          "-",
                                          "99999999999999999999",
                                          "4294967296",
                                          "-99999999999999999999",
                                          " +31",
                                          "0",
                                          "031"};
    if (chance(40))
        return QString::fromLatin1(samples[pick(int(sizeof samples / sizeof *samples))]);
    return QString::number(pick(40));
}

// Key by key, as the validator lets each one through.
void TestRandomSession::typeInto(QLineEdit *field, const QString &keys, int base, bool spaces,
                                 bool operand)
{
    for (QChar key : keys) {
        const QString candidate = field->text() + key;
        QTest::keyClick(field, key.toLatin1());
        if (!fieldAccepts(candidate, base, spaces))
            continue;
        if (operand)
            model.operandEdit(candidate);
        else
            model.valueEdit(base, candidate);
    }
}

void TestRandomSession::pasteInto(QLineEdit *field, const QString &text, int base, bool spaces,
                                  bool operand)
{
    field->selectAll();
    field->insert(text);
    if (!fieldAccepts(text, base, spaces)) {
        // A refused paste leaves the old text selected; the user moves the
        // cursor back to the end before going on.
        QTest::keyClick(field, Qt::Key_End);
        return;
    }
    if (operand)
        model.operandEdit(text);
    else
        model.valueEdit(base, text);
}

void TestRandomSession::calculateBy(const std::function<void()> &trigger, bool calculates)
{
    if (calculates)
        model.calculate();
    trigger();
    if (QApplication::activeWindow() != dialog)
        QApplication::setActiveWindow(dialog);
}

QString TestRandomSession::nextAction()
{
    const int r = pick(1000);
    if (r < 150) {
        const int bit = pick(32);
        QTest::mouseClick(bits[bit], Qt::LeftButton);
        model.toggle(bit);
        return QStringLiteral("click register_%1").arg(bit);
    }
    if (r < 390) {
        int base = 0;
        const int which = pick(3);
        QLineEdit *field = valueField(which, &base);
        const int kind = pick(100);
        if (kind < 40) {
            QString keys = randomNumber(base, false).left(1 + pick(6));
            typeInto(field, keys, base, false, false);
            return QStringLiteral("type '%1' into %2").arg(keys, field->objectName());
        }
        if (kind < 55) {
            const int presses = 1 + pick(3);
            for (int i = 0; i < presses; ++i) {
                QTest::keyClick(field, Qt::Key_Backspace);
                QString &text = model.fieldText(base);
                if (!text.isEmpty())
                    model.valueEdit(base, text.left(text.size() - 1));
            }
            return QStringLiteral("%1 x backspace in %2").arg(presses).arg(field->objectName());
        }
        if (kind < 62) {
            field->selectAll();
            QTest::keyClick(field, Qt::Key_Delete);
            if (!model.fieldText(base).isEmpty())
                model.valueEdit(base, QString());
            return QStringLiteral("select all, delete in %1").arg(field->objectName());
        }
        if (kind < 92) {
            const QString text = randomNumber(base, false);
            pasteInto(field, text, base, false, false);
            return QStringLiteral("paste '%1' over %2").arg(text, field->objectName());
        }
        QTest::mouseClick(field, Qt::LeftButton);
        return QStringLiteral("mouse press on %1").arg(field->objectName());
    }
    if (r < 430) {
        const int id = pick(4);
        QTest::mouseClick(baseRadios[id], Qt::LeftButton, Qt::NoModifier,
                          radioHitRect(baseRadios[id]).center());
        model.baseId = id;
        model.operandSpaces = true;
        model.num.clear();
        return QStringLiteral("click %1").arg(baseRadios[id]->objectName());
    }
    if (r < 480) {
        const int id = pick(4);
        QTest::mouseClick(opRadios[id], Qt::LeftButton, Qt::NoModifier,
                          radioHitRect(opRadios[id]).center());
        model.opId = id;
        return QStringLiteral("click %1").arg(opRadios[id]->objectName());
    }
    if (r < 690) {
        const int base = model.operandBase();
        const int kind = pick(100);
        if (kind < 45) {
            const QString keys = randomNumber(base, true).left(1 + pick(7));
            typeInto(num, keys, base, model.operandSpaces, true);
            return QStringLiteral("type '%1' into lineEdit_num").arg(keys);
        }
        if (kind < 60) {
            QTest::keyClick(num, Qt::Key_Backspace);
            if (!model.num.isEmpty())
                model.operandEdit(model.num.left(model.num.size() - 1));
            return QStringLiteral("backspace in lineEdit_num");
        }
        if (kind < 68) {
            num->selectAll();
            QTest::keyClick(num, Qt::Key_Delete);
            if (!model.num.isEmpty())
                model.operandEdit(QString());
            return QStringLiteral("select all, delete in lineEdit_num");
        }
        QString text = randomNumber(base, true);
        // Complete 32-character entries are the ones that emit returnPressed.
        if (chance(30) && text.size() < 32)
            text =
                QString(32 - text.size(), chance(50) ? QLatin1Char('0') : QLatin1Char(' ')) + text;
        pasteInto(num, text, base, model.operandSpaces, true);
        return QStringLiteral("paste '%1' over lineEdit_num").arg(text);
    }
    if (r < 770) {
        calculateBy([this] { QTest::mouseClick(calc, Qt::LeftButton); }, true);
        return QStringLiteral("click pushButton_calculate");
    }
    if (r < 860) {
        // Enter in a field: the operand field mostly, now and then a value
        // field. Whether it calculates depends on the default button, which
        // the toolkit's focus rules also move, so it is read just before.
        QLineEdit *field = num;
        if (chance(20)) {
            int base = 0;
            field = valueField(pick(3), &base);
        }
        field->setFocus(Qt::OtherFocusReason);
        const bool calcDefault = calc->isDefault();
        for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
            if (button != calc && button->isDefault())
                return QStringLiteral("FAIL: %1 is the default button").arg(button->objectName());
        }
        // A complete hexadecimal entry takes the default away before the
        // dialog sees the key.
        const bool completeHex = field == hex && model.hex.size() == 32;
        if (calcDefault && !completeHex)
            ++model.entersCalculating;
        else
            ++model.entersIgnored;
        if (field == num && model.num.size() == 32)
            ++model.entersWithCompleteOperand;
        calculateBy([field] { QTest::keyClick(field, Qt::Key_Return); },
                    calcDefault && !completeHex);
        return QStringLiteral("Enter in %1 (calculate %2default, operand '%3')")
            .arg(field->objectName(), calcDefault ? QString() : QStringLiteral("not "), model.num);
    }
    if (r < 910) {
        const int which = pick(2);
        QTest::mouseClick(shiftButtons[which], Qt::LeftButton);
        model.shift(which == 0, false);
        return QStringLiteral("click %1").arg(shiftButtons[which]->objectName());
    }
    if (r < 975) {
        const QString text = randomCount();
        if (text.isEmpty()) {
            count->selectAll();
            QTest::keyClick(count, Qt::Key_Delete);
        } else {
            count->selectAll();
            count->insert(text);
        }
        model.count = text;
        const int which = 2 + pick(2);
        QTest::mouseClick(shiftButtons[which], Qt::LeftButton);
        model.shift(which == 2, true);
        return QStringLiteral("count '%1', click %2").arg(text, shiftButtons[which]->objectName());
    }
    QTest::mouseClick(clear, Qt::LeftButton);
    model.clearAll();
    return QStringLiteral("click pushButton_clear");
}

// Every view against the model; empty when they all agree.
QString TestRandomSession::mismatch() const
{
    auto differs = [](const char *what, const QString &actual, const QString &expected) {
        return QStringLiteral("%1: actual '%2', expected '%3'")
            .arg(QLatin1String(what), actual, expected);
    };
    if (dec->text() != model.dec)
        return differs("lineEdit_dec", dec->text(), model.dec);
    if (hex->text() != model.hex)
        return differs("lineEdit_hex", hex->text(), model.hex);
    if (oct->text() != model.oct)
        return differs("lineEdit_oct", oct->text(), model.oct);
    if (bin->text() != grouped_binary_text(model.value))
        return differs("label_bin", bin->text(), grouped_binary_text(model.value));
    for (int i = 0; i < 32; ++i) {
        if (bits[i]->text() != model.caption[i])
            return differs(qPrintable(bits[i]->objectName() + QStringLiteral(" caption")),
                           bits[i]->text(), model.caption[i]);
        if (bits[i]->styleSheet() != model.style[i])
            return differs(qPrintable(bits[i]->objectName() + QStringLiteral(" style")),
                           bits[i]->styleSheet(), model.style[i]);
    }
    if (num->text() != model.num)
        return differs("lineEdit_num", num->text(), model.num);
    if (err->text() != model.err)
        return differs("label_err", err->text(), model.err);
    if (count->text() != model.count)
        return differs("lineEdit_bit_move", count->text(), model.count);
    if (!baseRadios[model.baseId]->isChecked())
        return differs("base", QString(), baseRadios[model.baseId]->objectName());
    if (!opRadios[model.opId]->isChecked())
        return differs("operation", QString(), opRadios[model.opId]->objectName());
    if (debug_lines::captured.size() != model.debugLines)
        return differs("debug lines", QString::number(debug_lines::captured.size()),
                       QString::number(model.debugLines));
    if (catcher->boxes.size() != model.boxes)
        return differs("warning boxes", QString::number(catcher->boxes.size()),
                       QString::number(model.boxes));
    for (const MessageBoxCatcher::Box &box : catcher->boxes) {
        if (box.title != QString::fromUtf8("警告") ||
            box.text != QString::fromUtf8("计算结果超出范围") || box.parent != dialog ||
            box.buttons != QMessageBox::StandardButtons(QMessageBox::Ok))
            return differs("warning box", box.title + QLatin1Char('/') + box.text, QString());
    }
    return QString();
}

void TestRandomSession::session()
{
    bool seedOk = false;
    quint32 seed = qEnvironmentVariable("TARNWICK_SEED").toUInt(&seedOk);
    if (!seedOk)
        seed = kDefaultSeed;
    bool stepsOk = false;
    int steps = qEnvironmentVariableIntValue("TARNWICK_STEPS", &stepsOk);
    if (!stepsOk || steps <= 0)
        steps = kDefaultSteps;
    qInfo("seed %u, %d steps", seed, steps);
    rng.seed(seed);

    Dialog window;
    dialog = &window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QApplication::setActiveWindow(&window);

    find_widgets(&window);
    const char *shiftNames[] = {"pushButton_bit_ml", "pushButton_bit_mr", "pushButton_bit_mL",
                                "pushButton_bit_mR"};
    for (int i = 0; i < 4; ++i)
        shiftButtons[i] = child<QPushButton>(&window, shiftNames[i]);
    const char *baseNames[] = {"radioButton_bin", "radioButton_oct", "radioButton_dec",
                               "radioButton_hex"};
    const char *opNames[] = {"radioButton_add", "radioButton_sub", "radioButton_and",
                             "radioButton_or"};
    for (int i = 0; i < 4; ++i) {
        baseRadios[i] = child<QRadioButton>(&window, baseNames[i]);
        opRadios[i] = child<QRadioButton>(&window, opNames[i]);
    }

    model.debugLines = 0;
    debug_lines::captured.clear();
    MessageBoxCatcher boxes;
    catcher = &boxes;

    QStringList history;
    QString problem = mismatch();
    int step = 0;
    for (; step < steps && problem.isEmpty(); ++step) {
        const QString action = nextAction();
        history.append(action);
        if (history.size() > 10)
            history.removeFirst();
        problem = action.startsWith(QLatin1String("FAIL: ")) ? action.mid(6) : mismatch();
    }
    if (!problem.isEmpty()) {
        QFAIL(qPrintable(QStringLiteral("seed %1, step %2: %3\nlast actions:\n  %4")
                             .arg(seed)
                             .arg(step)
                             .arg(problem, history.join(QStringLiteral("\n  ")))));
    }
    QCOMPARE(err->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::red));
    qInfo("%d warning boxes, %d operand edits, %d value and %d operand rejections, "
          "Enter: %d calculated, %d ignored, %d with a complete operand",
          model.boxes, model.debugLines, model.valueRejections, model.operandRejections,
          model.entersCalculating, model.entersIgnored, model.entersWithCompleteOperand);
    dialog = nullptr;
    catcher = nullptr;
}

QTEST_MAIN(TestRandomSession)
#include "tst_random_session.moc"
