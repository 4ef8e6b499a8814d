#include "platform/SystemColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace quarn {
namespace {

constexpr std::uint32_t kSystemColorBit = 0x80000000U;

// The Windows system-colour indices and the palette roles nearest to them.
QPalette::ColorRole RoleOf(std::uint32_t index) {
    switch (index) {
    case 0: // scroll bar
        return QPalette::Mid;
    case 2:  // active caption
    case 13: // highlight
    case 26: // hot light
        return QPalette::Highlight;
    case 9:  // caption text
    case 14: // highlight text
        return QPalette::HighlightedText;
    case 5: // window
        return QPalette::Base;
    case 6:  // window frame
    case 21: // 3D dark shadow
        return QPalette::Shadow;
    case 7:  // menu text
    case 8:  // window text
    case 17: // grey text, from the disabled group
        return QPalette::Text;
    case 15: // button face
        return QPalette::Button;
    case 16: // button shadow
        return QPalette::Dark;
    case 18: // button text
        return QPalette::ButtonText;
    case 20: // button highlight
        return QPalette::Light;
    case 22: // 3D light
        return QPalette::Midlight;
    case 23: // info text
        return QPalette::ToolTipText;
    case 24: // info background
        return QPalette::ToolTipBase;
    default: // desktop, captions, menus, application workspace and the rest
        return QPalette::Window;
    }
}

} // namespace

QColor ColorValueToQColor(std::uint32_t value) {
    if ((value & kSystemColorBit) != 0) {
        const QPalette palette = QGuiApplication::palette();
        const QPalette::ColorGroup group = (value & 0xFFU) == 17 ? QPalette::Disabled : QPalette::Active;
        return palette.color(group, RoleOf(value & 0xFFU));
    }
    return QColor(static_cast<int>(value & 0xFFU), static_cast<int>((value >> 8) & 0xFFU),
                  static_cast<int>((value >> 16) & 0xFFU));
}

} // namespace quarn
