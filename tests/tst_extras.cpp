// Tests of the conveniences around the designed window: copying the register
// value as a source literal from the context menus of the value views, and
// bit buttons that name their bit and mask to the pointer and to assistive
// technology; pasting a value in the notations code uses, and the facts about
// the value. Values are entered the way a user enters them.

#include "dialog.h"
#include "literals.h"
#include "testsupport.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolTip>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

// The five literal forms: object name of the entry and the start of its text.
struct Form
{
    const char *action;
    const char *caption;
};
const Form kForms[] = {
    {"copy_c_hex", "Copy as C hex"},     {"copy_c_hex_separated", "Copy as C hex with separator"},
    {"copy_verilog", "Copy as Verilog"}, {"copy_binary", "Copy as binary"},
    {"copy_decimal", "Copy as decimal"},
};

// One register value with its literals, written out by hand. Binary digits
// are grouped by four for the reader; the grouping is removed before use.
struct Literals
{
    quint32 value;
    const char *hexTyped; // what a user types into lineEdit_hex
    const char *cHex;
    const char *cHexSeparated;
    const char *verilog;
    const char *binaryGrouped;
    const char *decimal;
};
const Literals kValues[] = {
    {0x00000000u, "0", "0x00000000", "0x0000'0000", "32'h0000_0000",
     "0000 0000 0000 0000 0000 0000 0000 0000", "0"},
    {0xFFFFFFFFu, "ffffffff", "0xFFFFFFFF", "0xFFFF'FFFF", "32'hFFFF_FFFF",
     "1111 1111 1111 1111 1111 1111 1111 1111", "4294967295"},
    {0x12345678u, "12345678", "0x12345678", "0x1234'5678", "32'h1234_5678",
     "0001 0010 0011 0100 0101 0110 0111 1000", "305419896"},
};
// Only for the pure functions: no need to go through the window.
const Literals kMoreValues[] = {
    {0x00000001u, "1", "0x00000001", "0x0000'0001", "32'h0000_0001",
     "0000 0000 0000 0000 0000 0000 0000 0001", "1"},
    {0x80000000u, "80000000", "0x80000000", "0x8000'0000", "32'h8000_0000",
     "1000 0000 0000 0000 0000 0000 0000 0000", "2147483648"},
    {0xDEADBEEFu, "deadbeef", "0xDEADBEEF", "0xDEAD'BEEF", "32'hDEAD_BEEF",
     "1101 1110 1010 1101 1011 1110 1110 1111", "3735928559"},
    {0x0000ABCDu, "abcd", "0x0000ABCD", "0x0000'ABCD", "32'h0000_ABCD",
     "0000 0000 0000 0000 1010 1011 1100 1101", "43981"},
    {0x00010000u, "10000", "0x00010000", "0x0001'0000", "32'h0001_0000",
     "0000 0000 0000 0001 0000 0000 0000 0000", "65536"},
};

QString ungrouped(const char *grouped)
{
    return QString::fromLatin1(grouped).remove(QLatin1Char(' '));
}

QString literalFor(const Literals &v, const char *action)
{
    const QByteArray name(action);
    if (name == "copy_c_hex")
        return QString::fromLatin1(v.cHex);
    if (name == "copy_c_hex_separated")
        return QString::fromLatin1(v.cHexSeparated);
    if (name == "copy_verilog")
        return QString::fromLatin1(v.verilog);
    if (name == "copy_binary")
        return ungrouped(v.binaryGrouped);
    return QString::fromLatin1(v.decimal);
}

const char *const kValueViews[] = {"label_bin", "lineEdit_dec", "lineEdit_hex", "lineEdit_oct"};

// A menu entry's text as the user reads it: no mnemonic marker, no shortcut.
QString plainText(const QAction *action)
{
    return action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
}

QAction *actionNamed(QMenu *menu, const QString &name)
{
    const QList<QAction *> actions = menu->actions();
    const auto it = std::find_if(actions.begin(), actions.end(),
                                 [&](QAction *a) { return a->objectName() == name; });
    return it == actions.end() ? nullptr : *it;
}

