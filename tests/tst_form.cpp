// The main window as built: start-up state, every widget of the form, the
// stacking of overlapping frames, the slot table, the renderings of a value
// typed by the user, and the clickable line edit.
#include "dialog.h"
#include "mylineedit.h"
#include "testsupport.h"
#include "ui_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>
#include <QtTest>

Q_DECLARE_METATYPE(Qt::WindowType)
Q_DECLARE_METATYPE(QMetaMethod::Access)
Q_DECLARE_METATYPE(Qt::MouseButton)

namespace {

QString utf8(const char *text) { return QString::fromUtf8(text); }

// x of the bit button at position k (0 = rightmost) of its row.
int bit_button_x(int k) { return 550 - 30 * k - 20 * (k / 4); }

QString bit_button_name(int bit) { return QStringLiteral("register_%1").arg(bit); }

QString bit_label_name(int bit)
{
    return bit < 7 ? QStringLiteral("label_bit%1").arg(bit)
                   : QStringLiteral("label_bit6_%1").arg(bit - 5);
}

struct FormWidget
{
    const char *name;
    const char *className;
    const char *parent;
    QRect geometry; // null for widgets placed by a layout
    const char *caption;
};

// The widgets after the 64 bit widgets, in creation order.
const FormWidget other_widgets[] = {
    {"groupBox", "QGroupBox", "Dialog", {29, 39, 561, 131}, "寄存器位"},
    {"label", "QLabel", "Dialog", {210, 190, 61, 16}, "十进制："},
    {"label_2", "QLabel", "Dialog", {410, 190, 91, 16}, "十六进制:0x"},
    {"label_3", "QLabel", "Dialog", {10, 190, 61, 16}, "八进制："},
    {"label_4", "QLabel", "Dialog", {20, 240, 61, 16}, "二进制："},
    {"lineEdit_dec", "MyLineEdit", "Dialog", {270, 180, 121, 41}, ""},
    {"lineEdit_oct", "MyLineEdit", "Dialog", {70, 180, 121, 41}, ""},
    {"lineEdit_hex", "MyLineEdit", "Dialog", {500, 180, 91, 41}, ""},
    {"label_bin", "QLabel", "Dialog", {80, 230, 321, 41}, "0"},
    {"label_title", "QLabel", "Dialog", {250, 10, 161, 20}, "寄存器计算小工具"},
    {"checkBox", "QCheckBox", "Dialog", {450, 10, 131, 19}, "置于最上端显示"},
    {"groupBox_oct", "QGroupBox", "Dialog", {20, 300, 101, 131}, "进制"},
    {"radioButton_bin", "QRadioButton", "groupBox_oct", {10, 20, 115, 19}, "二进制"},
    {"radioButton_oct", "QRadioButton", "groupBox_oct", {10, 50, 115, 19}, "八进制"},
    {"radioButton_dec", "QRadioButton", "groupBox_oct", {10, 80, 115, 19}, "十进制"},
    {"radioButton_hex", "QRadioButton", "groupBox_oct", {10, 110, 115, 19}, "十六进制"},
    {"groupBox_3", "QGroupBox", "Dialog", {10, 280, 391, 161}, ""},
    {"groupBox_2", "QGroupBox", "groupBox_3", {140, 0, 213, 61}, "运算符"},
    {"radioButton_add", "QRadioButton", "groupBox_2", {}, "加"},
    {"radioButton_sub", "QRadioButton", "groupBox_2", {}, "减"},
    {"radioButton_and", "QRadioButton", "groupBox_2", {}, "与"},
    {"radioButton_or", "QRadioButton", "groupBox_2", {}, "或"},
    {"lineEdit_num", "QLineEdit", "groupBox_3", {120, 60, 261, 41}, ""},
    {"pushButton_calculate", "QPushButton", "groupBox_3", {190, 110, 111, 41}, "计算"},
    {"label_err", "QLabel", "Dialog", {430, 230, 161, 20}, ""},
    {"pushButton_clear", "QPushButton", "Dialog", {610, 280, 71, 111}, "所有清零"},
    {"label_baidu", "QLabel", "Dialog", {610, 50, 72, 51}, "label_baidu"},
    {"label_youdao", "QLabel", "Dialog", {610, 120, 72, 51}, "label_youdao"},
    {"groupBox_4", "QGroupBox", "Dialog", {420, 270, 171, 171}, "移位操作"},
    {"lineEdit_bit_move", "MyLineEdit", "groupBox_4", {10, 70, 151, 41}, ""},
    {"pushButton_bit_ml", "QPushButton", "groupBox_4", {10, 20, 71, 41}, "<"},
    {"pushButton_bit_mr", "QPushButton", "groupBox_4", {90, 20, 71, 41}, ">"},
    {"pushButton_bit_mL", "QPushButton", "groupBox_4", {10, 120, 71, 41}, "《"},
    {"pushButton_bit_mR", "QPushButton", "groupBox_4", {90, 120, 71, 41}, "》"},
    {"pushButton_open_calculator", "QPushButton", "Dialog", {610, 180, 71, 41}, "计算器"},
    {"pushButton_connect_developer", "QPushButton", "Dialog", {610, 400, 71, 28}, "联系作者"},
};

// Every widget of the form, in creation order: the 64 bit widgets, then the
// others.
QVector<FormWidget> all_form_widgets()
{
    static QVector<QByteArray> names; // keeps the generated names alive
    static QVector<FormWidget> widgets;
    if (!widgets.isEmpty())
        return widgets;
    names.reserve(64);
    for (int bit = 0; bit < 32; ++bit) {
        names.append(bit_button_name(bit).toLatin1());
        names.append(bit_label_name(bit).toLatin1());
    }
    static QVector<QByteArray> captions;
    captions.reserve(32);
    for (int bit = 0; bit < 32; ++bit)
        captions.append(QByteArray::number(bit));
    for (int bit = 0; bit < 32; ++bit) {
        const int x = bit_button_x(bit % 16);
        const int y = bit < 16 ? 130 : 70;
        widgets.append({names[2 * bit].constData(), "QPushButton", "Dialog", {x, y, 25, 30}, "0"});
        widgets.append({names[2 * bit + 1].constData(),
                        "QLabel",
                        "Dialog",
                        {x + 10, y - 20, 16, 20},
                        captions[bit].constData()});
    }
    for (const FormWidget &w : other_widgets)
        widgets.append(w);
    return widgets;
}

// What the form shows as a widget's caption: a group box's title, the text
// of everything else.
QString caption_of(const QWidget *widget)
{
    if (const auto *box = qobject_cast<const QGroupBox *>(widget))
        return box->title();
    return widget->property("text").toString();
}

QStringList direct_child_widget_names(const QWidget *parent)
{
    QStringList names;
    for (const QObject *object : parent->children()) {
        if (object->isWidgetType())
            names.append(object->objectName());
    }
    return names;
}

// Named widgets of a window, leaving out the toolkit's internal ones.
QStringList form_widget_names(const QWidget *window)
{
    QStringList names;
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        const QString name = widget->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")))
            names.append(name);
    }
    names.sort();
    return names;
}

