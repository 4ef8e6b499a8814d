// The store under several threads at once, and a writer killed at an arbitrary moment.
#include "platform/Registry.h"
#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quarn {
namespace {

namespace fs = std::filesystem;

TEST(RegistryConcurrency, WritersOnSeveralThreadsLoseNothing) {
    test::TempDir temp;
    RegistryStore store(temp / "Quarn");
    constexpr int kThreads = 4;
    constexpr int kWrites = 25;
    std::atomic<bool> writing{true};

    std::thread reader([&] {
        while (writing) {
            for (const std::string& name : store.SubKeyNames(Hive::CurrentUser, "Threads")) {
                store.ValueNames(Hive::CurrentUser, "Threads\\" + name);
            }
            store.ReadString(Hive::CurrentUser, "Shared", "last");
        }
    });
    std::vector<std::thread> writers;
    for (int thread = 0; thread < kThreads; ++thread) {
        writers.emplace_back([&store, thread] {
            const std::string key = "Threads\\T" + std::to_string(thread);
            for (int write = 0; write < kWrites; ++write) {
                EXPECT_TRUE(store.WriteDWord(Hive::CurrentUser, key, "n" + std::to_string(write), write));
                EXPECT_TRUE(store.WriteString(Hive::CurrentUser, "Shared", "last", key));
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    writing = false;
    reader.join();

    RegistryStore reopened(temp / "Quarn");
    EXPECT_EQ(reopened.SubKeyNames(Hive::CurrentUser, "Threads").size(), std::size_t{kThreads});
    for (int thread = 0; thread < kThreads; ++thread) {
        const std::string key = "Threads\\T" + std::to_string(thread);
        const auto names = reopened.ValueNames(Hive::CurrentUser, key);
        ASSERT_EQ(names.size(), std::size_t{kWrites}) << key;
        for (int write = 0; write < kWrites; ++write) {
            EXPECT_EQ(names[write], "n" + std::to_string(write));
            EXPECT_EQ(reopened.ReadDWord(Hive::CurrentUser, key, names[write]), std::uint32_t(write));
        }
    }
    EXPECT_TRUE(reopened.ReadString(Hive::CurrentUser, "Shared", "last")->starts_with("Threads\\T"));
}

std::string ValueName(std::size_t index) {
    return "v" + std::to_string(index);
}

// Each value differs and carries every kind of byte the file has to escape.
std::string Pattern(std::size_t index) {
    std::string bytes;
    for (std::size_t at = 0; at < 300; ++at) {
        bytes.push_back(static_cast<char>((index * 7 + at) & 0xFF));
    }
    return bytes;
}

// Writes values v<n>, v<n+1>, ... after the ones already there until it is killed; the first byte on
// `ready` tells the parent that it has written at least one.
[[noreturn]] void WriteUntilKilled(const fs::path& folder, int ready) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    RegistryStore store(folder);
    std::size_t index = store.ValueNames(Hive::CurrentUser, "Crash").size();
    for (bool told = false;; ++index) {
        if (!store.WriteString(Hive::CurrentUser, "Crash", ValueName(index), Pattern(index))) {
            ::_exit(3);
        }
        if (!told) {
            told = ::write(ready, "x", 1) == 1;
        }
    }
}

TEST(RegistryConcurrency, AWriterKilledAtAnyMomentLeavesAReadableFile) {
    test::TempDir temp;
    const fs::path folder = temp / "Quarn";
    std::mt19937 random(std::random_device{}());
    std::size_t previous = 0;
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int pipeEnds[2];
        ASSERT_EQ(::pipe(pipeEnds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeEnds[0]);
            WriteUntilKilled(folder, pipeEnds[1]);
        }
        ::close(pipeEnds[1]);
        char byte = 0;
        ASSERT_EQ(::read(pipeEnds[0], &byte, 1), 1);
        ::close(pipeEnds[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself: " << status;

        RegistryStore store(folder);
        const auto names = store.ValueNames(Hive::CurrentUser, "Crash");
        ASSERT_GT(names.size(), previous); // what was written stays, and this round added some
        for (std::size_t index = 0; index < names.size(); ++index) {
            ASSERT_EQ(names[index], ValueName(index));
            ASSERT_EQ(store.ReadString(Hive::CurrentUser, "Crash", names[index]), Pattern(index));
        }
        previous = names.size();
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(folder)) {
            files.push_back(entry.path().filename());
        }
        EXPECT_EQ(files, std::vector<fs::path>{"HKCU.reg"}); // no damaged copy, no temporary left
    }
}

} // namespace
} // namespace quarn