QAction *actionWithText(QMenu *menu, const QString &text)
{
    const QList<QAction *> actions = menu->actions();
    const auto it = std::find_if(actions.begin(), actions.end(),
                                 [&](QAction *a) { return plainText(a) == text; });
    return it == actions.end() ? nullptr : *it;
}

// Clicks into a field, selects what it holds and types over it; with no keys
// to type, deletes it.
void typeInto(Dialog &dialog, const QString &field, const QString &keys)
{
    auto *edit = child<QLineEdit>(&dialog, field.toLatin1().constData());
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    if (keys.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(edit, keys);
}

void click(Dialog &dialog, const QString &button)
{
    QTest::mouseClick(child<QPushButton>(&dialog, button.toLatin1().constData()), Qt::LeftButton);
}

} // namespace

class TestExtras : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void literalForms_data();
    void literalForms();
    void bitTooltipText_data();
    void bitTooltipText();
    void readLiteral_data();
    void readLiteral();
    void facts_data();
    void facts();

    void copyAs_data();
    void copyAs();
    void copyTakesRegisterNotFieldText_data();
    void copyTakesRegisterNotFieldText();
    void rightClickOpensMenu_data();
    void rightClickOpensMenu();
    void otherWidgetsGetNoCopyMenu();
    void lineEditKeepsStandardEntries_data();
    void lineEditKeepsStandardEntries();
    void binaryLabelKeepsCopyAndSelectAll();
    void pasteValue();

    void bitButtonsNameThemselves_data();
    void bitButtonsNameThemselves();
    void bitTooltipShowsOnHover();
    void bitDescriptionsFollowValue_data();
    void bitDescriptionsFollowValue();
};

void TestExtras::init() { QGuiApplication::clipboard()->setText(QStringLiteral("sentinel")); }

void TestExtras::literalForms_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("cHex");
    QTest::addColumn<QString>("cHexSeparated");
    QTest::addColumn<QString>("verilog");
    QTest::addColumn<QString>("binary");
    QTest::addColumn<QString>("decimal");
    auto add = [](const Literals &v) {
        QTest::newRow(v.cHex) << v.value << QString::fromLatin1(v.cHex)
                              << QString::fromLatin1(v.cHexSeparated)
                              << QString::fromLatin1(v.verilog) << ungrouped(v.binaryGrouped)
                              << QString::fromLatin1(v.decimal);
    };
    for (const Literals &v : kValues)
        add(v);
    for (const Literals &v : kMoreValues)
        add(v);
}

void TestExtras::literalForms()
{
    QFETCH(quint32, value);
    QFETCH(QString, cHex);
    QFETCH(QString, cHexSeparated);
    QFETCH(QString, verilog);
    QFETCH(QString, binary);
    QFETCH(QString, decimal);

    QCOMPARE(literals::c_hex(value), cHex);
    QCOMPARE(literals::c_hex_separated(value), cHexSeparated);
    QCOMPARE(literals::verilog(value), verilog);
    QCOMPARE(literals::binary(value), binary);
    QCOMPARE(literals::binary(value).size(), 32);
    QCOMPARE(literals::decimal(value), decimal);
}

void TestExtras::bitTooltipText_data()
{
    QTest::addColumn<int>("bit");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("tooltip");
    QTest::newRow("bit 0") << 0 << "0x00000001" << QString::fromUtf8("bit 0 · 0x00000001");
    QTest::newRow("bit 3") << 3 << "0x00000008" << QString::fromUtf8("bit 3 · 0x00000008");
    QTest::newRow("bit 5") << 5 << "0x00000020" << QString::fromUtf8("bit 5 · 0x00000020");
    QTest::newRow("bit 10") << 10 << "0x00000400" << QString::fromUtf8("bit 10 · 0x00000400");
    QTest::newRow("bit 16") << 16 << "0x00010000" << QString::fromUtf8("bit 16 · 0x00010000");
    QTest::newRow("bit 27") << 27 << "0x08000000" << QString::fromUtf8("bit 27 · 0x08000000");
    QTest::newRow("bit 31") << 31 << "0x80000000" << QString::fromUtf8("bit 31 · 0x80000000");
}

