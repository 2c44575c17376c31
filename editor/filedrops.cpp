#include "filedrops.h"

#include "mimeimport.h"

#include <QDropEvent>

FileDrops::FileDrops(QObject* parent)
    : QObject(parent)
{
}

void FileDrops::watch(QObject* target) { target->installEventFilter(this); }

bool FileDrops::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        const QStringList files = mimeimport::localFiles(e->mimeData());
        if (files.isEmpty())
            break;
        e->acceptProposedAction();
        if (event->type() == QEvent::Drop)
            emit filesDropped(files);
        return true;
    }
    default: break;
    }
    return QObject::eventFilter(watched, event);
}
