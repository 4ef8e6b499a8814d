#include "controls/LinkParser.h"
#include "controls/LinkRenderer.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <map>

namespace quarn {
namespace {

// Every character 10 pixels wide, every line 16 high: the wrap rules without fonts.
class FixedAdvanceCanvas : public TLinkCanvas {
public:
    struct Piece {
        QString text;
        int x;
        int y;
        TFontStyles styles;
        std::uint32_t color;
    };
    std::vector<Piece> pieces;

    void SetFont(TFontStyles styles, std::uint32_t color) override {
        styles_ = styles;
        color_ = color;
    }
    int TextWidth(const QString& text) override { return 10 * static_cast<int>(text.size()); }
    int TextHeight(const QString&) override { return 16; }
    void TextOut(int x, int y, QStringView text, const TLinkRect&) override {
        pieces.push_back({text.toString(), x, y, styles_, color_});
    }

    // The drawn text line by line, each line's pieces in order and trimmed on the right.
    QStringList Lines() const {
        std::map<int, QString> byY;
        for (const Piece& piece : pieces) {
            byY[piece.y] += piece.text;
        }
        QStringList lines;
        int expectedY = 0;
        for (auto& [y, text] : byY) {
            while (expectedY < y) { // a blank line shows as ""
                lines.append(QString());
                expectedY += 16;
            }
            while (text.endsWith(u' ')) {
                text.chop(1);
            }
            lines.append(text);
            expectedY = y + 16;
        }
        return lines;
    }

private:
    TFontStyles styles_ = 0;
    std::uint32_t color_ = 0;
};

struct Laid {
    FixedAdvanceCanvas canvas;
    std::unique_ptr<TNodeTree> tree;
    int textHeight = 0;
};

std::unique_ptr<Laid> LayOut(const QString& caption, int width) {
    auto laid = std::make_unique<Laid>();
    TDefaultParser parser;
    laid->tree = parser.Parse(caption);
    TDefaultRenderer renderer;
    renderer.RenderTree(laid->canvas, {0, 0, width, 1000}, *laid->tree);
    laid->textHeight = renderer.TextHeight();
    return laid;
}

const QString kKlaenge = QString::fromUtf8(
    "In der <link>Stationendatenbank</link> können Sie rufzeichenabhängige Klänge einstellen.");
const QString kTexte = QString::fromUtf8(
    "In der <link>Stationendatenbank</link> können Sie rufzeichenabhängige Texte einstellen.");
const QString kTreffen = QString::fromUtf8(
    "Treffen Sie rufzeichenabhängige Einstellungen in der <link>Stationendatenbank</link>.");

TEST(LinkLayout, ProgramCaptionsWrapAtTheirWidths) {
    const struct {
        const QString& caption;
        int width;
        QStringList lines;
    } cases[] = {
        {kKlaenge,
         150,
         {"In der", "Stationendatenbank", "können Sie", "rufzeichenabhängige", "Klänge", "einstellen."}},
        {kKlaenge,
         250,
         {"In der", "Stationendatenbank", "können Sie", "rufzeichenabhängige", "Klänge einstellen."}},
        {kKlaenge, 400, {"In der Stationendatenbank können Sie", "rufzeichenabhängige Klänge einstellen."}},
        {kTexte,
         150,
         {"In der", "Stationendatenbank", "können Sie", "rufzeichenabhängige", "Texte", "einstellen."}},
        {kTexte,
         250,
         {"In der", "Stationendatenbank", "können Sie", "rufzeichenabhängige", "Texte einstellen."}},
        {kTexte, 400, {"In der Stationendatenbank können Sie", "rufzeichenabhängige Texte einstellen."}},
        {kTreffen,
         150,
         {"Treffen Sie", "rufzeichenabhängige", "Einstellungen", "in der", "Stationendatenbank."}},
        {kTreffen,
         250,
         {"Treffen Sie", "rufzeichenabhängige", "Einstellungen in der", "Stationendatenbank."}},
        {kTreffen, 400, {"Treffen Sie rufzeichenabhängige", "Einstellungen in der", "Stationendatenbank."}},
    };
    for (const auto& c : cases) {
        const auto laid = LayOut(c.caption, c.width);
        EXPECT_EQ(laid->canvas.Lines(), c.lines) << c.caption.toStdString() << " at " << c.width;
        EXPECT_EQ(laid->textHeight, 16 * static_cast<int>(c.lines.size())) << c.width;
        for (const auto& piece : laid->canvas.pieces) {
            EXPECT_FALSE(piece.text.trimmed().isEmpty()) << "an empty piece drawn at " << c.width;
        }
    }
}

TEST(LinkLayout, AWordLongerThanTheLineStaysWhereItsLineBegins) {
    const struct {
        const char* caption;
        QStringList lines;
    } cases[] = {
        {"Rufzeichenabhaengig", {"Rufzeichenabhaengig"}},
        {"ab<BR>Rufzeichenabhaengig", {"ab", "Rufzeichenabhaengig"}},
        {"ab<P>Rufzeichenabhaengig", {"ab", "", "Rufzeichenabhaengig"}},
        {"ab<BR><B>Rufzeichen</B>abhaengig", {"ab", "Rufzeichenabhaengig"}},
        {"ab Rufzeichenabhaengig", {"ab", "Rufzeichenabhaengig"}},
    };
    for (const auto& c : cases) {
        const auto laid = LayOut(QString::fromUtf8(c.caption), 100);
        EXPECT_EQ(laid->canvas.Lines(), c.lines) << c.caption;
        EXPECT_EQ(laid->textHeight, 16 * static_cast<int>(c.lines.size())) << c.caption;
    }
}

TEST(LinkLayout, RunsWithoutASpaceBetweenWrapAsOneWord) {
    const auto laid = LayOut(QString("Sie Stationen<B>datenbank</B> hier"), 200);
    EXPECT_EQ(laid->canvas.Lines(), (QStringList{"Sie", "Stationendatenbank", "hier"}));
    ASSERT_GE(laid->canvas.pieces.size(), 3u);
    const auto& bold = laid->canvas.pieces[2];
    EXPECT_EQ(bold.text, "datenbank");
    EXPECT_EQ(bold.x, 90) << "drawn right after its first part";
    EXPECT_EQ(bold.y, 16);
    EXPECT_EQ(bold.styles, fsBold);
}

TEST(LinkLayout, ATrailingSpaceMayReachPastTheEdge) {
    const struct {
        const char* caption;
        int width;
        int lines;
    } cases[] = {
        {"abc def", 70, 2}, // the visible text reaching the edge wraps
        {"abc def", 71, 1},
        {"abc def ", 71, 1}, // its space does not count
        {"abc def g", 71, 2},
    };
    for (const auto& c : cases) {
        const auto laid = LayOut(QString(c.caption), c.width);
        EXPECT_EQ(laid->canvas.Lines().size(), c.lines) << c.caption << " at " << c.width;
    }
}

TEST(LinkLayout, LinksAreDrawnInTheColourOfTheirStateAndRecordedForHitTests) {
    auto laid = LayOut(kTexte, 150);
    auto* link = static_cast<TLinkNode*>(laid->tree->Root().FindFirst(TNodeType::Link));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->startPosition, QPoint(70, 0)) << "where the text before it ended";
    EXPECT_EQ(laid->tree->Root().LinkAtPoint({5, 16}), link);
    EXPECT_EQ(laid->tree->Root().LinkAtPoint({5, 0}), nullptr);

    link->state = TLinkState::Hot;
    TDefaultRenderer renderer;
    FixedAdvanceCanvas canvas;
    renderer.RenderTree(canvas, {0, 0, 150, 1000}, *laid->tree);
    for (const auto& piece : canvas.pieces) {
        const bool isLink = piece.text == "Stationendatenbank";
        EXPECT_EQ(piece.color, isLink ? renderer.linkColorHot : 0x80000008U) << piece.text.toStdString();
        EXPECT_EQ(piece.styles, isLink ? fsUnderline : 0);
    }
}

TEST(LinkLayout, WordsAreTheRunsUpToAndIncludingASpace) {
    const QString text = "a  bc d";
    TWordEnumerator words(text);
    QStringList seen;
    while (words.HasNext()) {
        seen.append(words.GetNext());
    }
    EXPECT_EQ(seen, (QStringList{"a ", " ", "bc ", "d"}));
    EXPECT_THROW(words.GetNext(), ETextHandlerError);
}

} // namespace
} // namespace quarn
