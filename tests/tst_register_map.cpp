// The register-map window as a user meets it: opened in every way, searched,
// following the main window's value, edited field by field, unreadable files,
// the bit buttons' field names, Escape.
#include "command_line.h"
#include "dialog.h"
#include "placement.h"
#include "regmap.h"
#include "rsp.h"
#include "testsupport.h"

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCommandLineParser>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>
#include <QtTest>

namespace {

const QString dash = QString::fromUtf8(" \u2014 ");

QDialog *map_window()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("registerMap"))
            return qobject_cast<QDialog *>(w);
    }
    return nullptr;
}

bool map_read()
{
    QDialog *map = map_window();
    return map && QTest::qWaitFor([map] { return child<QWidget>(map, "mapBusy")->isHidden(); });
}

// Runs the options as main() does; the error text main() would print.
QString start(Dialog &dialog, const QStringList &options)
{
    QCommandLineParser parser;
    command_line::add_options(parser);
    if (!parser.parse(QStringList{QStringLiteral("tarnwick")} + options))
        return parser.errorText();
    const QString error = command_line::error(parser);
    if (!error.isEmpty())
        return error;
    command_line::apply(parser, dialog);
    return map_read() ? QString() : QStringLiteral("not read");
}

QAbstractItemModel *fields() { return child<QTableView>(map_window(), "fieldTable")->model(); }

QModelIndex value_cell(const QString &field)
{
    const QModelIndexList found =
        fields()->match(fields()->index(0, 1), Qt::DisplayRole, field, 1, Qt::MatchExactly);
    return found.isEmpty() ? QModelIndex() : found.first().siblingAtColumn(2);
}

// "value|meaning", and a * when the row is marked as differing from reset.
QString row_text(const QString &field)
{
    const QModelIndex value = value_cell(field);
    return value.data().toString() + '|' + value.siblingAtColumn(3).data().toString() +
           (value.data(Qt::FontRole).value<QFont>().bold() ? "*" : "");
}

// Writes a map with what the test map lacks: a 12-bit field, two registers
// of one name, a field above bit 31 and, with `filler` registers more, the size of a vendor's file.
bool write_made_map(const QString &path, int filler = 0)
{
    QByteArray svd = "<device><name>MADE</name><width>32</width><size>32</size><peripherals>"
                     "<peripheral><name>MADE</name><baseAddress>0x40000000</baseAddress>"
                     "<registers><register><name>CTRL</name><addressOffset>0</addressOffset>"
                     "<fields><field><name>CLKDIV</name><bitRange>[11:0]</bitRange></field>"
                     "</fields></register>"
                     "<register><name>DUP</name><addressOffset>0x10</addressOffset></register>"
                     "<register><name>DUP</name><addressOffset>0x20</addressOffset></register>"
                     "<register><name>WIDE</name><addressOffset>0x30</addressOffset><size>64</size>"
                     "<resetValue>0x123400000000</resetValue><fields><field><name>HIGH</name>"
                     "<bitRange>[47:32]</bitRange><enumeratedValues><enumeratedValue><name>ZERO"
                     "</name><value>0</value></enumeratedValue></enumeratedValues></field></fields>"
                     "</register>";
    for (int i = 0; i < filler; ++i)
        svd += "<register><name>FILL" + QByteArray::number(i) + "</name><addressOffset>" +
               QByteArray::number(256 + 4 * i) + "</addressOffset><description>" +
               QByteArray(120, 'x') + "</description></register>\n";
    svd += "</registers></peripheral></peripherals></device>";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(svd) == svd.size();
}

// "NAME=VALUE" for every register the tree gives a value, in tree order,
// with a * where the value is marked.
QString tree_values(const QAbstractItemModel *tree, const QModelIndex &parent = QModelIndex())
{
    QStringList found;
    for (int row = 0; row < tree->rowCount(parent); ++row) {
        const QModelIndex value = tree->index(row, 2, parent);
        if (tree->hasChildren(value.siblingAtColumn(0)))
            found << tree_values(tree, value.siblingAtColumn(0));
        else if (!value.data().toString().isEmpty())
            found << value.siblingAtColumn(0).data(Qt::AccessibleTextRole).toString() + '=' +
                         value.data().toString() +
                         (value.data(Qt::FontRole).value<QFont>().bold() ? "*" : "");
    }
    found.removeAll(QString());
    return found.join(',');
}

// Types `path` into the file dialog `trigger` opens.
void choose_file(const QString &path, const std::function<void()> &trigger)
{
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *files = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!files || !files->isVisible())
            return;
        poll.stop();
        QTest::keyClicks(child<QLineEdit>(files, "fileNameEdit"), path);
        QTest::keyClick(child<QLineEdit>(files, "fileNameEdit"), Qt::Key_Return);
    });
    poll.start(10);
    trigger();
}

// A GDB server over a few words of memory, as QEMU's answers them, that
// keeps every request for the test to look at.
class FakeTarget : public QObject
{
public:
    QHash<quint64, quint32> memory;
    QByteArrayList requests;
    FakeTarget()
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *peer = server.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, this, [this, peer] {
                QVector<rsp::Event> events;
                reader.feed(peer->readAll(), events);
                for (const rsp::Event &event : events)
                    if (event.kind == rsp::Event::Packet)
                        peer->write("+" + rsp::frame(answer(event.payload)));
            });
        });
    }
    QString address() const { return "127.0.0.1:" + QString::number(server.serverPort()); }

