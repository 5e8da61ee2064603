// The contact window and the main window's utility controls: stay on top,
// clear all, the calculator button and the contact button.

#include "connect_developer.h"
#include "dialog.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include <memory>

namespace {

const QString kGroupedZero = QStringLiteral("0000 0000 0000 0000 0000 0000 0000 0000");

// Every contact window currently open or hidden but not yet deleted.
QList<connect_developer *> contactWindows()
{
    QList<connect_developer *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *contact = qobject_cast<connect_developer *>(w))
            found.append(contact);
    }
    return found;
}

// Puts an environment variable back as it was when the guard was made, also
// when a check fails half-way.
class EnvGuard
{
public:
    explicit EnvGuard(const char *name)
        : name(name), wasSet(qEnvironmentVariableIsSet(name)), value(qgetenv(name))
    {
    }
    ~EnvGuard()
    {
        if (wasSet)
            qputenv(name, value);
        else
            qunsetenv(name);
    }

private:
    const char *name;
    bool wasSet;
    QByteArray value;
};

QList<QByteArray> linesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

int lineCount(const QString &path) { return linesOf(path).size(); }

bool writeScript(const QString &path, const QByteArray &body)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(body);
    file.close();
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                               QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                               QFileDevice::ExeGroup | QFileDevice::ReadOther |
                               QFileDevice::ExeOther);
}

// Largest difference of any colour or alpha channel over two same-sized
// images; -1 when the sizes differ.
int maxChannelDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const QRgb *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            worst = qMax(worst, qAbs(qRed(p[col]) - qRed(q[col])));
            worst = qMax(worst, qAbs(qGreen(p[col]) - qGreen(q[col])));
            worst = qMax(worst, qAbs(qBlue(p[col]) - qBlue(q[col])));
            worst = qMax(worst, qAbs(qAlpha(p[col]) - qAlpha(q[col])));
        }
    }
    return worst;
}

} // namespace

class TestUtilities : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void contactWindow();
    void contactWidgets_data();
    void contactWidgets();
    void contactButtonBox();
    void contactPictures_data();
    void contactPictures();
    void contactNote();
    void contactClosesAndIsFreed_data();
    void contactClosesAndIsFreed();
    void contactButtonOpensOneWindowPerClick();

    void clearAll_data();
    void clearAll();
    void clearKeepsOperandSettings_data();
    void clearKeepsOperandSettings();
    void clearKeepsAcceptedOperand_data();
    void clearKeepsAcceptedOperand();

    void stayOnTop_data();
    void stayOnTop();

    void calculatorStartsOnEachClick();
    void calculatorFailureWarns_data();
    void calculatorFailureWarns();

private:
    connect_developer *openContactFromMainWindow();
    void expectCleared();
    void pasteInto(QLineEdit *field, const QString &text);

    std::unique_ptr<Dialog> dialog;
};

void TestUtilities::init()
{
    dialog = std::make_unique<Dialog>();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
}

void TestUtilities::cleanup()
{
    qDeleteAll(contactWindows());
    dialog.reset();
}

connect_developer *TestUtilities::openContactFromMainWindow()
{
    const QList<connect_developer *> before = contactWindows();
    QTest::mouseClick(child<QPushButton>(dialog.get(), "pushButton_connect_developer"),
                      Qt::LeftButton);
    for (connect_developer *contact : contactWindows()) {
        if (!before.contains(contact))
            return contact;
    }
    return nullptr;
}

