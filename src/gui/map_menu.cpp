#include "map_menu.h"

#include "recent_maps.h"
#include "svd.h"

#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace map_menu {

namespace {

// An event filter, as the main window itself handles no events.
class DropFilter : public QObject
{
public:
    DropFilter(QWidget *window, std::function<void(const QString &)> open)
        : QObject(window), open(std::move(open))
    {
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDragMoveEvent *>(event);
            if (dropped_file(drag->mimeData()).isEmpty() ||
                !drag->possibleActions().testFlag(Qt::CopyAction))
                return false;
            // Copy whatever the source proposes: a file manager may take
            // Move as leave to delete the file once it is dropped.
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            const QString path = dropped_file(drop->mimeData());
            if (path.isEmpty() || !drop->possibleActions().testFlag(Qt::CopyAction))
                return false;
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            open(path);
            return true;
        }
        default:
            return false;
        }
    }

private:
    std::function<void(const QString &)> open;
};

} // namespace

void append_open(QMenu *menu, QWidget *parent, const Opener &open)
{
    const QVector<recent_maps::Entry> recent = recent_maps::list();

    QAction *action = menu->addAction(QString::fromUtf8("Open register map\u2026"));
    action->setObjectName(QStringLiteral("open_register_map"));
    const QString start = recent.isEmpty() ? QString() : QFileInfo(recent.first().path).path();
    QObject::connect(action, &QAction::triggered, parent, [parent, open, start] {
        const QString path =
            QFileDialog::getOpenFileName(parent, QStringLiteral("Open register map"), start,
                                         QStringLiteral("Register maps (*.svd *.xml)"));
        if (!path.isEmpty())
            open(path, QString());
    });

    QMenu *submenu = menu->addMenu(QStringLiteral("Recent register maps"));
    submenu->menuAction()->setObjectName(QStringLiteral("recent_register_maps"));
    submenu->setToolTipsVisible(true);
    submenu->setEnabled(!recent.isEmpty());
    for (const recent_maps::Entry &entry : recent) {
        QString text = QFileInfo(entry.path).fileName();
        if (!entry.register_name.isEmpty())
            text += QString::fromUtf8(" \u2014 ") + entry.register_name;
        // An & in a file name is not a mnemonic.
        QAction *item =
            submenu->addAction(QString(text).replace(QLatin1Char('&'), QLatin1String("&&")));
        item->setToolTip(entry.path);
        QObject::connect(item, &QAction::triggered, parent,
                         [open, entry] { open(entry.path, entry.register_name); });
    }
}

QString dropped_file(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return QString();
    for (const QUrl &url : data->urls()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

bool is_map_file(const QString &path)
{
    QFile file(path);
    return !file.open(QIODevice::ReadOnly) || svd::starts_as_xml(file.read(4096));
}

void accept_drops(QWidget *window, const std::function<void(const QString &)> &open)
{
    auto *filter = new DropFilter(window, open);
    window->setAcceptDrops(true);
    window->installEventFilter(filter);
    for (QLineEdit *line : window->findChildren<QLineEdit *>())
        line->installEventFilter(filter);
}

} // namespace map_menu
