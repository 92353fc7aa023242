#include "app/WindowSettings.h"

#include <QSettings>

namespace {

const QString kCheckBeforeWriteKey = QStringLiteral("window/checkBeforeWrite");

// A switch the file names is on only at the program's own "true"; one it lacks takes its default.
bool switchOn(const QSettings &settings, const QString &key, bool byDefault)
{
    const QVariant value = settings.value(key);
    return value.isValid() ? value.toString() == QLatin1String("true") : byDefault;
}

QSettings userSettings()
{
    return QSettings(QStringLiteral("Tobrisk"), QStringLiteral("dravik"));
}

} // namespace

namespace WindowSettings {

bool checkBeforeWrite()
{
    return switchOn(userSettings(), kCheckBeforeWriteKey, false);
}

void setCheckBeforeWrite(bool checked)
{
    // A file that cannot be written leaves the choice for this run only; WRITE is unaffected.
    userSettings().setValue(kCheckBeforeWriteKey, checked);
}

QString chosenDevice()
{
    return userSettings().value(QStringLiteral("window/device")).toString();
}

void setChosenDevice(const QString &name)
{
    QSettings settings = userSettings();
    if (name.isEmpty())
        settings.remove(QStringLiteral("window/device"));
    else
        settings.setValue(QStringLiteral("window/device"), name);
}

Production production()
{
    const QSettings settings = userSettings();
    Production production;
    production.records = settings.value(QStringLiteral("production/records")).toString();
    production.serialWords = settings.value(QStringLiteral("production/serialWords")).toString();
    production.firstSerialNumber = settings.value(QStringLiteral("production/firstSerialNumber")).toString();
    production.writeWhenFileChanges = switchOn(settings, QStringLiteral("production/writeWhenFileChanges"), false);
    production.soundOnPass = switchOn(settings, QStringLiteral("production/soundOnPass"), true);
    production.soundOnFail = switchOn(settings, QStringLiteral("production/soundOnFail"), true);
    return production;
}

void setProduction(const Production &production)
{
    QSettings settings = userSettings();
    settings.setValue(QStringLiteral("production/records"), production.records);
    settings.setValue(QStringLiteral("production/serialWords"), production.serialWords);
    settings.setValue(QStringLiteral("production/firstSerialNumber"), production.firstSerialNumber);
    settings.setValue(QStringLiteral("production/writeWhenFileChanges"), production.writeWhenFileChanges);
    settings.setValue(QStringLiteral("production/soundOnPass"), production.soundOnPass);
    settings.setValue(QStringLiteral("production/soundOnFail"), production.soundOnFail);
}

} // namespace WindowSettings