void show_and_wait(QWidget &window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
}

// Replaces the whole text of a field by typing, as a user would after
// selecting everything in it.
void type_over(QLineEdit *field, const QString &text)
{
    field->selectAll();
    QTest::keyClicks(field, text);
}

} // namespace

class TestForm : public QObject
{
    Q_OBJECT

private slots:
    // Start-up state of the constructed window.
    void titleAndIcon();
    void fixedSize();
    void windowHints_data();
    void windowHints();
    void initialValues();
    void errorLabelIsRed();
    void styleSheets();
    void buttonGroups();
    void fonts_data();
    void fonts();
    void validators_data();
    void validators();
    void linkLabels_data();
    void linkLabels();

    // The form.
    void formWidgets_data();
    void formWidgets();
    void formCaptions_data();
    void formCaptions();
    void formHasNoOtherWidgets();
    void formWindow();
    void formKeepsExistingObjectName();
    void bitButtonSettings();
    void labelTitleSettings();
    void operatorLayout();
    void stackingOrder();
    void childCreationOrder_data();
    void childCreationOrder();
    void childAtPoint_data();
    void childAtPoint();

    // The slot table.
    void slotTable_data();
    void slotTable();
    void onlySlots();

    // Renderings through the GUI.
    void renderings_data();
    void renderings();

    // The clickable line edit.
    void lineEditMetaObject();
    void lineEditPressEmitsOnce_data();
    void lineEditPressEmitsOnce();
    void valueFieldPressTakesDefault_data();
    void valueFieldPressTakesDefault();
};

void TestForm::titleAndIcon()
{
    Dialog dialog;
    QCOMPARE(dialog.windowTitle(), utf8("Tarnwick v1.04"));
    QVERIFY(!dialog.windowIcon().isNull());

    const QImage resource(QStringLiteral(":/image/favicon.ico"));
    QVERIFY(!resource.isNull());
    QCOMPARE(resource.size(), QSize(48, 48));
    // The icon is that image, not some fallback.
    const QImage shown = dialog.windowIcon().pixmap(QSize(48, 48)).toImage();
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32),
             resource.convertToFormat(QImage::Format_ARGB32));
}

void TestForm::fixedSize()
{
    Dialog dialog;
    QCOMPARE(dialog.size(), QSize(700, 450));
    QCOMPARE(dialog.minimumSize(), QSize(700, 450));
    QCOMPARE(dialog.maximumSize(), QSize(700, 450));
    show_and_wait(dialog);
    dialog.resize(900, 600);
    QCOMPARE(dialog.size(), QSize(700, 450));
}

