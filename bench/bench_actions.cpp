// Cost of each user action on the shown main window, painting included,
// against the naive refresh that restyles all 32 bit buttons unconditionally
// (setText and setStyleSheet on every one), measured on the same window in the
// same run.
//
// Every sample: put the register into a fresh random state (not timed), let
// all pending work and painting finish, then time the action itself plus the
// event processing that paints its result. The actions take turns, one sample
// each per round, so a change in the machine's load hits all of them alike.
// Reported: the median per action and its ratio to the naive refresh's median.
//
// "bit click, register map open" is the bit click while the register-map
// window shows a generated register of 30 fields (28 single bits and two
// 2-bit fields with named values); for every other action the window is
// closed, as it is until the user opens a map.
//
// Usage: bench_actions [samples per action, default 400] [only actions whose
//        name contains this text, for profiling]

#include "dialog.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QVector>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>

namespace {

// Runs everything that a real event loop would run before the next input:
// posted events (polish, layout requests) and the update requests that paint.
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Counts paint events on the bit buttons, to show that painting is measured.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Result
{
    QString name;
    double median_us;
    double p10_us;
    double p90_us;
    double restyled; // average bit buttons whose caption changed
    double paints;   // average bit-button paint events per sample
};

double percentile(QVector<qint64> v, double p)
{
    std::sort(v.begin(), v.end());
    const int i = std::min(int(v.size() - 1), int(p * (v.size() - 1) + 0.5));
    return v[i] / 1000.0;
}

class Bench : private CalculatorWidgets
{
public:
    Bench(int samples, const QString &only) : samples(samples), only(only), rng(20240601)
    {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            qFatal("the main window was never exposed");
        find_widgets(&dialog);
        for (QPushButton *bit : bits)
            bit->installEventFilter(&counter);
        open_map();
        settle();
    }

