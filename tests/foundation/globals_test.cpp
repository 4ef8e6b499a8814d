#include "foundation/FormKioU.h"
#include "foundation/ProgramGlobals.h"
#include "foundation/QuarnException.h"
#include "platform/Registry.h"
#include "support/TempDir.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>

namespace quarn {
namespace {

namespace fs = std::filesystem;

// Points XDG_DATA_HOME elsewhere for one test.
class ScopedDataHome {
public:
    explicit ScopedDataHome(const fs::path& folder) : previous_(std::getenv("XDG_DATA_HOME")) {
        ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
    }
    ~ScopedDataHome() { ::setenv("XDG_DATA_HOME", previous_.c_str(), 1); }

private:
    std::string previous_;
};

TEST(DateTimeToUnixTime, RoundTripsEveryYearFrom1970On) {
    struct Case {
        LocalDateTime local;
        std::int64_t seconds;
    };
    const Case cases[] = {
        {{1970, 1, 1, 0, 0, 0}, 0},
        {{2000, 2, 29, 0, 0, 0}, 951782400},
        {{2000, 3, 1, 0, 0, 0}, 951868800},
        {{2013, 12, 31, 23, 59, 59}, 1388534399},
        {{2014, 1, 1, 0, 0, 0}, 1388534400},
        {{2038, 1, 19, 3, 14, 8}, 2147483648},
        {{2100, 3, 1, 12, 30, 15}, 4107587415},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(DateTimeToUnixTime(c.local), c.seconds);
        EXPECT_EQ(UnixTimeToDateTime(c.seconds), c.local);
    }
}

TEST(DateTimeToUnixTime, GivesNoTimeBefore1970AndForDatesNotOnTheCalendar) {
    const LocalDateTime invalid[] = {
        {1969, 12, 31, 23, 59, 59}, {1900, 1, 1, 0, 0, 0},  {2023, 2, 29, 0, 0, 0},
        {2024, 13, 1, 0, 0, 0},     {2024, 4, 31, 0, 0, 0}, {2024, 1, 1, 24, 0, 0},
    };
    for (const LocalDateTime& value : invalid) {
        EXPECT_EQ(DateTimeToUnixTime(value), 0) << value.year << "-" << value.month << "-" << value.day;
    }
    EXPECT_NE(DateTimeToUnixTime({2024, 2, 29, 0, 0, 0}), 0);
}

TEST(UnixTimeToDateTime, ClampsToTheEndsOfItsRange) {
    EXPECT_EQ(UnixTimeToDateTime(0), (LocalDateTime{1970, 1, 1, 0, 0, 0}));
    EXPECT_EQ(UnixTimeToDateTime(-86400), (LocalDateTime{1970, 1, 1, 0, 0, 0}));
    EXPECT_EQ(UnixTimeToDateTime(INT64_MAX), (LocalDateTime{9999, 12, 31, 23, 59, 59}));
}

TEST(StripSSID, KeepsTheTextBeforeTheFirstDash) {
    const std::pair<const char*, const char*> cases[] = {
        {"DL1ABC-7", "DL1ABC"}, {"DL1ABC", "DL1ABC"}, {"DB0XYZ-15-2", "DB0XYZ"}, {"-3", ""}, {"", ""}};
    for (const auto& [call, expected] : cases) {
        EXPECT_EQ(StripSSID(call), expected) << call;
    }
}

TEST(SysErrorText, GivesTheSystemTextOrTheNumber) {
    EXPECT_EQ(SysErrorText(ENOENT), std::strerror(ENOENT));
    EXPECT_EQ(SysErrorText(98765), "Nr. 98765");
    errno = EACCES;
    EXPECT_EQ(LastErrorText(), std::strerror(EACCES));
}

TEST(AppDataFolder, IsCreatedBelowTheDataHome) {
    test::TempDir data;
    const ScopedDataHome home(data.path());

    const fs::path folder = CreateAppDataFolder();

    EXPECT_EQ(folder, data / "Velmoor" / "Quarn" / "");
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(AppDataFolder(), folder);
}

TEST(AppDataFolder, ThatCannotBeMadeRaises) {
    test::TempDir data;
    std::ofstream(data / "file") << "in the way";
    const ScopedDataHome home(data / "file");

    EXPECT_THROW(CreateAppDataFolder(), QuarnException);
}

TEST(AssociateFileTypes, WritesOnlyWhatDiffers) {
    test::TempDir folder;
    RegistryStore store(folder.path());

    EXPECT_TRUE(AssociateFileTypes(store, "/opt/quarn/bin/quarn"));
    EXPECT_EQ(store.ReadString(Hive::ClassesRoot, ".qvl", ""), "Quarn.LanguageResource");
    EXPECT_EQ(store.ReadString(Hive::ClassesRoot, "Quarn.LanguageResource", ""), "Quarn Language Resource");
    EXPECT_EQ(store.ReadString(Hive::ClassesRoot, "Quarn.LanguageResource", "NoOpen"), "");
    EXPECT_EQ(store.ReadString(Hive::ClassesRoot, "Quarn.SoundScheme\\DefaultIcon", ""),
              "/opt/quarn/bin/quarn,1");

    EXPECT_FALSE(AssociateFileTypes(store, "/opt/quarn/bin/quarn"));

    store.WriteString(Hive::ClassesRoot, ".qvd", "", "Other.Program");
    EXPECT_TRUE(AssociateFileTypes(store, "/opt/quarn/bin/quarn"));
    EXPECT_EQ(store.ReadString(Hive::ClassesRoot, ".qvd", ""), "Quarn.Database");
}

TEST(DialogFont, ChangesOnlyTheOldDialogFontsAndOnlyWithTheSubstitute) {
    test::TempDir folder;
    RegistryStore store(folder.path());
    EXPECT_EQ(ChooseDialogFontFamily("MS Sans Serif", store), "MS Sans Serif");

    store.WriteString(Hive::LocalMachine,
                      "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes", "MS Shell Dlg 2",
                      "Tahoma");
    const std::pair<const char*, const char*> cases[] = {{"MS Sans Serif", "MS Shell Dlg 2"},
                                                         {"MS Shell Dlg", "MS Shell Dlg 2"},
                                                         {"DejaVu Sans", "DejaVu Sans"}};
    for (const auto& [family, expected] : cases) {
        EXPECT_EQ(ChooseDialogFontFamily(family, store), expected) << family;
    }
}

} // namespace
} // namespace quarn
