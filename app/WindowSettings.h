#pragma once

#include <QString>

// What the windows remember between runs beside the port, in the same settings file
// (~/.config/Tobrisk/dravik.conf), shared by both editions.
namespace WindowSettings {

// Function > "Check before WRITE"; off until the user checks it.
bool checkBeforeWrite();
void setCheckBeforeWrite(bool checked);

// The device Function > "Device..." chose, by name; empty once the user picks one with the
// option buttons.
QString chosenDevice();
void setChosenDevice(const QString &name);

// The Production window's fields and switches.
struct Production {
    QString records;           // the records database; empty, none
    QString serialWords;       // ADDR:WORDS; empty, no serial numbers
    QString firstSerialNumber; // for a database without a sequence yet
    bool writeWhenFileChanges = false;
    bool soundOnPass = true;
    bool soundOnFail = true;
};
Production production();
void setProduction(const Production &production);

} // namespace WindowSettings
