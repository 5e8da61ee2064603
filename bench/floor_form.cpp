// The start-up baseline: a plain QDialog with the same widgets as Tarnwick's
// main window (kinds, count, geometry and captions), built in code, with no
// style sheets, fonts, icon, validators or connections, and nothing done to
// the environment. Its time to map and its memory are what an unoptimised Qt 5
// program of this size costs on the same machine in the same run.

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

template <class W> W *place(QWidget *parent, int x, int y, int w, int h, const char *text = nullptr)
{
    auto *widget = new W(parent);
    widget->setGeometry(x, y, w, h);
    if (text)
        widget->setProperty(qobject_cast<QGroupBox *>(widget) ? "title" : "text",
                            QString::fromUtf8(text));
    return widget;
}

void build(QDialog *dialog)
{
    dialog->resize(700, 450);
    dialog->setFixedSize(700, 450);
    dialog->setWindowTitle(QStringLiteral("floor form"));

    // 32 bit buttons, each with its bit number above it.
    for (int n = 0; n < 32; ++n) {
        const int k = n % 16;
        const int x = 550 - 30 * k - 20 * (k / 4);
        const int y = n < 16 ? 130 : 70;
        auto *button = place<QPushButton>(dialog, x, y, 25, 30, "0");
        button->setFixedSize(25, 30);
        place<QLabel>(dialog, x + 10, y - 20, 16, 20)->setText(QString::number(n));
    }

    auto *groupBox = place<QGroupBox>(dialog, 29, 39, 561, 131, "寄存器位");
    place<QLabel>(dialog, 210, 190, 61, 16, "十进制：");
    place<QLabel>(dialog, 410, 190, 91, 16, "十六进制:0x");
    place<QLabel>(dialog, 10, 190, 61, 16, "八进制：");
    place<QLabel>(dialog, 20, 240, 61, 16, "二进制：");
    place<QLineEdit>(dialog, 270, 180, 121, 41);
    place<QLineEdit>(dialog, 70, 180, 121, 41);
    place<QLineEdit>(dialog, 500, 180, 91, 41);
    place<QLabel>(dialog, 80, 230, 321, 41, "0000 0000 0000 0000 0000 0000 0000 0000");
    place<QLabel>(dialog, 250, 10, 161, 20, "寄存器计算小工具");
    place<QCheckBox>(dialog, 450, 10, 131, 19, "置于最上端显示");

    auto *groupBox_oct = place<QGroupBox>(dialog, 20, 300, 101, 131, "进制");
    place<QRadioButton>(groupBox_oct, 10, 20, 115, 19, "二进制");
    place<QRadioButton>(groupBox_oct, 10, 50, 115, 19, "八进制");
    place<QRadioButton>(groupBox_oct, 10, 80, 115, 19, "十进制")->setChecked(true);
    place<QRadioButton>(groupBox_oct, 10, 110, 115, 19, "十六进制");

    auto *groupBox_3 = place<QGroupBox>(dialog, 10, 280, 391, 161);
    auto *groupBox_2 = place<QGroupBox>(groupBox_3, 140, 0, 213, 61, "运算符");
    auto *layout = new QHBoxLayout(groupBox_2);
    layout->setSpacing(6);
    layout->setContentsMargins(11, 11, 11, 11);
    for (const char *op : {"加", "减", "与", "或"})
        layout->addWidget(new QRadioButton(QString::fromUtf8(op), groupBox_2));
    place<QLineEdit>(groupBox_3, 120, 60, 261, 41);
    place<QPushButton>(groupBox_3, 190, 110, 111, 41, "计算");

    place<QLabel>(dialog, 430, 230, 161, 20);
    place<QPushButton>(dialog, 610, 280, 71, 111, "所有清零");
    place<QLabel>(dialog, 610, 50, 72, 51, "百度");
    place<QLabel>(dialog, 610, 120, 72, 51, "翻译");

    auto *groupBox_4 = place<QGroupBox>(dialog, 420, 270, 171, 171, "移位操作");
    place<QLineEdit>(groupBox_4, 10, 70, 151, 41);
    place<QPushButton>(groupBox_4, 10, 20, 71, 41, "<");
    place<QPushButton>(groupBox_4, 90, 20, 71, 41, ">");
    place<QPushButton>(groupBox_4, 10, 120, 71, 41, "《");
    place<QPushButton>(groupBox_4, 90, 120, 71, 41, "》");
    place<QPushButton>(dialog, 610, 180, 71, 41, "计算器");
    place<QPushButton>(dialog, 610, 400, 71, 28, "联系作者");

    // The same stacking as the real form: the frames under the bit widgets.
    groupBox->lower();
    groupBox_3->lower();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QDialog dialog;
    build(&dialog);
    dialog.show();
    return app.exec();
}