private:
    QByteArray answer(const QByteArray &payload)
    {
        requests << payload;
        if (payload.startsWith("qSupported"))
            return "PacketSize=1000";
        if (payload == "?")
            return "T05thread:01;";
        const quint64 at = payload.mid(1, payload.indexOf(',') - 1).toULongLong(nullptr, 16);
        QByteArray bytes(4, '\0');
        qToLittleEndian(memory.value(at), bytes.data());
        if (payload.startsWith('m'))
            return bytes.toHex();
        if (payload.startsWith('M')) {
            memory[at] = qFromLittleEndian<quint32>(
                QByteArray::fromHex(payload.mid(payload.indexOf(':') + 1)).constData());
            return "OK";
        }
        return payload == "D" ? "OK" : "";
    }
    QTcpServer server;
    rsp::Reader reader;
};

// Says Yes to the next message box, and keeps its text.
void answer_yes(QString &text)
{
    QTimer::singleShot(0, [&text] {
        // No box: the text stays empty, which the test then tells.
        if (!QTest::qWaitFor(
                [] { return qobject_cast<QMessageBox *>(QApplication::activeModalWidget()); }))
            return;
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        text = box->text();
        box->button(QMessageBox::Yes)->click();
    });
}

} // namespace

class TestRegisterMap : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString svd;
    QString made; // made_map(), where the registers of MADE come from
    CalculatorWidgets w;

    // The main window with the map of `reg`, from the command line.
    bool open(Dialog &dialog, const QString &reg)
    {
        dialog.show();
        w.find_widgets(&dialog);
        const QString &file = reg.startsWith("MADE.") ? made : svd;
        return start(dialog, {"--svd", file, "--register", reg}).isEmpty();
    }