void TestExtras::bitTooltipText()
{
    QFETCH(int, bit);
    QFETCH(QString, mask);
    QFETCH(QString, tooltip);
    QCOMPARE(literals::bit_mask(bit), mask);
    QCOMPARE(literals::bit_tooltip(bit), tooltip);
    // The separator is U+00B7 MIDDLE DOT between single spaces.
    QCOMPARE(literals::bit_tooltip(bit).count(QChar(0x00B7)), 1);
}

void TestExtras::readLiteral_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("base");         // of the view pasted into
    QTest::addColumn<QString>("expected"); // C hex, "wide" (over 32 bits) or "none"
    // clang-format off
    const struct { const char *text; int base; const char *expected; } rows[] = {
        {" 0X1f\n", 10, "0x0000001F"}, {"0xFFFF'FFFF", 8, "0xFFFFFFFF"}, {"0x0", 2, "0x00000000"},
        {"0b1_0LU", 16, "0x00000002"}, {"0o17llu", 10, "0x0000000F"}, {"0x1uu", 16, "none"},
        {"10u", 16, "0x0000000A"}, {"017UL", 10, "0x0000000F"}, {"08u", 10, "none"},
        {"1fu", 16, "none"}, {"4294967296ull", 10, "wide"},
        {"0x1_0000_0000", 16, "wide"}, {"0x", 16, "none"}, {"0x_", 16, "none"},
        {"0x1__2", 16, "none"}, {"0b102", 16, "none"}, {"'h1f", 10, "0x0000001F"},
        {"8'B1010__0101_", 10, "0x000000A5"}, {"'d4294967295", 16, "0xFFFFFFFF"},
        {"64'o17", 10, "0x0000000F"}, {"33'h1_0000_0000", 10, "wide"}, {"12'h1FFF", 16, "none"},
        {"0'h0", 10, "none"}, {"32'h_1", 10, "none"}, {"x\"DEAD_BEEF\"", 10, "0xDEADBEEF"},
        {"O\"777\"", 10, "0x000001FF"}, {"b\"_1\"", 10, "none"}, {"1Fh", 10, "0x0000001F"},
        {"100000000H", 10, "wide"}, {"1f", 16, "0x0000001F"}, {"37", 8, "0x0000001F"},
        {"1 1111", 2, "0x0000001F"}, {"4294967296", 10, "wide"}, {"1f", 10, "none"},
        {"12  34", 10, "none"}, {"1.5", 10, "none"}, {"-1", 10, "none"}, {"0x1 0x2", 16, "none"},
        {"12\n34", 10, "none"}, {"", 10, "none"}, {"０ｘ１Ｆ", 10, "0x0000001F"},
        {"３２＇ｈ１Ｆ", 10, "0x0000001F"}, {"ｘ＂ＤＥＡＤ＿ＢＥＥＦ＂", 10, "0xDEADBEEF"},
        {"　１Ｆｈ　", 10, "0x0000001F"}, {"１　１１１１", 2, "0x0000001F"},
        {"0ｘ1_0000_0000", 16, "wide"}, {"1\uff001", 10, "none"},
        {"00000000000000000000000000000000012", 10, "0x0000000C"},
        {"9 0000 0000 0000 0000 0000 0000 0000 0001", 10, "wide"}};
    // clang-format on
    for (const auto &row : rows) {
        QTest::addRow("%s in base %d", row.text, row.base)
            << QString::fromUtf8(row.text) << row.base << QString::fromLatin1(row.expected);
    }
    // Texts longer than any literal are refused by their length alone.
    const int most = literals::max_literal_length;
    QTest::newRow("longest") << QString(most - 1, '0') + '7' << 8 << "0x00000007";
    QTest::newRow("one too long") << QString(most, '0') + '7' << 8 << "none";
    QTest::newRow("spaces around") << QString(most - 4, ' ') + "0x1F" << 8 << "0x0000001F";
    QTest::newRow("too many spaces") << QString(most - 3, ' ') + "0x1F" << 8 << "none";
    QTest::newRow("long digits") << QString(100000, '7') << 8 << "none";
}

void TestExtras::readLiteral()
{
    QFETCH(QString, text);
    QFETCH(int, base);
    QFETCH(QString, expected);
    const literals::Reading read = literals::read_literal(text, base);
    QCOMPARE(read.value ? literals::c_hex(*read.value)
                        : QString::fromLatin1(read.too_wide ? "wide" : "none"),
             expected);
}

