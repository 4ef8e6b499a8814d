#include "foundation/FileStreamKioU.h"
#include "foundation/FileUtilsU.h"
#include "foundation/ProgramGlobals.h"
#include "platform/XdgPaths.h"

#include "support/FileContents.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quarn {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::WriteFile;

TEST(MakeUniqueFileName, NumbersATakenNameBeforeItsExtension) {
    test::TempDir temp;
    for (const char* name : {"taken.txt", "twice.txt", "twice (1).txt", "README", "a.tar.gz"}) {
        WriteFile(temp / name, "x");
    }
    fs::create_directory(temp / "photos.d");
    fs::create_directory(temp / "photos (1).d");
    fs::create_directory(temp / "folder");

    const std::vector<std::pair<const char*, const char*>> cases = {
        {"free.txt", "free.txt"}, {"taken.txt", "taken (1).txt"}, {"twice.txt", "twice (2).txt"},
        {"README", "README (1)"}, {"a.tar.gz", "a.tar (1).gz"},   {"photos.d", "photos (2).d"},
        {"folder", "folder (1)"},
    };
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(MakeUniqueFileName(temp / name), temp / expected) << name;
    }
}

TEST(MakeUniqueFileName, NumberFitsBesideANameAtTheFileSystemsLimit) {
    test::TempDir temp;
    // 251 bytes of stem: 125 two-byte characters and one byte more, so a cut may fall inside a character.
    std::string stem = "x";
    for (int i = 0; i < 125; ++i) {
        stem += "\xc3\xbc";
    }
    const std::string name = stem + ".txt";
    ASSERT_EQ(name.size(), kMaxFileNameBytes);
    WriteFile(temp / name, "x");

    const fs::path unique = MakeUniqueFileName(temp / name);

    const std::string entry = unique.filename().string();
    EXPECT_LE(entry.size(), kMaxFileNameBytes);
    EXPECT_TRUE(entry.ends_with("\xc3\xbc (1).txt")) << entry;
    WriteFile(unique, "y");
    EXPECT_EQ(ReadFile(unique), "y");
}

TEST(FreeBytes, AFolderNotMadeYetCountsTheFolderItWillBeMadeIn) {
    test::TempDir temp;
    const std::int64_t hier = FreeBytes(temp.path());
    ASSERT_GT(hier, 0);
    // Others write meanwhile; the same file system stays within a few megabytes.
    EXPECT_NEAR(static_cast<double>(FreeBytes(temp / "noch" / "nicht")), static_cast<double>(hier), 64e6);
    EXPECT_EQ(FreeBytes(""), -1);
}

class MoveFileKioTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(temp_ / "incoming", "new data");
        WriteFile(temp_ / "report.txt", "old report");
    }
    test::TempDir temp_;
};

TEST_F(MoveFileKioTest, UniqueMoveTakesTheNextFreeNameAndReportsIt) {
    fs::path destination = temp_ / "report.txt";

    EXPECT_TRUE(MoveFileKio(temp_ / "incoming", destination, true));

    EXPECT_EQ(destination, temp_ / "report (1).txt");
    EXPECT_EQ(ReadFile(destination), "new data");
    EXPECT_EQ(ReadFile(temp_ / "report.txt"), "old report");
    EXPECT_FALSE(fs::exists(temp_ / "incoming"));
}

TEST_F(MoveFileKioTest, PlainMoveNeverOverwrites) {
    fs::path destination = temp_ / "report.txt";

    EXPECT_FALSE(MoveFileKio(temp_ / "incoming", destination, false));

    EXPECT_EQ(destination, temp_ / "report.txt");
    EXPECT_EQ(ReadFile(temp_ / "report.txt"), "old report");
    EXPECT_EQ(ReadFile(temp_ / "incoming"), "new data");
}

TEST_F(MoveFileKioTest, RefusesEmptyNamesAndMissingSources) {
    fs::path empty;
    fs::path destination = temp_ / "x";
    EXPECT_FALSE(MoveFileKio(temp_ / "incoming", empty, true));
    EXPECT_FALSE(MoveFileKio(fs::path(), destination, true));
    EXPECT_FALSE(MoveFileKio(temp_ / "missing", destination, true));
    EXPECT_FALSE(fs::exists(destination));
}

