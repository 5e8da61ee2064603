#pragma once

#include <QDialog>

namespace Ui {
class connect_developer;
}

// The "About" window: a note to the user, three pictures and OK / Cancel.
class connect_developer : public QDialog
{
    Q_OBJECT

public:
    explicit connect_developer(QWidget *parent = nullptr);
    ~connect_developer() override;

private:
    Ui::connect_developer *ui;
};
