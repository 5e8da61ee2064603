#pragma once

#include <QLineEdit>

// A line edit that reports every mouse press through cliked() instead of
// placing the cursor; the main window uses it to take the Enter key away
// from the calculate button when the user reaches for a value field.
class MyLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit MyLineEdit(QWidget *parent = nullptr);
    ~MyLineEdit() override;

signals:
    void cliked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};