TEST_F(MoveFileKioTest, UniqueMoveAcrossFileSystemsKeepsTheExistingFile) {
    std::string pattern = "/dev/shm/quarn-test-XXXXXX";
    struct stat here {
    }, there{};
    if (!fs::is_directory("/dev/shm") || ::mkdtemp(pattern.data()) == nullptr) {
        GTEST_SKIP() << "no /dev/shm";
    }
    const fs::path other = pattern;
    ::stat(temp_.path().c_str(), &here);
    ::stat(other.c_str(), &there);
    if (here.st_dev == there.st_dev) {
        fs::remove_all(other);
        GTEST_SKIP() << "/dev/shm is on the same file system as " << temp_.path();
    }
    WriteFile(other / "report.txt", "kept");
    fs::path destination = other / "report.txt";

    const bool moved = MoveFileKio(temp_ / "incoming", destination, true);
    const std::string kept = ReadFile(other / "report.txt");
    const std::string arrived = ReadFile(other / "report (1).txt");
    fs::remove_all(other);

    EXPECT_TRUE(moved);
    EXPECT_EQ(destination, other / "report (1).txt");
    EXPECT_EQ(kept, "kept");
    EXPECT_EQ(arrived, "new data");
    EXPECT_FALSE(fs::exists(temp_ / "incoming"));
}

TEST(CreateIncompleteFile, CreatesAnEmptyFileOnlyWhenNoneExists) {
    const fs::path expected = AppDataFolder() / "Incomplete Files" / "0123ABCD.qvf";
    fs::remove(expected);

    EXPECT_EQ(CreateIncompleteFile("0123ABCD"), expected);
    EXPECT_TRUE(fs::is_regular_file(expected));
    EXPECT_EQ(fs::file_size(expected), 0u);

    WriteFile(expected, "partial data");
    EXPECT_EQ(CreateIncompleteFile("0123ABCD"), fs::path());
    EXPECT_EQ(ReadFile(expected), "partial data");
    fs::remove(expected);
}

TEST(CreateIncompleteFile, RefusesNamesThatLeaveTheFolder) {
    for (const std::string& name :
         std::vector<std::string>{"../outside", "sub/inner", "", std::string("nul\0x", 5)}) {
        EXPECT_EQ(CreateIncompleteFile(name), fs::path()) << name;
    }
    EXPECT_FALSE(fs::exists(AppDataFolder() / "outside.qvf"));
}

TEST(CreateIncompleteFileUnique, GivesFreshHexNamesEachTime) {
    const fs::path first = CreateIncompleteFileUnique();
    const fs::path second = CreateIncompleteFileUnique();

    const std::regex hexName("[0-9A-F]{32}\\.qvf");
    EXPECT_TRUE(std::regex_match(first.filename().string(), hexName)) << first;
    EXPECT_TRUE(std::regex_match(second.filename().string(), hexName)) << second;
    EXPECT_NE(first, second);
    EXPECT_EQ(first.parent_path(), IncompleteFilesFolder());
    EXPECT_EQ(fs::file_size(first), 0u);
    fs::remove(first);
    fs::remove(second);
}

class FileStreamKioTest : public ::testing::Test {
protected:
    test::TempDir temp_;
};

void ExpectStreamError(const std::function<void()>& action, const std::string& text) {
    try {
        action();
        ADD_FAILURE() << "no EStreamError, expected \"" << text << "\"";
    } catch (const EStreamError& error) {
        EXPECT_EQ(std::string(error.what()), text);
        EXPECT_EQ(error.className(), "EStreamError");
    }
}

TEST_F(FileStreamKioTest, ClosedStreamRefusesStreamOperations) {
    TFileStreamKio stream;
    char buffer[4];
    EXPECT_EQ(stream.Handle(), 0);
    ExpectStreamError([&] { stream.Read(buffer, sizeof buffer); }, "File not open");
    ExpectStreamError([&] { stream.Write("abc", 3); }, "File not open");
    ExpectStreamError([&] { stream.Seek(0, TSeekOrigin::End); }, "File not open");
    ExpectStreamError([&] { stream.SetSize(0); }, "File not open");
}