void TestForm::windowHints_data()
{
    QTest::addColumn<Qt::WindowType>("hint");
    QTest::addColumn<bool>("set");

    QTest::newRow("minimize") << Qt::WindowMinimizeButtonHint << true;
    QTest::newRow("close") << Qt::WindowCloseButtonHint << true;
    QTest::newRow("title") << Qt::WindowTitleHint << true;
    QTest::newRow("system menu") << Qt::WindowSystemMenuHint << true;
    QTest::newRow("maximize") << Qt::WindowMaximizeButtonHint << false;
    QTest::newRow("context help") << Qt::WindowContextHelpButtonHint << false;
    QTest::newRow("stays on top") << Qt::WindowStaysOnTopHint << false;
    QTest::newRow("stays on bottom") << Qt::WindowStaysOnBottomHint << false;
    QTest::newRow("frameless") << Qt::FramelessWindowHint << false;
    QTest::newRow("customize") << Qt::CustomizeWindowHint << false;
}

void TestForm::windowHints()
{
    QFETCH(Qt::WindowType, hint);
    QFETCH(bool, set);

    Dialog dialog;
    QVERIFY(dialog.isWindow());
    // Reading the flags back adds window-type bits, so only hints count.
    const Qt::WindowFlags hints = dialog.windowFlags() & ~Qt::WindowType_Mask;
    QCOMPARE(hints.testFlag(hint), set);
}

void TestForm::initialValues()
{
    Dialog dialog;
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_dec")->text(), QString());
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_hex")->text(), QString());
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_oct")->text(), QString());
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_num")->text(), QString());
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_bit_move")->text(), QString());

    auto *bin = child<QLabel>(&dialog, "label_bin");
    QCOMPARE(bin->text(), utf8("0000 0000 0000 0000 0000 0000 0000 0000"));
    QCOMPARE(bin->textInteractionFlags(), Qt::TextInteractionFlags(Qt::TextSelectableByMouse));

    for (int bit = 0; bit < 32; ++bit)
        QCOMPARE(child<QPushButton>(&dialog, qPrintable(bit_button_name(bit)))->text(), utf8("0"));

    QVERIFY(child<QRadioButton>(&dialog, "radioButton_dec")->isChecked());
    QVERIFY(!child<QRadioButton>(&dialog, "radioButton_bin")->isChecked());
    QVERIFY(!child<QRadioButton>(&dialog, "radioButton_oct")->isChecked());
    QVERIFY(!child<QRadioButton>(&dialog, "radioButton_hex")->isChecked());
    QVERIFY(child<QRadioButton>(&dialog, "radioButton_add")->isChecked());
    QVERIFY(!child<QRadioButton>(&dialog, "radioButton_sub")->isChecked());
    QVERIFY(!child<QRadioButton>(&dialog, "radioButton_and")->isChecked());
    QVERIFY(!child<QRadioButton>(&dialog, "radioButton_or")->isChecked());
    QVERIFY(!child<QCheckBox>(&dialog, "checkBox")->isChecked());

    QVERIFY(child<QPushButton>(&dialog, "pushButton_calculate")->isDefault());
    QCOMPARE(child<QPushButton>(&dialog, "pushButton_clear")->focusProxy(),
             static_cast<QWidget *>(&dialog));
    QCOMPARE(child<QLabel>(&dialog, "label_err")->text(), QString());
}

void TestForm::errorLabelIsRed()
{
    Dialog dialog;
    const QPalette palette = child<QLabel>(&dialog, "label_err")->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        QCOMPARE(palette.color(group, QPalette::WindowText), QColor(Qt::red));
}

void TestForm::styleSheets()
{
    Dialog dialog;
    QCOMPARE(child<QGroupBox>(&dialog, "groupBox")->styleSheet(),
             utf8("QGroupBox{background-color:#E08566;}"));
    QCOMPARE(dialog.styleSheet(), utf8("Dialog{background-color:#8FDBE0;}"));
    QCOMPARE(QString::fromLatin1(dialog.metaObject()->className()), utf8("Dialog"));
}

void TestForm::buttonGroups()
{
    Dialog dialog;
    const char *const bases[] = {"radioButton_bin", "radioButton_oct", "radioButton_dec",
                                 "radioButton_hex"};
    const char *const ops[] = {"radioButton_add", "radioButton_sub", "radioButton_and",
                               "radioButton_or"};
    QButtonGroup *base_group = child<QRadioButton>(&dialog, bases[0])->group();
    QButtonGroup *op_group = child<QRadioButton>(&dialog, ops[0])->group();
    QVERIFY(base_group);
    QVERIFY(op_group);
    QVERIFY(base_group != op_group);
    QCOMPARE(base_group->parent(), static_cast<QObject *>(&dialog));
    QCOMPARE(op_group->parent(), static_cast<QObject *>(&dialog));
    QCOMPARE(base_group->buttons().size(), 4);
    QCOMPARE(op_group->buttons().size(), 4);
    for (int id = 0; id < 4; ++id) {
        QCOMPARE(base_group->id(child<QRadioButton>(&dialog, bases[id])), id);
        QCOMPARE(op_group->id(child<QRadioButton>(&dialog, ops[id])), id);
    }
    QCOMPARE(base_group->checkedId(), 2);
    QCOMPARE(op_group->checkedId(), 0);
}

