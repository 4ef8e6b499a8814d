// The store under several threads at once, and a writer killed at an arbitrary moment.
#include "platform/Registry.h"
#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <gtest/gtest.h>
#include <poll.h>
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
    ASSERT_TRUE(store.Flush());

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

// Each value differs and, over the values, carries every kind of byte the file has to escape.
std::string Pattern(std::size_t index) {
    std::string bytes;
    for (std::size_t at = 0; at < 40; ++at) {
        bytes.push_back(static_cast<char>((index * 7 + at * 13) & 0xFF));
    }
    return bytes;
}

// Writes values v<n>, v<n+1>, ... after the ones already there, a few milliseconds apart, until it is
// killed; once a write has returned it tells the parent the value's number on `told`.
[[noreturn]] void WriteUntilKilled(const fs::path& folder, int told) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    RegistryStore store(folder);
    for (auto index = static_cast<std::uint32_t>(store.ValueNames(Hive::CurrentUser, "Crash").size());;
         ++index) {
        if (!store.WriteString(Hive::CurrentUser, "Crash", ValueName(index), Pattern(index))) {
            ::_exit(3);
        }
        if (::write(told, &index, sizeof index) != static_cast<ssize_t>(sizeof index)) {
            ::_exit(4);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
}

using SteadyClock = std::chrono::steady_clock;

struct Told {
    std::uint32_t index;
    SteadyClock::time_point when;
};

// What the writer tells until `until`.
std::vector<Told> ListenUntil(int told, SteadyClock::time_point until) {
    std::vector<Told> heard;
    for (auto now = SteadyClock::now(); now < until; now = SteadyClock::now()) {
        pollfd readable{told, POLLIN, 0};
        const auto leftMs = std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count();
        if (::poll(&readable, 1, static_cast<int>(leftMs) + 1) <= 0) {
            continue;
        }
        std::uint32_t index = 0;
        if (::read(told, &index, sizeof index) == static_cast<ssize_t>(sizeof index)) {
            heard.push_back({index, SteadyClock::now()});
        }
    }
    return heard;
}

TEST(RegistryConcurrency, AWriterKilledAtAnyMomentLeavesACompleteFileWithAllButItsLatestChanges) {
    test::TempDir temp;
    const fs::path folder = temp / "Quarn";
    // Changes are on disk at most 200 ms after they were made; the rest is room for a loaded machine.
    constexpr auto kSurelyWritten = std::chrono::milliseconds(200 + 800);
    std::mt19937 random(std::random_device{}());
    std::size_t previous = 0;
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Short rounds kill the writer in the middle of its first files, long ones after many.
        const auto runFor = round % 2 == 0 ? std::chrono::milliseconds(random() % 40)
                                           : std::chrono::milliseconds(1300 + random() % 300);
        int pipeEnds[2];
        ASSERT_EQ(::pipe(pipeEnds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeEnds[0]);
            WriteUntilKilled(folder, pipeEnds[1]);
        }
        ::close(pipeEnds[1]);
        std::uint32_t first = 0;
        ASSERT_EQ(::read(pipeEnds[0], &first, sizeof first), static_cast<ssize_t>(sizeof first));
        const std::vector<Told> heard = ListenUntil(pipeEnds[0], SteadyClock::now() + runFor);
        const auto killedAt = SteadyClock::now();
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ::close(pipeEnds[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself: " << status;
        ASSERT_EQ(first, previous) << "the writer went on after the values on disk";

        RegistryStore store(folder);
        const auto names = store.ValueNames(Hive::CurrentUser, "Crash");
        ASSERT_GE(names.size(), previous); // what was on disk stays
        for (std::size_t index = 0; index < names.size(); ++index) {
            ASSERT_EQ(names[index], ValueName(index));
            ASSERT_EQ(store.ReadString(Hive::CurrentUser, "Crash", names[index]), Pattern(index));
        }
        for (const Told& told : heard) {
            if (told.when + kSurelyWritten < killedAt) {
                ASSERT_LT(told.index, names.size()) << "a change older than a second was lost";
            }
        }
        previous = names.size();
        for (const auto& entry : fs::directory_iterator(folder)) {
            // No damaged copy, no temporary left; a writer killed early may not have made the file yet.
            EXPECT_EQ(entry.path().filename(), "HKCU.reg");
        }
    }
    EXPECT_GT(previous, 0u);
}

} // namespace
} // namespace quarn
