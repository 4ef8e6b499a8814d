#pragma once

// What the benchmarks that run the simulated TNC (or the program) in a child process share: the child,
// the simulator's side of it, and a process's CPU time from outside. The child is this benchmark started
// again with other arguments, so its CPU time is kept apart from the side being measured.

#include "platform/FileDescriptor.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimConfig.h"
#include "tools/tncsim/TncSimCore.h"
#include "tools/tncsim/TncSimOptions.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quarn::bench {

// The simulator's side: prints the pseudo-terminal's path, then answers every line on stdin with the
// number of frames the TNC got and how many of them were "G"; ends at the end of stdin.
inline int SimulatorLaufen(const tncsim::TncSimConfig& config, int baud) {
    tncsim::TncSimCore core(config);
    tncsim::PtySim pty(core, baud);
    std::cout << pty.SlavePath() << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::cout << core.Received().size() << ' ' << core.CountCommand("G") << std::endl;
    }
    pty.Stop();
    return 0;
}

// The simulator on its air as tncsim runs it, from tncsim's own options (and "--standard-poll": no
// extended poll): prints the pseudo-terminal's path, then answers each line on stdin:
//   "?"          the frames the TNC got and how many were "G"
//   "cmd DATA"   waits (10 s at most) for one more command frame DATA than there was: its time
//   "info TEXT"  the same for an information frame starting with TEXT
// A time is the steady clock in nanoseconds (the same clock in every process), -1 when it did not come.
inline int SimulatorAirLaufen(std::vector<std::string> args) {
    bool standardPoll = false;
    if (const auto found = std::find(args.begin(), args.end(), "--standard-poll"); found != args.end()) {
        standardPoll = true;
        args.erase(found);
    }
    tncsim::CommandLine line;
    std::string error;
    if (!tncsim::ParseCommandLine(args, line, error)) {
        std::cerr << error << std::endl;
        return 2;
    }
    line.config.extendedPoll = !standardPoll;
    tncsim::SimAir air(line.air);
    tncsim::TncSimCore core(line.config);
    air.Attach(core);
    for (tncsim::StationSpec& station : line.stations) {
        air.AddStation(std::move(station));
    }
    tncsim::PtySim pty(core, line.baud);
    std::cout << pty.SlavePath() << std::endl;
    std::string request;
    while (std::getline(std::cin, request)) {
        if (request == "?") {
            std::cout << core.Received().size() << ' ' << core.CountCommand("G") << std::endl;
            continue;
        }
        const bool command = request.rfind("cmd ", 0) == 0;
        const std::string data = request.substr(request.find(' ') + 1);
        const auto count = [&] { return command ? core.CountCommand(data) : core.CountInformation(data); };
        const int before = count();
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        long long seen = -1;
        while (std::chrono::steady_clock::now() < limit) {
            if (count() > before) {
                seen = std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::cout << seen << std::endl;
    }
    pty.Stop();
    return 0;
}

// This program again, with `args`, talked to over its stdin and stdout.
class BenchKind {
public:
    using Clock = std::chrono::steady_clock;

    explicit BenchKind(std::vector<std::string> args) {
        int toChild[2] = {-1, -1};
        int fromChild[2] = {-1, -1};
        if (::pipe2(toChild, O_CLOEXEC) != 0) {
            return;
        }
        const FileDescriptor childIn(toChild[0]);
        input_.reset(toChild[1]);
        if (::pipe2(fromChild, O_CLOEXEC) != 0) {
            return;
        }
        const FileDescriptor childOut(fromChild[1]);
        output_.reset(fromChild[0]);
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, childIn.get(), STDIN_FILENO);
        ::posix_spawn_file_actions_adddup2(&actions, childOut.get(), STDOUT_FILENO);
        std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        args.insert(args.begin(), self);
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        start_ = Clock::now();
        if (::posix_spawn(&pid_, self.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        ::posix_spawn_file_actions_destroy(&actions);
    }
    ~BenchKind() {
        input_.reset(); // the simulator ends with its stdin
        Ende(false);
    }
    BenchKind(const BenchKind&) = delete;
    BenchKind& operator=(const BenchKind&) = delete;

    pid_t Pid() const { return pid_; }
    Clock::time_point Start() const { return start_; }

    bool Schreiben(const std::string& line) {
        const std::string text = line + '\n';
        return ::write(input_.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }

    // The next line, or nothing when none came before the deadline.
    std::optional<std::string> Zeile(Clock::time_point deadline) {
        for (;;) {
            if (const auto end = puffer_.find('\n'); end != std::string::npos) {
                std::string line = puffer_.substr(0, end);
                puffer_.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd watched{output_.get(), POLLIN, 0};
            if (left.count() <= 0 || ::poll(&watched, 1, static_cast<int>(left.count())) <= 0) {
                return std::nullopt;
            }
            char bytes[256];
            const ssize_t got = ::read(output_.get(), bytes, sizeof bytes);
            if (got <= 0) {
                return std::nullopt;
            }
            puffer_.append(bytes, static_cast<std::size_t>(got));
        }
    }

    // Waits for the process to end, after SIGTERM when `signal` (the program then shuts down as at the
    // session's end); SIGKILL after 20 s. Its exit code, -1 when it did not exit by itself.
    int Ende(bool signal) {
        if (pid_ <= 0) {
            return -1;
        }
        if (signal) {
            ::kill(pid_, SIGTERM);
        }
        int status = 0;
        for (int wait = 0; wait < 2000; ++wait) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return -1;
    }

private:
    pid_t pid_ = -1;
    FileDescriptor input_;
    FileDescriptor output_;
    std::string puffer_;
    Clock::time_point start_;
};

// User and system CPU time of a process so far, in seconds.
inline double ProzessCpu(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // The fields after the command name, which may hold blanks, closed by the last ')'.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int index = 3; fields >> field && index <= 15; ++index) {
        if (index == 14 || index == 15) {
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

} // namespace quarn::bench