void TestUtilities::contactWindow()
{
    connect_developer contact;
    QCOMPARE(contact.metaObject()->className(), "connect_developer");
    QCOMPARE(contact.metaObject()->superClass(), &QDialog::staticMetaObject);
    QCOMPARE(contact.objectName(), QStringLiteral("connect_developer"));
    QCOMPARE(contact.windowTitle(), QString::fromUtf8("关于"));
    QCOMPARE(contact.size(), QSize(615, 450));
    QCOMPARE(contact.minimumSize(), QSize(615, 450));
    QCOMPARE(contact.maximumSize(), QSize(615, 450));

    QStringList names;
    for (QWidget *w : contact.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        names.append(w->objectName());
    QCOMPARE(names, QStringList({"buttonBox", "label", "label_2", "label_3", "label_4"}));
}

void TestUtilities::contactWidgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");

    QTest::newRow("buttonBox") << "buttonBox"
                               << "QDialogButtonBox" << QRect(370, 410, 211, 32);
    QTest::newRow("label") << "label"
                           << "QLabel" << QRect(380, 200, 181, 191);
    QTest::newRow("label_2") << "label_2"
                             << "QLabel" << QRect(200, 190, 161, 231);
    QTest::newRow("label_3") << "label_3"
                             << "QLabel" << QRect(20, 190, 161, 231);
    QTest::newRow("label_4") << "label_4"
                             << "QLabel" << QRect(20, 20, 571, 141);
}

void TestUtilities::contactWidgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);

    connect_developer contact;
    contact.show();
    QVERIFY(QTest::qWaitForWindowExposed(&contact));

    auto *w = contact.findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    QCOMPARE(w->geometry(), geometry);
    QCOMPARE(w->parentWidget(), static_cast<QWidget *>(&contact));
    QVERIFY(w->isVisible());
}

void TestUtilities::contactButtonBox()
{
    connect_developer contact;
    auto *box = child<QDialogButtonBox>(&contact, "buttonBox");
    QCOMPARE(box->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(box->orientation(), Qt::Horizontal);
    QCOMPARE(box->buttons().size(), 2);
}

void TestUtilities::contactPictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QSize>("labelSize");

    QTest::newRow("label") << "label"
                           << ":/image/20200420212546.jpg" << QSize(181, 191);
    QTest::newRow("label_2") << "label_2"
                             << ":/image/20200420212601.png" << QSize(161, 231);
    QTest::newRow("label_3") << "label_3"
                             << ":/image/20200420212624.jpg" << QSize(161, 231);
}

void TestUtilities::contactPictures()
{
    QFETCH(QString, name);
    QFETCH(QString, resource);
    QFETCH(QSize, labelSize);

    connect_developer contact;
    contact.show();
    QVERIFY(QTest::qWaitForWindowExposed(&contact));

    auto *label = contact.findChild<QLabel *>(name);
    QVERIFY2(label, qPrintable(name));
    QCOMPARE(label->text(), QString());
    QVERIFY(label->hasScaledContents());
    const QPixmap pixmap = label->pixmap(Qt::ReturnByValue);
    QVERIFY(!pixmap.isNull());

    const QImage original(resource);
    QVERIFY(!original.isNull());
    // The whole picture is kept, not a pre-scaled copy.
    QCOMPARE(pixmap.size(), original.size());
    QCOMPARE(label->size(), labelSize);
    QCOMPARE(label->contentsRect(), QRect(QPoint(0, 0), labelSize));

    // Drawn without any background, the label must show exactly the picture
    // stretched to its own size: nothing left uncovered, nothing cropped.
    QImage shown(labelSize, QImage::Format_ARGB32_Premultiplied);
    shown.fill(Qt::transparent);
    label->render(&shown, QPoint(), QRegion(), QWidget::DrawChildren);
    const QImage expected =
        original.scaled(labelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const int difference = maxChannelDifference(shown, expected);
    QVERIFY2(difference >= 0 && difference <= 2,
             qPrintable(QStringLiteral("largest channel difference %1").arg(difference)));
}

void TestUtilities::contactNote()
{
    const QString span = QStringLiteral(
        "<p><span style=\" font-family:'Microsoft YaHei'; font-size:medium; color:#000000;\">");
    const QString end = QStringLiteral("</span></p>");
    const QString expected =
        QStringLiteral("<html><head/><body>") + span +
        QString::fromUtf8(
            "        感谢您使用Tarnwick！本软件是本人业余编写的一个免费的寄存器计算工具软件，") +
        end + span +
        QString::fromUtf8(
            "如果你发现软件有bug，或者有什么大众化的需求，可以通过下面微信二维码联系我，") +
        end + span +
        QString::fromUtf8(
            "我收到后会认真分析。如果您觉得本软件对您有帮助，您也可以考虑通过以下方式对") +
        end + span + QString::fromUtf8("开发者进行捐赠和支持。谢谢！") + end +
        QStringLiteral("</body></html>");

    connect_developer contact;
    auto *note = child<QLabel>(&contact, "label_4");
    QCOMPARE(note->text(), expected);
    QCOMPARE(note->textFormat(), Qt::AutoText);
    QVERIFY(note->hasScaledContents());
    QVERIFY(!note->wordWrap());
    QVERIFY(note->pixmap(Qt::ReturnByValue).isNull());
}

void TestUtilities::contactClosesAndIsFreed_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");

    QTest::newRow("OK") << "ok" << int(QDialog::Accepted);
    QTest::newRow("Cancel") << "cancel" << int(QDialog::Rejected);
    QTest::newRow("Escape") << "escape" << int(QDialog::Rejected);
    QTest::newRow("close box") << "close" << int(QDialog::Rejected);
}