TEST_F(FileStreamKioTest, WritesReadsAndResizesWhileOpen) {
    TFileStreamKio stream;
    stream.SetFileName(temp_ / "data.bin");
    stream.SetMode(fmCreate);
    stream.Open();
    ASSERT_NE(stream.Handle(), 0);

    EXPECT_EQ(stream.Write("0123456789", 10), 10u);
    EXPECT_EQ(stream.Size(), 10);
    EXPECT_EQ(stream.Position(), 10);
    stream.SetPosition(4);
    char buffer[16] = {};
    EXPECT_EQ(stream.Read(buffer, sizeof buffer), 6u);
    EXPECT_EQ(std::string(buffer, 6), "456789");
    stream.SetSize(3);
    EXPECT_EQ(stream.Size(), 3);
    ExpectStreamError([&] { stream.Seek(-1, TSeekOrigin::Beginning); }, SysErrorText(EINVAL));

    ExpectStreamError([&] { stream.Open(); }, "Already open");
    ExpectStreamError([&] { stream.SetFileName(temp_ / "other"); }, "Not while open");
    ExpectStreamError([&] { stream.SetMode(fmOpenRead); }, "Not while open");

    stream.Close();
    EXPECT_EQ(stream.Handle(), 0);
    EXPECT_EQ(ReadFile(temp_ / "data.bin"), "012");
}

TEST_F(FileStreamKioTest, FailedOpenLeavesTheStreamClosedWithoutRaising) {
    TFileStreamKio stream;
    stream.SetFileName(temp_ / "missing.bin");
    stream.SetMode(fmOpenRead | fmShareDenyWrite);
    EXPECT_NO_THROW(stream.Open());
    EXPECT_EQ(stream.Handle(), 0);
    EXPECT_FALSE(fs::exists(temp_ / "missing.bin"));
}

TEST_F(FileStreamKioTest, OpeningForReadingRefusesAnythingButARegularFile) {
    fs::create_directory(temp_ / "folder");
    ASSERT_EQ(::mkfifo((temp_ / "fifo").c_str(), 0600), 0); // would block an ordinary open
    WriteFile(temp_ / "file.txt", "text");
    fs::create_symlink("file.txt", temp_ / "link");
    struct Case {
        fs::path name;
        bool opens;
    };
    const std::vector<Case> cases = {
        {temp_ / "folder", false},  {temp_ / "fifo", false}, {"/dev/null", false},
        {temp_ / "file.txt", true}, {temp_ / "link", true},
    };
    for (const std::uint16_t mode : {fmOpenRead, fmOpenReadWrite}) {
        for (const Case& c : cases) {
            TFileStreamKio stream;
            stream.SetFileName(c.name);
            stream.SetMode(mode | fmShareDenyWrite);
            stream.Open();
            EXPECT_EQ(stream.IsOpen(), c.opens) << c.name << " mode " << mode;
            if (stream.IsOpen()) {
                EXPECT_EQ(stream.Size(), 4);
            }
        }
    }
}

// A file a receiver holds exclusively is in use for every other stream that asks to share; readers that
// keep writers out may read side by side; a stream that asks for no sharing is never refused.
TEST_F(FileStreamKioTest, SharingValuesLockAgainstTheProgramsOwnStreams) {
    WriteFile(temp_ / "held.bin", "data");
    struct Case {
        std::uint16_t first;
        std::uint16_t second;
        bool secondOpens;
    };
    const std::vector<Case> cases = {
        {fmOpenReadWrite | fmShareExclusive, fmOpenRead | fmShareDenyWrite, false},
        {fmOpenReadWrite | fmShareExclusive, fmOpenRead | fmShareExclusive, false},
        {fmOpenReadWrite | fmShareExclusive, fmOpenRead, true},
        {fmOpenReadWrite | fmShareExclusive, fmOpenRead | fmShareDenyNone, true},
        {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, true},
        {fmOpenRead | fmShareDenyWrite, fmOpenReadWrite | fmShareDenyWrite, false},
        {fmOpenReadWrite | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, false},
        {fmOpenRead | fmShareDenyRead, fmOpenRead | fmShareDenyWrite, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.first << " then " << c.second);
        TFileStreamKio first;
        first.SetFileName(temp_ / "held.bin");
        first.SetMode(c.first);
        first.Open();
        ASSERT_TRUE(first.IsOpen());
        TFileStreamKio second;
        second.SetFileName(temp_ / "held.bin");
        second.SetMode(c.second);
        second.Open();
        EXPECT_EQ(second.IsOpen(), c.secondOpens);
        // Closing the holder lets go of its lock.
        first.Close();
        second.Close();
        second.Open();
        EXPECT_TRUE(second.IsOpen());
    }
}

