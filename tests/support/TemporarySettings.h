#pragma once

#include <QSettings>
#include <QTemporaryDir>

// The user's settings kept in a temporary folder while this lives, so a test neither reads nor
// changes the real ones.
class TemporarySettings {
public:
    TemporarySettings() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home_.path()); }
    QString filePath(const QString &name) const { return home_.filePath(name); }

private:
    QTemporaryDir home_;
};
