// The hive files on disk: text a person wrote, damaged and torn files, folders that cannot be written.
#include "platform/FileDescriptor.h"
#include "platform/Registry.h"
#include "support/TempDir.h"

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/file.h>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>

namespace quarn {
namespace {

namespace fs = std::filesystem;

std::string FileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<fs::path> DamagedCopies(const fs::path& folder, const std::string& hiveFile) {
    std::vector<fs::path> found;
    for (const fs::path& name : FilesIn(folder)) {
        if (name.string().starts_with(hiveFile + ".damaged-")) {
            found.push_back(folder / name);
        }
    }
    return found;
}

class RegistryFileTest : public ::testing::Test {
protected:
    test::TempDir temp_;
    fs::path folder_ = temp_ / "Quarn";
};

// How often the folder's "HKCU.reg" was put in place (renamed over) since the watch began.
int ReplacementsOfTheUserHive(const FileDescriptor& watch) {
    int replacements = 0;
    alignas(inotify_event) char buffer[8192];
    for (ssize_t length; (length = ::read(watch.get(), buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if ((event->mask & IN_MOVED_TO) != 0 && event->len > 0 &&
                std::string_view(event->name) == "HKCU.reg") {
                ++replacements;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return replacements;
}

TEST_F(RegistryFileTest, ABurstOfWritesReplacesTheFileOnlyAFewTimes) {
    RegistryStore store(folder_);
    ASSERT_TRUE(store.CreateKey(Hive::CurrentUser, "Software\\Burst"));
    ASSERT_TRUE(store.Flush());
    const FileDescriptor watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    ASSERT_TRUE(watch);
    // Creations are watched too: inotify merges a run of identical events into one.
    ASSERT_GE(::inotify_add_watch(watch.get(), folder_.c_str(), IN_CREATE | IN_MOVED_TO), 0);

    constexpr int kWrites = 200;
    const auto start = std::chrono::steady_clock::now();
    for (int write = 0; write < kWrites; ++write) {
        ASSERT_TRUE(store.WriteDWord(Hive::CurrentUser, "Software\\Burst", "n", write));
        EXPECT_EQ(store.ReadDWord(Hive::CurrentUser, "Software\\Burst", "n"), std::uint32_t(write));
    }
    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    ASSERT_TRUE(store.Flush());

    // At most one file every 200 ms while the burst ran, one at its start and the flush's.
    EXPECT_LE(ReplacementsOfTheUserHive(watch), elapsedMs / 200 + 3) << elapsedMs << " ms";
    EXPECT_EQ(RegistryStore(folder_).ReadDWord(Hive::CurrentUser, "Software\\Burst", "n"),
              std::uint32_t(kWrites - 1));
}

TEST_F(RegistryFileTest, ChangesReachTheFileByThemselvesAndAFlushPutsTheLatestThereAtOnce) {
    RegistryStore store(folder_);
    const auto onDisk = [&] { return RegistryStore(folder_).ReadString(Hive::CurrentUser, "K", "v"); };
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, "K", "v", "first"));
    for (int wait = 0; wait < 2000 && onDisk() != "first"; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(onDisk(), "first") << "not written within ten seconds";

    // Right after a write the next change waits out the interval, unless it is flushed.
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, "K", "v", "second"));
    ASSERT_TRUE(store.Flush());
    EXPECT_EQ(onDisk(), "second");
    EXPECT_EQ(FilesIn(folder_), std::vector<fs::path>{"HKCU.reg"});
}

TEST_F(RegistryFileTest, WritingAValueThatIsThereLeavesTheFileAlone) {
    RegistryStore store(folder_);
    ASSERT_TRUE(store.WriteDWord(Hive::CurrentUser, "\\Software\\A", "N", 5));
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, "\\Software\\A", "S", "x"));
    ASSERT_TRUE(store.Flush());
    // A hand edit the store has not read stays as it is while nothing changes.
    const fs::path file = folder_ / "HKCU.reg";
    const std::string written = FileText(file);
    WriteText(file, written + "; note\n");
    EXPECT_TRUE(store.WriteDWord(Hive::CurrentUser, "\\Software\\A", "n", 5));
    EXPECT_TRUE(store.WriteString(Hive::CurrentUser, "\\Software\\A", "S", "x"));
    EXPECT_TRUE(store.Flush());
    EXPECT_EQ(FileText(file), written + "; note\n");
    EXPECT_TRUE(store.WriteString(Hive::CurrentUser, "\\Software\\A", "N", "5")); // another type
    EXPECT_TRUE(store.Flush());
    EXPECT_EQ(FileText(file).find("; note"), std::string::npos);
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, "\\Software\\A", "N"), "5");
}

