#pragma once

#include "platform/FileDescriptor.h"

#include <QObject>
#include <QSocketNotifier>
#include <functional>

namespace quarn {

// The end of the session as the system tells it: SIGTERM, SIGINT and SIGHUP. The handler only writes
// the signal's number into a pipe; the Qt loop reads it and runs the shut-down on the GUI thread, where
// everything it touches lives. While an object lives it owns the three signals; the previous handlers
// come back when it goes.
class TSessionEndSignals : public QObject {
public:
    explicit TSessionEndSignals(std::function<void(int signal)> shutDown);
    ~TSessionEndSignals() override;
    TSessionEndSignals(const TSessionEndSignals&) = delete;
    TSessionEndSignals& operator=(const TSessionEndSignals&) = delete;

private:
    void OnSignal();

    FileDescriptor readEnd_;
    FileDescriptor writeEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void(int)> shutDown_;
};

// Raises the soft limit of open files to the hard limit: every connection holds several event handles.
void RaiseOpenFileLimit();

} // namespace quarn