void TestForm::fonts_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<int>("weight");

    QTest::newRow("label_title") << "label_title" << utf8("Microsoft YaHei") << 12 << 60;
    QTest::newRow("label_bin") << "label_bin" << utf8("Microsoft YaHei") << 9 << 50;
    for (int bit = 0; bit < 32; ++bit)
        QTest::addRow("register_%d", bit) << bit_button_name(bit) << utf8("宋体") << 12 << 60;
    QTest::newRow("checkBox") << "checkBox" << utf8("宋体") << 8 << 50;
}

void TestForm::fonts()
{
    QFETCH(QString, widget);
    QFETCH(QString, family);
    QFETCH(int, pointSize);
    QFETCH(int, weight);

    Dialog dialog;
    const QFont font = child<QWidget>(&dialog, qPrintable(widget))->font();
    QCOMPARE(font.family(), family);
    QCOMPARE(font.pointSize(), pointSize);
    QCOMPARE(font.weight(), weight);
    QCOMPARE(font.italic(), false);
}

void TestForm::validators_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("radio"); // clicked first when not empty
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");

    const QString zeros31(31, QLatin1Char('0'));

    QTest::newRow("dec 33rd digit") << "lineEdit_dec"
                                    << "" << zeros31 + "12" << zeros31 + "1";
    QTest::newRow("dec letters") << "lineEdit_dec"
                                 << ""
                                 << "1a2F3"
                                 << "123";
    QTest::newRow("dec space and signs") << "lineEdit_dec"
                                         << ""
                                         << "-1 +2."
                                         << "12";
    QTest::newRow("oct 8 and 9") << "lineEdit_oct"
                                 << ""
                                 << "18927"
                                 << "127";
    QTest::newRow("oct 33rd digit") << "lineEdit_oct"
                                    << "" << zeros31 + "76" << zeros31 + "7";
    QTest::newRow("hex both cases") << "lineEdit_hex"
                                    << ""
                                    << "aBcDeF"
                                    << "aBcDeF";
    QTest::newRow("hex g") << "lineEdit_hex"
                           << ""
                           << "1g2G3"
                           << "123";
    QTest::newRow("hex A as 32nd digit") << "lineEdit_hex"
                                         << "" << zeros31 + "Ab" << zeros31 + "A";
    QTest::newRow("num 33rd digit") << "lineEdit_num"
                                    << "" << zeros31 + "12" << zeros31 + "1";
    QTest::newRow("num letter") << "lineEdit_num"
                                << ""
                                << "1a2"
                                << "12";
    QTest::newRow("num space before any base click") << "lineEdit_num"
                                                     << ""
                                                     << "12 34"
                                                     << "1234";
    QTest::newRow("num space after decimal click") << "lineEdit_num"
                                                   << "radioButton_dec"
                                                   << "12 34"
                                                   << "12 34";
    QTest::newRow("num space after hex click") << "lineEdit_num"
                                               << "radioButton_hex"
                                               << "ab CDg"
                                               << "ab CD";
}

void TestForm::validators()
{
    QFETCH(QString, field);
    QFETCH(QString, radio);
    QFETCH(QString, typed);
    QFETCH(QString, expected);

    Dialog dialog;
    show_and_wait(dialog);
    if (!radio.isEmpty())
        QTest::mouseClick(child<QRadioButton>(&dialog, qPrintable(radio)), Qt::LeftButton);
    auto *edit = child<QLineEdit>(&dialog, qPrintable(field));
    type_over(edit, typed);
    QCOMPARE(edit->text(), expected);
}

void TestForm::linkLabels_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("visible");

    QTest::newRow("search engine") << "label_baidu" << utf8("百度");
    QTest::newRow("translation") << "label_youdao" << utf8("翻译");
}

