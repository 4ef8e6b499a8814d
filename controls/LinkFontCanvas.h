#pragma once

#include "controls/LinkTextHandler.h"

#include <QFont>
#include <QFontMetrics>
#include <QRegion>
#include <array>
#include <optional>

class QPainter;

namespace quarn {

// The link label's canvas on a real font: measures with the font's metrics (one per style set, made once)
// and, given a painter, draws the pieces that meet the clip region. Without a painter it only measures.
class TFontCanvas : public TLinkCanvas {
public:
    explicit TFontCanvas(const QFont& font, QPainter* painter = nullptr, const QRegion& clip = QRegion());

    void SetFont(TFontStyles styles, std::uint32_t color) override;
    int TextWidth(const QString& text) override;
    int TextHeight(const QString& text) override;
    void TextOut(int x, int y, QStringView text, const TLinkRect& rect) override;

private:
    struct StyledFont {
        QFont font;
        QFontMetrics metrics;
    };
    StyledFont& Current();

    QFont base_;
    QPainter* painter_;
    QRegion clip_;
    std::array<std::optional<StyledFont>, 16> fonts_;
    TFontStyles styles_ = 0;
    std::uint32_t color_ = 0;
    // What the painter was last given, so that pieces outside the clip cost no painter state.
    int painterStyles_ = -1;
    std::optional<std::uint32_t> painterColor_;
};

} // namespace quarn
