#include "core/ui/look.h"

namespace look {

QPalette windowPalette()
{
    // Light buttons on a light grey window: black text, white fields.
    QPalette palette(QColor(240, 240, 240), QColor(224, 224, 224));
    // Every colour set, so that none falls back to the desktop's.
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = static_cast<QPalette::ColorGroup>(group);
            const auto r = static_cast<QPalette::ColorRole>(role);
            if (r != QPalette::NoRole)
                palette.setBrush(g, r, palette.brush(g, r));
        }
    }
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, Qt::black);
        palette.setColor(group, QPalette::Text, Qt::black);
        palette.setColor(group, QPalette::ButtonText, Qt::black);
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::AlternateBase, QColor(245, 245, 245));
        palette.setColor(group, QPalette::Highlight, QColor(0, 0, 128));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::PlaceholderText, QColor(96, 96, 96));
        palette.setColor(group, QPalette::Link, QColor(0, 0, 192));
        palette.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 225));
        palette.setColor(group, QPalette::ToolTipText, Qt::black);
    }
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(96, 96, 96));
    palette.setColor(QPalette::Disabled, QPalette::Base, QColor(240, 240, 240));
    // A button that cannot be clicked has no raised face: it is the window's
    // grey, so that it is told apart by more than its caption's shade.
    palette.setColor(QPalette::Disabled, QPalette::Button, QColor(224, 224, 224));
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(120, 120, 120));
    return palette;
}

} // namespace look