void TestUtilities::contactClosesAndIsFreed()
{
    QFETCH(QString, how);
    QFETCH(int, result);

    // Something in the main window that the contact window must leave alone.
    QTest::mouseClick(child<QPushButton>(dialog.get(), "register_4"), Qt::LeftButton);
    QCOMPARE(child<QLineEdit>(dialog.get(), "lineEdit_dec")->text(), QStringLiteral("16"));

    QPointer<connect_developer> contact = openContactFromMainWindow();
    QVERIFY(contact);
    QVERIFY(QTest::qWaitForWindowExposed(contact.data()));
    QSignalSpy finished(contact.data(), &QDialog::finished);
    QSignalSpy destroyed(contact.data(), &QObject::destroyed);

    auto *box = child<QDialogButtonBox>(contact.data(), "buttonBox");
    if (how == QLatin1String("ok")) {
        QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
    } else if (how == QLatin1String("cancel")) {
        QTest::mouseClick(box->button(QDialogButtonBox::Cancel), Qt::LeftButton);
    } else if (how == QLatin1String("escape")) {
        QTest::keyClick(contact.data(), Qt::Key_Escape);
    } else {
        // What the window manager's close box delivers: a close event.
        QVERIFY(contact->close());
    }

    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), result);
    QVERIFY(contact);
    QVERIFY(!contact->isVisible());

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(contact.isNull());
    QCOMPARE(destroyed.count(), 1);
    QCOMPARE(contactWindows().size(), 0);

    QVERIFY(dialog->isVisible());
    QCOMPARE(child<QLineEdit>(dialog.get(), "lineEdit_dec")->text(), QStringLiteral("16"));
}

void TestUtilities::contactButtonOpensOneWindowPerClick()
{
    connect_developer *first = openContactFromMainWindow();
    QVERIFY(first);
    connect_developer *second = openContactFromMainWindow();
    QVERIFY(second);
    QVERIFY(first != second);
    QCOMPARE(contactWindows().size(), 2);

    for (connect_developer *contact : {first, second}) {
        QVERIFY(contact->isVisible());
        QVERIFY(contact->isWindow());
        QCOMPARE(contact->parentWidget(), static_cast<QWidget *>(nullptr));
        QCOMPARE(contact->parent(), static_cast<QObject *>(nullptr));
        QVERIFY(!contact->isModal());
        QCOMPARE(contact->windowModality(), Qt::NonModal);
        QCOMPARE(contact->windowTitle(), QString::fromUtf8("关于"));
    }
    // Neither blocks the main window.
    QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget *>(nullptr));
    QVERIFY(dialog->isVisible());
}