void TestExtras::facts_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("facts");    // signed, set bits, lowest, highest, bytes, swapped
    QTest::addColumn<QString>("allBases"); // lines
    QTest::newRow("0") << 0u << "0|0|none|none|00 00 00 00|0x00000000"
                       << "0x00000000|0|0o0|0b00000000000000000000000000000000";
    QTest::newRow("ffffffff") << 0xFFFFFFFFu << "-1|32|0|31|FF FF FF FF|0xFFFFFFFF"
                              << "0xFFFFFFFF|4294967295|0o37777777777|0b" + QString(32, '1');
    QTest::newRow("80000000") << 0x80000000u << "-2147483648|1|31|31|80 00 00 00|0x00000080"
                              << "0x80000000|2147483648|0o20000000000|0b1" + QString(31, '0');
    QTest::newRow("12345678")
        << 0x12345678u << "305419896|13|3|28|12 34 56 78|0x78563412"
        << "0x12345678|305419896|0o2215053170|0b00010010001101000101011001111000";
}

// Also: each copy entry's literal and the binary label's text read back as
// the value (the decimal one as plain digits of the decimal field).
void TestExtras::facts()
{
    QFETCH(quint32, value);
    QFETCH(QString, facts);
    QFETCH(QString, allBases);
    const QStringList f = facts.split('|');
    QCOMPARE(literals::facts(value), QStringLiteral("signed: %1\nbits set: %2\nlowest set bit: %3\n"
                                                    "highest set bit: %4\nbytes 3 to 0: %5\n"
                                                    "byte-swapped: %6")
                                         .arg(f[0], f[1], f[2], f[3], f[4], f[5]));
    QCOMPARE(literals::all_bases(value), allBases.replace('|', '\n'));
    for (const QString &text :
         {literals::c_hex(value), literals::c_hex_separated(value), literals::verilog(value),
          literals::binary(value), literals::decimal(value), grouped_binary_text(value)})
        QCOMPARE(literals::read_literal(text, 10).value, std::optional<quint32>(value));
}

void TestExtras::copyAs_data()
{
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("expected");
    for (const char *view : kValueViews) {
        for (const Literals &v : kValues) {
            for (const Form &form : kForms) {
                QTest::addRow("%s %s %s", view, v.cHex, form.action)
                    << QString::fromLatin1(view) << QString::fromLatin1(v.hexTyped)
                    << QString::fromLatin1(form.action) << QString::fromLatin1(form.caption)
                    << literalFor(v, form.action);
            }
        }
    }
}

void TestExtras::copyAs()
{
    QFETCH(QString, view);
    QFETCH(QString, typed);
    QFETCH(QString, action);
    QFETCH(QString, caption);
    QFETCH(QString, expected);

    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    typeInto(dialog, QStringLiteral("lineEdit_hex"), typed);
    QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_hex")->text(), typed);

    QWidget *source = child<QWidget>(&dialog, view.toLatin1().constData());
    std::unique_ptr<QMenu> menu(dialog.create_context_menu(source));
    QVERIFY(menu);
    QAction *entry = actionNamed(menu.get(), action);
    QVERIFY2(entry, qPrintable(action));
    QVERIFY(entry->isEnabled());
    QVERIFY(entry->isVisible());
    // The entry shows what it copies.
    QCOMPARE(entry->text(), QStringLiteral("%1 (%2)").arg(caption, expected));

    QClipboard *clipboard = QGuiApplication::clipboard();
    QSignalSpy changed(clipboard, &QClipboard::dataChanged);
    entry->trigger();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(clipboard->text(), expected);
}