    void run()
    {
        measure(
            "naive refresh (32 x setText+setStyleSheet)", [this](int) { random_value(); },
            [this](int) { naive_refresh(); });
        // Not user actions: the naive refresh split into its two halves.
        measure(
            "(info) naive restyle, painting not timed", [this](int) { random_value(); },
            [this](int) { naive_refresh(); }, false);
        measure(
            "(info) repaint of the 32 bit buttons only", [this](int) { random_value(); },
            [this](int) {
                for (QPushButton *button : bits)
                    button->update();
            });

        measure(
            "bit click", [](int) {},
            [this](int i) { QTest::mouseClick(bits[(i * 7) % 32], Qt::LeftButton); });
        measure(
            "bit click, register map open", [](int) {},
            [this](int i) { QTest::mouseClick(bits[(i * 7) % 32], Qt::LeftButton); });
        actions.last().with_map = true;
        measure(
            "(info) bit click, map open, painting not timed", [](int) {},
            [this](int i) { QTest::mouseClick(bits[(i * 7) % 32], Qt::LeftButton); }, false);
        actions.last().with_map = true;

        measure_keystrokes("keystroke in lineEdit_dec", dec, 10, 400000000u, "0123456789");
        measure_keystrokes("keystroke in lineEdit_hex", hex, 16, 0x0fffffffu, "0123456789abcdef");
        measure_keystrokes("keystroke in lineEdit_oct", oct, 8, 0x1fffffffu, "01234567");
        measure_keystrokes("keystroke in lineEdit_num", num, 10, 400000000u, "0123456789");

        const char *ops[] = {"radioButton_add", "radioButton_sub", "radioButton_and",
                             "radioButton_or"};
        measure(
            "calculate",
            [this, ops](int i) {
                const int op = i % 4;
                const quint32 a = rng() & 0x7fffffffu;
                const quint32 b = op == 1 ? (a ? rng() % a : 0) : rng() & 0x7fffffffu;
                paste(dec, QString::number(a));
                QTest::mouseClick(child<QRadioButton>(&dialog, ops[op]), Qt::LeftButton);
                paste(num, QString::number(b));
            },
            [this](int) {
                QTest::mouseClick(child<QPushButton>(&dialog, "pushButton_calculate"),
                                  Qt::LeftButton);
            });

        for (const char *shift :
             {"pushButton_bit_ml", "pushButton_bit_mr", "pushButton_bit_mL", "pushButton_bit_mR"}) {
            QPushButton *button = child<QPushButton>(&dialog, shift);
            // Clear all empties the count field, so it is filled every time.
            measure(
                QStringLiteral("shift %1 (%2)").arg(button->text(), QLatin1String(shift)),
                [this](int) {
                    random_value();
                    paste(count, QStringLiteral("4"));
                },
                [button](int) { QTest::mouseClick(button, Qt::LeftButton); });
        }

        measure(
            "clear all", [this](int) { random_value(); },
            [this](int) {
                QTest::mouseClick(child<QPushButton>(&dialog, "pushButton_clear"), Qt::LeftButton);
            });

        execute();
        report();
    }

private:
    // A register of 30 fields, read and picked, then the window closed.
    void open_map()
    {
        QString fields;
        for (int bit = 0; bit < 28; ++bit)
            fields += QStringLiteral("<field><name>F%1</name><bitOffset>%1</bitOffset>"
                                     "<bitWidth>1</bitWidth></field>")
                          .arg(bit);
        for (int bit : {28, 30})
            fields += QStringLiteral("<field><name>M%1</name><bitOffset>%1</bitOffset><bitWidth>2"
                                     "</bitWidth><enumeratedValues><enumeratedValue><name>Off"
                                     "</name><value>0</value></enumeratedValue><enumeratedValue>"
                                     "<name>On</name><value>1</value></enumeratedValue>"
                                     "</enumeratedValues></field>")
                          .arg(bit);
        const QString path = map_dir.filePath(QStringLiteral("bench.svd"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        file.write(QStringLiteral("<device><name>BENCH</name><width>32</width><size>32</size>"
                                  "<resetValue>0</resetValue><peripherals><peripheral><name>P"
                                  "</name><baseAddress>0</baseAddress><registers><register><name>"
                                  "R30</name><addressOffset>0</addressOffset><fields>%1</fields>"
                                  "</register></registers></peripheral></peripherals></device>")
                       .arg(fields)
                       .toUtf8());
        file.close();
        // Opening a map remembers it; not among the user's own.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, map_dir.path());
        dialog.open_register_map(path, QStringLiteral("P.R30"));
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("registerMap"))
                map = w;
        }
        auto *table =
            map ? map->findChild<QAbstractItemView *>(QStringLiteral("fieldTable")) : nullptr;
        if (!table || !QTest::qWaitFor([table] { return table->model()->rowCount() == 30; }))
            qFatal("the register map did not open");
        map->hide();
    }

