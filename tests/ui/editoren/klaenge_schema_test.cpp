#include "platform/Codepage.h"
#include "support/FileContents.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"
#include "ui/editoren/KlaengeSchema.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace quarn {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    test::WriteFile(file, bytes);
}

// Files may grow only to `bytes` while it lives, so that a write fails also for root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

std::string Cp(const fs::path& path) {
    return Utf8ToCp1252(path.generic_string());
}

class KlaengeSchemaTest : public ::testing::Test {
protected:
    TKlangSchemaWert Wert(const std::string& fileBytes, int event, const fs::path& folder) {
        Write(folder / "s.qvs", fileBytes);
        const auto keys = LeseKlangSchemaDatei(folder / "s.qvs");
        EXPECT_TRUE(keys.has_value());
        return keys ? KlangSchemaWert(*keys, event, folder) : TKlangSchemaWert{};
    }

    test::TempDir dir;
};

TEST_F(KlaengeSchemaTest, WritesCodesAndPathsRelativeToTheSchemesFolder) {
    const fs::path folder = dir / "schemes";
    const std::string bytes = FormatKlangSchema(
        {
            {0, 3, Cp(folder / "sub/x.wav")},
            {1, 3, Cp(folder / "sub/gong \xC3\xA4.wav")}, // "gong ä.wav": held as Windows-1252
            {2, 2, ""},
            {3, 1, ""},
            {4, 0, ""},
            {5, 3, Cp(dir / "elsewhere/y.wav")},
        },
        folder);
    EXPECT_EQ(bytes, "[Quarn Sound Scheme]\r\n"
                     "00=1,sub/x.wav\r\n"
                     "01=1,\"sub/gong \xE4.wav\"\r\n"
                     "02=2,\r\n"
                     "03=0,\r\n"
                     "04=0,\r\n"
                     "05=1,../elsewhere/y.wav\r\n");
}

TEST_F(KlaengeSchemaTest, ACopiedSchemeFindsTheFilesBesideItsNewPlace) {
    const fs::path first = dir / "first";
    fs::create_directories(first);
    ASSERT_EQ(SchreibeKlangSchema(first / "s.qvs", {{7, 3, Cp(first / "sub/gong \xC3\xA4.wav")}}), QString());
    const fs::path second = dir / "second";
    fs::create_directories(second);
    fs::copy_file(first / "s.qvs", second / "s.qvs");

    const auto keys = LeseKlangSchemaDatei(second / "s.qvs");
    ASSERT_TRUE(keys);
    const TKlangSchemaWert wert = KlangSchemaWert(*keys, 7, second);
    EXPECT_TRUE(wert.vorhanden);
    EXPECT_EQ(wert.signal, 3);
    EXPECT_EQ(wert.waveFile, Cp(second / "sub/gong \xC3\xA4.wav"));
}

TEST_F(KlaengeSchemaTest, ReadsEveryFormOfValue) {
    const fs::path folder = dir / "s";
    const std::string file = "; hand-written\r\n"
                             "[Other]\r\n"
                             "03=2,\r\n"
                             "[quarn sound scheme]\r\n"
                             "00=1,sub\\x.wav\r\n"
                             "01 = 2, \r\n"
                             "02=klang.wav\r\n"
                             "04=0,\r\n"
                             "05=7,ignored.wav\r\n"
                             "06=   \r\n"
                             "08=1\r\n"
                             "09=1,\"a b\\c.wav\"\r\n"
                             "10=/abs/d.wav\r\n"
                             "10=2,\r\n";
    struct Fall {
        int event;
        bool vorhanden;
        int signal;
        std::string waveFile;
    };
    const Fall faelle[] = {
        {0, true, 3, Cp(folder / "sub/x.wav")},   // written on Windows
        {1, true, 2, ""},                         // PC speaker
        {2, true, 3, Cp(folder / "klang.wav")},   // a bare path is a wave file
        {3, false, 1, ""},                        // only in another section
        {4, true, 1, ""},                         // "none"
        {5, true, 1, Cp(folder / "ignored.wav")}, // unknown code: none
        {6, false, 1, ""},                        // blank
        {7, false, 1, ""},                        // missing
        {8, true, 3, Cp(folder / "1")},           // a digit without comma is a path
        {9, true, 3, Cp(folder / "a b/c.wav")},   // quoted
        {10, true, 3, "/abs/d.wav"},              // absolute; the first of a repeated key
    };
    Write(folder / "s.qvs", file);
    const auto keys = LeseKlangSchemaDatei(folder / "s.qvs");
    ASSERT_TRUE(keys);
    for (const Fall& fall : faelle) {
        const TKlangSchemaWert wert = KlangSchemaWert(*keys, fall.event, folder);
        EXPECT_EQ(wert.vorhanden, fall.vorhanden) << fall.event;
        EXPECT_EQ(wert.signal, fall.signal) << fall.event;
        EXPECT_EQ(wert.waveFile, fall.waveFile) << fall.event;
    }
}

TEST_F(KlaengeSchemaTest, RefusesWhatIsNoScheme) {
    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) {
        binary[i] = static_cast<char>(i * 7);
    }
    // A large file is refused even when it starts like a scheme.
    std::string large = "[Quarn Sound Scheme]\r\n00=2,\r\n";
    large.resize(10 * 1024 * 1024, ' ');
    const std::pair<const char*, std::string> faelle[] = {
        {"binary.qvs", binary},
        {"empty.qvs", ""},
        {"large.qvs", large},
        {"nosection.qvs", "00=2,\r\n01=1,x.wav\r\n"},
    };
    for (const auto& [name, bytes] : faelle) {
        Write(dir / name, bytes);
        EXPECT_FALSE(LeseKlangSchemaDatei(dir / name)) << name;
    }
    EXPECT_FALSE(LeseKlangSchemaDatei(dir / "missing.qvs"));
    EXPECT_FALSE(LeseKlangSchemaDatei(dir.path()));
}

TEST_F(KlaengeSchemaTest, AnEmptySectionIsASchemeWithoutValues) {
    const TKlangSchemaWert wert = Wert("[Quarn Sound Scheme]\n", 0, dir / "x");
    EXPECT_FALSE(wert.vorhanden);
    EXPECT_EQ(wert.signal, 1);
}

TEST_F(KlaengeSchemaTest, AFailedWriteLeavesTheOldFileAndNoTemporaryOne) {
    const fs::path file = dir / "s.qvs";
    const std::string old = "[Quarn Sound Scheme]\r\n00=2,\r\n";
    Write(file, old);
    {
        const FileSizeLimit limit(old.size() + 4);
        EXPECT_NE(SchreibeKlangSchema(file, {{0, 3, Cp(dir / "sub/a long name.wav")}, {1, 2, ""}}),
                  QString());
    }
    EXPECT_EQ(test::ReadFile(file), old);

    const fs::path folderAsTarget = dir / "taken.qvs";
    fs::create_directories(folderAsTarget / "inside");
    EXPECT_NE(SchreibeKlangSchema(folderAsTarget, {{0, 3, "/a.wav"}}), QString());
    EXPECT_TRUE(fs::is_directory(folderAsTarget / "inside"));
    EXPECT_NE(SchreibeKlangSchema(dir / "missing/s.qvs", {{0, 3, "/a.wav"}}), QString());
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        files += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(files, 1u);
}

} // namespace
} // namespace quarn
