#pragma once

#include <QtGlobal>

#include <optional>

// A row of the device table (device/DeviceTable.h). The two that the windows' option buttons
// select have names; the others are chosen by name.
enum class Device : int { PIC16F84 = 0, PIC16C711 = 1 };
enum class Edition { Advanced, Basic };

// The selected device's values, owned by the main window and handed to the logic by reference.
struct DeviceProfile {
    std::optional<Device> device; // none until the first selection
    qint16 MEMSIZE = 0;  // program memory in words
    qint16 LASTADR = 0;  // last program word that WRITE sends
    qint16 CONFH = 0;    // advanced edition: configuration word, bits 13..8
    qint16 CONFL = 0;    // advanced edition: configuration word, bits 7..0
};
