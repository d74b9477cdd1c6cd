#include "app/folder_drop.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace trackfold {
namespace {

// The folder a drag carries: its first local item, or that item's folder when it is a file.
QString dropped_folder(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().isEmpty() ||
        !data->urls().front().isLocalFile()) {
        return {};
    }
    const QFileInfo item(data->urls().front().toLocalFile());
    return item.isDir() ? item.absoluteFilePath() : item.absolutePath();
}

}  // namespace

FolderDrop::FolderDrop(QLineEdit& box) : QObject(&box), box_(box) {
    box.setAcceptDrops(true);
    box.installEventFilter(this);
}

bool FolderDrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &box_) {
        return false;
    }
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (dropped_folder(drag->mimeData()).isEmpty()) {
                return false;
            }
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString folder = dropped_folder(drop->mimeData());
            if (folder.isEmpty()) {
                return false;
            }
            box_.setText(folder);
            drop->acceptProposedAction();
            return true;
        }
        default:
            return false;
    }
}

}  // namespace trackfold
