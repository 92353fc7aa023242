#include "app/WindowSettings.h"

#include <QSettings>

namespace {

const QString kCheckBeforeWriteKey = QStringLiteral("window/checkBeforeWrite");

QSettings userSettings()
{
    return QSettings(QStringLiteral("Tobrisk"), QStringLiteral("dravik"));
}

} // namespace

namespace WindowSettings {

bool checkBeforeWrite()
{
    // Only the program's own "true" turns it on: anything else in the file leaves WRITE as it is.
    return userSettings().value(kCheckBeforeWriteKey).toString() == QLatin1String("true");
}

void setCheckBeforeWrite(bool checked)
{
    // A file that cannot be written leaves the choice for this run only; WRITE is unaffected.
    userSettings().setValue(kCheckBeforeWriteKey, checked);
}

} // namespace WindowSettings
