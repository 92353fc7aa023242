#include "ops/SettledFileWatch.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

SettledFileWatch::SettledFileWatch(std::function<void(const QString &)> settled, int settleMs)
    : settled_(std::move(settled))
{
    settle_.setSingleShot(true);
    settle_.setInterval(settleMs);
    QObject::connect(&settle_, &QTimer::timeout, [this] { settleTimeUp(); });
    QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, [this] { somethingChanged(); });
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, [this] { somethingChanged(); });
}

bool SettledFileWatch::Stamp::operator==(const Stamp &other) const
{
    return exists == other.exists && inode == other.inode && size == other.size && modifiedNs == other.modifiedNs;
}

void SettledFileWatch::watch(const QString &path)
{
    settle_.stop();
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    path_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (path_.isEmpty())
        return;
    watcher_.addPath(QFileInfo(path_).absolutePath());
    watcher_.addPath(path_);
    known_ = changed_ = stampNow();
}

SettledFileWatch::Stamp SettledFileWatch::stampNow() const
{
    struct stat status {};
    if (::stat(QFile::encodeName(path_).constData(), &status) != 0)
        return {};
    return {true, quint64(status.st_ino), qint64(status.st_size),
            qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

// A file renamed over the watched one is another inode: the watch follows the name.
void SettledFileWatch::somethingChanged()
{
    if (path_.isEmpty())
        return;
    if (!watcher_.files().contains(path_) && QFileInfo::exists(path_))
        watcher_.addPath(path_);
    const Stamp now = stampNow();
    if (now == known_ && !settle_.isActive())
        return; // another file of the folder
    changed_ = now;
    settle_.start();
}

void SettledFileWatch::settleTimeUp()
{
    const Stamp now = stampNow();
    if (now != changed_) {
        changed_ = now;
        settle_.start();
        return;
    }
    if (!now.exists || now == known_)
        return;
    known_ = now;
    settled_(path_);
}