// Different ways of leaving the window dirty before clear all, each followed
// by a bit click (which rebuilds the value from the bit flags) or by a
// calculation (which starts from the register value itself).
void TestUtilities::clearAll_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("errorShown");
    QTest::addColumn<bool>("bitClick");

    const struct
    {
        const char *row;
        const char *setup;
        bool errorShown;
    } setups[] = {
        {"bits clicked", "bits", false},
        {"decimal entry too large", "decimal error", true},
        {"operand too large", "operand error", true},
        {"shifted by a count", "shift", false},
    };
    for (const auto &s : setups) {
        QTest::addRow("%s, then a bit click", s.row) << s.setup << s.errorShown << true;
        QTest::addRow("%s, then calculate", s.row) << s.setup << s.errorShown << false;
    }
}

void TestUtilities::clearAll()
{
    QFETCH(QString, setup);
    QFETCH(bool, errorShown);
    QFETCH(bool, bitClick);

    Dialog *d = dialog.get();
    auto *dec = child<QLineEdit>(d, "lineEdit_dec");
    auto *hex = child<QLineEdit>(d, "lineEdit_hex");
    auto *num = child<QLineEdit>(d, "lineEdit_num");
    auto *count = child<QLineEdit>(d, "lineEdit_bit_move");
    auto *err = child<QLabel>(d, "label_err");

    if (setup == QLatin1String("bits")) {
        QTest::mouseClick(child<QPushButton>(d, "register_31"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(d, "register_5"), Qt::LeftButton);
        QTest::keyClicks(num, QStringLiteral("12"));
        QTest::keyClicks(count, QStringLiteral("7"));
        QCOMPARE(dec->text(), QStringLiteral("2147483680"));
    } else if (setup == QLatin1String("decimal error")) {
        QTest::keyClicks(num, QStringLiteral("5"));
        QTest::keyClicks(count, QStringLiteral("3"));
        QTest::keyClicks(hex, QStringLiteral("fffffffff"));
        QCOMPARE(dec->text(), QStringLiteral("4294967295"));
    } else if (setup == QLatin1String("operand error")) {
        QTest::keyClicks(hex, QStringLiteral("ff"));
        QTest::keyClicks(count, QStringLiteral("2"));
        QTest::keyClicks(num, QStringLiteral("42949672950"));
        QCOMPARE(dec->text(), QStringLiteral("255"));
        QCOMPARE(num->text(), QStringLiteral("4294967295"));
    } else {
        QTest::mouseClick(child<QPushButton>(d, "register_0"), Qt::LeftButton);
        QTest::keyClicks(count, QStringLiteral("4"));
        QTest::mouseClick(child<QPushButton>(d, "pushButton_bit_mL"), Qt::LeftButton);
        QTest::keyClicks(num, QStringLiteral("9"));
        QCOMPARE(dec->text(), QStringLiteral("16"));
    }
    // The window really is dirty before the clear.
    QVERIFY(!num->text().isEmpty());
    QVERIFY(!count->text().isEmpty());
    QVERIFY(child<QLabel>(d, "label_bin")->text() != kGroupedZero);
    QCOMPARE(!err->text().isEmpty(), errorShown);

    QTest::mouseClick(child<QPushButton>(d, "pushButton_clear"), Qt::LeftButton);
    expectCleared();
    if (QTest::currentTestFailed())
        return;

    if (!bitClick) {
        // The register itself is 0: adding the (now empty) operand redraws it.
        QTest::mouseClick(child<QPushButton>(d, "pushButton_calculate"), Qt::LeftButton);
        QCOMPARE(dec->text(), QStringLiteral("0"));
        QCOMPARE(hex->text(), QStringLiteral("0"));
        QCOMPARE(child<QLineEdit>(d, "lineEdit_oct")->text(), QStringLiteral("0"));
        QCOMPARE(child<QLabel>(d, "label_bin")->text(), kGroupedZero);
        return;
    }

    // The bit flags are clear too: one bit click shows just that bit, and
    // fills the value fields again.
    QTest::mouseClick(child<QPushButton>(d, "register_3"), Qt::LeftButton);
    QCOMPARE(dec->text(), QStringLiteral("8"));
    QCOMPARE(hex->text(), QStringLiteral("8"));
    QCOMPARE(child<QLineEdit>(d, "lineEdit_oct")->text(), QStringLiteral("10"));
    QCOMPARE(child<QLabel>(d, "label_bin")->text(),
             QStringLiteral("0000 0000 0000 0000 0000 0000 0000 1000"));
    for (int i = 0; i < 32; ++i) {
        auto *button = child<QPushButton>(d, qPrintable(QStringLiteral("register_%1").arg(i)));
        QCOMPARE(button->text(), i == 3 ? QStringLiteral("1") : QStringLiteral("0"));
    }
}

void TestUtilities::expectCleared()
{
    Dialog *d = dialog.get();
    for (int i = 0; i < 32; ++i) {
        auto *button = child<QPushButton>(d, qPrintable(QStringLiteral("register_%1").arg(i)));
        QCOMPARE(button->text(), QStringLiteral("0"));
        QCOMPARE(button->styleSheet(), QStringLiteral("Default"));
    }
    QCOMPARE(child<QLabel>(d, "label_bin")->text(), kGroupedZero);
    for (const char *name :
         {"lineEdit_oct", "lineEdit_dec", "lineEdit_hex", "lineEdit_num", "lineEdit_bit_move"}) {
        QVERIFY2(child<QLineEdit>(d, name)->text().isEmpty(), name);
    }
    QCOMPARE(child<QLabel>(d, "label_err")->text(), QString());
}

void TestUtilities::pasteInto(QLineEdit *field, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    QCOMPARE(QGuiApplication::clipboard()->text(), text);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
}

void TestUtilities::clearKeepsOperandSettings_data()
{
    QTest::addColumn<QString>("baseButton");
    QTest::addColumn<QString>("operationButton");
    QTest::addColumn<QString>("inBase");
    QTest::addColumn<QString>("outsideBase");

    QTest::newRow("binary, subtract") << "radioButton_bin"
                                      << "radioButton_sub"
                                      << "1"
                                      << "2";
    QTest::newRow("octal, AND") << "radioButton_oct"
                                << "radioButton_and"
                                << "7"
                                << "8";
    QTest::newRow("decimal, OR") << "radioButton_dec"
                                 << "radioButton_or"
                                 << "9"
                                 << "a";
    QTest::newRow("hexadecimal, add") << "radioButton_hex"
                                      << "radioButton_add"
                                      << "F"
                                      << "g";
}

void TestUtilities::clearKeepsOperandSettings()
{
    QFETCH(QString, baseButton);
    QFETCH(QString, operationButton);
    QFETCH(QString, inBase);
    QFETCH(QString, outsideBase);

    Dialog *d = dialog.get();
    auto *num = child<QLineEdit>(d, "lineEdit_num");
    const QStringList bases = {"radioButton_bin", "radioButton_oct", "radioButton_dec",
                               "radioButton_hex"};
    const QStringList operations = {"radioButton_add", "radioButton_sub", "radioButton_and",
                                    "radioButton_or"};

    QTest::mouseClick(child<QRadioButton>(d, qPrintable(baseButton)), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>(d, qPrintable(operationButton)), Qt::LeftButton);
    QTest::keyClicks(num, inBase);
    QCOMPARE(num->text(), inBase);

    QTest::mouseClick(child<QPushButton>(d, "pushButton_clear"), Qt::LeftButton);
    QCOMPARE(num->text(), QString());

    for (const QString &name : bases)
        QCOMPARE(child<QRadioButton>(d, qPrintable(name))->isChecked(), name == baseButton);
    for (const QString &name : operations)
        QCOMPARE(child<QRadioButton>(d, qPrintable(name))->isChecked(), name == operationButton);

    // The validator of the selected base is still the one in force.
    QTest::keyClicks(num, inBase);
    QCOMPARE(num->text(), inBase);
    QTest::keyClicks(num, outsideBase);
    QCOMPARE(num->text(), inBase);
    QTest::keyClick(num, Qt::Key_Space);
    QCOMPARE(num->text(), inBase + QLatin1Char(' '));
}

void TestUtilities::clearKeepsAcceptedOperand_data()
{
    QTest::addColumn<QString>("baseButton");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("tooLarge");
    QTest::addColumn<QString>("restored");

    QTest::newRow("octal") << "radioButton_oct"
                           << "17"
                           << "77777777777"
                           << "17";
    QTest::newRow("decimal") << "radioButton_dec"
                             << "4294967295"
                             << "42949672950"
                             << "4294967295";
    QTest::newRow("hexadecimal") << "radioButton_hex"
                                 << "ABCDEF"
                                 << "123456789"
                                 << "abcdef";
}

void TestUtilities::clearKeepsAcceptedOperand()
{
    QFETCH(QString, baseButton);
    QFETCH(QString, typed);
    QFETCH(QString, tooLarge);
    QFETCH(QString, restored);

    Dialog *d = dialog.get();
    auto *num = child<QLineEdit>(d, "lineEdit_num");
    auto *err = child<QLabel>(d, "label_err");

    QTest::mouseClick(child<QRadioButton>(d, qPrintable(baseButton)), Qt::LeftButton);
    QTest::keyClicks(num, typed);
    QCOMPARE(num->text(), typed);
    QCOMPARE(err->text(), QString());

    QTest::mouseClick(child<QPushButton>(d, "pushButton_clear"), Qt::LeftButton);
    QCOMPARE(num->text(), QString());

    // One edit that does not fit: the field falls back to the operand that
    // was accepted before the clear, written in the current base.
    pasteInto(num, tooLarge);
    QCOMPARE(num->text(), restored);
    QCOMPARE(err->text(), QString::fromUtf8("Error：输入超出范围!"));
}

void TestUtilities::stayOnTop_data()
{
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("stateBeforeLastClick");
    QTest::addColumn<bool>("onTop");

    QTest::newRow("checked") << 1 << int(Qt::WindowNoState) << true;
    QTest::newRow("unchecked") << 2 << int(Qt::WindowNoState) << false;
    QTest::newRow("checked while minimised") << 1 << int(Qt::WindowMinimized) << true;
    QTest::newRow("unchecked while minimised") << 2 << int(Qt::WindowMinimized) << false;
    QTest::newRow("checked again") << 3 << int(Qt::WindowNoState) << true;
}

void TestUtilities::stayOnTop()
{
    QFETCH(int, clicks);
    QFETCH(int, stateBeforeLastClick);
    QFETCH(bool, onTop);

    Dialog *d = dialog.get();
    auto *box = child<QCheckBox>(d, "checkBox");
    QVERIFY(!box->isChecked());

    for (int i = 0; i < clicks; ++i) {
        if (i == clicks - 1) {
            d->setWindowState(Qt::WindowStates(QFlag(stateBeforeLastClick)));
            QCOMPARE(int(d->windowState()), stateBeforeLastClick);
        }
        QTest::mouseClick(box, Qt::LeftButton);
    }
    QCOMPARE(box->isChecked(), onTop);

    const Qt::WindowFlags flags = d->windowFlags();
    QCOMPARE(flags.testFlag(Qt::WindowStaysOnTopHint), onTop);
    QVERIFY(!flags.testFlag(Qt::WindowStaysOnBottomHint));
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
    QVERIFY(d->isWindow());

    QVERIFY(d->isVisible());
    QVERIFY(!d->isMinimized());
    QVERIFY(!d->isMaximized());
    QCOMPARE(int(d->windowState()), int(Qt::WindowNoState));
    QVERIFY(QTest::qWaitForWindowExposed(d));
    // The platform window carries the same hint.
    QVERIFY(d->windowHandle());
    QCOMPARE(d->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), onTop);
    QVERIFY(!d->windowHandle()->flags().testFlag(Qt::WindowStaysOnBottomHint));
}