void TestExtras::copyTakesRegisterNotFieldText_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("view");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("expected");
    // Type into field (if any), click button (if any), copy from view.
    auto row = [](const char *name, const char *field, const char *typed, const char *button,
                  const char *view, const char *action, const char *expected) {
        QTest::newRow(name) << QString::fromLatin1(field) << QString::fromLatin1(typed)
                            << QString::fromLatin1(button) << QString::fromLatin1(view)
                            << QString::fromLatin1(action) << QString::fromLatin1(expected);
    };

    row("decimal typed with leading zeros", "lineEdit_dec", "00012", "", "lineEdit_dec",
        "copy_decimal", "12");
    row("hex typed in upper case", "lineEdit_hex", "ABCD", "", "lineEdit_hex", "copy_verilog",
        "32'h0000_ABCD");
    row("hex typed with leading zeros", "lineEdit_hex", "000000ff", "", "lineEdit_dec",
        "copy_c_hex", "0x000000FF");
    row("octal typed", "lineEdit_oct", "377", "", "label_bin", "copy_binary",
        "00000000000000000000000011111111");
    row("bit 31 clicked", "", "", "register_31", "label_bin", "copy_decimal", "2147483648");
    row("bit 0 clicked after a typed value", "lineEdit_dec", "16", "register_0", "lineEdit_oct",
        "copy_c_hex", "0x00000011");
    row("emptied fields after clear all", "lineEdit_hex", "ffffffff", "pushButton_clear",
        "lineEdit_hex", "copy_c_hex", "0x00000000");
    row("field emptied by the user", "lineEdit_dec", "", "", "lineEdit_dec", "copy_c_hex_separated",
        "0x0000'0000");
    row("ninth hex digit refused, value kept", "lineEdit_hex", "100000000", "", "lineEdit_dec",
        "copy_c_hex_separated", "0x1000'0000");
    row("shifted left by one", "lineEdit_hex", "80000001", "pushButton_bit_ml", "lineEdit_oct",
        "copy_verilog", "32'h0000_0002");
}

void TestExtras::copyTakesRegisterNotFieldText()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, button);
    QFETCH(QString, view);
    QFETCH(QString, action);
    QFETCH(QString, expected);

    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    if (!field.isEmpty()) {
        // Something to replace, so that an empty entry is an edit too.
        typeInto(dialog, field, QStringLiteral("7"));
        typeInto(dialog, field, typed);
    }
    if (!button.isEmpty())
        click(dialog, button);

    std::unique_ptr<QMenu> menu(
        dialog.create_context_menu(child<QWidget>(&dialog, view.toLatin1().constData())));
    QVERIFY(menu);
    QAction *entry = actionNamed(menu.get(), action);
    QVERIFY2(entry, qPrintable(action));
    entry->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void TestExtras::rightClickOpensMenu_data()
{
    QTest::addColumn<QString>("view");
    for (const char *view : kValueViews)
        QTest::newRow(view) << QString::fromLatin1(view);
}

void TestExtras::rightClickOpensMenu()
{
    QFETCH(QString, view);

    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    typeInto(dialog, QStringLiteral("lineEdit_hex"), QStringLiteral("deadbeef"));

    QWidget *source = child<QWidget>(&dialog, view.toLatin1().constData());
    QSignalSpy requested(source, &QWidget::customContextMenuRequested);
    // A right click on the window, where a user would press: the window
    // system layer turns it into the context-menu request.
    const QPoint at(7, 9);
    QTest::mouseClick(dialog.windowHandle(), Qt::RightButton, Qt::NoModifier,
                      source->mapTo(&dialog, at));
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.at(0).at(0).toPoint(), at);

    QPointer<QMenu> menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QTRY_VERIFY(menu->isVisible());
    QAction *entry = actionNamed(menu, QStringLiteral("copy_c_hex"));
    QVERIFY(entry);
    QCOMPARE(entry->text(), QStringLiteral("Copy as C hex (0xDEADBEEF)"));
    // Choosing the entry the way a user does, from the keyboard.
    menu->setActiveAction(entry);
    QTest::keyClick(menu, Qt::Key_Return);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("0xDEADBEEF"));
    // The menu closes and frees itself.
    QTRY_VERIFY(menu.isNull());
}

void TestExtras::otherWidgetsGetNoCopyMenu()
{
    Dialog dialog;
    for (const char *name : {"lineEdit_num", "lineEdit_bit_move", "label_err", "register_3"}) {
        QWidget *other = child<QWidget>(&dialog, name);
        QCOMPARE(dialog.create_context_menu(other), static_cast<QMenu *>(nullptr));
        QCOMPARE(other->contextMenuPolicy(), Qt::DefaultContextMenu);
    }
    for (const char *name : kValueViews)
        QCOMPARE(child<QWidget>(&dialog, name)->contextMenuPolicy(), Qt::CustomContextMenu);
}

