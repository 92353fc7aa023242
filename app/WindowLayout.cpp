#include "app/WindowLayout.h"

#include <QtCore/qnamespace.h>

#include <algorithm>
#include <cmath>
#include <tuple>

int pixels(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

QSize fittedTextBoxSize(QSize outerPixels)
{
    const auto fitted = [](int outer, int marginTwips) {
        return std::max(0, qRound(double(outer * kTwipsPerPixel - marginTwips) / kTwipsPerPixel));
    };
    return {fitted(outerPixels.width(), 140), fitted(outerPixels.height(), 400)};
}

int pixelSizeOfPoints(double points)
{
    return int(std::lround(points * 96.0 / 72.0));
}

const ControlSpec &controlNamed(const WindowLayout &layout, const char *name)
{
    for (const ControlSpec &control : layout.controls) {
        if (qstrcmp(control.name, name) == 0)
            return control;
    }
    qFatal("no control %s in the main window", name);
}

namespace {

constexpr QRgb kLightBlue = qRgb(192, 192, 255);
constexpr QRgb kBlue = qRgb(128, 128, 255);
constexpr QRgb kSalmon = qRgb(255, 128, 128);
constexpr QRgb kLightOrange = qRgb(255, 224, 192);
constexpr QRgb kGrey = qRgb(192, 192, 192);
constexpr QRgb kDarkGrey = qRgb(64, 64, 64);
constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kRed = qRgb(255, 0, 0);

const Look kPlain{};
const Look kWindowFont{Face::Gothic, 9, 400, false, std::nullopt, std::nullopt};
const Look kOnWhite{Face::Default, 0, 400, false, kBlack, kWhite};
const Look kFileName{Face::Gothic, 9, 400, false, std::nullopt, kGrey};
const Look kHeading{Face::Gothic, 9, 800, false, kBlack, kLightOrange};
const Look kOnPanel{Face::Default, 0, 400, false, std::nullopt, kLightBlue};
const Look kDeviceOption{Face::Arial, 9.75, 700, false, std::nullopt, kLightBlue};
const Look kOscillatorOption{Face::Arial, 9, 400, false, std::nullopt, kLightBlue};
const Look kSwitchOption{Face::Arial, 8.25, 400, false, std::nullopt, kLightBlue};
const Look kButton{Face::Arial, 9, 700, false, std::nullopt, std::nullopt};
const Look kIndicator{Face::Arial, 9, 700, false, kRed, kLightBlue};
const Look kBanner{Face::Arial, 12.75, 700, true, kDarkGrey, kSalmon};
const Look kPortLabel{Face::Gothic, 9, 700, false, kWhite, kSalmon};
const Look kBlueBand{Face::Default, 0, 400, false, std::nullopt, kBlue};
const Look kSalmonBand{Face::Default, 0, 400, false, std::nullopt, kSalmon};

using K = ControlKind;

const MenuItemSpec kSeparator{nullptr, nullptr, 0};

const WindowLayout kAdvanced{
    "Tobrisk Programmer", 5250, 4155, kLightBlue, kWindowFont, Placement::CentredOnScreen, 0, 0,
    {
        {"Shape12", K::Band, nullptr, nullptr, {3975, 0, 1275, 3765}, kBlueBand, nullptr},
        {"Shape14", K::Band, nullptr, nullptr, {0, 3525, 5235, 615}, kSalmonBand, nullptr},
        {"Label1", K::Label, "File name", nullptr, {225, 75, 825, 225}, kOnWhite, nullptr},
        {"Text1", K::TextBox, "Text1", nullptr, {240, 300, 4380, 285}, kFileName,
         "This is target program file", "Label1"},
        {"Frame1", K::Frame, "PIC Select", nullptr, {300, 675, 1215, 1215}, kOnPanel, nullptr},
        {"Option1", K::OptionButton, "16F84", "Frame1", {150, 375, 840, 240}, kDeviceOption,
         "Select device 16F84"},
        {"Option2", K::OptionButton, "16C711", "Frame1", {150, 750, 990, 240}, kDeviceOption,
         nullptr},
        {"Label2", K::Label, "START", nullptr, {1575, 825, 660, 255}, kHeading, nullptr},
        {"Text4", K::TextBox, "Text4", nullptr, {2250, 750, 495, 270}, kPlain,
         "Program start Address", "Label2"},
        {"Label5", K::Label, "LAST", nullptr, {2700, 825, 660, 255}, kHeading, nullptr},
        {"Text5", K::TextBox, "Text5", nullptr, {3375, 750, 495, 270}, kPlain,
         "Program last Address", "Label5"},
        {"Command2", K::Button, "FILE OPEN", nullptr, {4050, 750, 1095, 375}, kButton,
         "Open your HEX file"},
        {"Label4", K::Label, "Current", nullptr, {2550, 1200, 735, 255}, kHeading, nullptr},
        {"Text3", K::TextBox, "Text3", nullptr, {3375, 1125, 495, 270}, kPlain,
         "Current Address", "Label4"},
        {"Command3", K::Button, "WRITE", nullptr, {4275, 1500, 855, 375}, kButton,
         "Write program to PIC"},
        {"Label7", K::Label, "Label7", nullptr, {1575, 1575, 1290, 240}, kIndicator, nullptr},
        {"Label8", K::Label, "Config", nullptr, {2550, 1650, 735, 255}, kHeading, nullptr},
        {"Text6", K::TextBox, "Text3", nullptr, {3375, 1575, 495, 270}, kPlain,
         "Current Address", "Label8", "The configuration word WRITE writes, in hexadecimal"},
        {"Command7", K::Button, "VERIFY", nullptr, {4275, 2100, 855, 375}, kButton,
         "Program verify"},
        {"Frame2", K::Frame, "OSC Type", nullptr, {300, 2025, 1065, 1215}, kOnPanel, nullptr},
        {"Option3", K::OptionButton, "RC", "Frame2", {225, 225, 615, 240}, kOscillatorOption,
         nullptr},
        {"Option4", K::OptionButton, "XT", "Frame2", {225, 450, 765, 240}, kOscillatorOption,
         nullptr},
        {"Option5", K::OptionButton, "HS", "Frame2", {225, 675, 690, 240}, kOscillatorOption,
         nullptr},
        {"Option6", K::OptionButton, "LP", "Frame2", {225, 900, 690, 240}, kOscillatorOption,
         nullptr},
        {"Frame3", K::Frame, "WDT", nullptr, {1500, 2025, 1065, 840}, kOnPanel, nullptr},
        {"Option10", K::OptionButton, "Enable", "Frame3", {75, 225, 915, 240}, kSwitchOption,
         nullptr},
        {"Option9", K::OptionButton, "Disable", "Frame3", {75, 525, 915, 240}, kSwitchOption,
         nullptr},
        {"Frame4", K::Frame, "Protect", nullptr, {2700, 2025, 1065, 840}, kOnPanel, nullptr},
        {"Option7", K::OptionButton, "Enable", "Frame4", {75, 225, 915, 240}, kSwitchOption,
         nullptr},
        {"Option8", K::OptionButton, "Disable", "Frame4", {75, 525, 915, 240}, kSwitchOption,
         nullptr},
        {"Check1", K::CheckBox, "Power up timer", nullptr, {1575, 3000, 1965, 240}, kOnPanel,
         nullptr},
        {"Label3", K::Label, "PIC Programmer", nullptr, {360, 3675, 2655, 375}, kBanner, nullptr},
        {"Label6", K::Label, "Label4", nullptr, {2775, 3765, 645, 195}, kPortLabel, nullptr},
        {"Command1", K::Button, "EXIT", nullptr, {4275, 3675, 855, 375}, kButton, "Exit"},
        {"Text2", K::TextBox, "Text2", nullptr, {0, 4935, 5055, 270}, kPlain, nullptr},
        {"TEST", K::TextBox, "Text2", nullptr, {0, 4695, 5055, 270}, kPlain, nullptr},
    }};

// The basic window: the advanced window's controls it keeps, in the same order, with the places
// that differ; a control without a place here keeps the advanced one.
struct BasicControl {
    const char *name;
    std::optional<Place> place;
};

const BasicControl kBasicControls[] = {
    {"Shape12", Place{3075, 0, 1725, 2340}},
    {"Shape14", Place{0, 2325, 4785, 615}},
    {"Label1", std::nullopt},
    {"Text1", std::nullopt},
    {"Frame1", Place{300, 675, 1215, 1440}},
    {"Option1", Place{150, 450, 840, 240}},
    {"Option2", Place{150, 900, 990, 240}},
    {"Label2", Place{1725, 825, 660, 255}},
    {"Text4", Place{2475, 750, 495, 270}},
    {"Label5", Place{1725, 1125, 660, 255}},
    {"Text5", Place{2475, 1050, 495, 270}},
    {"Command2", Place{3375, 750, 1095, 375}},
    {"Label4", Place{1650, 1575, 735, 255}},
    {"Text3", Place{2475, 1500, 495, 270}},
    {"Command3", Place{3600, 1275, 855, 375}},
    {"Label7", Place{1725, 1950, 1290, 240}},
    {"Command7", Place{3600, 1800, 855, 375}},
    {"Label3", Place{360, 2475, 2655, 375}},
    {"Label6", Place{2775, 2565, 495, 195}},
    {"Command1", Place{3600, 2475, 855, 375}},
    {"Text2", Place{0, 3960, 5055, 270}},
    {"TEST", Place{0, 3720, 5055, 270}},
};

WindowLayout makeBasic()
{
    WindowLayout basic = kAdvanced;
    basic.clientWidth = 4785;
    basic.clientHeight = 2955;
    basic.placement = Placement::AtStoredPosition;
    basic.clientLeft = 225;
    basic.clientTop = 780;
    basic.controls.clear();
    for (const BasicControl &kept : kBasicControls) {
        ControlSpec control = controlNamed(kAdvanced, kept.name);
        if (kept.place)
            control.place = *kept.place;
        basic.controls.push_back(control);
    }
    return basic;
}

const std::vector<MenuSpec> kAdvancedMenus{
    {"COM", "COM", {{"COM1", "COM1", 0}, {"COM2", "COM2", Qt::Key_F2}, kSeparator, {"Port", "Port...", 0}}},
    {"Function",
     "Function",
     {{"READ", "READ", 0},
      {"BLANK", "BLANK all", 0},
      {"Buffer_view", "Buffer_view", 0},
      {"Line_test", "Line_test", 0},
      {"Save_HEX", "Save HEX...", QKeyCombination(Qt::CTRL, Qt::Key_S).toCombined()},
      {"Blank_check", "Blank check", 0},
      {"Checksum", "Checksum", 0},
      {"Check_before_WRITE", "Check before WRITE", 0, true},
      {"Production", "Production...", 0},
      {"Device", "Device...", 0}}},
    {"ABOUT", "ABOUT", {{"HELP", "HELP", Qt::Key_F1}, {"VER", "VER", 0}}},
};

std::vector<MenuSpec> makeBasicMenus()
{
    std::vector<MenuSpec> menus = kAdvancedMenus;
    std::vector<MenuItemSpec> &function = menus[1].items;
    function.insert(function.begin() + 3, MenuItemSpec{"WDT", "WDT enable", 0});
    return menus;
}

} // namespace

const WindowLayout &windowLayout(Edition edition)
{
    static const WindowLayout basic = makeBasic();
    return edition == Edition::Advanced ? kAdvanced : basic;
}

bool withinReach(const ControlSpec &control, const WindowLayout &layout)
{
    return control.container || control.place.top < layout.clientHeight;
}

std::vector<const ControlSpec *> tabOrder(const WindowLayout &layout)
{
    // A frame's options sort by the frame's place, then by their own within it.
    auto position = [&layout](const ControlSpec *control) {
        const Place outer = control->container ? controlNamed(layout, control->container).place : control->place;
        const Place inner = control->container ? control->place : Place{};
        return std::tuple(control->kind == ControlKind::Button, outer.top, outer.left, inner.top, inner.left);
    };
    std::vector<const ControlSpec *> order;
    for (const ControlSpec &control : layout.controls) {
        const bool takesFocus = control.kind == ControlKind::TextBox || control.kind == ControlKind::OptionButton
                                || control.kind == ControlKind::CheckBox || control.kind == ControlKind::Button;
        if (takesFocus && withinReach(control, layout))
            order.push_back(&control);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&position](const ControlSpec *a, const ControlSpec *b) { return position(a) < position(b); });
    return order;
}

const std::vector<MenuSpec> &menuBarLayout(Edition edition)
{
    static const std::vector<MenuSpec> basic = makeBasicMenus();
    return edition == Edition::Advanced ? kAdvancedMenus : basic;
}
