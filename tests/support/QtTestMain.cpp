// Common main of every test program: the program's own folders (settings, data, runtime sockets) are
// pointed at a private temporary folder before anything reads them, and Qt runs on its offscreen
// platform, so tests never touch the user's real settings or need a display.
#include "TempDir.h"
#include "foundation/QuarnApplication.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    quarn::test::TempDir home;
    const auto make = [&](const char* variable, const char* folder) {
        const auto path = home / folder;
        std::filesystem::create_directories(path);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        ::setenv(variable, path.c_str(), 1);
    };
    make("HOME", "home");
    make("XDG_CONFIG_HOME", "config");
    make("XDG_DATA_HOME", "data");
    make("XDG_RUNTIME_DIR", "runtime");
    make("XDG_CACHE_HOME", "cache");
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);

    // The program's own application object: an exception out of an event handler is reported as there.
    quarn::TQuarnApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