void TestExtras::lineEditKeepsStandardEntries_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    // 0x1234 in each base.
    QTest::newRow("lineEdit_dec") << QStringLiteral("lineEdit_dec") << QStringLiteral("4660");
    QTest::newRow("lineEdit_hex") << QStringLiteral("lineEdit_hex") << QStringLiteral("1234");
    QTest::newRow("lineEdit_oct") << QStringLiteral("lineEdit_oct") << QStringLiteral("11064");
}

void TestExtras::lineEditKeepsStandardEntries()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);

    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    typeInto(dialog, field, typed);
    auto *edit = child<QLineEdit>(&dialog, field.toLatin1().constData());

    std::unique_ptr<QMenu> menu(dialog.create_context_menu(edit));
    QVERIFY(menu);
    const QStringList standard = {QStringLiteral("Undo"),      QStringLiteral("Redo"),
                                  QStringLiteral("Cut"),       QStringLiteral("Copy"),
                                  QStringLiteral("Paste"),     QStringLiteral("Delete"),
                                  QStringLiteral("Select All")};
    for (const QString &text : standard)
        QVERIFY2(actionWithText(menu.get(), text), qPrintable(text));

    // The literal entries follow the standard ones after a separator.
    const QList<QAction *> actions = menu->actions();
    const int firstLiteral = actions.indexOf(actionNamed(menu.get(), QStringLiteral("copy_c_hex")));
    QVERIFY(firstLiteral > 0);
    QVERIFY(actions.at(firstLiteral - 1)->isSeparator());
    QVERIFY(actions.indexOf(actionWithText(menu.get(), QStringLiteral("Select All"))) <
            firstLiteral);
    QCOMPARE(actions.size() - firstLiteral, 8); // five forms, all, separator, paste
    QCOMPARE(actions.last()->objectName(), QStringLiteral("paste_value"));

    // Nothing selected: the standard Copy is off. Select All, then Copy puts
    // the field's own text on the clipboard.
    QAction *copy = actionWithText(menu.get(), QStringLiteral("Copy"));
    QVERIFY(!copy->isEnabled());
    actionWithText(menu.get(), QStringLiteral("Select All"))->trigger();
    QCOMPARE(edit->selectedText(), typed);
    menu.reset(dialog.create_context_menu(edit));
    copy = actionWithText(menu.get(), QStringLiteral("Copy"));
    QVERIFY(copy->isEnabled());
    copy->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), typed);
}

void TestExtras::binaryLabelKeepsCopyAndSelectAll()
{
    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    typeInto(dialog, QStringLiteral("lineEdit_hex"), QStringLiteral("a5"));
    auto *label = child<QLabel>(&dialog, "label_bin");
    const QString shown = QStringLiteral("0000 0000 0000 0000 0000 0000 1010 0101");
    QCOMPARE(label->text(), shown);

    std::unique_ptr<QMenu> menu(dialog.create_context_menu(label));
    QVERIFY(menu);
    QAction *copy = actionWithText(menu.get(), QStringLiteral("Copy"));
    QAction *selectAll = actionWithText(menu.get(), QStringLiteral("Select All"));
    QVERIFY(copy);
    QVERIFY(selectAll);
    QVERIFY(!copy->isEnabled());
    QVERIFY(selectAll->isEnabled());
    const QList<QAction *> actions = menu->actions();
    const int firstLiteral = actions.indexOf(actionNamed(menu.get(), QStringLiteral("copy_c_hex")));
    QVERIFY(actions.indexOf(selectAll) < firstLiteral);
    QVERIFY(actions.at(firstLiteral - 1)->isSeparator());
    QCOMPARE(actions.at(firstLiteral + 5)->objectName(), QStringLiteral("copy_all"));

    selectAll->trigger();
    QCOMPARE(label->selectedText(), shown);
    menu.reset(dialog.create_context_menu(label));
    copy = actionWithText(menu.get(), QStringLiteral("Copy"));
    QVERIFY(copy->isEnabled());
    copy->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), shown);

    // A part of the text, as selected with the mouse, copies just that part.
    label->setSelection(30, 9);
    menu.reset(dialog.create_context_menu(label));
    actionWithText(menu.get(), QStringLiteral("Copy"))->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("1010 0101"));
}

