// Shared helpers for the widget tests.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVector>
#include <QWidget>

// Watches for modal message boxes while it lives, records what each one
// showed and closes it, so a test never hangs on a nested event loop.
class MessageBoxCatcher : public QObject
{
public:
    struct Box
    {
        QString title;
        QString text;
        QWidget *parent;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };

    MessageBoxCatcher()
    {
        QObject::connect(&timer, &QTimer::timeout, this, [this] { poll(); });
        timer.start(10);
    }

    QVector<Box> boxes;

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box || !box->isVisible() || seen.contains(box))
            return;
        seen.append(box);
        boxes.append({box->windowTitle(), box->text(), box->parentWidget(), box->icon(),
                      box->standardButtons()});
        box->done(QMessageBox::Ok);
    }

    QTimer timer;
    QVector<QPointer<QMessageBox>> seen;
};

// Finds a child widget by object name; fails loudly rather than crashing.
template <class T> T *child(QWidget *parent, const char *name)
{
    T *found = parent->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}
