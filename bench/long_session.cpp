// A long session on the shown main window: 10 000 random user actions with a
// contact dialog opened and closed after every 20 of them (500 in all). The
// resident set size and the heap in use are printed at every 1000 actions, and
// the growth in the second half is set against the first half: Qt's own caches
// (fonts, glyphs, style rules, pixmaps) fill early and then settle, while a
// leak would keep growing at the same rate.
//
// Qt's pixmap cache is the one cache that a restyled button keeps feeding:
// every style sheet change gives the button a new palette, and the Fusion
// style caches its bevels per palette, up to QPixmapCache's limit (10 MB by
// default); the cache's key strings are only dropped by its 30-second flush
// timer. With --no-pixmap-cache that cache is switched off, which shows what
// remains once it is out of the picture: that part must stay flat.
//
// Usage: long_session [actions, default 10000] [actions per contact dialog,
//        default 20] [--no-pixmap-cache]

#include "dialog.h"
#include "proc_status.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPixmapCache>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextStream>

#include <cstdio>
#include <malloc.h>
#include <random>
#include <unistd.h>

namespace {

long heap_kb() { return long(mallinfo2().uordblks / 1024); }

void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QWidget *contact_dialog()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->inherits("connect_developer") && w->isVisible())
            return w;
    }
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool no_pixmap_cache = args.removeAll(QStringLiteral("--no-pixmap-cache")) > 0;
    const int actions = args.size() > 0 ? std::max(100, args[0].toInt()) : 10000;
    const int per_contact = args.size() > 1 ? std::max(1, args[1].toInt()) : 20;
    const int checkpoint = actions / 10;
    if (no_pixmap_cache)
        QPixmapCache::setCacheLimit(0);

    Dialog dialog;
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        qFatal("the main window was never exposed");
    MessageBoxCatcher catcher; // add or subtract out of range opens a warning

    QPushButton *bits[32];
    for (int i = 0; i < 32; ++i)
        bits[i] = child<QPushButton>(&dialog, QStringLiteral("register_%1").arg(i).toLatin1());
    QLineEdit *fields[] = {
        child<QLineEdit>(&dialog, "lineEdit_dec"), child<QLineEdit>(&dialog, "lineEdit_hex"),
        child<QLineEdit>(&dialog, "lineEdit_oct"), child<QLineEdit>(&dialog, "lineEdit_num"),
        child<QLineEdit>(&dialog, "lineEdit_bit_move")};
    const char *buttons[] = {"pushButton_calculate", "pushButton_bit_ml", "pushButton_bit_mr",
                             "pushButton_bit_mL",    "pushButton_bit_mR", "pushButton_clear"};
    const char *radios[] = {"radioButton_bin", "radioButton_oct", "radioButton_dec",
                            "radioButton_hex", "radioButton_add", "radioButton_sub",
                            "radioButton_and", "radioButton_or"};
    const char keys[] = "0123456789abcdefABCDEF 7";

    std::mt19937 rng(1234567);
    settle();
    QTextStream out(stdout);
    out << "long session: " << actions << " random actions, a contact dialog every " << per_contact
        << " actions, platform " << QGuiApplication::platformName()
        << (no_pixmap_cache ? ", Qt's pixmap cache off" : ", Qt's pixmap cache on (default)")
        << "\n";
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("actions"), 8)
               .arg(QStringLiteral("dialogs"), 8)
               .arg(QStringLiteral("rss_kb"), 9)
               .arg(QStringLiteral("heap_kb"), 9);
    QVector<long> rss{status_kb(getpid(), "VmRSS")};
    QVector<long> heap{heap_kb()};
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(0, 8)
               .arg(0, 8)
               .arg(rss.last(), 9)
               .arg(heap.last(), 9);
    out.flush();

    int dialogs = 0;
    int leftover = 0;
    for (int n = 1; n <= actions; ++n) {
        const unsigned kind = rng() % 100;
        if (kind < 40) {
            QTest::mouseClick(bits[rng() % 32], Qt::LeftButton);
        } else if (kind < 70) {
            QLineEdit *field = fields[rng() % 5];
            if (rng() % 4 == 0)
                QTest::keyClick(field, Qt::Key_Backspace);
            else
                QTest::keyClick(field, keys[rng() % (sizeof keys - 1)]);
        } else if (kind < 75) {
            QLineEdit *field = fields[rng() % 5];
            field->selectAll();
            field->insert(QString::number(rng(), 8 + 2 * int(rng() % 2)));
        } else if (kind < 90) {
            QTest::mouseClick(child<QPushButton>(&dialog, buttons[rng() % 6]), Qt::LeftButton);
        } else if (kind < 99) {
            QTest::mouseClick(child<QRadioButton>(&dialog, radios[rng() % 8]), Qt::LeftButton);
        } else {
            QTest::mouseClick(child<QCheckBox>(&dialog, "checkBox"), Qt::LeftButton);
            if (!QTest::qWaitForWindowExposed(&dialog))
                qFatal("the main window did not come back after the stay-on-top switch");
        }
        settle();

        if (n % per_contact == 0) {
            QTest::mouseClick(child<QPushButton>(&dialog, "pushButton_connect_developer"),
                              Qt::LeftButton);
            settle();
            QPointer<QWidget> contact = contact_dialog();
            if (!contact)
                qFatal("the contact button opened no dialog");
            QTest::keyClick(contact.data(), Qt::Key_Escape);
            settle();
            if (contact)
                ++leftover;
            ++dialogs;
        }
        if (n % checkpoint == 0) {
            rss.append(status_kb(getpid(), "VmRSS"));
            heap.append(heap_kb());
            out << QStringLiteral("%1 %2 %3 %4\n")
                       .arg(n, 8)
                       .arg(dialogs, 8)
                       .arg(rss.last(), 9)
                       .arg(heap.last(), 9);
            out.flush();
        }
    }

    const int mid = rss.size() / 2;
    const long rss_first = rss[mid] - rss[0];
    const long rss_second = rss.last() - rss[mid];
    const long heap_first = heap[mid] - heap[0];
    const long heap_second = heap.last() - heap[mid];
    out << "Qt's pixmap cache limit: " << QPixmapCache::cacheLimit() << " kB\n";
    out << "warning boxes closed: " << catcher.boxes.size()
        << ", contact dialogs still alive after closing: " << leftover << "\n";
    out << "RSS growth  first half: " << rss_first << " kB, second half: " << rss_second << " kB\n";
    out << "heap growth first half: " << heap_first << " kB, second half: " << heap_second
        << " kB\n";
    // Flat: the second half adds less than 1% of the resident size to the
    // heap and to the RSS. With the pixmap cache on, its bounded growth is
    // reported but not held against the program.
    const bool flat =
        rss_second * 100 <= rss[mid] && heap_second * 100 <= rss[mid] && leftover == 0;
    if (no_pixmap_cache) {
        out << "GOAL 2b memory flat over the long session (beyond Qt's pixmap cache): "
            << (flat ? "MET" : "NOT MET") << "\n";
    } else {
        out << "second half within 1% of RSS even with Qt's pixmap cache: " << (flat ? "yes" : "no")
            << "\n";
        // The cache drops the keys of evicted pixmaps on a 30-second timer;
        // idle past it to see what the session leaves behind.
        out.flush();
        QTest::qWait(31000);
        out << "after 31 s idle (Qt's cache flush): rss " << status_kb(getpid(), "VmRSS") << " kB, heap "
            << heap_kb() << " kB; heap growth over the session " << heap_kb() - heap[0]
            << " kB against the pixmap cache limit of " << QPixmapCache::cacheLimit() << " kB\n";
    }
    return 0;
}