// A paste through a menu or Ctrl+Shift+V is an accepted direct entry: every
// view follows, the error clears, Enter no longer calculates. A refused one
// changes nothing, and its entry says why.
void TestExtras::pasteValue()
{
    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    CalculatorWidgets w;
    w.find_widgets(&dialog);
    const auto state = [&w] {
        QString views =
            QStringList{w.dec->text(), w.hex->text(), w.oct->text(), w.bin->text()}.join('|');
        for (int i = 31; i >= 0; --i)
            views += w.bits[i]->text();
        return views + (w.calc->isDefault() ? " default" : "") + w.err->text();
    };
    const auto shown = [](quint32 v) {
        return QStringList{QString::number(v), QString::number(v, 16), QString::number(v, 8),
                           grouped_binary_text(v)}
                   .join('|') +
               grouped_binary_text(v).remove(' ');
    };
    // After an operand error, pastes `text` by key or menu; the entry's caption.
    const auto paste = [&](const char *view, const QString &text, bool key) {
        QGuiApplication::clipboard()->setText(text);
        typeInto(dialog, QStringLiteral("lineEdit_num"), QStringLiteral("99999999999"));
        QWidget *source = child<QWidget>(&dialog, view);
        source->setFocus();
        if (key)
            QTest::keyClick(source, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        std::unique_ptr<QMenu> menu(dialog.create_context_menu(source));
        QAction *entry = actionNamed(menu.get(), QStringLiteral("paste_value"));
        if (!key)
            entry->trigger();
        return plainText(entry) + (entry->isEnabled() ? "" : " off");
    };
    QCOMPARE(paste("label_bin", "1010 0101", false), "Paste value (0x000000A5)");
    QCOMPARE(state(), shown(0xA5u));
    QCOMPARE(paste("lineEdit_hex", "dead beef", true), "Paste value (0xDEADBEEF)");
    QCOMPARE(state(), shown(0xDEADBEEFu));
    QCOMPARE(paste("lineEdit_dec", "0x1_0000_0000", true),
             "Paste value (does not fit in 32 bits) off");
    QCOMPARE(paste("lineEdit_oct", "9", false), "Paste value (clipboard holds no number) off");
    QCOMPARE(paste("lineEdit_hex", QString(50'000'000, '1'), false),
             "Paste value (clipboard holds no number) off");
    QCOMPARE(state(), shown(0xDEADBEEFu) + " default" + range_error_text);

    // The facts, made when the decimal field is asked for its tooltip.
    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), w.dec->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(w.dec, &hover);
    QCOMPARE(QToolTip::text(), literals::facts(0xDEADBEEFu));
}

void TestExtras::bitButtonsNameThemselves_data()
{
    QTest::addColumn<int>("bit");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<QString>("name");
    QTest::newRow("bit 0") << 0 << QString::fromUtf8("bit 0 · 0x00000001") << "bit 0";
    QTest::newRow("bit 4") << 4 << QString::fromUtf8("bit 4 · 0x00000010") << "bit 4";
    QTest::newRow("bit 5") << 5 << QString::fromUtf8("bit 5 · 0x00000020") << "bit 5";
    QTest::newRow("bit 15") << 15 << QString::fromUtf8("bit 15 · 0x00008000") << "bit 15";
    QTest::newRow("bit 16") << 16 << QString::fromUtf8("bit 16 · 0x00010000") << "bit 16";
    QTest::newRow("bit 22") << 22 << QString::fromUtf8("bit 22 · 0x00400000") << "bit 22";
    QTest::newRow("bit 31") << 31 << QString::fromUtf8("bit 31 · 0x80000000") << "bit 31";
}