void TestUtilities::calculatorStartsOnEachClick()
{
#ifdef Q_OS_WIN
    QSKIP("Windows starts C:\\Windows\\System32\\calc.exe, not a calculator from PATH; "
          "the Windows end-to-end test puts a stand-in there");
#endif
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    const QString marker = bin.filePath(QStringLiteral("started"));
    QVERIFY(writeScript(bin.filePath(QStringLiteral("gnome-calculator")),
                        "#!/bin/sh\necho \"$PPID\" >> \"$TARNWICK_TEST_MARKER\"\n"));

    EnvGuard pathGuard("PATH");
    EnvGuard markerGuard("TARNWICK_TEST_MARKER");
    qputenv("TARNWICK_TEST_MARKER", QFile::encodeName(marker));
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + qgetenv("PATH"));

    MessageBoxCatcher catcher;
    auto *button = child<QPushButton>(dialog.get(), "pushButton_open_calculator");
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);

    QTRY_COMPARE_WITH_TIMEOUT(lineCount(marker), 2, 10000);
    QCOMPARE(catcher.boxes.size(), 0);
    // Started detached: neither calculator is a child of this process, and
    // no process object is left hanging on the window.
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    for (const QByteArray &parent : linesOf(marker))
        QVERIFY2(parent != self, parent.constData());
    QCOMPARE(dialog->findChildren<QProcess *>().size(), 0);
}

