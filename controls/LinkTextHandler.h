#pragma once

#include "controls/LinkNodes.h"

#include <QString>
#include <cstdint>
#include <variant>
#include <vector>

namespace quarn {

// Where the link label measures and draws its text: the label's font on a painter in the program, a
// fixed advance per character in tests, so the wrap rules run without fonts.
class TLinkCanvas {
public:
    virtual ~TLinkCanvas() = default;
    // Styles added to the label's font; the colour is a stored colour value.
    virtual void SetFont(TFontStyles styles, std::uint32_t color) = 0;
    virtual int TextWidth(const QString& text) = 0;
    virtual int TextHeight(const QString& text) = 0;
    // Draws the text with its top-left corner at (x, y); `rect` is the piece's rectangle.
    virtual void TextOut(int x, int y, QStringView text, const TLinkRect& rect) = 0;
};

// The words of a text: runs up to and including the next space; the last runs to the end.
class TWordEnumerator {
public:
    explicit TWordEnumerator(const QString& text) : text_(text) {}
    bool HasNext() const { return position_ < text_.size(); }
    QString GetNext();

private:
    const QString& text_;
    qsizetype position_ = 0;
};

// Lays text runs out word by word inside a rectangle, draws them and records where each piece went.
// Runs that touch without a space between (one word split by a style) are wrapped as one word.
class TTextHandler {
public:
    TTextHandler(TLinkCanvas& canvas, const TLinkRect& rect, QPoint pen);

    void AddStringNode(TStringNode& node, TFontStyles styles, std::uint32_t color);
    void LineBreak() { buffer_.emplace_back(TAction::LineBreak); }
    void ParagraphBreak() { buffer_.emplace_back(TAction::ParagraphBreak); }
    // Lays out and draws what is buffered.
    void EmptyBuffer();
    bool IsBufferEmpty() const { return buffer_.empty(); }
    int PenX() const { return x_; }
    int PenY() const { return y_; }
    bool IsPenPositionCurrent() const { return IsBufferEmpty(); }
    // The area's start position is recorded now, or when its first text is laid out.
    void WatchStartPosition(TAreaNode& area);
    // The bottom of the text so far, from the control's top.
    int TextHeight() const { return y_ + lineHeight_; }
    int LineHeight() const { return lineHeight_; }

private:
    struct StringElement {
        TStringNode* node;
        TFontStyles styles;
        std::uint32_t color;
    };
    using Element = std::variant<StringElement, TAction>;
    struct Observer {
        TAreaNode* area;
        const TStringNode* firstString;
    };

    void LayOut(std::size_t index);
    void Measure(std::size_t index);
    void DrawPiece(StringElement& element, QStringView piece, int width);

    TLinkCanvas& canvas_;
    TLinkRect rect_;
    int x_;
    int y_;
    int lineHeight_ = 0;
    std::vector<Element> buffer_;
    std::vector<Observer> observers_;
};

} // namespace quarn
