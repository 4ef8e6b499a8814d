#include "foundation/StartupSignals.h"

#include "foundation/DebOutU.h"
#include "foundation/ProgramGlobals.h"
#include "foundation/QuarnException.h"
#include "platform/Exception.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace quarn {
namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

// The write end the handler uses; -1 while no object owns the signals.
std::atomic<int> signalPipe{-1};
std::array<struct sigaction, kSignals.size()> previousActions{};

extern "C" void WriteSignalToPipe(int signal) {
    const int savedErrno = errno;
    const int fd = signalPipe.load();
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signal);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

TSessionEndSignals::TSessionEndSignals(std::function<void(int)> shutDown) : shutDown_(std::move(shutDown)) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw QuarnException("TSessionEndSignals", "Create", SysErrorText(errno));
    }
    readEnd_.reset(fds[0]);
    writeEnd_.reset(fds[1]);
    int expected = -1;
    const bool first = signalPipe.compare_exchange_strong(expected, writeEnd_.get());
    QUARN_ASSERT(first, "StartupSignals");

    notifier_ = std::make_unique<QSocketNotifier>(readEnd_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { OnSignal(); });

    struct sigaction action {};
    action.sa_handler = WriteSignalToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t index = 0; index < kSignals.size(); ++index) {
        ::sigaction(kSignals[index], &action, &previousActions[index]);
    }
}

TSessionEndSignals::~TSessionEndSignals() {
    for (std::size_t index = 0; index < kSignals.size(); ++index) {
        ::sigaction(kSignals[index], &previousActions[index], nullptr);
    }
    signalPipe.store(-1);
}

void TSessionEndSignals::OnSignal() {
    unsigned char byte = 0;
    int signal = 0;
    while (::read(readEnd_.get(), &byte, 1) == 1) {
        signal = byte;
    }
    if (signal == 0) {
        return;
    }
    DebOutObjFmt("TSessionEndSignals", "OnSignal", "Signal %d", signal);
    shutDown_(signal);
}

void RaiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) {
        return;
    }
    limit.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
        DebOutObj("GlobalU", "RaiseOpenFileLimit", "FEHLER: setrlimit");
    }
}

} // namespace quarn
