// The button's state images: masks, the embossed and the drawn disabled image, the shared glyph lists,
// the dither brush, and a screenshot of every look.
#include "Button97Fixture.h"
#include "controls/ButtonGlyph.h"

#include <QDir>
#include <QLabel>

namespace quarn {
namespace {

using State = TButtonState97;
constexpr QRgb kMagenta = 0xFFFF00FF;

QColor Light() {
    return QApplication::palette().color(QPalette::Light);
}
QColor Dark() {
    return QApplication::palette().color(QPalette::Dark);
}

TEST(ButtonGlyph, ThePixelsOfTheBottomLeftColourOrOfTheMasksWhiteAreTransparent) {
    TButtonGlyph glyph;
    glyph.SetGlyph(test::GlyphStrip(1));
    EXPECT_EQ(glyph.TransparentColor(), kMagenta);
    QImage up = glyph.StateImage(State::bsUp).toImage();
    EXPECT_EQ(qAlpha(up.pixel(0, 0)), 0);
    EXPECT_EQ(up.pixel(6, 6), 0xFFFFFFFF) << "the white spot stays";

    QImage mask(16, 16, QImage::Format_RGB32);
    mask.fill(Qt::black);
    mask.setPixel(6, 6, 0xFFFFFFFF);
    glyph.SetGlyphMask(mask);
    up = glyph.StateImage(State::bsUp).toImage();
    EXPECT_EQ(up.pixel(0, 0), kMagenta) << "with a mask, the colour no longer decides";
    EXPECT_EQ(qAlpha(up.pixel(6, 6)), 0);
}

TEST(ButtonGlyph, AStateBeyondTheStripShowsTheUpImage) {
    TButtonGlyph glyph;
    glyph.SetGlyph(test::GlyphStrip(3));
    glyph.SetNumGlyphs(3);
    const QImage up = glyph.StateImage(State::bsUp).toImage();
    EXPECT_EQ(glyph.StateImage(State::bsMouseIn).toImage(), up);
    EXPECT_NE(glyph.StateImage(State::bsDown).toImage(), up);
}

TEST(ButtonGlyph, ALoneImageIsDisabledAsAnEmbossedSilhouetteWithoutWhiteAndSilver) {
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(QColor(0xFF00FF));
    picture.setPixel(1, 1, 0xFF000000);
    picture.setPixel(2, 1, 0xFFFFFFFF);
    picture.setPixel(1, 2, 0xFFC0C0C0);
    picture.setPixel(2, 2, 0xFF3050A0);
    TButtonGlyph glyph;
    glyph.SetGlyph(picture);
    const QImage disabled = glyph.StateImage(State::bsDisabled).toImage();
    ASSERT_EQ(disabled.size(), QSize(5, 5)) << "a pixel wider and taller";
    EXPECT_EQ(disabled.pixel(1, 1), Dark().rgba()) << "black is shape";
    EXPECT_EQ(disabled.pixel(2, 2), Dark().rgba()) << "so is any colour";
    EXPECT_EQ(qAlpha(disabled.pixel(2, 1)), 0) << "white is not";
    EXPECT_EQ(qAlpha(disabled.pixel(1, 2)), 0) << "nor is silver";
    EXPECT_EQ(disabled.pixel(3, 3), Light().rgba()) << "the highlight one pixel down and right";
    EXPECT_EQ(qAlpha(disabled.pixel(0, 0)), 0);

    glyph.SetOldDisabledStyle(true);
    const QImage old = glyph.StateImage(State::bsDisabled).toImage();
    EXPECT_EQ(old.pixel(1, 1), Dark().rgba());
    EXPECT_NE(old.pixel(2, 2), Dark().rgba()) << "the old style takes the black pixels only";
}

TEST(ButtonGlyph, TheStripsOwnDisabledImageTakesItsWhiteAndGreyIntoTheSystemColours) {
    TButtonGlyph glyph;
    glyph.SetGlyph(test::GlyphStrip(2));
    glyph.SetNumGlyphs(2);
    const QImage disabled = glyph.StateImage(State::bsDisabled).toImage();
    ASSERT_EQ(disabled.size(), QSize(17, 17));
    EXPECT_EQ(disabled.pixel(6, 6), Light().rgba()) << "white";
    EXPECT_EQ(disabled.pixel(7, 10), Dark().rgba()) << "grey";
    EXPECT_EQ(qAlpha(disabled.pixel(0, 0)), 0) << "the mask colour";
    EXPECT_EQ(qAlpha(disabled.pixel(16, 16)), 0) << "the extra row and column";
}

TEST(ButtonGlyph, StateImagesOfOneSizeShareAListThatGoesWithItsLastUser) {
    ASSERT_EQ(TGlyphCache::Current(), nullptr) << "no glyph object is alive yet";
    {
        TButtonGlyph first;
        TButtonGlyph second;
        first.SetGlyph(test::GlyphStrip(1));
        second.SetGlyph(test::GlyphStrip(1));
        first.StateImage(State::bsUp);
        second.StateImage(State::bsUp);
        second.StateImage(State::bsDisabled);
        const std::shared_ptr<TGlyphCache> cache = TGlyphCache::Current();
        ASSERT_NE(cache, nullptr);
        EXPECT_EQ(cache->ListCount(), 2) << "16 x 16 for both glyphs, 17 x 17 for the disabled image";
        EXPECT_EQ(cache->List(QSize(16, 16))->Count(), 2);

        second.SetGlyph(QImage());
        EXPECT_EQ(cache->ListCount(), 1) << "the disabled list had no other user";
        EXPECT_EQ(cache->List(QSize(16, 16))->Count(), 1);
    }
    EXPECT_EQ(TGlyphCache::Current(), nullptr) << "gone with the last glyph object";
}

TEST(ButtonGlyph, AnImageOfAnotherSizeIsRefused) {
    TGlyphList list(QSize(16, 16));
    try {
        list.Add(QPixmap(8, 8));
        FAIL() << "added";
    } catch (const EInvalidOperation& error) {
        EXPECT_STREQ(error.what(), "Invalid image size");
    }
}

TEST(ButtonGlyph, TheDitherBrushFollowsTheButtonFaceAndHighlight) {
    const QImage pattern = DitherBrush().textureImage();
    ASSERT_EQ(pattern.size(), QSize(8, 8));
    const QColor face = QApplication::palette().color(QPalette::Button);
    EXPECT_EQ(pattern.pixel(0, 0), Light().rgb());
    EXPECT_EQ(pattern.pixel(1, 1), Light().rgb());
    EXPECT_EQ(pattern.pixel(1, 0), face.rgb());

    const QPalette saved = QApplication::palette();
    QPalette changed = saved;
    changed.setColor(QPalette::Light, QColor(250, 240, 10));
    QApplication::setPalette(changed);
    EXPECT_EQ(DitherBrush().textureImage().pixel(0, 0), QColor(250, 240, 10).rgb());
    QApplication::setPalette(saved);
}

class Button97Looks : public test::Button97Form {};

TEST_F(Button97Looks, ScreenshotOfEveryState) {
    form_.resize(600, 140);
    QMenu menu(&form_);
    menu.addAction("Eins");
    const char* columns[] = {"up", "hot", "down", "exclusive", "disabled 1", "disabled 2", "combo"};
    for (int column = 0; column < 7; ++column) {
        auto* label = new QLabel(QString::fromLatin1(columns[column]), &form_);
        label->setGeometry(70 + column * 70, 6, 68, 16);
        label->show();
    }
    TButton97* hot = nullptr;
    for (int row = 0; row < 2; ++row) {
        const bool flat = row == 0;
        auto* label = new QLabel(flat ? "flat" : "raised", &form_);
        label->setGeometry(6, 30 + row * 56, 60, 24);
        label->show();
        std::vector<TButton97*> buttons;
        for (int column = 0; column < 7; ++column) {
            TButton97* button = Make({70 + column * 70, 26 + row * 56}, QSize(62, 46));
            button->SetFlat(flat);
            button->SetGlyph(test::GlyphStrip(column == 5 ? 2 : 1));
            button->SetLayout(TButtonLayout::blGlyphTop);
            button->SetCaption("&Knopf");
            buttons.push_back(button);
        }
        buttons[3]->SetGroupIndex(1 + row);
        buttons[3]->SetDown(true);
        buttons[4]->setEnabled(false);
        buttons[5]->setEnabled(false);
        buttons[6]->SetDropdownMenu(&menu);
        buttons[6]->SetDropdownCombo(true);
        QTest::mousePress(buttons[2], Qt::LeftButton, {}, {20, 20});
        if (flat) {
            hot = buttons[1];
        }
    }
    QTest::mouseMove(hot, {20, 20});
    ASSERT_EQ(TButton97::HotButton(), hot);

    const QString folder = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QImage shot = form_.grab().toImage();
    EXPECT_TRUE(shot.save(folder + "button97_states.png"));
}

} // namespace
} // namespace quarn