TEST_F(RegistryFileTest, ReadsAFileWrittenByHand) {
    WriteText(folder_ / "HKCU.reg", "; edited by hand\r\n"
                                    "QUARN REGISTRY 1\r\n"
                                    "\r\n"
                                    "  [HKEY_CURRENT_USER\\Software\\Velmoor\\Quarn]  \r\n"
                                    "@=\"default\"\r\n"
                                    "\"Font\"=\"08x12\"\r\n"
                                    "\"Channels\"=dword:A\r\n"
                                    "\"Settings\"=hex:02, 01,FF,00\r\n"
                                    "\"Quote\"=\"say \\\"hi\\\" \\\\ \\xe4\\xC4\"\r\n"
                                    "\"Raw\"=\"\xE4\"\r\n"
                                    "[hkey_current_user\\software\\velmoor\\quarn\\%41%5b%5D]\r\n"
                                    "[HKEY_CURRENT_USER\\SOFTWARE\\Velmoor\\Quarn]\r\n"
                                    "\"font\"=\"10x18\"\r\n");
    RegistryStore store(folder_);
    const std::string key = "Software\\Velmoor\\Quarn";
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, key, ""), "default");
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, key, "Font"), "10x18"); // the later line wins
    EXPECT_EQ(store.ReadDWord(Hive::CurrentUser, key, "Channels"), 10u);
    EXPECT_EQ(store.ReadBinary(Hive::CurrentUser, key, "Settings"), std::string("\x02\x01\xFF\x00", 4));
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, key, "Quote"), "say \"hi\" \\ \xE4\xC4");
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, key, "Raw"), "\xE4");
    EXPECT_EQ(store.SubKeyNames(Hive::CurrentUser, key), std::vector<std::string>{"A[]"});
    EXPECT_TRUE(DamagedCopies(folder_, "HKCU.reg").empty());
}

TEST_F(RegistryFileTest, AFileThatCannotBeParsedIsMovedAsideAndTheHiveStartsEmpty) {
    const std::string header = "QUARN REGISTRY 1\n";
    const std::string section = header + "[HKEY_CURRENT_USER\\K]\n";
    const std::string cases[] = {
        "garbage\n",
        "[HKEY_CURRENT_USER\\K]\n\"v\"=\"x\"\n", // no first line
        header + "\"v\"=\"outside\"\n",
        header + "[HKEY_LOCAL_MACHINE\\K]\n",  // another hive's root
        header + "[HKEY_CURRENT_USER\\\\K]\n", // an empty key name
        header + "[HKEY_CURRENT_USER\\%4]\n",
        header + "[HKEY_CURRENT_USER\\K\n",
        section + "\"v\"=\"bad \\q escape\"\n",
        section + "\"v\"=\"\\x4\"\n",
        section + "\"v\"=\"unterminated\n",
        section + "\"v\"=\"x\" trailing\n",
        section + "\"v\"=dword:123456789\n",
        section + "\"v\"=dword:\n",
        section + "\"v\"=dword:12g4\n",
        section + "\"v\"=hex:0\n",
        section + "\"v\"=hex:00,\n",
        section + "\"v\"=hex(2):00\n",
        section + "v=\"x\"\n",
        section + "\"v\" = \"x\"\n",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        test::TempDir temp;
        const fs::path folder = temp / "Quarn";
        WriteText(folder / "HKCU.reg", text);
        WriteText(folder / "HKLM.reg", header + "[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"machine\"\n");

        RegistryStore store(folder);
        EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, "K"));
        EXPECT_EQ(store.ReadString(Hive::LocalMachine, "K", "v"), "machine");
        const auto damaged = DamagedCopies(folder, "HKCU.reg");
        ASSERT_EQ(damaged.size(), 1u);
        EXPECT_EQ(FileText(damaged[0]), text);

        ASSERT_TRUE(store.WriteString(Hive::CurrentUser, "K", "v", "new"));
        ASSERT_TRUE(store.Flush());
        EXPECT_EQ(RegistryStore(folder).ReadString(Hive::CurrentUser, "K", "v"), "new");
    }
}

TEST_F(RegistryFileTest, AnEarlierDamagedCopyIsNeverReplaced) {
    WriteText(folder_ / "HKCU.reg", "first damage\n");
    EXPECT_FALSE(RegistryStore(folder_).KeyExists(Hive::CurrentUser, "K"));
    WriteText(folder_ / "HKCU.reg", "second damage\n");
    EXPECT_FALSE(RegistryStore(folder_).KeyExists(Hive::CurrentUser, "K"));

    std::vector<std::string> contents;
    for (const fs::path& copy : DamagedCopies(folder_, "HKCU.reg")) {
        contents.push_back(FileText(copy));
    }
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"first damage\n", "second damage\n"}));
}