void TestForm::linkLabels()
{
    QFETCH(QString, label);
    QFETCH(QString, visible);

    Dialog dialog;
    auto *link = child<QLabel>(&dialog, qPrintable(label));
    const QString text = link->text();
    QVERIFY2(text.contains(QLatin1String("<a href=")), qPrintable(text));
    QVERIFY(Qt::mightBeRichText(text));
    QVERIFY(link->openExternalLinks());
    QVERIFY(link->hasScaledContents());

    QTextDocument document;
    document.setHtml(text);
    QCOMPARE(document.toPlainText().trimmed(), visible);
    QCOMPARE(document.blockCount(), 1);
    QCOMPARE(document.begin().blockFormat().headingLevel(), 1);

    const QRegularExpressionMatch href =
        QRegularExpression(QStringLiteral("<a href=\"([^\"]+)\"")).match(text);
    QVERIFY(href.hasMatch());
    const QUrl url(href.captured(1));
    QVERIFY(url.isValid());
    QVERIFY(url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
    QVERIFY(!url.host().isEmpty());
}

void TestForm::formWidgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry");

    for (const FormWidget &w : all_form_widgets()) {
        QTest::newRow(w.name) << QString::fromLatin1(w.name) << QString::fromLatin1(w.className)
                              << QString::fromLatin1(w.parent) << w.geometry;
    }
}

void TestForm::formWidgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);

    Dialog dialog;
    QWidget *widget = child<QWidget>(&dialog, qPrintable(name));
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QVERIFY(widget->parentWidget());
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    if (!geometry.isNull())
        QCOMPARE(widget->geometry(), geometry);
}

void TestForm::formCaptions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");

    for (const FormWidget &w : all_form_widgets())
        QTest::newRow(w.name) << QString::fromLatin1(w.name) << utf8(w.caption);
}

// Captions as the form itself sets them, before the window's constructor
// replaces some of them.
void TestForm::formCaptions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);

    QDialog window;
    Ui::Dialog form;
    form.setupUi(&window);
    QCOMPARE(caption_of(child<QWidget>(&window, qPrintable(name))), caption);
}

void TestForm::formHasNoOtherWidgets()
{
    QStringList expected;
    for (const FormWidget &w : all_form_widgets())
        expected.append(QString::fromLatin1(w.name));
    QCOMPARE(expected.size(), 100);
    expected.sort();

    QDialog window;
    Ui::Dialog form;
    form.setupUi(&window);
    QCOMPARE(form_widget_names(&window), expected);

    Dialog dialog;
    QCOMPARE(form_widget_names(&dialog), expected);
}

void TestForm::formWindow()
{
    QDialog window;
    Ui::Dialog form;
    form.setupUi(&window);
    QCOMPARE(window.objectName(), utf8("Dialog"));
    QCOMPARE(window.windowTitle(), utf8("Dialog"));
    QCOMPARE(window.size(), QSize(700, 450));
    QCOMPARE(window.minimumSize(), QSize(700, 450));
    QCOMPARE(window.maximumSize(), QSize(700, 450));
    // The form object points at the widgets it made.
    QCOMPARE(form.register_31, child<QPushButton>(&window, "register_31"));
    QCOMPARE(form.lineEdit_num, child<QLineEdit>(&window, "lineEdit_num"));
    QCOMPARE(static_cast<QLayout *>(form.horizontalLayout),
             child<QGroupBox>(&window, "groupBox_2")->layout());
}

void TestForm::formKeepsExistingObjectName()
{
    QDialog window;
    window.setObjectName(QStringLiteral("mine"));
    Ui::Dialog form;
    form.setupUi(&window);
    QCOMPARE(window.objectName(), utf8("mine"));
    QCOMPARE(form_widget_names(&window).size(), 100);
    QCOMPARE(child<QPushButton>(&window, "register_0")->parentWidget(),
             static_cast<QWidget *>(&window));
}

void TestForm::bitButtonSettings()
{
    Dialog dialog;
    for (int bit = 0; bit < 32; ++bit) {
        auto *button = child<QPushButton>(&dialog, qPrintable(bit_button_name(bit)));
        QCOMPARE(button->minimumSize(), QSize(25, 30));
        QCOMPARE(button->maximumSize(), QSize(25, 30));
        QVERIFY(!button->isCheckable());
        QVERIFY(!button->isChecked());
        QVERIFY(!button->isFlat());
    }
}

void TestForm::labelTitleSettings()
{
    Dialog dialog;
    auto *title = child<QLabel>(&dialog, "label_title");
    QVERIFY(!title->hasScaledContents());
    QVERIFY(!title->wordWrap());
    QCOMPARE(title->margin(), 0);
}

