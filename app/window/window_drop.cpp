// Files dropped onto the window: one recording is loaded as if it had been chosen in the open
// dialog; anything else is refused while it is still being dragged.
#include "main_window.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace pirolex {

namespace {

// The one local recording a drag carries, or nothing. The name's ending decides, among those
// the open dialog offers; whether the content is readable is the load's business.
std::optional<std::string> DroppedRecording(const QMimeData* mime) {
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1) return std::nullopt;
    const QUrl url = mime->urls().front();
    if (!url.isLocalFile()) return std::nullopt;
    const QString path = url.toLocalFile();
    if (!RecordingSuffixes().contains(QFileInfo(path).suffix(), Qt::CaseInsensitive))
        return std::nullopt;
    return path.toStdString();
}

}  // namespace

void TPirolex::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedRecording(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TPirolex::dropEvent(QDropEvent* event) {
    const std::optional<std::string> path = DroppedRecording(event->mimeData());
    if (!path) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The load runs once the drop has finished: a long file or an error box would otherwise
    // hold the program the file came from until it is dealt with.
    QMetaObject::invokeMethod(this, [this, file = *path] { FormDropFiles(file); },
                              Qt::QueuedConnection);
}

void TPirolex::FormDropFiles(const std::string& path) {
    Guard([this, &path] { LoadCommand(path); });
}

}  // namespace pirolex