void TestUtilities::calculatorFailureWarns_data()
{
    QTest::addColumn<QString>("situation");

#ifdef Q_OS_WIN
    // Windows starts the system's calc.exe whatever PATH holds.
    QTest::newRow("no calc.exe") << "none";
    return;
#endif
    // QStandardPaths only falls back to a default search path when PATH is
    // unset; an empty PATH searches nowhere.
    QTest::newRow("empty PATH") << "empty";
    QTest::newRow("no calculator on PATH") << "none";
    QTest::newRow("calculator cannot start") << "broken";
}

void TestUtilities::calculatorFailureWarns()
{
    QFETCH(QString, situation);
#ifdef Q_OS_WIN
    if (QFile::exists(QStringLiteral("C:/Windows/System32/calc.exe")))
        QSKIP("this system has a calculator, so the button cannot fail here");
#endif

    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    const QString marker = bin.filePath(QStringLiteral("started"));
    EnvGuard pathGuard("PATH");
    EnvGuard markerGuard("TARNWICK_TEST_MARKER");
    qputenv("TARNWICK_TEST_MARKER", QFile::encodeName(marker));

    if (situation == QLatin1String("empty")) {
        qputenv("PATH", QByteArray(""));
    } else {
        if (situation == QLatin1String("broken")) {
            // Found on PATH and executable, but its interpreter is missing,
            // so the system refuses to run it.
            QVERIFY(writeScript(bin.filePath(QStringLiteral("gnome-calculator")),
                                "#!/nonexistent/interpreter\n"));
        }
        qputenv("PATH", QFile::encodeName(bin.path()));
    }

    MessageBoxCatcher catcher;
    QTest::mouseClick(child<QPushButton>(dialog.get(), "pushButton_open_calculator"),
                      Qt::LeftButton);
    QCOMPARE(catcher.boxes.size(), 1);
    const MessageBoxCatcher::Box &box = catcher.boxes.at(0);
    QCOMPARE(box.title, QString::fromUtf8("警告"));
    QCOMPARE(box.text, QString::fromUtf8("无法启动计算器程序"));
    QCOMPARE(box.parent, static_cast<QWidget *>(dialog.get()));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!QFile::exists(marker));
}

QTEST_MAIN(TestUtilities)
#include "tst_utilities.moc"
