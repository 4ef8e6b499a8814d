#include "controls/BrowseFolderU.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QListView>
#include <QSignalSpy>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

namespace quarn {
namespace {

QString Path(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

TEST(BrowseFolder, AnExistingFolderIsStoredWithItsSlash) {
    test::TempDir temp;
    std::filesystem::create_directories(temp / "Empfang");
    const QString folder = Path(temp / "Empfang");
    EXPECT_EQ(FolderSelectionText(folder), folder + "/");
    EXPECT_EQ(FolderSelectionText(folder + "/"), folder + "/");
    EXPECT_EQ(FolderSelectionText(folder + "/fehlt"), folder + "/fehlt") << "no such folder: as given";
    EXPECT_EQ(FolderSelectionText(""), "");
    EXPECT_EQ(FolderPathForDialog(folder + "/"), folder);
    EXPECT_EQ(FolderPathForDialog("/"), "/");
}

TEST(BrowseFolder, TheStatusTextIsShortenedFromTheFront) {
    const auto tenPerCharacter = [](const QString& text) { return 10 * static_cast<int>(text.size()); };
    const struct {
        const char* text;
        bool folder;
        int width;
        const char* fitted;
    } cases[] = {
        {"/home/dl1abc/quarn", true, 180, "/home/dl1abc/quarn"}, // fits as it is
        {"/home/dl1abc/quarn", true, 170, ".../dl1abc/quarn"},
        {"/home/dl1abc/quarn", true, 159, ".../quarn"},
        {"/home/dl1abc/quarn", true, 90, ".../quarn"},
        {"/home/dl1abc/quarn", true, 60, ".../qu"},              // the last folder alone is cut
        {"Bitte einen Ordner wählen", false, 100, "Bitte eine"}, // any other text is cut
        {"", true, 0, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FitStatusText(QString::fromUtf8(c.text), c.folder, c.width, tenPerCharacter),
                  QString::fromUtf8(c.fitted))
            << c.text << " in " << c.width;
    }
}

class BrowseFolderDialog : public ::testing::Test {
protected:
    BrowseFolderDialog() {
        std::filesystem::create_directories(temp_ / "a" / "b");
        std::filesystem::create_directories(temp_ / "c");
    }
    // Runs `step` on the open dialog once it shows.
    void WhenOpen(std::function<void(QFileDialog&)> step) {
        QTimer::singleShot(0, [this, step] {
            ASSERT_NE(dialog_.Dialog(), nullptr);
            step(*dialog_.Dialog());
        });
    }
    test::TempDir temp_;
    TBrowseFolderDlg dialog_;
};

TEST_F(BrowseFolderDialog, StartsAtTheSelectionAndReturnsTheChoice) {
    dialog_.SetSelection(Path(temp_ / "a"));
    dialog_.SetShowSelectionInStatus(true);
    dialog_.SetCaption("Ordner wählen");
    QSignalSpy changes(&dialog_, &TBrowseFolderDlg::SelChanged);
    QString caption;
    QString directory;
    QString status;
    WhenOpen([&](QFileDialog& open) {
        caption = dialog_.Caption();
        directory = open.directory().absolutePath();
        // As a click in the folder list marks it.
        auto* list = open.findChild<QListView*>("listView");
        auto* model = open.findChild<QFileSystemModel*>();
        ASSERT_TRUE(list != nullptr && model != nullptr);
        list->setCurrentIndex(model->index(Path(temp_ / "a" / "b")));
        status = dialog_.StatusLabel() != nullptr ? dialog_.StatusLabel()->toolTip() : QString();
        QMetaObject::invokeMethod(&open, "accept");
    });
    ASSERT_TRUE(dialog_.Execute());
    EXPECT_EQ(caption, "Ordner wählen");
    EXPECT_EQ(directory, Path(temp_ / "a"));
    EXPECT_EQ(status, Path(temp_ / "a" / "b"));
    ASSERT_FALSE(changes.isEmpty());
    EXPECT_EQ(changes.last()[0].toString(), Path(temp_ / "a" / "b"));
    EXPECT_EQ(dialog_.Selection(), Path(temp_ / "a" / "b"));
    EXPECT_EQ(dialog_.Dialog(), nullptr);
}

TEST_F(BrowseFolderDialog, CancellingEmptiesTheSelection) {
    dialog_.SetSelection(Path(temp_ / "c"));
    dialog_.SetStatusText("Empfangsordner");
    QString shown;
    WhenOpen([&](QFileDialog& open) {
        shown = dialog_.StatusLabel() != nullptr ? dialog_.StatusLabel()->text() : QString();
        open.reject();
    });
    EXPECT_FALSE(dialog_.Execute());
    EXPECT_EQ(shown, "Empfangsordner");
    EXPECT_EQ(dialog_.Selection(), "");
}

} // namespace
} // namespace quarn
