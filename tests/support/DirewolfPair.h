#pragma once

// Two direwolf sound-card modems joined without sound cards: each takes its audio input from UDP, its
// output goes through ALSA's file plugin into a FIFO (a private ~/.asoundrc in a temporary HOME), and a
// relay thread sends each modem the other's audio, 441 samples every 10 ms in real time, silence when
// nothing is sent: the modems' carrier detect needs a continuous stream.

#include "devices/flexnet/AgwFrame.h"
#include "support/TempDir.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <optional>
#include <random>
#include <set>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quarn::test {

// An AGW message from a test's own client: pid 0xF0, calls and data as given.
inline AgwFrame AgwMessage(char kind, std::string from = {}, std::string to = {}, std::string data = {}) {
    AgwFrame frame;
    frame.kind = kind;
    frame.pid = 0xF0;
    frame.callFrom = std::move(from);
    frame.callTo = std::move(to);
    frame.data = std::move(data);
    return frame;
}

// The direwolf program on the search path, or none.
inline std::optional<std::filesystem::path> FindDirewolf() {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::filesystem::path candidate =
            std::filesystem::path(folders.substr(start, end - start)) / "direwolf";
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

// A port of 127.0.0.1 nobody uses now (TCP or UDP), different from every one handed out before. The
// ports are drawn below the kernel's ephemeral range, where direwolf takes them (it refuses ports above
// 49151) and where no outgoing connection of another test takes them meanwhile.
inline std::uint16_t FreeLocalPort(int type) {
    static std::set<std::uint16_t> given;
    static std::minstd_rand random(
        static_cast<unsigned>(::getpid()) ^
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto port = static_cast<std::uint16_t>(20000 + random() % 12000);
        if (given.count(port) != 0) {
            continue;
        }
        const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        address.sin_port = htons(port);
        const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        if (bound) {
            given.insert(port);
            return port;
        }
    }
    throw std::runtime_error("no free local port");
}

// One modem: its folder (HOME, configuration, FIFO, log), ports and process.
struct DirewolfModem {
    std::string call;
    std::uint16_t audioPort = 0;
    std::uint16_t agwPort = 0;
    std::uint16_t kissPort = 0;
    std::filesystem::path fifo;
    int fifoRead = -1;
    pid_t pid = -1;
};

class DirewolfPair {
public:
    static constexpr int kSamplesPerTick = 441; // 10 ms at 44100 samples a second
    static constexpr int kBytesPerTick = kSamplesPerTick * 2;

    // Starts both modems; `Ready` tells whether they took their AGW clients in time.
    explicit DirewolfPair(const std::filesystem::path& program) {
        modems_[0].call = "N0AAA";
        modems_[1].call = "N0BBB";
        for (std::size_t i = 0; i < modems_.size(); ++i) {
            Prepare(i);
        }
        relay_ = std::thread([this] { Relay(); });
        for (std::size_t i = 0; i < modems_.size(); ++i) {
            Spawn(program, i);
        }
        ready_ = WaitForAgwPorts();
    }

    ~DirewolfPair() {
        for (DirewolfModem& modem : modems_) {
            if (modem.pid > 0) {
                ::kill(modem.pid, SIGTERM);
            }
        }
        for (DirewolfModem& modem : modems_) {
            Reap(modem.pid);
        }
        stop_ = true;
        relay_.join();
        for (DirewolfModem& modem : modems_) {
            if (modem.fifoRead >= 0) {
                ::close(modem.fifoRead);
            }
        }
        ::close(udp_);
    }

    DirewolfPair(const DirewolfPair&) = delete;
    DirewolfPair& operator=(const DirewolfPair&) = delete;

    bool Ready() const { return ready_; }
    std::uint16_t AgwPort(std::size_t i) const { return modems_[i].agwPort; }
    const std::string& Call(std::size_t i) const { return modems_[i].call; }
    // The modem's own output, to explain a failing test.
    std::string Log(std::size_t i) const {
        std::ifstream in(folder_ / ("modem" + std::to_string(i)) / "direwolf.log");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path Home(std::size_t i) const { return folder_ / ("modem" + std::to_string(i)); }

    void Prepare(std::size_t i) {
        DirewolfModem& modem = modems_[i];
        const std::filesystem::path home = Home(i);
        std::filesystem::create_directories(home);
        modem.audioPort = FreeLocalPort(SOCK_DGRAM);
        modem.agwPort = FreeLocalPort(SOCK_STREAM);
        modem.kissPort = FreeLocalPort(SOCK_STREAM);
        modem.fifo = home / "audio.out";
        if (::mkfifo(modem.fifo.c_str(), 0600) != 0) {
            throw std::runtime_error("mkfifo failed");
        }
        // Our end is open before the modem opens its writing end, so that open does not block; a small
        // pipe keeps the audio close to real time.
        modem.fifoRead = ::open(modem.fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        ::fcntl(modem.fifoRead, F_SETPIPE_SZ, 4096);
        std::ofstream(home / ".asoundrc") << "pcm.fifoout {\n  type file\n  slave.pcm \"null\"\n  file \""
                                          << modem.fifo.string() << "\"\n  format \"raw\"\n}\n";
        std::ofstream(home / "direwolf.conf")
            << "ADEVICE UDP:" << modem.audioPort << " fifoout\n"
            << "ARATE 44100\nACHANNELS 1\nCHANNEL 0\nMYCALL " << modem.call << "\n"
            << "MODEM 9600\nTXDELAY 10\nTXTAIL 3\nSLOTTIME 5\nPERSIST 127\nDWAIT 0\n"
            << "FRACK 2\nRETRY 3\nMAXFRAME 7\nPACLEN 256\n"
            << "AGWPORT " << modem.agwPort << "\nKISSPORT " << modem.kissPort << "\n";
    }

    void Spawn(const std::filesystem::path& program, std::size_t i) {
        DirewolfModem& modem = modems_[i];
        const std::filesystem::path home = Home(i);
        std::vector<std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            if (std::string_view(*entry).rfind("HOME=", 0) != 0) {
                environment.emplace_back(*entry);
            }
        }
        environment.push_back("HOME=" + home.string());
        std::vector<char*> envp;
        for (std::string& entry : environment) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        const std::string config = (home / "direwolf.conf").string();
        const std::string log = (home / "direwolf.log").string();
        std::vector<std::string> args = {program.string(), "-c", config, "-t", "0", "-q", "hd"};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        posix_spawn_file_actions_addchdir_np(&actions, home.c_str());
        if (::posix_spawn(&modem.pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            modem.pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }

    bool WaitForAgwPorts() const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (const DirewolfModem& modem : modems_) {
            for (;;) {
                if (modem.pid <= 0) {
                    return false;
                }
                const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                sockaddr_in address{};
                address.sin_family = AF_INET;
                address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                address.sin_port = htons(modem.agwPort);
                const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
                ::close(fd);
                if (up) {
                    break;
                }
                if (std::chrono::steady_clock::now() > deadline) {
                    return false;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        return true;
    }

    static void Reap(pid_t pid) {
        if (pid <= 0) {
            return;
        }
        for (int i = 0; i < 200; ++i) {
            if (::waitpid(pid, nullptr, WNOHANG) == pid) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }

    // What one modem sends on its way to the other. The modem's output comes in bursts at its own pace;
    // a short lead is gathered before a transmission goes out, so that a late burst does not put a gap
    // of silence into the middle of a frame.
    struct AudioPath {
        std::string pending;
        bool playing = false;
        int quietTicks = 0;
    };
    static constexpr std::size_t kLeadBytes = kBytesPerTick * 8;

    void Relay() {
        std::array<AudioPath, 2> paths;
        std::array<char, kBytesPerTick> tick{};
        std::array<char, 65536> buffer{};
        auto next = std::chrono::steady_clock::now();
        while (!stop_) {
            for (std::size_t from = 0; from < modems_.size(); ++from) {
                AudioPath& path = paths[from];
                const ssize_t got = ::read(modems_[from].fifoRead, buffer.data(), buffer.size());
                if (got > 0) {
                    path.pending.append(buffer.data(), static_cast<std::size_t>(got));
                    path.quietTicks = 0;
                } else {
                    ++path.quietTicks;
                }
                if (!path.playing && !path.pending.empty() &&
                    (path.pending.size() >= kLeadBytes || path.quietTicks > 3)) {
                    path.playing = true;
                }
                tick.fill(0);
                if (path.playing) {
                    // Only whole samples go out; a half sample waits for its other byte.
                    const std::size_t whole = std::min(path.pending.size(), tick.size()) & ~std::size_t{1};
                    std::copy_n(path.pending.begin(), whole, tick.begin());
                    path.pending.erase(0, whole);
                    path.playing = path.pending.size() > 1;
                }
                sockaddr_in address{};
                address.sin_family = AF_INET;
                address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                address.sin_port = htons(modems_[1 - from].audioPort);
                ::sendto(udp_, tick.data(), tick.size(), 0, reinterpret_cast<sockaddr*>(&address),
                         sizeof address);
            }
            next += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(next);
        }
    }

    TempDir folder_root_;
    std::filesystem::path folder_ = folder_root_.path();
    std::array<DirewolfModem, 2> modems_;
    int udp_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    std::atomic<bool> stop_{false};
    std::thread relay_;
    bool ready_ = false;
};

} // namespace quarn::test
