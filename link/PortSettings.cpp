#include "link/PortSettings.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>

#include <climits>

namespace {

const QString kCom1Key = QStringLiteral("ports/COM1");

// Far more than this program ever writes; a larger file is not its own.
constexpr qint64 kLargestSettingsFile = 64 * 1024;

// The choice of this run that could not be remembered.
QString &unrememberedChoice()
{
    static QString device;
    return device;
}

QSettings userSettings()
{
    return QSettings(QStringLiteral("Tobrisk"), QStringLiteral("dravik"));
}

// Why the settings cannot be taken as this program writes them; empty when they can.
QString unreadableBecause(const QSettings &settings)
{
    if (settings.status() != QSettings::NoError)
        return QStringLiteral("it cannot be read or is not in the settings format");
    QFile file(settings.fileName());
    if (!file.exists())
        return {};
    if (file.size() > kLargestSettingsFile)
        return QStringLiteral("it is larger than any settings file of this program");
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    // QSettings decodes "@Variant(...)" with a data stream, and one naming a type this program
    // does not know makes Qt warn on the terminal. The program never writes one ("@@" is a
    // string's own "@").
    static const QRegularExpression variant(QStringLiteral("(^|[^@])@Variant\\("));
    if (QString::fromLatin1(file.readAll()).contains(variant))
        return QStringLiteral("it holds values of types this program does not write");
    return {};
}

} // namespace

namespace PortSettings {

ChosenDevice com1Choice()
{
    if (!unrememberedChoice().isEmpty())
        return {unrememberedChoice(), {}};
    const QSettings settings = userSettings();
    if (const QString why = unreadableBecause(settings); !why.isEmpty())
        return {{}, {SettingsProblem::Cause::Unreadable, settings.fileName(), why}};
    const QVariant value = settings.value(kCom1Key);
    const bool text = value.typeId() == QMetaType::QString;
    const QString device = value.toString();
    if (!value.isValid() || (text && device.isEmpty()))
        return {};
    if (!text || !isUsableDevicePath(device))
        return {{}, {SettingsProblem::Cause::NotADevicePath, {}, {}, device, PATH_MAX - 1}};
    return {device, {}};
}

SettingsProblem setCom1Device(const QString &device)
{
    QSettings settings = userSettings();
    QString why = unreadableBecause(settings);
    if (why.isEmpty()) {
        settings.setValue(kCom1Key, device);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            why = QStringLiteral("it cannot be written");
    }
    unrememberedChoice() = why.isEmpty() ? QString() : device;
    if (why.isEmpty())
        return {};
    return {SettingsProblem::Cause::NotWritten, settings.fileName(), why};
}

bool isUsableDevicePath(const QString &device)
{
    return QDir::isAbsolutePath(device) && QFile::encodeName(device).size() < PATH_MAX;
}

} // namespace PortSettings
