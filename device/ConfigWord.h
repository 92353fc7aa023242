#pragma once

#include "device/DeviceProfile.h"

#include <QString>

#include <optional>

// The configuration word as the advanced edition's panel edits it in CONFH and CONFL.
enum class Oscillator { RC, XT, HS, LP };

void setOscillator(DeviceProfile &profile, Oscillator oscillator); // Option3..Option6
void setWatchdog(DeviceProfile &profile, bool enabled);            // Option10 / Option9
void setProtection(DeviceProfile &profile, bool enabled);          // Option7 / Option8, by the device
void setPowerUpTimer(DeviceProfile &profile, bool checked);        // Check1, its state after the click

// Text6: CONFH then CONFL in upper-case hex without leading zeros ("3FFB", "0B", "043").
QString configText(const DeviceProfile &profile);

struct ConfigBytes {
    qint16 high;
    qint16 low;

    quint16 word() const { return quint16((high & 0xFF) << 8 | (low & 0xFF)); }
};

// The word a write sends: the panel's CONFH/CONFL in the advanced edition; in the basic edition
// the fixed word of the write procedure's device with the watchdog bit taken from watchdogEnabled.
ConfigBytes writtenConfig(Edition edition, Device procedure, const DeviceProfile &profile,
                          bool watchdogEnabled);

// CONFH and CONFL as one word, as WRITE sends it in the advanced edition.
quint16 panelWord(const DeviceProfile &profile);

// Whether the word turns the device's code protection on: all its protection bits clear. Such a
// chip does not give its program words back as they are (the 16F84 reads zeros).
bool codeProtected(Device device, quint16 word);

// The word in words, as the chip takes it: "XT oscillator, power-up timer on, watchdog off, no code
// protection", on the 16C711 followed by ", brown-out reset on" or "off". Protection bits that are
// neither all set nor all clear are "partial code protection".
QString describeConfigWord(Device device, quint16 word);

// One position of each of the panel's controls.
struct PanelChoice {
    Oscillator oscillator;
    bool watchdog;     // WDT "Enable"
    bool protection;   // Protect "Enable"
    bool powerUpTimer; // "Power up timer" checked
};

// The word as the panel's handlers leave it once each control stands at the choice.
void applyPanelChoice(DeviceProfile &profile, const PanelChoice &choice);

// The choice that brings the panel from the profile's word to `word`, or none when no choice
// does: the panel never touches some bits (bit 6 on the 16C711), and sets code protection
// only all on or all off.
std::optional<PanelChoice> panelChoiceFor(const DeviceProfile &profile, quint16 word);
