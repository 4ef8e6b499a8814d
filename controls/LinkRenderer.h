#pragma once

#include "controls/LinkTextHandler.h"

#include <cstdint>

namespace quarn {

// Walks a caption's tree and hands its text to a text handler in the styles and colours of its elements.
class TDefaultRenderer {
public:
    virtual ~TDefaultRenderer() = default;

    std::uint32_t linkColor = 0xFF0000U;        // clBlue
    std::uint32_t linkColorClicked = 0x0000FFU; // clRed
    std::uint32_t linkColorHot = 0x800080U;     // clPurple
    TFontStyles linkStyle = fsUnderline;

    // Lays the whole tree out in the rectangle and draws it; each link in the colour of its state.
    void RenderTree(TLinkCanvas& canvas, const TLinkRect& rect, TNodeTree& tree);
    // The bottom of the text last rendered, from the control's top.
    int TextHeight() const { return textHeight_; }
    // A link's colour value as the colour it is drawn in; any other colour stays.
    std::uint32_t TranslateColor(std::uint32_t color) const;

private:
    void RenderArea(TTextHandler& handler, TAreaNode& area, TFontStyles styles, std::uint32_t color);

    int textHeight_ = 0;
};

} // namespace quarn
