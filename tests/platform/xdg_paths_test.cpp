#include "platform/XdgPaths.h"

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quarn {
namespace {

namespace fs = std::filesystem;

bool IsPrivateFolderOfOurs(const fs::path& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & 0777) == 0700;
}

// Without a session's runtime folder the program makes its own in the temporary folder, which every
// local user can write to.
class RuntimeFolderFallbackTest : public ::testing::Test {
protected:
    RuntimeFolderFallbackTest() { fs::create_directories(temp_ / "tmp"); }

    // XdgRuntimeDir, with what it wrote to stderr.
    std::pair<fs::path, std::string> RuntimeDirAndMessage() const {
        ::testing::internal::CaptureStderr();
        fs::path folder = XdgRuntimeDir();
        return {folder, ::testing::internal::GetCapturedStderr()};
    }

    test::TempDir temp_;
    test::ScopedEnv noSession_{"XDG_RUNTIME_DIR", std::nullopt};
    test::ScopedEnv tmp_{"TMPDIR", (temp_ / "tmp").string()};
    test::ScopedEnv cache_{"XDG_CACHE_HOME", (temp_ / "cache").string()};
    const fs::path shared_ = temp_ / "tmp" / ("quarn-" + std::to_string(::getuid()));
    const fs::path own_ = temp_ / "cache" / "Velmoor" / "Quarn" / "runtime";
};

TEST_F(RuntimeFolderFallbackTest, IsAPrivateFolderInTheTemporaryFolderMadeOnFirstUse) {
    const auto [first, message] = RuntimeDirAndMessage();
    EXPECT_EQ(first, shared_);
    EXPECT_TRUE(IsPrivateFolderOfOurs(shared_));
    EXPECT_EQ(message, "");

    EXPECT_EQ(XdgRuntimeDir(), shared_); // ours from now on
}

TEST_F(RuntimeFolderFallbackTest, OneSomebodyElsePreparedIsRefusedWithAMessage) {
    struct Case {
        const char* what;
        std::function<bool()> prepare; // false: cannot be set up here
    };
    const fs::path elsewhere = temp_ / "elsewhere";
    const std::vector<Case> cases = {
        {"a link to a private folder",
         [&] {
             fs::create_directory(elsewhere);
             fs::permissions(elsewhere, fs::perms::owner_all);
             fs::create_directory_symlink(elsewhere, shared_);
             return true;
         }},
        {"a folder everybody may write to",
         [&] {
             fs::create_directory(shared_);
             fs::permissions(shared_, fs::perms::all);
             return true;
         }},
        {"a file", [&] { return std::ofstream(shared_).good(); }},
        {"a folder of another user",
         [&] {
             fs::create_directory(shared_);
             fs::permissions(shared_, fs::perms::owner_all);
             return ::geteuid() == 0 && ::chown(shared_.c_str(), 4242, 4242) == 0;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(shared_);
        fs::remove_all(elsewhere);
        if (!c.prepare()) {
            std::printf("skipped: %s needs root\n", c.what);
            continue;
        }
        const auto [folder, message] = RuntimeDirAndMessage();
        EXPECT_EQ(folder, own_);
        EXPECT_TRUE(IsPrivateFolderOfOurs(own_));
        EXPECT_NE(message.find(shared_.string()), std::string::npos) << message;
        EXPECT_NE(message.find(own_.string()), std::string::npos) << message;
        EXPECT_TRUE(fs::exists(fs::symlink_status(shared_))) << "someone else's folder is left alone";
    }
}

TEST(RuntimeFolder, IsTheSessionsWhenThereIsOne) {
    const test::TempDir session;
    const test::ScopedEnv runtime("XDG_RUNTIME_DIR", session.path().string());
    EXPECT_EQ(XdgRuntimeDir(), session.path());
}

} // namespace
} // namespace quarn
