#include "app/FixedPalette.h"

QPalette fixedPalette(const QColor &window)
{
    // Qt derives the shades of bevels and frames from the button and window colours.
    QPalette palette(kButtonFace, window);
    const QColor disabledText(0x6D, 0x6D, 0x6D);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor text = group == QPalette::Disabled ? disabledText : QColor(Qt::black);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::Base, group == QPalette::Disabled ? kButtonFace : QColor(Qt::white));
        palette.setColor(group, QPalette::AlternateBase, kButtonFace);
        palette.setColor(group, QPalette::PlaceholderText, disabledText);
        palette.setColor(group, QPalette::Highlight, QColor(0x30, 0x60, 0xC0));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    return palette;
}