TEST_F(RegistryFileTest, ATornTemporaryFileIsIgnoredAndRemovedButOneBeingWrittenStays) {
    ASSERT_TRUE(RegistryStore(folder_).WriteString(Hive::CurrentUser, "K", "v", "complete"));
    WriteText(folder_ / "HKCU.reg.tmp-Ab12Cd", "QUARN REGISTRY 1\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"tor");
    // A writer of another store or process holds its temporary file locked while it fills it.
    WriteText(folder_ / "HKCU.reg.tmp-Wr1t3s", "QUARN REGISTRY 1\n");
    const FileDescriptor writing(::open((folder_ / "HKCU.reg.tmp-Wr1t3s").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(writing.get(), LOCK_EX), 0);

    RegistryStore store(folder_);
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, "K", "v"), "complete");
    EXPECT_EQ(FilesIn(folder_), (std::vector<fs::path>{"HKCU.reg", "HKCU.reg.tmp-Wr1t3s"}));
}

TEST_F(RegistryFileTest, AFolderThatCannotBeWrittenFailsEveryChange) {
    // Root may write anywhere, so the folder's path is taken by a plain file instead.
    WriteText(folder_, "not a folder");
    RegistryStore store(folder_);
    EXPECT_FALSE(store.CreateKey(Hive::CurrentUser, "K"));
    EXPECT_FALSE(store.WriteString(Hive::CurrentUser, "K", "v", "x"));
    EXPECT_FALSE(store.WriteDWord(Hive::LocalMachine, "K", "v", 1));
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, "K"));
    EXPECT_FALSE(store.ReadString(Hive::CurrentUser, "K", "v"));
    EXPECT_EQ(FileText(folder_), "not a folder");
}

TEST_F(RegistryFileTest, AFailedWriteLeavesMemoryAsTheDiskIs) {
    RegistryStore store(folder_);
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, "K\\Sub", "v", "old"));
    ASSERT_TRUE(store.Flush());
    const std::string before = FileText(folder_ / "HKCU.reg");

    const fs::path away = temp_ / "away";
    fs::rename(folder_, away);
    WriteText(folder_, "in the way");
    EXPECT_FALSE(store.WriteString(Hive::CurrentUser, "K\\Sub", "v", "new"));
    EXPECT_FALSE(store.WriteDWord(Hive::CurrentUser, "K\\Other", "n", 1));
    EXPECT_FALSE(store.DeleteValue(Hive::CurrentUser, "K\\Sub", "v"));
    EXPECT_FALSE(store.DeleteKey(Hive::CurrentUser, "K"));
    EXPECT_FALSE(store.CreateKey(Hive::CurrentUser, "K\\Third"));

    EXPECT_EQ(store.ReadString(Hive::CurrentUser, "K\\Sub", "v"), "old");
    EXPECT_EQ(store.SubKeyNames(Hive::CurrentUser, "K"), std::vector<std::string>{"Sub"});
    fs::remove(folder_);
    fs::rename(away, folder_);
    EXPECT_EQ(FileText(folder_ / "HKCU.reg"), before);
    ASSERT_TRUE(store.WriteDWord(Hive::CurrentUser, "K", "n", 2));
    ASSERT_TRUE(store.Flush());
    RegistryStore reopened(folder_);
    EXPECT_EQ(reopened.ReadString(Hive::CurrentUser, "K\\Sub", "v"), "old");
    EXPECT_EQ(reopened.ReadDWord(Hive::CurrentUser, "K", "n"), 2u);
    EXPECT_FALSE(reopened.KeyExists(Hive::CurrentUser, "K\\Other"));
}

TEST_F(RegistryFileTest, AChangeTheDiskRefusesLaterStaysInMemoryAndReachesTheFileOnceItCan) {
    RegistryStore store(folder_);
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, "K", "v", "old"));
    ASSERT_TRUE(store.Flush());
    // The folder stays usable, but nothing can be renamed over a folder that holds a file.
    const fs::path file = folder_ / "HKCU.reg";
    fs::remove(file);
    WriteText(file / "inside", "in the way");

    EXPECT_TRUE(store.WriteString(Hive::CurrentUser, "K", "v", "new"));
    EXPECT_FALSE(store.Flush());
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, "K", "v"), "new");
    EXPECT_EQ(FileText(file / "inside"), "in the way");

    // Once the way is free the change gets there, by the writer's next try or by the flush.
    fs::remove_all(file);
    EXPECT_TRUE(store.Flush());
    EXPECT_EQ(RegistryStore(folder_).ReadString(Hive::CurrentUser, "K", "v"), "new");
}

TEST_F(RegistryFileTest, AHiveFileThatCannotBeReadIsLeftAlone) {
    // A folder in the file's place reads as an error, not as "no file": nothing may replace it.
    fs::create_directories(folder_ / "HKCU.reg" / "inside");
    RegistryStore store(folder_);
    EXPECT_FALSE(store.WriteString(Hive::CurrentUser, "K", "v", "x"));
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, ""));
    EXPECT_TRUE(fs::is_directory(folder_ / "HKCU.reg" / "inside"));
    EXPECT_TRUE(DamagedCopies(folder_, "HKCU.reg").empty());
    EXPECT_TRUE(store.WriteString(Hive::LocalMachine, "K", "v", "x"));
}

} // namespace
} // namespace quarn
