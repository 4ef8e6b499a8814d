#include "controls/LinkRenderer.h"

namespace quarn {

void TDefaultRenderer::RenderTree(TLinkCanvas& canvas, const TLinkRect& rect, TNodeTree& tree) {
    TTextHandler handler(canvas, rect, QPoint(rect.left, rect.top));
    TRootNode& root = tree.Root();
    RenderArea(handler, root, root.styles, root.color);
    handler.EmptyBuffer();
    textHeight_ = handler.TextHeight();
    root.CacheLinkRects();
}

std::uint32_t TDefaultRenderer::TranslateColor(std::uint32_t color) const {
    switch (color) {
    case kLinkColorNormal:
        return linkColor;
    case kLinkColorClicked:
        return linkColorClicked;
    case kLinkColorHot:
        return linkColorHot;
    default:
        return color;
    }
}

void TDefaultRenderer::RenderArea(TTextHandler& handler, TAreaNode& area, TFontStyles styles,
                                  std::uint32_t color) {
    handler.WatchStartPosition(area);
    area.styles = styles;
    area.color = TranslateColor(color);
    for (const auto& child : area.Children()) {
        switch (child->GetNodeType()) {
        case TNodeType::Style: {
            auto& style = static_cast<TStyleNode&>(*child);
            RenderArea(handler, style, styles | style.FontStyle(), color);
            break;
        }
        case TNodeType::Link: {
            auto& link = static_cast<TLinkNode&>(*child);
            RenderArea(handler, link, styles | linkStyle, link.StateColor());
            break;
        }
        case TNodeType::Dynamic:
        case TNodeType::Area:
            RenderArea(handler, static_cast<TAreaNode&>(*child), styles, color);
            break;
        case TNodeType::String:
            handler.AddStringNode(static_cast<TStringNode&>(*child), styles, TranslateColor(color));
            break;
        case TNodeType::Action:
            if (static_cast<const TActionNode&>(*child).action == TAction::LineBreak) {
                handler.LineBreak();
            } else {
                handler.ParagraphBreak();
            }
            break;
        default:
            break;
        }
    }
}

} // namespace quarn
