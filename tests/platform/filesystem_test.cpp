#include "platform/FileSystem.h"
#include "platform/XdgPaths.h"

#include "support/FileContents.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quarn {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::WriteFile;

dev_t DeviceOf(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_dev : 0;
}

// A folder on another file system than the temporary folder, when the machine has one (tmpfs).
class OtherFileSystemDir {
public:
    OtherFileSystemDir() {
        std::string pattern = "/dev/shm/quarn-test-XXXXXX";
        if (fs::is_directory("/dev/shm") && ::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~OtherFileSystemDir() {
        if (path_) {
            std::error_code ignored;
            fs::remove_all(*path_, ignored);
        }
    }
    // Empty when there is no folder on a file system other than `than`'s.
    std::optional<fs::path> Below(const fs::path& than) const {
        if (!path_ || DeviceOf(*path_) == DeviceOf(than)) {
            return std::nullopt;
        }
        return path_;
    }

private:
    std::optional<fs::path> path_;
};

struct MoveSetup {
    const char* title;
    bool acrossFileSystems;
};

class MoveNoReplaceTest : public ::testing::TestWithParam<MoveSetup> {
protected:
    void SetUp() override {
        target_ = temp_.path();
        if (GetParam().acrossFileSystems) {
            const auto other = other_.Below(temp_.path());
            if (!other) {
                GTEST_SKIP() << "no second file system (/dev/shm) beside " << temp_.path();
            }
            target_ = *other;
        }
    }

    test::TempDir temp_;
    OtherFileSystemDir other_;
    fs::path target_;
};

TEST_P(MoveNoReplaceTest, MovesToAFreeNameKeepingContentAndTime) {
    const fs::path source = temp_ / "a.bin";
    WriteFile(source, std::string("data\0more", 9));
    const auto written = fs::last_write_time(source) - std::chrono::hours(5);
    fs::last_write_time(source, written);

    EXPECT_EQ(MoveNoReplace(source, target_ / "b.bin"), 0);

    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(ReadFile(target_ / "b.bin"), std::string("data\0more", 9));
    EXPECT_EQ(fs::last_write_time(target_ / "b.bin"), written);
}

TEST_P(MoveNoReplaceTest, NeverReplacesAnExistingTarget) {
    const fs::path source = temp_ / "new.txt";
    WriteFile(source, "new");
    WriteFile(target_ / "old.txt", "old");
    fs::create_symlink(temp_ / "nowhere", target_ / "dangling");

    EXPECT_EQ(MoveNoReplace(source, target_ / "old.txt"), EEXIST);
    EXPECT_EQ(MoveNoReplace(source, target_ / "dangling"), EEXIST);

    EXPECT_EQ(ReadFile(source), "new");
    EXPECT_EQ(ReadFile(target_ / "old.txt"), "old");
    EXPECT_TRUE(fs::is_symlink(target_ / "dangling"));
}

TEST_P(MoveNoReplaceTest, ReportsAMissingSource) {
    EXPECT_EQ(MoveNoReplace(temp_ / "missing", target_ / "x"), ENOENT);
    EXPECT_FALSE(fs::exists(target_ / "x"));
}

INSTANTIATE_TEST_SUITE_P(Setups, MoveNoReplaceTest,
                         ::testing::Values(MoveSetup{"SameFileSystem", false},
                                           MoveSetup{"AcrossFileSystems", true}),
                         [](const auto& info) { return std::string(info.param.title); });

TEST(MoveNoReplace, LeavesAFolderInPlaceWhenItCannotCrossFileSystems) {
    test::TempDir temp;
    OtherFileSystemDir other;
    const auto target = other.Below(temp.path());
    if (!target) {
        GTEST_SKIP() << "no second file system (/dev/shm) beside " << temp.path();
    }
    fs::create_directory(temp / "folder");
    WriteFile(temp / "folder" / "inner", "x");

    EXPECT_EQ(MoveNoReplace(temp / "folder", *target / "folder"), EXDEV);

    EXPECT_EQ(ReadFile(temp / "folder" / "inner"), "x");
    EXPECT_FALSE(fs::exists(*target / "folder"));
}

TEST(FileSystemNames, TellTakenNamesAndFolders) {
    test::TempDir temp;
    WriteFile(temp / "file", "x");
    fs::create_directory(temp / "folder");
    fs::create_directory_symlink(temp / "folder", temp / "folderLink");
    fs::create_symlink(temp / "nowhere", temp / "dangling");

    EXPECT_TRUE(NameTaken(temp / "file"));
    EXPECT_TRUE(NameTaken(temp / "folder"));
    EXPECT_TRUE(NameTaken(temp / "dangling"));
    EXPECT_FALSE(NameTaken(temp / "free"));

    EXPECT_TRUE(FolderExists(temp / "folder"));
    EXPECT_TRUE(FolderExists(temp / "folderLink"));
    EXPECT_FALSE(FolderExists(temp / "file"));
    EXPECT_FALSE(FolderExists(temp / "dangling"));
}

TEST(MoveToTrash, PutsTheFileIntoTheUsersTrash) {
    test::TempDir temp;
    WriteFile(temp / "partial.qvf", "partial");

    EXPECT_TRUE(MoveToTrash(temp / "partial.qvf"));
    EXPECT_FALSE(fs::exists(temp / "partial.qvf"));
    EXPECT_EQ(ReadFile(XdgDataHome() / "Trash" / "files" / "partial.qvf"), "partial");

    EXPECT_FALSE(MoveToTrash(temp / "missing.qvf"));
}

TEST(DocumentsFolder, ReadsTheUserDirsFileAndFallsBackToHome) {
    struct Case {
        std::optional<std::string> userDirs; // no file at all when empty
        fs::path expected;                   // relative: below $HOME
    };
    const fs::path home = HomeFolder();
    const std::vector<Case> cases = {
        {std::nullopt, home},
        {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", home},
        {"# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n", home / "Dokumente"},
        {"XDG_DOCUMENTS_DIR=\"/srv/papers/\"\n", "/srv/papers"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"\n", home / "My \"Docs\""},
        {"XDG_DOCUMENTS_DIR=\"$HOME/A\"\nXDG_DOCUMENTS_DIR=\"$HOME/B\"\n", home / "B"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/\"\n", home},
        {"XDG_DOCUMENTS_DIR=\"/\"\n", home},
        {"XDG_DOCUMENTS_DIR=\"relative/docs\"\n", home},
        {"XDG_DOCUMENTS_DIR=\"$HOMEWORK/x\"\n", home},
        {"XDG_DOCUMENTS_DIR=\"/unterminated\n", home},
    };
    const fs::path file = XdgConfigHome() / "user-dirs.dirs";
    for (const Case& c : cases) {
        fs::remove(file);
        if (c.userDirs) {
            WriteFile(file, *c.userDirs);
        }
        EXPECT_EQ(DocumentsFolder(), c.expected) << (c.userDirs ? *c.userDirs : "(no file)");
    }
    fs::remove(file);
}

TEST(DocumentsFolder, IsNeverTheRootEvenWhenHomeIsTheRoot) {
    const test::ScopedEnv rootHome("HOME", "/");
    EXPECT_NE(DocumentsFolder(), fs::path("/"));
    EXPECT_FALSE(DocumentsFolder().empty());
}

} // namespace
} // namespace quarn
