#include "shell/FileDrop.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <utility>

namespace bw {

QStringList DroppedListFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        // A folder is no list file; a file that has gone meanwhile is kept,
        // so that its load reports it as the dialog's load does.
        if (path.isEmpty() || QFileInfo(path).isDir()) continue;
        files << path;
    }
    return files;
}

FileDropFilter::FileDropFilter(QObject* parent, std::function<void(const QStringList&)> handler)
    : QObject(parent), handler_(std::move(handler)) {}

bool FileDropFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            // Decided once when the drag comes in, not at every move.
            if (event->type() == QEvent::DragEnter)
                acceptable_ =
                    (drag->possibleActions() & Qt::CopyAction) && !DroppedListFiles(drag->mimeData()).isEmpty();
            if (acceptable_) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            QStringList files = DroppedListFiles(drop->mimeData());
            if (!(drop->possibleActions() & Qt::CopyAction) || files.isEmpty()) {
                drop->ignore();
                return true;
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            QTimer::singleShot(0, this, [this, files = std::move(files)] { handler_(files); });
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
    }
}

}  // namespace bw