void TestForm::operatorLayout()
{
    Dialog dialog;
    auto *box = child<QGroupBox>(&dialog, "groupBox_2");
    auto *layout = qobject_cast<QHBoxLayout *>(box->layout());
    QVERIFY(layout);
    QCOMPARE(layout->objectName(), utf8("horizontalLayout"));
    QCOMPARE(layout->spacing(), 6);
    QCOMPARE(layout->contentsMargins(), QMargins(11, 11, 11, 11));

    const char *const order[] = {"radioButton_add", "radioButton_sub", "radioButton_and",
                                 "radioButton_or"};
    QCOMPARE(layout->count(), 4);
    for (int i = 0; i < 4; ++i) {
        QLayoutItem *item = layout->itemAt(i);
        QVERIFY(item->widget());
        QCOMPARE(item->widget()->objectName(), utf8(order[i]));
        QCOMPARE(layout->stretch(i), 0);
        QCOMPARE(item->alignment(), Qt::Alignment());
    }

    // Laid out side by side, left to right, inside the box.
    show_and_wait(dialog);
    int previous_right = -1;
    for (const char *name : order) {
        const QRect geometry = child<QRadioButton>(&dialog, name)->geometry();
        QVERIFY2(geometry.left() > previous_right, name);
        QVERIFY2(box->rect().contains(geometry), name);
        previous_right = geometry.right();
    }
}

void TestForm::stackingOrder()
{
    QStringList expected{QStringLiteral("groupBox_3"), QStringLiteral("groupBox")};
    for (int bit = 0; bit < 32; ++bit)
        expected << bit_button_name(bit) << bit_label_name(bit);
    for (const FormWidget &w : other_widgets) {
        const QString name = QString::fromLatin1(w.name);
        if (qstrcmp(w.parent, "Dialog") == 0 && name != QLatin1String("groupBox") &&
            name != QLatin1String("groupBox_3"))
            expected << name;
    }

    Dialog dialog;
    const QStringList stacking = direct_child_widget_names(&dialog);
    QCOMPARE(stacking, expected);
    QVERIFY(stacking.indexOf(QStringLiteral("groupBox_oct")) >
            stacking.indexOf(QStringLiteral("groupBox_3")));
    QVERIFY(stacking.indexOf(QStringLiteral("register_0")) >
            stacking.indexOf(QStringLiteral("groupBox")));
}

void TestForm::childCreationOrder_data()
{
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QStringList>("children");

    QTest::newRow("groupBox_oct") << "groupBox_oct"
                                  << QStringList{"radioButton_bin", "radioButton_oct",
                                                 "radioButton_dec", "radioButton_hex"};
    QTest::newRow("groupBox_3") << "groupBox_3"
                                << QStringList{"groupBox_2", "lineEdit_num",
                                               "pushButton_calculate"};
    QTest::newRow("groupBox_2") << "groupBox_2"
                                << QStringList{"radioButton_add", "radioButton_sub",
                                               "radioButton_and", "radioButton_or"};
    QTest::newRow("groupBox_4") << "groupBox_4"
                                << QStringList{"lineEdit_bit_move", "pushButton_bit_ml",
                                               "pushButton_bit_mr", "pushButton_bit_mL",
                                               "pushButton_bit_mR"};
    QTest::newRow("groupBox") << "groupBox" << QStringList();
}

void TestForm::childCreationOrder()
{
    QFETCH(QString, parent);
    QFETCH(QStringList, children);

    Dialog dialog;
    QCOMPARE(direct_child_widget_names(child<QWidget>(&dialog, qPrintable(parent))), children);
}

void TestForm::childAtPoint_data()
{
    QTest::addColumn<QString>("target"); // a point at its centre
    QTest::addColumn<QPoint>("point");   // or this point when target is empty
    QTest::addColumn<QString>("expected");

    QTest::newRow("bit 0 button") << "register_0" << QPoint() << "register_0";
    QTest::newRow("bit 5 button") << "register_5" << QPoint() << "register_5";
    QTest::newRow("bit 31 button") << "register_31" << QPoint() << "register_31";
    QTest::newRow("bit 31 label") << "label_bit6_26" << QPoint() << "label_bit6_26";
    QTest::newRow("binary radio") << "radioButton_bin" << QPoint() << "radioButton_bin";
    QTest::newRow("hex radio") << "radioButton_hex" << QPoint() << "radioButton_hex";
    // Between the groups of bits 3/4 and 19/20, between the two rows.
    QTest::newRow("bit frame gap") << "" << QPoint(447, 105) << "groupBox";
    // Left of the radio buttons, where the base frame lies over the
    // calculator frame.
    QTest::newRow("base frame over calculator frame") << "" << QPoint(25, 360) << "groupBox_oct";
    QTest::newRow("calculator frame") << "" << QPoint(130, 420) << "groupBox_3";
}

void TestForm::childAtPoint()
{
    QFETCH(QString, target);
    QFETCH(QPoint, point);
    QFETCH(QString, expected);

    Dialog dialog;
    show_and_wait(dialog);
    if (!target.isEmpty()) {
        QWidget *widget = child<QWidget>(&dialog, qPrintable(target));
        point = widget->mapTo(&dialog, widget->rect().center());
    }
    QWidget *found = dialog.childAt(point);
    QVERIFY(found);
    QCOMPARE(found->objectName(), expected);
}

