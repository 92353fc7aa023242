#pragma once

#include <QColor>
#include <QPalette>

// The colours a window of the program is drawn in whatever the desktop's theme: its own
// background with black text, white text boxes with black text and light grey buttons, in every
// state (disabled text grey). Set on a window, it reaches every control that sets no colour of
// its own, so a dark theme cannot put light text on the window's light colours.
QPalette fixedPalette(const QColor &window);

// The grey of buttons, and the background of windows whose layout gives none.
inline const QColor kButtonFace(0xF0, 0xF0, 0xF0);
