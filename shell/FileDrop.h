#pragma once

// Dropping local files on a widget.

#include <QObject>
#include <QStringList>
#include <functional>

class QMimeData;

namespace bw {

// The local files (not folders) among the URLs of dragged or dropped data,
// in their order; none for text, folders and remote addresses.
QStringList DroppedListFiles(const QMimeData* data);

// Takes drags and drops of local files on the widget it is installed on and
// hands the files to a handler, once the drop has completed (so that the
// file manager is not held while the handler works); every other drag is
// refused, so nothing else can be dropped. The files are copied, never
// moved: the source must not delete them.
class FileDropFilter : public QObject {
public:
    FileDropFilter(QObject* parent, std::function<void(const QStringList&)> handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QStringList&)> handler_;
    bool acceptable_ = false;
};

}  // namespace bw
