#include "app/FileDrop.h"

#include <QMimeData>
#include <QUrl>

std::optional<QString> droppedLocalFile(const QMimeData *dragged)
{
    if (!dragged || !dragged->hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = dragged->urls();
    if (urls.size() != 1 || !urls.constFirst().isLocalFile())
        return std::nullopt;
    const QString path = urls.constFirst().toLocalFile();
    if (path.isEmpty())
        return std::nullopt;
    return path;
}
