#pragma once

#include <QFileSystemWatcher>
#include <QString>
#include <QTimer>

#include <functional>

// Tells when a file has been written anew and then left alone for a moment. Editors and
// assemblers write in steps, and often to another name renamed over the file, so the folder is
// watched beside the file, and a change counts only once the file has stayed the same (its
// inode, size and time) for the settle time.
class SettledFileWatch {
public:
    explicit SettledFileWatch(std::function<void(const QString &path)> settled, int settleMs = 500);

    // Watches this file from now on, as it stands now; an empty path watches nothing.
    void watch(const QString &path);
    QString path() const { return path_; }

private:
    struct Stamp {
        bool exists = false;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const Stamp &other) const;
        bool operator!=(const Stamp &other) const { return !(*this == other); }
    };
    Stamp stampNow() const;
    void somethingChanged();
    void settleTimeUp();

    std::function<void(const QString &)> settled_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QString path_;
    Stamp known_;   // the file as it was last taken
    Stamp changed_; // as it was at the latest change not yet taken
};