void TestForm::slotTable_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("signature");
    QTest::addColumn<QByteArray>("parameterNames");
    QTest::addColumn<QMetaMethod::Access>("access");

    int index = 0;
    for (int bit = 0; bit < 32; ++bit, ++index) {
        QTest::addRow("%d", index)
            << index << QByteArray("on_register_" + QByteArray::number(bit) + "_clicked()")
            << QByteArray() << QMetaMethod::Private;
    }
    const struct
    {
        const char *signature;
        const char *parameterNames;
    } rest[] = {
        {"on_lineEdit_dec_textChanged(QString)", "arg1"},
        {"on_lineEdit_hex_textChanged(QString)", "arg1"},
        {"on_lineEdit_dec_textEdited(QString)", "arg1"},
        {"on_lineEdit_hex_textEdited(QString)", "arg1"},
        {"on_lineEdit_oct_textEdited(QString)", "arg1"},
        {"on_checkBox_clicked(bool)", "checked"},
        {"on_pushButton_clicked()", ""},
        {"on_radioButton_dec_clicked(bool)", "checked"},
        {"on_radioButton_bin_clicked(bool)", "checked"},
        {"on_radioButton_oct_clicked(bool)", "checked"},
        {"on_radioButton_hex_clicked(bool)", "checked"},
        {"on_lineEdit_num_textEdited(QString)", "arg1"},
        {"on_pushButton_clear_clicked()", ""},
        {"on_lineEdit_num_cursorPositionChanged(int,int)", "arg1,arg2"},
        {"on_pushButton_calculate_clicked()", ""},
        {"on_radioButton_sub_clicked()", ""},
        {"on_radioButton_add_clicked()", ""},
        {"on_lineEdit_hex_cursorPositionChanged(int,int)", "arg1,arg2"},
        {"on_lineEdit_hex_selectionChanged()", ""},
        {"on_lineEdit_hex_returnPressed()", ""},
        {"on_lineEdit_num_returnPressed()", ""},
        {"on_pushButton_bit_ml_clicked()", ""},
        {"data_update()", ""},
        {"linEdit_data_update()", ""},
        {"on_pushButton_bit_mr_clicked()", ""},
        {"on_pushButton_bit_mL_clicked()", ""},
        {"on_pushButton_bit_mR_clicked()", ""},
        {"on_pushButton_open_calculator_clicked()", ""},
        {"on_pushButton_connect_developer_clicked()", ""},
        {"handleLineEdit()", ""},
    };
    for (const auto &slot : rest) {
        const QMetaMethod::Access access = index == 61 ? QMetaMethod::Public : QMetaMethod::Private;
        QTest::addRow("%d", index)
            << index << QByteArray(slot.signature) << QByteArray(slot.parameterNames) << access;
        ++index;
    }
    QCOMPARE(index, 62);
}

void TestForm::slotTable()
{
    QFETCH(int, index);
    QFETCH(QByteArray, signature);
    QFETCH(QByteArray, parameterNames);
    QFETCH(QMetaMethod::Access, access);

    const QMetaObject &meta = Dialog::staticMetaObject;
    QVERIFY(meta.methodOffset() + index < meta.methodCount());
    const QMetaMethod method = meta.method(meta.methodOffset() + index);
    QCOMPARE(method.methodSignature(), signature);
    QCOMPARE(method.parameterNames().join(','), parameterNames);
    QCOMPARE(method.access(), access);
    QCOMPARE(method.methodType(), QMetaMethod::Slot);
    QCOMPARE(method.returnType(), int(QMetaType::Void));
}

// The class declares slots only: no signals, nothing invokable besides.
void TestForm::onlySlots()
{
    const QMetaObject &meta = Dialog::staticMetaObject;
    QVERIFY(meta.methodCount() - meta.methodOffset() >= 62);
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        QCOMPARE(meta.method(i).methodType(), QMetaMethod::Slot);
    QCOMPARE(meta.propertyCount() - meta.propertyOffset(), 0);
}

void TestForm::renderings_data()
{
    QTest::addColumn<QString>("dec");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("oct");
    QTest::addColumn<QString>("bin");

    QTest::newRow("0") << "0"
                       << "0"
                       << "0"
                       << "0000 0000 0000 0000 0000 0000 0000 0000";
    QTest::newRow("4294967295") << "4294967295"
                                << "ffffffff"
                                << "37777777777"
                                << "1111 1111 1111 1111 1111 1111 1111 1111";
    QTest::newRow("2147483648") << "2147483648"
                                << "80000000"
                                << "20000000000"
                                << "1000 0000 0000 0000 0000 0000 0000 0000";
    QTest::newRow("305419896") << "305419896"
                               << "12345678"
                               << "2215053170"
                               << "0001 0010 0011 0100 0101 0110 0111 1000";
}

