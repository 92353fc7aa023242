#pragma once

#include "device/DeviceProfile.h"

#include <QRgb>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

// The main window of each edition as data: every control with its kind, text, container, place
// and look, and the menu bar. Places are in twips, as the window was drawn; 15 twips are a pixel.

constexpr int kTwipsPerPixel = 15;
int pixels(int twips);

// The text box of a resizable text window (buffer view, help) fills the window less its title
// bar and borders: 400 twips off the outer height, 140 twips off the outer width. A window
// smaller than that, e.g. while minimized, gives an empty box, never a negative size.
QSize fittedTextBoxSize(QSize outerPixels);

// Point sizes become pixel sizes at the 96 dots per inch the twips assume, so text keeps its
// size against the fixed pixel geometry whatever the screen's resolution.
int pixelSizeOfPoints(double points);

struct Place {
    int left;
    int top;
    int width;
    int height;
};

enum class ControlKind { Label, TextBox, Frame, OptionButton, CheckBox, Button, Band };

enum class Face { Default, Arial, Gothic };

struct Look {
    Face face = Face::Default;
    double points = 0; // 0: the window's size
    int weight = 400;  // 400 regular, 700 bold, 800 extra-bold
    bool italic = false;
    std::optional<QRgb> foreground;
    std::optional<QRgb> background;
};

struct ControlSpec {
    const char *name;
    ControlKind kind;
    const char *text;      // caption or initial text; nullptr: none
    const char *container; // a frame's name; nullptr: the client area
    Place place;
    Look look;
    const char *toolTip;   // nullptr: none
    // What a screen reader says: the label that names a text box, and what a control holds
    // where its name does not tell. A control in a frame is named with the frame's title first.
    const char *labelledBy = nullptr;
    const char *description = nullptr;
};

enum class Placement { CentredOnScreen, AtStoredPosition };

struct WindowLayout {
    const char *caption;
    int clientWidth; // twips
    int clientHeight;
    QRgb background;
    Look defaultLook;
    Placement placement;
    int clientLeft; // twips from the screen's top-left, for AtStoredPosition
    int clientTop;
    // In creation order: what comes first lies underneath.
    std::vector<ControlSpec> controls;
};

const WindowLayout &windowLayout(Edition edition);
// The control of that name; there must be one.
const ControlSpec &controlNamed(const WindowLayout &layout, const char *name);

// Whether a user can reach the control: one placed below the client area is out of sight.
bool withinReach(const ControlSpec &control, const WindowLayout &layout);

// The controls Tab moves through, as the window reads: the fields and choices top to bottom,
// left to right, a frame's options together, then the command buttons down their band.
std::vector<const ControlSpec *> tabOrder(const WindowLayout &layout);

struct MenuItemSpec {
    const char *name; // nullptr: a separator
    const char *caption;
    int shortcut; // a Qt::Key with its modifiers (QKeyCombination::toCombined()), 0 for none
    bool checkable = false; // an item that stays checked until clicked again
};

struct MenuSpec {
    const char *name;
    const char *caption;
    std::vector<MenuItemSpec> items;
};

const std::vector<MenuSpec> &menuBarLayout(Edition edition);