    // The map window takes the focus when it opens; the user then goes on
    // clicking in the main window, which is what is timed.
    void show_map(bool shown)
    {
        if (map->isVisible() == shown)
            return;
        map->setVisible(shown);
        if (shown && !QTest::qWaitForWindowExposed(map))
            qFatal("the register map was never exposed");
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog))
            qFatal("the main window never became active again");
        // Coming back, the window shows its focus widget's focus frame, which
        // the next click would erase: one more paint that is not the click's.
        if (QWidget *focused = QApplication::focusWidget())
            focused->clearFocus();
    }

    // What the plain refresh did for the bit buttons: every caption and every
    // style sheet set again, changed or not.
    void naive_refresh()
    {
        static const QString one = QStringLiteral("1");
        static const QString zero = QStringLiteral("0");
        static const QString grey = QStringLiteral("background: rgb(118,118,118)");
        static const QString plain = QStringLiteral("Default");
        for (QPushButton *button : bits) {
            const bool set = button->text() == one;
            button->setText(set ? one : zero);
            button->setStyleSheet(set ? grey : plain);
        }
    }

    // A paste over the whole text, as a user would do it.
    static void paste(QLineEdit *field, const QString &text)
    {
        field->selectAll();
        field->insert(text);
    }

    void random_value() { paste(dec, QString::number(rng())); }

    quint32 shown_value() const
    {
        quint32 v = 0;
        for (int i = 0; i < 32; ++i) {
            if (bits[i]->text() == QLatin1String("1"))
                v |= 1u << i;
        }
        return v;
    }

    // A digit typed at the end of a random number, or the last digit deleted.
    void measure_keystrokes(const char *name, QLineEdit *field, int base, quint32 limit,
                            const char *digits)
    {
        const int ndigits = int(strlen(digits));
        measure(
            name,
            [=](int) {
                paste(field, QString::number(rng() % limit, base));
                field->end(false);
            },
            [=](int i) {
                if (i % 2)
                    QTest::keyClick(field, Qt::Key_Backspace);
                else
                    QTest::keyClick(field, digits[rng() % ndigits]);
            });
    }

    struct Action
    {
        QString name;
        std::function<void(int)> prepare;
        std::function<void(int)> act;
        bool time_painting;
        QVector<qint64> ns;
        bool with_map = false;
        double restyled = 0;
        double paints = 0;
    };

    void measure(const QString &name, const std::function<void(int)> &prepare,
                 const std::function<void(int)> &act, bool time_painting = true)
    {
        if (!only.isEmpty() && !name.contains(only) && !name.startsWith(QLatin1String("naive")))
            return;
        actions.append({name, prepare, act, time_painting, {}});
    }

    void execute()
    {
        const int warmup = 20;
        for (int round = 0; round < warmup + samples; ++round) {
            for (Action &a : actions) {
                show_map(a.with_map);
                a.prepare(round);
                settle();
                const quint32 before = shown_value();
                counter.paints = 0;
                QElapsedTimer timer;
                timer.start();
                a.act(round);
                if (a.time_painting)
                    settle();
                const qint64 elapsed = timer.nsecsElapsed();
                settle();
                if (round < warmup)
                    continue;
                a.ns.append(elapsed);
                a.restyled += __builtin_popcount(before ^ shown_value());
                a.paints += counter.paints;
            }
        }
        for (const Action &a : actions) {
            results.append({a.name, percentile(a.ns, 0.5), percentile(a.ns, 0.1),
                            percentile(a.ns, 0.9), a.restyled / samples, a.paints / samples});
        }
    }

    void report()
    {
        const double naive = results.first().median_us;
        QTextStream out(stdout);
        out << "per-action cost, " << samples << " samples each, platform "
            << QGuiApplication::platformName() << "\n";
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
                   .arg(QStringLiteral("action"), -44)
                   .arg(QStringLiteral("median_us"), 10)
                   .arg(QStringLiteral("p10_us"), 9)
                   .arg(QStringLiteral("p90_us"), 9)
                   .arg(QStringLiteral("bits_chg"), 8)
                   .arg(QStringLiteral("btn_paint"), 9)
                   .arg(QStringLiteral("ratio"), 7);
        bool all_met = true;
        for (const Result &r : results) {
            const double ratio = r.median_us / naive;
            const bool baseline = r.name.startsWith(QLatin1String("naive")) ||
                                  r.name.startsWith(QLatin1String("(info)"));
            if (!baseline && ratio > 0.1)
                all_met = false;
            out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7%8\n")
                       .arg(r.name, -44)
                       .arg(r.median_us, 10, 'f', 1)
                       .arg(r.p10_us, 9, 'f', 1)
                       .arg(r.p90_us, 9, 'f', 1)
                       .arg(r.restyled, 8, 'f', 1)
                       .arg(r.paints, 9, 'f', 1)
                       .arg(ratio, 7, 'f', 3)
                       .arg(baseline ? QString()
                                     : (ratio <= 0.1 ? QStringLiteral("  ok")
                                                     : QStringLiteral("  OVER")));
        }
        out << "naive refresh median: " << QString::number(naive, 'f', 1) << " us\n";
        out << "GOAL 3 per-action cost <= 0.10 x naive refresh: " << (all_met ? "MET" : "NOT MET")
            << "\n";
        out.flush();
    }

    int samples;
    QString only;
    std::mt19937 rng;
    Dialog dialog;
    QTemporaryDir map_dir;
    QWidget *map = nullptr;
    PaintCounter counter;
    QVector<Action> actions;
    QVector<Result> results;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int samples = argc > 1 ? std::max(10, atoi(argv[1])) : 400;
    Bench bench(samples, argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString());
    bench.run();
    return 0;
}