void TestForm::renderings()
{
    QFETCH(QString, dec);
    QFETCH(QString, hex);
    QFETCH(QString, oct);
    QFETCH(QString, bin);

    bool ok = false;
    const quint32 value = dec.toUInt(&ok);
    QVERIFY(ok);

    Dialog dialog;
    show_and_wait(dialog);
    auto *dec_field = child<QLineEdit>(&dialog, "lineEdit_dec");
    // Start from the complement, so every bit has to change.
    type_over(dec_field, QString::number(~value));
    QCOMPARE(dec_field->text(), QString::number(~value));
    type_over(dec_field, dec);

    QCOMPARE(dec_field->text(), dec);
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_hex")->text(), hex);
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_oct")->text(), oct);
    QCOMPARE(child<QLabel>(&dialog, "label_bin")->text(), bin);
    QCOMPARE(child<QLabel>(&dialog, "label_err")->text(), QString());
    for (int bit = 0; bit < 32; ++bit) {
        auto *button = child<QPushButton>(&dialog, qPrintable(bit_button_name(bit)));
        const bool set = (value >> bit) & 1u;
        // The binary label, read at this bit's column, agrees with the button.
        const QChar digit = bin.at(38 - bit - (bit / 4));
        QCOMPARE(digit, set ? QLatin1Char('1') : QLatin1Char('0'));
        QCOMPARE(button->text(), set ? utf8("1") : utf8("0"));
        QCOMPARE(button->styleSheet(),
                 set ? utf8("background: rgb(118,118,118)") : utf8("Default"));
    }
}

void TestForm::lineEditMetaObject()
{
    const QMetaObject &meta = MyLineEdit::staticMetaObject;
    QCOMPARE(QByteArray(meta.className()), QByteArray("MyLineEdit"));
    QCOMPARE(meta.superClass(), &QLineEdit::staticMetaObject);
    QCOMPARE(meta.methodCount() - meta.methodOffset(), 1);
    const QMetaMethod signal = meta.method(meta.methodOffset());
    QCOMPARE(signal.methodSignature(), QByteArray("cliked()"));
    QCOMPARE(signal.methodType(), QMetaMethod::Signal);
    QCOMPARE(signal.access(), QMetaMethod::Public);
    QCOMPARE(meta.propertyCount() - meta.propertyOffset(), 0);
    QCOMPARE(meta.enumeratorCount() - meta.enumeratorOffset(), 0);
    QCOMPARE(meta.classInfoCount() - meta.classInfoOffset(), 0);
    QCOMPARE(meta.constructorCount(), 0);
}

void TestForm::lineEditPressEmitsOnce_data()
{
    QTest::addColumn<Qt::MouseButton>("button");

    QTest::newRow("left") << Qt::LeftButton;
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void TestForm::lineEditPressEmitsOnce()
{
    QFETCH(Qt::MouseButton, button);

    MyLineEdit edit(nullptr);
    edit.resize(300, 40);
    edit.setText(QStringLiteral("0123456789abcdefghij"));
    edit.setCursorPosition(2);
    show_and_wait(edit);

    const QPoint middle = edit.rect().center();
    // A plain line edit would move the cursor here.
    const int pressed_position = edit.cursorPositionAt(middle);
    QVERIFY(pressed_position > 2);

    QSignalSpy spy(&edit, &MyLineEdit::cliked);
    QTest::mousePress(&edit, button, Qt::NoModifier, middle);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(edit.cursorPosition(), 2);
    QCOMPARE(edit.selectedText(), QString());
    QTest::mouseRelease(&edit, button, Qt::NoModifier, middle);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(edit.cursorPosition(), 2);
    QCOMPARE(edit.text(), utf8("0123456789abcdefghij"));
}

void TestForm::valueFieldPressTakesDefault_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("calculateStaysDefault");

    QTest::newRow("hex") << "lineEdit_hex" << false;
    QTest::newRow("dec") << "lineEdit_dec" << false;
    QTest::newRow("oct") << "lineEdit_oct" << false;
    // Nothing listens to the shift count field's presses.
    QTest::newRow("shift count") << "lineEdit_bit_move" << true;
}

void TestForm::valueFieldPressTakesDefault()
{
    QFETCH(QString, field);
    QFETCH(bool, calculateStaysDefault);

    Dialog dialog;
    auto *calculate = child<QPushButton>(&dialog, "pushButton_calculate");
    QVERIFY(calculate->isDefault());
    auto *edit = child<MyLineEdit>(&dialog, qPrintable(field));
    QSignalSpy spy(edit, &MyLineEdit::cliked);
    QTest::mousePress(edit, Qt::LeftButton, Qt::NoModifier, edit->rect().center());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(calculate->isDefault(), calculateStaysDefault);
    QTest::mouseRelease(edit, Qt::LeftButton, Qt::NoModifier, edit->rect().center());
}

QTEST_MAIN(TestForm)
#include "tst_form.moc"
