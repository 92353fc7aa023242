#pragma once

// What the windows remember between runs beside the port, in the same settings file
// (~/.config/Tobrisk/dravik.conf), shared by both editions.
namespace WindowSettings {

// Function > "Check before WRITE"; off until the user checks it.
bool checkBeforeWrite();
void setCheckBeforeWrite(bool checked);

} // namespace WindowSettings