private slots:
    void initTestCase()
    {
        // The user's own settings stay untouched, and dialogs are Qt's own, which
        // a test can drive on every platform.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        svd = dir.filePath(QStringLiteral("tarnwick_test.svd"));
        QVERIFY(QFile::copy(QStringLiteral(":/data/tarnwick_test.svd"), svd));
        made = dir.filePath(QStringLiteral("made.svd"));
        QVERIFY(write_made_map(made));
    }

    void opens_data()
    {
        QTest::addColumn<QStringList>("options"); // FILE: the map; "drop" on the widget named
        QTest::addColumn<QString>("title");       // empty: no map, an error instead
        QTest::addColumn<int>("rows");

        const QString file = QStringLiteral("tarnwick_test.svd");
        // clang-format off
        QTest::newRow("--svd --register")
            << QStringList{"--svd", "FILE", "--register", "gpioa.moder"}
            << "GPIOA.MODER" + dash + file << 16;
        QTest::newRow("--svd") << QStringList{"--svd", "FILE"} << file << 0;
        QTest::newRow("no such register")
            << QStringList{"--svd", "FILE", "--register", "GPIOA.NOPE"}
            << file << 0;
        QTest::newRow("--register alone") << QStringList{"--register", "GPIOA.MODER"} << "" << 0;
        QTest::newRow("drop on the window") << QStringList{"drop", "Dialog"} << file << 0;
        QTest::newRow("drop on a value field") << QStringList{"drop", "lineEdit_hex"} << file << 0;
        // clang-format on
    }

    void opens()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, title);
        QFETCH(int, rows);

        Dialog dialog;
        dialog.show();
        QVERIFY(!map_window()); // never at start, whatever is remembered
        options.replaceInStrings(QStringLiteral("FILE"), svd);
        if (options.first() == QLatin1String("drop")) {
            QWidget *target =
                options[1] == "Dialog" ? &dialog : child<QWidget>(&dialog, qPrintable(options[1]));
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(svd)});
            // Shift proposes Move, which a file manager may take as moving the file.
            const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
            QDragEnterEvent enter({5, 5}, actions, &mime, Qt::LeftButton, Qt::ShiftModifier);
            QApplication::sendEvent(target, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop({5, 5}, actions, &mime, Qt::LeftButton, Qt::ShiftModifier);
            QApplication::sendEvent(target, &drop);
            QCOMPARE(enter.dropAction() | drop.dropAction(), Qt::CopyAction);
            QVERIFY(map_read());
        } else {
            QCOMPARE(start(dialog, options), title.isEmpty() ? "--register needs --svd FILE" : "");
        }
        QDialog *map = map_window();
        QCOMPARE(!map, title.isEmpty());
        if (!map)
            return;
        QCOMPARE(map->windowTitle(), title);
        QVERIFY(map->isVisible() && dialog.isVisible());
        QCOMPARE(map->windowIcon().cacheKey(), dialog.windowIcon().cacheKey());
        QCOMPARE(fields()->rowCount(), rows);
        // For screen readers: the column headers and the cells, no row headers.
        auto *table = QAccessible::queryAccessibleInterface(child<QTableView>(map, "fieldTable"));
        QCOMPARE(table->childCount(), (rows + 1) * 6);
        QCOMPARE(table->child(0)->text(QAccessible::Name), "Bits");
        for (QLabel *label : map->findChildren<QLabel *>())
            QVERIFY(
                !QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name).isEmpty() ||
                !label->isHidden());
        QCOMPARE(child<QLineEdit>(&dialog, "lineEdit_dec")->text(), ""); // the value stays
        if (options.contains("GPIOA.NOPE"))
            QVERIFY(child<QLabel>(map, "mapStatus")->text().endsWith("none is called GPIOA.NOPE"));
    }

    void search_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("moves"); // arrow keys: Down when positive, Up when negative
        QTest::addColumn<QString>("picked");

        // clang-format off
        QTest::newRow("Enter picks the first") << "moder" << 0 << "GPIOB.MODER";
        QTest::newRow("Down twice") << "moder" << 2 << "GPIOA.MODER";
        QTest::newRow("Up goes to the last") << "MODER" << -1 << "GPIOA.MODER";
        QTest::newRow("two terms") << "gpioa moder" << 0 << "GPIOA.MODER";
        QTest::newRow("inside parts") << "ch[1] CCR" << 0 << "TIM.CH[1].CCR";
        QTest::newRow("two of one name") << "made.dup" << 2 << "MADE.DUP at 0x40000020";
        QTest::newRow("an address") << "0x40020014" << 0 << "GPIOA.ODR";
        // clang-format on
    }

    void search()
    {
        QFETCH(QString, typed);
        QFETCH(int, moves);
        QFETCH(QString, picked);

        Dialog dialog;
        const bool made_up = picked.startsWith("MADE.");
        QVERIFY(open(dialog, made_up ? "MADE." : ""));
        auto *search = child<QLineEdit>(map_window(), "registerSearch");
        search->clear();
        QTest::keyClicks(search, typed);
        QVERIFY(QApplication::activePopupWidget());
        // Keys go where the window system sends them: to the list while it is open.
        const auto target = [search] {
            QWidget *popup = QApplication::activePopupWidget();
            return popup ? popup : search;
        };
        for (int i = 0; i < qAbs(moves); ++i)
            QTest::keyClick(target(), moves > 0 ? Qt::Key_Down : Qt::Key_Up);
        QTest::keyClick(target(), Qt::Key_Return);
        QCOMPARE(map_window()->windowTitle(),
                 picked + dash + (made_up ? "made.svd" : "tarnwick_test.svd"));
        QCOMPARE(search->text(), picked);
        QVERIFY(!QApplication::activePopupWidget());
        QCOMPARE(w.dec->text(), "");
        const QModelIndex in_tree = child<QTreeView>(map_window(), "registerTree")->currentIndex();
        QVERIFY(picked.startsWith(in_tree.data(Qt::AccessibleTextRole).toString() + " at") ||
                picked == in_tree.data(Qt::AccessibleTextRole));
    }

    void tree_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("downs");     // from the top row
        QTest::addColumn<QString>("how");   // "Enter", "click" or "" (the arrows alone)
        QTest::addColumn<QString>("shown"); // the registers left, in tree order
        QTest::addColumn<QString>("picked");

        // clang-format off
        QTest::newRow("a name") << "odr" << 1 << "Enter" << "GPIOB.ODR,GPIOA.ODR" << "GPIOB.ODR";
        QTest::newRow("clicked") << "odr" << 3 << "click" << "GPIOB.ODR,GPIOA.ODR" << "GPIOA.ODR";
        QTest::newRow("the arrows pick nothing") << "odr" << 1 << "" << "GPIOB.ODR,GPIOA.ODR" << "";
        QTest::newRow("an address") << " 0x40020014" << 1 << "Enter" << "GPIOA.ODR" << "GPIOA.ODR";
        QTest::newRow("within a register") << "0x4002081d" << 1 << "Enter" << "GPIOC.LCKR"
            << "GPIOC.LCKR";
        QTest::newRow("nested clusters") << "ch[1] dt" << 3 << "Enter"
            << "TIM.CH[1].DEAD.DTA,TIM.CH[1].DEAD.DTB,TIM.CH[1].DEAD.DTC" << "TIM.CH[1].DEAD.DTA";
        // clang-format on
    }

    // Browsing: the search filters the tree, the tree picks, and the picked
    // register's value follows the main window.
    void tree()
    {
        QFETCH(QString, typed);
        QFETCH(int, downs);
        QFETCH(QString, how);
        QFETCH(QString, shown);
        QFETCH(QString, picked);

        Dialog dialog;
        QVERIFY(open(dialog, ""));
        auto *view = child<QTreeView>(map_window(), "registerTree");
        QCOMPARE(view->model()->rowCount(), 6); // the peripherals, collapsed
        QVERIFY(!view->isExpanded(view->model()->index(0, 0)));
        QTest::keyClicks(child<QLineEdit>(map_window(), "registerSearch"), typed);
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QStringList left;
        for (QModelIndex row = view->model()->index(0, 0); row.isValid();
             row = view->indexBelow(row))
            if (!view->model()->hasChildren(row))
                left << row.data(Qt::AccessibleTextRole).toString();
        QCOMPARE(left.join(','), shown);

        view->setFocus();
        view->setCurrentIndex(view->model()->index(0, 0));
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(view, Qt::Key_Down);
        if (how == "Enter")
            QTest::keyClick(view, Qt::Key_Return);
        else if (how == "click")
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              view->visualRect(view->currentIndex()).center());
        QCOMPARE(map_window()->windowTitle(),
                 (picked.isEmpty() ? "" : picked + dash) + "tarnwick_test.svd");
        if (picked.isEmpty())
            return;
        const QModelIndex row = view->currentIndex();
        // The main window's 0, as wide as the register.
        QCOMPARE(
            row.siblingAtColumn(2).data().toString(),
            row.siblingAtColumn(3).data().toString().replace(QRegularExpression("[1-9A-F]"), "0"));
        QTest::mouseClick(child<QPushButton>(map_window(), "resetValue"), Qt::LeftButton);
        QCOMPARE(row.siblingAtColumn(2).data(), row.siblingAtColumn(3).data());
    }

    void follows_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("changed"); // cells reported to the view
        QTest::addColumn<QString>("dec");

        // clang-format off
        QTest::newRow("bit click") << "register_0" << "MODER0" << "0x1 (1)|Output*" << 3
            << "2818572289";
        QTest::newRow("entry") << "lineEdit_hex" << "MODER0" << "0x3 (3)|Analog*" << 12 << "3";
        QTest::newRow("entry out of range")
            << "lineEdit_dec" << "MODER15" << "0x2 (2)|Alternate" << 0
            << "2818572288";
        QTest::newRow("shift") << "pushButton_bit_mr" << "MODER15" << "0x1 (1)|Output*" << 9
            << "1409286144";
        QTest::newRow("clear all")
            << "pushButton_clear" << "MODER15" << "0x0 (0)|Input*" << 9 << "";
        // clang-format on
    }

    // From the reset value; only what changed is reported.
    void follows()
    {
        QFETCH(QString, action);
        QFETCH(QString, field);
        QFETCH(QString, shown);
        QFETCH(int, changed);
        QFETCH(QString, dec);

        Dialog dialog;
        QVERIFY(open(dialog, "GPIOA.MODER"));
        QTest::mouseClick(child<QPushButton>(map_window(), "resetValue"), Qt::LeftButton);
        QCOMPARE(w.dec->text(), "2818572288");
        QCOMPARE(row_text("MODER15"), "0x2 (2)|Alternate");
        QCOMPARE(row_text("MODER12"), "0x0 (0)|Input");

        QSignalSpy reported(fields(), &QAbstractItemModel::dataChanged);
        if (auto *edit = child<QWidget>(&dialog, qPrintable(action));
            qobject_cast<QLineEdit *>(edit)) {
            QTest::mouseClick(edit, Qt::LeftButton);
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            if (action == "lineEdit_dec")
                static_cast<QLineEdit *>(edit)->insert("99999999999"); // pasted, so in one edit
            else
                QTest::keyClicks(edit, QStringLiteral("3"));
        } else {
            QTest::mouseClick(static_cast<QPushButton *>(edit), Qt::LeftButton);
        }
        QCOMPARE(w.dec->text(), dec);
        QCOMPARE(row_text(field), shown);
        QCOMPARE(reported.count(), changed);
    }

    void edits_data()
    {
        QTest::addColumn<QString>("reg");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("hex");     // the register afterwards, from its reset value
        QTest::addColumn<QString>("refusal"); // shown at the editor, which stays open

        const QString clkdiv = "does not fit the 12-bit field CLKDIV (at most ";
        // clang-format off
        QTest::newRow("by number") << "GPIOA.MODER" << "MODER1" << "3" << "a800000c" << "";
        QTest::newRow("by name") << "GPIOA.MODER" << "MODER1" << "analog" << "a800000c" << "";
        QTest::newRow("clears bits") << "GPIOA.MODER" << "MODER15" << "Input" << "28000000" << "";
        QTest::newRow("too wide") << "GPIOA.MODER" << "MODER1" << "4" << "a8000000"
            << "4 does not fit the 2-bit field MODER1 (at most 3)";
        QTest::newRow("too wide in hex") << "GPIOA.MODER" << "MODER1" << "0x4" << "a8000000"
            << "0x4 does not fit the 2-bit field MODER1 (at most 0x3)";
        QTest::newRow("a name for writing") << "TIM.CR1" << "DIR" << "CountDown" << "15" << "";
        QTest::newRow("no names") << "GPIOA.ODR" << "ODR" << "0xbeef" << "beef" << "";
        QTest::newRow("last digit kept") << "GPIOA.ODR" << "ODR" << "0x10000" << "0"
            << "0x10000 does not fit the 16-bit field ODR (at most 0xFFFF)";
        QTest::newRow("12 bits") << "MADE.CTRL" << "CLKDIV" << "4095" << "fff" << "";
        QTest::newRow("12 bits, one more") << "MADE.CTRL" << "CLKDIV" << "4096" << "0"
            << "4096 " + clkdiv + "4095)";
        QTest::newRow("12 bits, one more in hex") << "MADE.CTRL" << "CLKDIV" << "0x1000" << "0"
            << "0x1000 " + clkdiv + "0xFFF)";
        QTest::newRow("negative") << "MADE.CTRL" << "CLKDIV" << "-1" << "0"
            << "-1 is negative; the field CLKDIV holds 0 to 4095";
        QTest::newRow("no number") << "GPIOA.ODR" << "ODR" << "ten" << "0" << "ten is no number";
        QTest::newRow("no number, no name") << "GPIOA.MODER" << "MODER1" << "on" << "a8000000"
            << "on is neither a number nor a name MODER1 has for writing";
        QTest::newRow("C suffix") << "GPIOA.MODER" << "MODER1" << "0x3u" << "a800000c" << "";
        QTest::newRow("C suffix without a prefix") << "GPIOA.ODR" << "ODR" << "3u" << "3" << "";
        // clang-format on
    }

    void edits()
    {
        QFETCH(QString, reg);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, hex);
        QFETCH(QString, refusal);

        Dialog dialog;
        QVERIFY(open(dialog, reg));
        QTest::mouseClick(child<QPushButton>(map_window(), "resetValue"), Qt::LeftButton);
        auto *table = child<QTableView>(map_window(), "fieldTable");
        QVERIFY(QAccessible::queryAccessibleInterface(table)
                    ->tableInterface()
                    ->cellAt(value_cell(field).row(), 2)
                    ->state()
                    .editable);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          table->visualRect(value_cell(field)).center());
        QTest::keyClick(table, Qt::Key_F2);
        QPointer<QWidget> editor = table->viewport()->findChild<QComboBox *>();
        QCOMPARE(bool(editor), reg.startsWith("GPIOA.M") || reg.startsWith("TIM")); // names
        if (!editor)
            editor = table->viewport()->findChild<QLineEdit *>();
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, typed);
        QLineEdit *line = qobject_cast<QLineEdit *>(editor);
        QCOMPARE(line ? line->text() : qobject_cast<QComboBox *>(editor)->currentText(), typed);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents(); // the view commits once the key is handled
        QCOMPARE(w.hex->text(), hex);
        QCOMPARE(editor->isVisible(), !refusal.isEmpty());
        if (refusal.isEmpty())
            return;
        QCOMPARE(QToolTip::text(), refusal);
        QTest::keyClick(editor, Qt::Key_Escape);
        QVERIFY(!editor || !editor->isVisible());
        QCOMPARE(w.hex->text(), hex);
    }

    void unreadable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // null: no such file
        QTest::addColumn<QString>("where");      // what the error names

        // clang-format off
        QTest::newRow("broken XML") << "broken.svd" << QByteArray("<device>\n  <name>X</na")
            << "broken.svd:2:";
        QTest::newRow("not SVD") << "page.xml" << QByteArray("<html/>") << "page.xml";
        QTest::newRow("missing") << "missing.svd" << QByteArray() << "missing.svd";
        // clang-format on
    }

    // The error shows in the map window; the value and the map open stay.
    void unreadable()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, where);

        Dialog dialog;
        QVERIFY(open(dialog, "GPIOA.MODER"));
        QTest::mouseClick(w.bits[0], Qt::LeftButton);
        QFile file(dir.filePath(name));
        QVERIFY(content.isNull() || (file.open(QIODevice::WriteOnly) && file.write(content) > 0));
        file.close();
        dialog.open_register_map(file.fileName());
        QVERIFY(map_read());
        const QString status = child<QLabel>(map_window(), "mapStatus")->text();
        QVERIFY2(status.startsWith("Cannot read the map: ") && status.contains(where),
                 qPrintable(status));
        QCOMPARE(map_window()->windowTitle(), "GPIOA.MODER" + dash + "tarnwick_test.svd");
        QCOMPARE(row_text("MODER0"), "0x1 (1)|Output*");
        QCOMPARE(w.dec->text(), "1");
        // Picking a register tells of the map again; the error stays at hand.
        auto *search = child<QLineEdit>(map_window(), "registerSearch");
        search->setText("tim.sr");
        QTest::keyClick(search, Qt::Key_Return);
        QLabel *shown = child<QLabel>(map_window(), "mapStatus");
        QVERIFY(shown->text().contains(" registers in tarnwick_test.svd"));
        QVERIFY(shown->toolTip().contains(status));
    }

    // Typed while a large map is read, the text stays, and Enter picks from
    // that map once it is read.
    void typed_while_reading()
    {
        const QString large = dir.filePath("large.svd");
        QVERIFY(write_made_map(large, 12000));
        QVERIFY(QFileInfo(large).size() > 2000000);
        Dialog dialog;
        dialog.show();
        dialog.open_register_map(large);
        auto *search = child<QLineEdit>(map_window(), "registerSearch");
        QTest::keyClicks(search, "fill123");
        QTest::keyClick(search, Qt::Key_Return);
        QVERIFY(!child<QWidget>(map_window(), "mapBusy")->isHidden()); // still reading
        QVERIFY(map_read());
        QCOMPARE(map_window()->windowTitle(), "MADE.FILL123" + dash + "large.svd");
    }

    void bit_places_data()
    {
        QTest::addColumn<QString>("reg");
        QTest::addColumn<int>("bit");
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("note"); // once the bit is set, in part

        // clang-format off
        QTest::newRow("bit of a wide field") << "GPIOA.MODER" << 5 << "MODER2[1]" << "";
        QTest::newRow("one-bit field") << "TIM.CR1" << 0 << "CEN" << "";
        QTest::newRow("reserved") << "TIM.CR1" << 2 << "reserved" << "";
        QTest::newRow("16-bit register") << "TIM.CH[0].CCR" << 20 << "outside the register"
            << "Bits above bit 15 are set";
        QTest::newRow("64-bit register") << "TIM.CNT64" << 31 << "CNT[31]" << "Tarnwick holds 32";
        // clang-format on
    }

    void widths_data()
    {
        QTest::addColumn<QString>("reg");
        QTest::addColumn<QString>("reset"); // as the window's header shows it
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("shown"); // once the reset value is entered, see row_text()

        // clang-format off
        QTest::newRow("8 bits") << "FLAWED.CTRL" << "0x00" << "SMALL" << "0x0 (0)|";
        QTest::newRow("64 bits, across bit 32") << "TIM.CNT64" << "0x123456789ABCDEF0 (mask 0x00000000FFFFFFFF)" << "CNT"
            << "0x9ABCDEF0 (2596069104), bits 63:32 not held|";
        QTest::newRow("64 bits, above bit 31") << "MADE.WIDE" << "0x0000123400000000" << "HIGH"
            << "not held|";
        // clang-format on
    }

    void widths()
    {
        QFETCH(QString, reg);
        QFETCH(QString, field);
        Dialog dialog;
        QVERIFY(open(dialog, reg));
        QTest::mouseClick(child<QPushButton>(map_window(), "resetValue"), Qt::LeftButton);
        QTEST(child<QLabel>(map_window(), "registerReset")->text(), "reset");
        QTEST(row_text(field), "shown");
    }

    // While a register is shown the bit buttons name its fields; Escape closes
    // the map window alone, and they say again what they said before.
    void bit_places()
    {
        QFETCH(QString, reg);
        QFETCH(int, bit);
        QFETCH(QString, place);
        QFETCH(QString, note);

        Dialog dialog;
        w.find_widgets(&dialog);
        QPushButton *button = w.bits[bit];
        const QString tooltip =
            QStringLiteral("bit %1 \u00b7 0x%2").arg(bit).arg(1u << bit, 8, 16, QLatin1Char('0'));
        QCOMPARE(button->toolTip(), tooltip);
        QVERIFY(open(dialog, reg));
        const QString suffix = QStringLiteral(" \u00b7 ") + place;
        QCOMPARE(button->toolTip(), tooltip + suffix);
        QCOMPARE(button->accessibleDescription(), "clear" + suffix);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->accessibleDescription(), "set" + suffix);
        const QString shown_note = child<QLabel>(map_window(), "registerNote")->text();
        QVERIFY2(note.isEmpty() ? shown_note.isEmpty() : shown_note.contains(note),
                 qPrintable(shown_note));

        QTest::keyClick(child<QWidget>(map_window(), "fieldTable"), Qt::Key_Escape);
        QVERIFY(!map_window()->isVisible() && dialog.isVisible());
        QCOMPARE(button->toolTip(), tooltip);
        QCOMPARE(button->accessibleDescription(), "set");
        QCOMPARE(button->text(), "1");
    }

    void placement_data()
    {
        QTest::addColumn<QRect>("main");
        QTest::addColumn<QRect>("room"); // the screen's available area
        QTest::addColumn<bool>("together");
        QTest::addColumn<QRect>("main_after");
        QTest::addColumn<QRect>("map_after"); // the map window is 600x660 to start with

        const QRect hd(0, 0, 1920, 1080);
        // clang-format off
        QTest::newRow("together, 1280x800") << QRect(290, 175, 700, 450) << QRect(0, 0, 1280, 800)
            << true << QRect(0, 70, 700, 450) << QRect(708, 70, 572, 660);
        QTest::newRow("together, too narrow") << QRect(0, 0, 700, 450) << QRect(0, 0, 1024, 768)
            << true << QRect(0, 0, 700, 450) << QRect(424, 108, 600, 660);
        QTest::newRow("right") << QRect(100, 100, 700, 450) << hd << false
            << QRect(100, 100, 700, 450) << QRect(808, 100, 600, 660);
        QTest::newRow("left") << QRect(1200, 100, 700, 450) << hd << false
            << QRect(1200, 100, 700, 450) << QRect(592, 100, 600, 660);
        QTest::newRow("narrowed beside") << QRect(0, 100, 700, 450) << QRect(0, 0, 1280, 800)
            << false << QRect(0, 100, 700, 450) << QRect(708, 100, 572, 660);
        QTest::newRow("scaled twice on 1920x1080") << QRect(130, 45, 700, 450)
            << QRect(0, 0, 960, 540) << false << QRect(130, 45, 700, 450) << QRect(360, 0, 600, 540);
        // clang-format on
    }

    void placement()
    {
        QFETCH(QRect, main);
        QFETCH(QRect, room);
        QFETCH(bool, together);
        const placement::Windows placed =
            placement::place_windows(main, QSize(600, 660), room, together, 420, 8);
        QTEST(placed.main, "main_after");
        QTEST(placed.map, "map_after");
    }

    // The window's size and a column the user widened come back next time.
    void remembers_layout()
    {
        QSize wanted;
        {
            Dialog dialog;
            QVERIFY(open(dialog, "GPIOA.MODER"));
            // Well above the least size, which depends on the fonts and the
            // register shown, and inside the screen, which the window keeps to
            // (Wine's fonts leave little room on the 800x600 offscreen screen).
            const QSize least = map_window()->minimumSizeHint();
            wanted = (least + QSize(150, 100))
                         .boundedTo(QGuiApplication::primaryScreen()->availableSize())
                         .expandedTo(least);
            map_window()->resize(wanted);
            child<QTableView>(map_window(), "fieldTable")
                ->horizontalHeader()
                ->resizeSection(1, 150);
            map_window()->close();
        }
        Dialog dialog;
        QVERIFY(open(dialog, "TIM.CR1"));
        QCOMPARE(map_window()->size(), wanted);
        QCOMPARE(child<QTableView>(map_window(), "fieldTable")->columnWidth(1), 150);
    }

    void dumps_data()
    {
        QTest::addColumn<QString>("first");  // pasted with Ctrl+V in the tree
        QTest::addColumn<QString>("second"); // compared with it, when given
        QTest::addColumn<bool>("changed_only");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("status"); // a part of it
        QTest::addColumn<QString>("pick");   // by the search
        QTest::addColumn<QString>("dec");    // the main window's value then

        const QString gpioa = "0x40020000: a8000001 00000000 00000000 00000000 00000000 00000002";
        const QString gpioa_reset = "0x40020000 <GPIOA>:\t0xa8000000\t0x00000000\n"
                                    "GPIOA.ODR = 0";
        // clang-format off
        QTest::newRow("values, picked") << gpioa << "" << false
            << "GPIOA.MODER=0xA8000001*,GPIOA.ODR=0x00000002*" << "2 registers, 2 not at reset"
            << "GPIOA.ODR" << "2";
        QTest::newRow("changed only") << "# reset but MODER\n" + gpioa_reset + "\nTIM.CR1 = 0x1"
            << "" << true << "TIM.CR1=0x00000001*" << "3 registers, 1 not at reset"
            << "GPIOA.MODER" << "2818572288";
        QTest::newRow("no value leaves the value") << gpioa << "" << false
            << "GPIOA.MODER=0xA8000001*,GPIOA.ODR=0x00000002*" << "" << "GPIOB.ODR" << "";
        QTest::newRow("lines skipped") << "> mdw 0x40020014\n0x40020014: 00000000" << "" << false
            << "GPIOA.ODR=0x00000000" << "1 line in no form skipped, the first line 1" << "" << "";
        QTest::newRow("another chip's") << "0x10000000: 00000001" << "" << false << ""
            << "the pasted dump covers no register of tarnwick_test.svd" << "GPIOA.ODR" << "";
        QTest::newRow("no dump") << "hello" << "" << false << "" << "Cannot read the pasted dump"
            << "" << "";
        QTest::newRow("compared") << gpioa_reset << gpioa << false
            << QString::fromUtf8("GPIOA.MODER=0xA8000000 \u2192 0xA8000001*,GPIOA.ODR=0x00000000 "
                                 "\u2192 0x00000002*")
            << "2 registers in both, 2 changed" << "GPIOA.MODER" << "2818572289";
        QTest::newRow("compared, changed only") << gpioa_reset << "GPIOA.ODR = 0\nTIM.SR = 1"
            << true << "" << "1 register in both, 0 changed" << "" << "";
        // clang-format on
    }

    // Pasted and compared dumps as the tree shows them, and the value a pick
    // enters.
    void dumps()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, changed_only);
        QFETCH(QString, shown);
        QFETCH(QString, status);
        QFETCH(QString, pick);
        QFETCH(QString, dec);

        Dialog dialog;
        QVERIFY(open(dialog, ""));
        auto *view = child<QTreeView>(map_window(), "registerTree");
        QVERIFY(!child<QWidget>(map_window(), "compareDump")->isEnabled());
        QApplication::clipboard()->setText(first);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
        if (!second.isEmpty()) {
            QApplication::clipboard()->setText(second);
            child<QToolButton>(map_window(), "compareDump")
                ->menu()
                ->findChild<QAction *>("compare_pasted_dump")
                ->trigger();
        }
        if (changed_only)
            QTest::mouseClick(child<QCheckBox>(map_window(), "changedOnly"), Qt::LeftButton, {},
                              {2, 2});
        QCOMPARE(tree_values(view->model()), shown);
        QVERIFY2(child<QLabel>(map_window(), "mapStatus")->text().contains(status),
                 qPrintable(child<QLabel>(map_window(), "mapStatus")->text()));
        QMessageBox *box = QApplication::activeModalWidget()
                               ? qobject_cast<QMessageBox *>(QApplication::activeModalWidget())
                               : nullptr;
        QVERIFY(!box);
        if (!pick.isEmpty()) {
            QTest::keyClicks(child<QLineEdit>(map_window(), "registerSearch"), pick);
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
        }
        QCOMPARE(w.dec->text(), dec);
    }

    // A live chip's status register: read into the main window, not
    // watched where a read changes the chip, written back without clearing
    // the flag that was set, and the peripheral read around what may not be.
    void live_target()
    {
        const QString live = dir.filePath("live.svd");
        QFile file(live);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<device><name>LIVE</name><width>32</width><size>32</size><peripherals>"
                   "<peripheral><name>LIVE</name><baseAddress>0x20000000</baseAddress><registers>"
                   "<register><name>CTRL</name><addressOffset>0</addressOffset><fields>"
                   "<field><name>FLAG</name><bitRange>[0:0]</bitRange>"
                   "<modifiedWriteValues>oneToClear</modifiedWriteValues></field>"
                   "<field><name>MODE</name><bitRange>[7:4]</bitRange></field></fields></register>"
                   "<register><name>FIFO</name><addressOffset>4</addressOffset>"
                   "<readAction>clear</readAction></register>"
                   "<register><name>WO</name><addressOffset>8</addressOffset>"
                   "<access>write-only</access></register>"
                   "</registers></peripheral></peripherals></device>");
        file.close();
        FakeTarget target;
        target.memory = {{0x20000000, 0x31}, {0x20000004, 0x55}};
        Dialog dialog;
        dialog.show();
        w.find_widgets(&dialog);
        QVERIFY(start(dialog, {"--svd", live, "--register", "LIVE.CTRL"}).isEmpty());
        QTest::mouseClick(child<QPushButton>(map_window(), "connectTarget"), Qt::LeftButton);
        auto *address = child<QLineEdit>(map_window(), "targetAddress");
        QVERIFY(address->isVisible());
        address->clear();
        QTest::keyClicks(address, target.address());
        QTest::keyClick(address, Qt::Key_Return);
        auto *status = child<QLabel>(map_window(), "targetStatus");
        QTRY_VERIFY2(w.hex->text() == "31", qPrintable(status->text()));
        QVERIFY2(status->text().contains(target.address()) && status->text().contains("read at"),
                 qPrintable(status->text()));
        QVERIFY(child<QCheckBox>(map_window(), "targetWatch")->isEnabled());

        // MODE changed, FLAG left as read: the word holds 0 in FLAG.
        w.hex->selectAll();
        QTest::keyClicks(w.hex, "51");
        QVERIFY2(status->text().contains("typed, not yet written"), qPrintable(status->text()));
        QString asked;
        answer_yes(asked);
        QTest::mouseClick(child<QPushButton>(map_window(), "targetWrite"), Qt::LeftButton);
        QVERIFY2(asked.contains("0x00000050") && asked.contains("MODE: 3 → 5") &&
                     !asked.contains("FLAG"),
                 qPrintable(asked));
        QTRY_VERIFY2(status->text().contains("read back the same"), qPrintable(status->text()));
        QCOMPARE(target.memory.value(0x20000000), 0x50u);

        QTest::mouseClick(child<QPushButton>(map_window(), "readPeripheral"), Qt::LeftButton);
        QTRY_VERIFY2(status->text().contains("not read: LIVE.FIFO (reading it has a side effect"),
                     qPrintable(status->text()));
        QVERIFY(!target.requests.contains("m20000004,4"));
        QVERIFY(!target.requests.contains("m20000008,4"));
        QTRY_COMPARE(tree_values(child<QTreeView>(map_window(), "registerTree")->model()),
                     "LIVE.CTRL=0x00000050*"); // marked: not its reset value

        for (const char *name : {"live.fifo", "live.wo"}) {
            child<QLineEdit>(map_window(), "registerSearch")->clear();
            QTest::keyClicks(child<QLineEdit>(map_window(), "registerSearch"), name);
            QTest::keyClick(child<QLineEdit>(map_window(), "registerSearch"), Qt::Key_Return);
            auto *watch = child<QCheckBox>(map_window(), "targetWatch");
            QVERIFY(!watch->isEnabled());
            QVERIFY2(watch->toolTip().contains(name == QLatin1String("live.wo") ? "write-only"
                                                                                : "side effect"),
                     qPrintable(watch->toolTip()));
        }
        QVERIFY(!child<QPushButton>(map_window(), "targetRead")->isEnabled());
        map_window()->close();
        QTRY_VERIFY2(status->text().contains("not connected"), qPrintable(status->text()));
    }

    // Saved as name lines and read back, dropped on the main window before
    // any map is open.
    void save_values()
    {
        const QString saved = dir.filePath("saved.txt");
        {
            Dialog dialog;
            QVERIFY(open(dialog, "TIM.SR"));
            QApplication::clipboard()->setText("0x40020000: a8000001\nTIM.CR1 = 0x0");
            auto *view = child<QTreeView>(map_window(), "registerTree");
            view->setFocus();
            QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
            QTest::keyClicks(w.hex, "7"); // the picked register's value, as the main window has it
            choose_file(saved, [] {
                QTest::mouseClick(child<QToolButton>(map_window(), "saveDump"), Qt::LeftButton);
            });
            QVERIFY(child<QLabel>(map_window(), "mapStatus")->text().startsWith("3 values saved"));
        }
        Dialog dialog;
        dialog.show();
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(saved)});
        QDragEnterEvent enter({5, 5}, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(&dialog, &enter);
        QDropEvent drop({5, 5}, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(&dialog, &drop);
        QVERIFY(child<QLabel>(map_window(), "mapStatus")->text().startsWith("No map is open"));
        QVERIFY(start(dialog, {"--svd", svd}).isEmpty());
        QCOMPARE(tree_values(child<QTreeView>(map_window(), "registerTree")->model()),
                 "GPIOA.MODER=0xA8000001*,TIM.CR1=0x00000000*,TIM.SR=0x00000007*");
    }

    // The file dialog of the context menu, then the recent maps with the
    // register last picked in each.
    void menu()
    {
        // Only the file opened here, whatever the cases before opened.
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Tarnwick", "tarnwick")
            .remove("recent_register_maps");
        auto dialog = std::make_unique<Dialog>();
        dialog->show();
        std::unique_ptr<QMenu> menu(
            dialog->create_context_menu(child<QWidget>(dialog.get(), "label_bin")));
        QAction *open = menu->findChild<QAction *>("open_register_map");
        QCOMPARE(open->text(), QString::fromUtf8("Open register map\u2026"));
        QStringList filters;
        QTimer poll; // types the file's name once the dialog is up
        connect(&poll, &QTimer::timeout, [&] {
            auto *files = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!files || !files->isVisible())
                return;
            poll.stop();
            filters = files->nameFilters();
            QTest::keyClicks(child<QLineEdit>(files, "fileNameEdit"), svd);
            QTest::keyClick(child<QLineEdit>(files, "fileNameEdit"), Qt::Key_Return);
        });
        poll.start(10);
        open->trigger();
        QCOMPARE(filters, QStringList{"Register maps (*.svd *.xml)"});
        QVERIFY(map_read());
        QTest::keyClicks(child<QLineEdit>(map_window(), "registerSearch"), "tim.sr");
        QTest::keyClick(child<QLineEdit>(map_window(), "registerSearch"), Qt::Key_Return);

        menu.reset(); // the label's menu goes with its window
        dialog = std::make_unique<Dialog>();
        menu.reset(dialog->create_context_menu(child<QWidget>(dialog.get(), "lineEdit_dec")));
        QMenu *recent = menu->findChild<QAction *>("recent_register_maps")->menu();
        QCOMPARE(recent->actions().size(), 1); // one file, however often it was opened
        QCOMPARE(recent->actions().first()->text(), "tarnwick_test.svd" + dash + "TIM.SR");
        recent->actions().first()->trigger();
        QVERIFY(map_read());
        QCOMPARE(map_window()->windowTitle(), "TIM.SR" + dash + "tarnwick_test.svd");
    }
};

QTEST_MAIN(TestRegisterMap)
#include "tst_register_map.moc"
