#include "connect_developer.h"
#include "ui_connect_developer.h"

connect_developer::connect_developer(QWidget *parent)
    : QDialog(parent), ui(new Ui::connect_developer)
{
    ui->setupUi(this);
    setWindowTitle(QString::fromUtf8("关于"));
}

connect_developer::~connect_developer() { delete ui; }