void TestExtras::bitButtonsNameThemselves()
{
    QFETCH(int, bit);
    QFETCH(QString, tooltip);
    QFETCH(QString, name);

    Dialog dialog;
    auto *button =
        child<QPushButton>(&dialog, QByteArray("register_" + QByteArray::number(bit)).constData());
    QCOMPARE(button->toolTip(), tooltip);
    QCOMPARE(button->accessibleName(), name);
    QCOMPARE(button->accessibleDescription(), QStringLiteral("clear"));
    // What assistive technology is told goes through the accessibility layer.
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(button);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), name);
    QCOMPARE(accessible->text(QAccessible::Description), QStringLiteral("clear"));
    // The caption stays as designed.
    QCOMPARE(button->text(), QStringLiteral("0"));
}

void TestExtras::bitTooltipShowsOnHover()
{
    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *button = child<QPushButton>(&dialog, "register_12");
    const QPoint at(5, 5);
    QHelpEvent hover(QEvent::ToolTip, at, button->mapToGlobal(at));
    QApplication::sendEvent(button, &hover);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QString::fromUtf8("bit 12 · 0x00001000"));
    // A set bit's grey style sheet stays off its tooltip.
    const auto tip = [] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget->inherits("QTipLabel") && widget->isVisible())
                return widget->grab().toImage();
        return QImage();
    };
    const QImage clear = tip();
    QToolTip::hideText();
    QTest::mouseClick(button, Qt::LeftButton);
    QApplication::sendEvent(button, &hover);
    QTRY_VERIFY(QToolTip::isVisible());
    QVERIFY(!clear.isNull());
    QCOMPARE(tip(), clear);
    QToolTip::hideText();
}

void TestExtras::bitDescriptionsFollowValue_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<quint32>("expectedSet");
    // Type into field (if any), then click the buttons in order.
    auto row = [](const char *name, const char *field, const char *typed,
                  const QStringList &buttons, quint32 expectedSet) {
        QTest::newRow(name) << QString::fromLatin1(field) << QString::fromLatin1(typed) << buttons
                            << expectedSet;
    };

    row("bit 5 clicked", "", "", {"register_5"}, 0x00000020u);
    row("bit 5 clicked twice", "", "", {"register_5", "register_5"}, 0x00000000u);
    row("bits 0 and 31 clicked", "", "", {"register_0", "register_31"}, 0x80000001u);
    row("hex typed", "lineEdit_hex", "a5", {}, 0x000000A5u);
    row("all ones typed", "lineEdit_hex", "ffffffff", {}, 0xFFFFFFFFu);
    row("decimal typed", "lineEdit_dec", "65536", {}, 0x00010000u);
    row("octal typed", "lineEdit_oct", "17", {}, 0x0000000Fu);
    row("typed, then cleared", "lineEdit_hex", "ffff", {"pushButton_clear"}, 0x00000000u);
    row("typed, then shifted left", "lineEdit_hex", "80000001", {"pushButton_bit_ml"}, 0x00000002u);
    row("typed, then shifted right", "lineEdit_hex", "3", {"pushButton_bit_mr"}, 0x00000001u);
    row("typed, then a bit clicked", "lineEdit_hex", "f0", {"register_4"}, 0x000000E0u);
}

void TestExtras::bitDescriptionsFollowValue()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QStringList, buttons);
    QFETCH(quint32, expectedSet);

    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    if (!field.isEmpty())
        typeInto(dialog, field, typed);
    for (const QString &button : buttons)
        click(dialog, button);

    for (int bit = 0; bit < 32; ++bit) {
        auto *button = child<QPushButton>(
            &dialog, QByteArray("register_" + QByteArray::number(bit)).constData());
        const bool set = (expectedSet >> bit) & 1u;
        const QString description = set ? QStringLiteral("set") : QStringLiteral("clear");
        QCOMPARE(button->accessibleDescription(), description);
        QCOMPARE(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Description),
                 description);
        // The description agrees with what the button shows.
        QCOMPARE(button->text(), set ? QStringLiteral("1") : QStringLiteral("0"));
        // Name and tooltip never change with the value.
        QCOMPARE(button->accessibleName(), QStringLiteral("bit %1").arg(bit));
        QCOMPARE(button->toolTip(), literals::bit_tooltip(bit));
    }
}

QTEST_MAIN(TestExtras)
#include "tst_extras.moc"
