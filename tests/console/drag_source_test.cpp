#include "console/DragSource.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QUrl>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace quarn {
namespace {

TEST(DragSourceTest, DataObjectListsOnlyTextAndCarriesIt) {
    TDragTextSource source;
    source.SetText("CQ de DL0ABC \xE4\xF6\xFC"); // Windows-1252 umlauts
    const auto data = source.MakeDataObject();
    EXPECT_EQ(data->formats(), QStringList{"text/plain"});
    EXPECT_EQ(data->text(), QString::fromUtf8("CQ de DL0ABC äöü"));
    EXPECT_FALSE(data->hasFormat("text/uri-list"));
}

TEST(DragSourceTest, DataObjectKeepsTheTextAfterTheSourceIsGone) {
    std::unique_ptr<QMimeData> data;
    {
        TDragTextSource source;
        source.SetText("abc");
        data = source.MakeDataObject();
    }
    EXPECT_EQ(data->text(), "abc");
}

TEST(DragSourceTest, FileFormsNameTheTextScrapFile) {
    const std::string text = "line one\r\nline two";
    const auto descriptor = TextDragData(text, TDragTextSource::kFileGroupDescriptor);
    ASSERT_TRUE(descriptor);
    ASSERT_EQ(descriptor->size(), 336);
    EXPECT_EQ(static_cast<unsigned char>((*descriptor)[0]), 1);    // one file
    EXPECT_EQ(static_cast<unsigned char>((*descriptor)[5]), 0x80); // flags 0x8000
    EXPECT_STREQ(descriptor->constData() + 76, "Text Scrap File.txt");

    const auto contents = TextDragData(text, TDragTextSource::kFileContents);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->toStdString(), text);

    const auto uris = TextDragData(text, "text/uri-list");
    ASSERT_TRUE(uris);
    const QUrl url = QUrl::fromEncoded(uris->trimmed());
    ASSERT_TRUE(url.isLocalFile());
    EXPECT_TRUE(url.toLocalFile().endsWith("/Text Scrap File.txt"));
    std::ifstream file(url.toLocalFile().toStdString(), std::ios::binary);
    std::stringstream read;
    read << file.rdbuf();
    EXPECT_EQ(read.str(), text);
}

TEST(DragSourceTest, UnofferedFormatsGiveNothing) {
    TDragTextSource source;
    source.SetText("abc");
    EXPECT_FALSE(source.GetData("application/x-qt-windows-mime;value=\"Preferred DropEffect\""));
    EXPECT_FALSE(source.GetData("image/png"));
    const auto data = source.MakeDataObject();
    EXPECT_TRUE(data->data("image/png").isEmpty());
}

TEST(DragSourceTest, ResultFollowsTheGrantedEffect) {
    struct Case {
        Qt::DropActions effect;
        TDragTypes allowed;
        TDragResult result;
    };
    const Case cases[] = {
        {Qt::MoveAction, dtCopy | dtMove | dtLink, TDragResult::Moved},
        {Qt::CopyAction, dtCopy | dtMove | dtLink, TDragResult::Copied},
        {Qt::LinkAction, dtCopy | dtMove | dtLink, TDragResult::Linked},
        {Qt::CopyAction | Qt::MoveAction, dtCopy | dtMove, TDragResult::Copied},
        {Qt::MoveAction, dtCopy, TDragResult::Cancelled}, // an effect the source does not allow
        {Qt::IgnoreAction, dtCopy | dtMove | dtLink, TDragResult::Cancelled}, // Escape
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DragResultOf(c.effect, c.allowed), c.result) << c.effect.toInt() << " " << c.allowed;
    }
}

TEST(DragSourceTest, FormatListStopsAtTwenty) {
    TDragTextSource source;
    for (int i = 0; i < 25; ++i) {
        source.AddFormat(QString("x-test/%1").arg(i));
    }
    EXPECT_EQ(source.Formats().size(), 20);
    EXPECT_EQ(source.Formats().first(), "text/plain");
}

TEST(DragSourceTest, DragImageNeedsAnImageList) {
    TDragTextSource source;
    source.SetShowImage(true);
    EXPECT_FALSE(source.ShowImage());
    QPixmap image(16, 16);
    source.SetImages({image, image});
    EXPECT_TRUE(source.ShowImage());
    EXPECT_EQ(source.ImageIndex(), 0);
    source.SetImageIndex(2);
    EXPECT_FALSE(source.ShowImage());
    source.SetImageIndex(1);
    source.SetShowImage(true);
    EXPECT_TRUE(source.ShowImage());
}

TEST(DragSourceTest, CopyPutsTextOnTheClipboardOnlyWhenThereIsText) {
    QGuiApplication::clipboard()->setText("before");
    TDragTextSource source;
    EXPECT_FALSE(source.CopyToClipboard());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
    source.SetText("de DL0ABC");
    EXPECT_TRUE(source.CopyToClipboard());
    EXPECT_EQ(source.FeedbackEffect(), Qt::CopyAction);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "de DL0ABC");
}

TEST(DragSourceTest, ExecuteOffscreenEndsAsCancelled) {
    TDragTextSource source;
    source.SetText("abc");
    EXPECT_EQ(source.Execute(nullptr), TDragResult::Cancelled);
}

} // namespace
} // namespace quarn
