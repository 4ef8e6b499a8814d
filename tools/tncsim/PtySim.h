#pragma once

#include "platform/Event.h"
#include "platform/FileDescriptor.h"
#include "tools/tncsim/TncSimCore.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace quarn::tncsim {

// The simulator behind a pseudo-terminal: the program opens the slave path as its serial port, a
// thread pumps the master side to and from the core. The slave stays open here too, so the program
// may close and reopen its port without the master seeing a hang-up. One adapter per core.
class PtySim {
public:
    // `baud` > 0 paces the TNC's output at that rate (10 bits a byte). Throws Exception when no
    // pseudo-terminal can be had.
    explicit PtySim(TncSimCore& core, int baud = 0);
    ~PtySim();
    PtySim(const PtySim&) = delete;
    PtySim& operator=(const PtySim&) = delete;

    const std::string& SlavePath() const { return path_; }
    // How often the slave side was opened by others since the start (our own open does not count). Opens
    // that overlap (a second open before the first one's close is seen) may count once.
    int Opens() const { return opens_; }
    // Ends the pump thread; also done by the destructor.
    void Stop();

private:
    void Pump();
    void CountOpens();

    TncSimCore& core_;
    int baud_;
    FileDescriptor master_;
    FileDescriptor slave_;
    std::string path_;
    FileDescriptor watch_; // inotify on the slave path: its opens
    std::atomic<int> opens_{0};
    std::shared_ptr<Event> wake_ =
        std::make_shared<Event>(EventReset::Auto); // shared: a late listener call finds it
    std::atomic<bool> stop_{false};
    std::thread pump_;
};

} // namespace quarn::tncsim
