#include "platform/Codepage.h"
#include "platform/FontFile.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <fstream>
#include <gtest/gtest.h>

namespace quarn {
namespace {

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";

struct Face {
    const char* name;
    int width;
    int height;
};
constexpr Face kFaces[] = {{"07x09", 7, 9},  {"08x09", 8, 9},  {"08x12", 8, 12},
                           {"08x13", 8, 13}, {"08x15", 8, 15}, {"10x18", 10, 18}};

class FontFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(AddFontResource(kFontFile), 6) << kFontFile; }
    void TearDown() override { EXPECT_TRUE(RemoveFontResource(kFontFile)); }
};

// The bounding box of the ink a painter leaves for `text` drawn at the origin of a white image.
QRect InkBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

TEST_F(FontFileTest, EveryFaceLoadsByFamilyWithItsCellSize) {
    for (const Face& face : kFaces) {
        SCOPED_TRACE(face.name);
        const QFont font = TerminalFont(face.name);
        const QFontInfo info(font);
        EXPECT_EQ(info.family(), QString("quarn ") + face.name);
        EXPECT_EQ(info.pixelSize(), face.height);
        EXPECT_TRUE(info.fixedPitch());
        const QFontMetrics metrics(font);
        EXPECT_EQ(metrics.averageCharWidth(), face.width);
        EXPECT_EQ(metrics.maxWidth(), face.width);
        EXPECT_EQ(metrics.height() + metrics.leading(), face.height);
        EXPECT_EQ(metrics.horizontalAdvance(QString::fromUtf8("Wäi╬")), 4 * face.width);

        // A full block fills exactly one cell, so box lines join their neighbours.
        QImage image(3 * face.width, 3 * face.height, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(face.width, face.height + metrics.ascent(), QString(QChar(0x2588)));
        painter.end();
        EXPECT_EQ(InkBox(image), QRect(face.width, face.height, face.width, face.height));
    }
}

TEST_F(FontFileTest, EveryFaceHasGlyphsForBothCodePages) {
    for (const Face& face : kFaces) {
        SCOPED_TRACE(face.name);
        const QFont font = TerminalFont(face.name);
        const QFontMetrics metrics(font);
        const QRawFont raw = QRawFont::fromFont(font);
        ASSERT_TRUE(raw.isValid());
        ASSERT_EQ(raw.familyName(), QString("quarn ") + face.name);
        for (int byte = 0x20; byte <= 0xFF; ++byte) {
            const QChar ansi(Cp1252ToUnicode(static_cast<std::uint8_t>(byte)));
            const QChar dos(Cp850ToUnicode(static_cast<std::uint8_t>(byte)));
            if (byte != 0x7F && !(ansi.unicode() >= 0x80 && ansi.unicode() < 0xA0)) {
                EXPECT_TRUE(raw.supportsCharacter(ansi)) << std::hex << int(ansi.unicode());
            }
            if (byte != 0x7F) {
                EXPECT_TRUE(metrics.inFont(dos)) << std::hex << int(dos.unicode());
            }
        }
    }
}

TEST_F(FontFileTest, SampleTextOfEveryFace) {
    const QString sample = QString::fromUtf8("DL1ABC de DB0XYZ: Grüße, Äpfel & Öl ß € „quo“ …\n"
                                             "╔═══╦═══╗ ┌───┬───┐ ░▒▓█▄▀■\n"
                                             "║ a ║ b ║ │ c │ d │ 0123456789\n"
                                             "╠═══╬═══╣ ├───┼───┤ {[(<Quarn>)]}\n"
                                             "╚═══╩═══╝ └───┴───┘ ÁÂÀ©¢¥ãÃ¤ðÐÊËÈıÍÎÏ");
    QDir().mkpath(QUARN_BINARY_DIR "/tests/screenshots");
    for (const Face& face : kFaces) {
        const QFont font = TerminalFont(face.name);
        const QFontMetrics metrics(font);
        const QStringList lines = sample.split('\n');
        QImage image(50 * face.width + 8, lines.size() * face.height + 8, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        for (int row = 0; row < lines.size(); ++row) {
            painter.drawText(4, 4 + row * face.height + metrics.ascent(), lines[row]);
        }
        painter.end();
        const QString file = QString(QUARN_BINARY_DIR "/tests/screenshots/font_%1.png").arg(face.name);
        EXPECT_TRUE(image.save(file)) << file.toStdString();
    }
}

TEST(FontFileLoad, AddingTwiceNeedsTwoRemovals) {
    ASSERT_EQ(AddFontResource(kFontFile), 6);
    ASSERT_EQ(AddFontResource(kFontFile), 6);
    EXPECT_TRUE(RemoveFontResource(kFontFile));
    EXPECT_EQ(QFontInfo(TerminalFont("08x12")).family(), "quarn 08x12") << "still added once";
    EXPECT_TRUE(RemoveFontResource(kFontFile));
    EXPECT_FALSE(RemoveFontResource(kFontFile));
    EXPECT_NE(QFontInfo(TerminalFont("08x12")).family(), "quarn 08x12");
}

TEST(FontFileLoad, MissingOrBrokenFilesAddNothing) {
    test::TempDir folder;
    EXPECT_EQ(AddFontResource(folder / "missing.fon"), 0);
    std::ofstream(folder / "broken.fon") << "STARTFONT 2.1\nthis is no font\nENDFONT\n";
    EXPECT_EQ(AddFontResource(folder / "broken.fon"), 0);
    EXPECT_FALSE(RemoveFontResource(folder / "broken.fon"));
    std::ofstream(folder / "empty.fon");
    EXPECT_EQ(AddFontResource(folder / "empty.fon"), 0);
}

TEST(FontFileLoad, ProgramFontFileSitsBesideTheProgram) {
    const std::filesystem::path program = QCoreApplication::applicationFilePath().toStdString();
    EXPECT_EQ(ProgramFontFileName(), program.parent_path() / (program.stem().string() + ".fon"));
}

} // namespace
} // namespace quarn
