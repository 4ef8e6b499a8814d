#include "console/DragSource.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QUrl>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace quarn {
namespace {

std::string ReadFile(const std::filesystem::path& name) {
    std::ifstream file(name, std::ios::binary);
    std::stringstream read;
    read << file.rdbuf();
    return read.str();
}

TEST(DragSourceTest, DataObjectOffersTheTextAndItsScrapFile) {
    TDragTextSource source;
    source.SetText("CQ de DL0ABC \xE4\xF6\xFC"); // Windows-1252 umlauts
    const auto data = source.MakeDataObject();
    EXPECT_EQ(data->formats(), (QStringList{"text/plain", "text/uri-list"}));
    EXPECT_EQ(data->text(), QString::fromUtf8("CQ de DL0ABC äöü"));
    ASSERT_EQ(data->urls().size(), 1);
    ASSERT_TRUE(data->urls().first().isLocalFile());
    const std::filesystem::path file = data->urls().first().toLocalFile().toStdString();
    EXPECT_EQ(file.filename(), "Text Scrap File.txt");
    EXPECT_EQ(ReadFile(file), "CQ de DL0ABC äöü");
    // A folder of its own that only the user can enter.
    EXPECT_EQ(std::filesystem::status(file.parent_path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
}

// A file manager may copy the scrap after the drop: the file stays while the source or its data object
// lives, and goes, folder and all, when neither does.
TEST(DragSourceTest, ScrapFileLastsAsLongAsItsDrag) {
    std::filesystem::path file;
    {
        auto source = std::make_unique<TDragTextSource>();
        source->SetText("first");
        const auto data = source->MakeDataObject();
        file = data->urls().first().toLocalFile().toStdString();
        source->SetText("second"); // a new text does not change what the data object offers
        EXPECT_EQ(data->text(), "first");
        source.reset();
        EXPECT_EQ(ReadFile(file), "first");
    }
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(std::filesystem::exists(file.parent_path()));

    // Two drags never share a file.
    TDragTextSource one;
    one.SetText("one");
    TDragTextSource two;
    two.SetText("two");
    EXPECT_NE(one.MakeDataObject()->urls(), two.MakeDataObject()->urls());
}

// The program's own drop target takes files first; it knows its own drags and takes their text.
TEST(DragSourceTest, OwnDragsAreRecognised) {
    TDragTextSource source;
    source.SetText("abc");
    EXPECT_TRUE(IsOwnDrag(*source.MakeDataObject()));
    QMimeData foreign;
    foreign.setText("abc");
    foreign.setUrls({QUrl::fromLocalFile("/tmp/abc.txt")});
    EXPECT_FALSE(IsOwnDrag(foreign));
}

TEST(DragSourceTest, ReleasingTheButtonsDropsUnlessTheSourceRefuses) {
    struct Case {
        const char* name;
        bool escape;
        Qt::MouseButtons buttons;
        Qt::DropAction feedback;
        TDragTypes allowed;
        bool refuse;
        TDragContinue expected;
        TDragType asked; // the drop type OnDrop is asked about, 0 when it is not asked
    };
    const unsigned all = dtCopy | dtMove | dtLink;
    const Case cases[] = {
        {"Escape", true, Qt::LeftButton, Qt::CopyAction, all, false, TDragContinue::Cancel, TDragType{}},
        {"left held", false, Qt::LeftButton, Qt::CopyAction, all, false, TDragContinue::Continue,
         TDragType{}},
        {"right held", false, Qt::RightButton, Qt::MoveAction, all, false, TDragContinue::Continue,
         TDragType{}},
        {"copy", false, Qt::NoButton, Qt::CopyAction, all, false, TDragContinue::Drop, dtCopy},
        {"move", false, Qt::NoButton, Qt::MoveAction, all, false, TDragContinue::Drop, dtMove},
        {"link", false, Qt::NoButton, Qt::LinkAction, all, false, TDragContinue::Drop, dtLink},
        {"no target", false, Qt::NoButton, Qt::IgnoreAction, all, false, TDragContinue::Cancel, TDragType{}},
        {"not allowed", false, Qt::NoButton, Qt::MoveAction, dtCopy, false, TDragContinue::Cancel,
         TDragType{}},
        {"refused", false, Qt::NoButton, Qt::CopyAction, all, true, TDragContinue::Cancel, dtCopy},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDragTextSource source;
        source.SetDragtypes(c.allowed);
        source.GiveFeedback(c.feedback); // what the target under the pointer would do
        TDragType asked{};
        source.OnDrop = [&](TDragSource& sender, TDragType dropType, bool& continueDrop) {
            EXPECT_EQ(&sender, &source);
            asked = dropType;
            continueDrop = !c.refuse;
        };
        EXPECT_EQ(source.QueryContinueDrag(c.escape, c.buttons), c.expected);
        EXPECT_EQ(asked, c.asked);
    }
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
    const TTextScrap scrap("line one\r\nline two");
    const auto descriptor = TextDragData(scrap, TDragTextSource::kFileGroupDescriptor);
    ASSERT_TRUE(descriptor);
    ASSERT_EQ(descriptor->size(), 336);
    EXPECT_EQ(static_cast<unsigned char>((*descriptor)[0]), 1);    // one file
    EXPECT_EQ(static_cast<unsigned char>((*descriptor)[5]), 0x80); // flags 0x8000
    EXPECT_STREQ(descriptor->constData() + 76, "Text Scrap File.txt");

    const auto contents = TextDragData(scrap, TDragTextSource::kFileContents);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->toStdString(), scrap.Text());

    const auto uris = TextDragData(scrap, "text/uri-list");
    ASSERT_TRUE(uris);
    const QUrl url = QUrl::fromEncoded(uris->trimmed());
    ASSERT_TRUE(url.isLocalFile());
    EXPECT_TRUE(url.toLocalFile().endsWith("/Text Scrap File.txt"));
    EXPECT_EQ(ReadFile(url.toLocalFile().toStdString()), scrap.Text());
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
    EXPECT_EQ(source.Formats().last(), "x-test/17");
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