TEST_F(FileStreamKioTest, ReadOnlyStreamDoesNotWrite) {
    WriteFile(temp_ / "data.bin", "keep");
    TFileStreamKio stream;
    stream.SetFileName(temp_ / "data.bin");
    stream.SetMode(fmOpenRead);
    stream.Open();
    ASSERT_NE(stream.Handle(), 0);
    EXPECT_EQ(stream.Write("xx", 2), 0u);
    stream.Close();
    EXPECT_EQ(ReadFile(temp_ / "data.bin"), "keep");
}

TEST_F(FileStreamKioTest, DeleteIfTemporaryDeletesOnlyTemporaryFiles) {
    struct Case {
        bool temporary;
        bool fileExists;
        bool expected;
    };
    for (const Case& c : {Case{false, true, false}, Case{true, true, true}, Case{true, false, false}}) {
        const fs::path name = temp_ / "part.b01";
        if (c.fileExists) {
            WriteFile(name, "part");
        }
        TFileStreamKio stream;
        stream.SetFileName(name);
        stream.SetMode(fmOpenReadWrite);
        stream.SetTemporary(c.temporary);
        stream.Open();

        EXPECT_EQ(stream.DeleteIfTemporary(), c.expected) << c.temporary << c.fileExists;
        // A stream that is not temporary is left alone, open as it was.
        EXPECT_EQ(stream.IsOpen(), c.fileExists && !c.temporary);
        EXPECT_EQ(fs::exists(name), c.fileExists && !c.temporary);
        fs::remove(name);
    }
}

TEST_F(FileStreamKioTest, DeleteFileRaisesTheSystemText) {
    TFileStreamKio stream;
    stream.SetFileName(temp_ / "missing.bin");
    ExpectStreamError([&] { stream.DeleteFile(); }, SysErrorText(ENOENT));
}

TEST_F(FileStreamKioTest, RecycleClosesAndMovesTheFileToTheTrash) {
    WriteFile(temp_ / "aborted.qvf", "partial");
    TFileStreamKio stream;
    stream.SetFileName(temp_ / "aborted.qvf");
    stream.SetMode(fmOpenReadWrite);
    stream.Open();

    stream.Recycle();

    EXPECT_EQ(stream.Handle(), 0);
    EXPECT_FALSE(fs::exists(temp_ / "aborted.qvf"));
    EXPECT_EQ(ReadFile(XdgDataHome() / "Trash" / "files" / "aborted.qvf"), "partial");
    ExpectStreamError([&] { stream.Recycle(); }, "Cannot recycle");
}

TEST(WrapText, BreaksLongLinesAfterTheLastBreakCharacter) {
    struct Case {
        std::string text;
        std::string breakString;
        std::string breakChars;
        int width;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"", "\r", " ", 5, ""},
        {"short", "\r", " ", 5, "short"},
        {"aaa bbb ccc", "\r", " ", 5, "aaa \rbbb \rccc"},
        {"aaa bbb", "\r", " ", 7, "aaa bbb"},
        // A word longer than the line stays whole.
        {"abcdefghij klm", "\r", " ", 3, "abcdefghij \rklm"},
        // Break characters that follow the break are not broken at again.
        {"aaaa   bb", "|", " ", 4, "aaaa |  bb"},
        // No break string after the text's end.
        {"aaaa b", "|", " ", 4, "aaaa |b"},
        {"aaaa ", "|", " ", 4, "aaaa "},
        // The default set: LF, CR, blank, comma, hyphen and full stop.
        {"one,two-three.four", "|", "", 5, "one,|two-|three.|four"},
        // The text's own line ends start a new line.
        {"aaaa bbbb\rcccc dddd\r", "\r", " \r\n", 10, "aaaa bbbb\rcccc dddd\r"},
        {"aa bb cc dd\r\nee ff", "\r\n  ", " ", 6, "aa bb \r\n  cc dd\r\nee ff"},
        // Windows-1252 bytes each take one column.
        {"\xE4\xF6\xFC \xC4\xD6\xDC", "\r", " ", 4, "\xE4\xF6\xFC \r\xC4\xD6\xDC"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WrapText(c.text, c.breakString, c.breakChars, c.width), c.expected) << c.text;
    }
}

} // namespace
} // namespace quarn
