#include "link/PortSettings.h"

#include <QSettings>

namespace {

const QString kCom1Key = QStringLiteral("ports/COM1");

QSettings userSettings()
{
    return QSettings(QStringLiteral("Tobrisk"), QStringLiteral("dravik"));
}

} // namespace

namespace PortSettings {

QString com1Device()
{
    return userSettings().value(kCom1Key).toString();
}

void setCom1Device(const QString &device)
{
    QSettings settings = userSettings();
    settings.setValue(kCom1Key, device);
}

} // namespace PortSettings
