#pragma once

#include "foundation/DebugMonitorLink.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QSocketNotifier>
#include <filesystem>

namespace quarn {

// Attaches a debug monitor that starts while the program runs, and lets it go when it leaves. The
// monitor's socket appearing in the runtime folder makes the watch attach it ("DebugMonitor
// gestartet."); the monitor ending its side of the link, or vanishing, makes it write "DebugMonitor
// beendet." and close the link. Then the next monitor to come is attached again.
//
// It lives on the GUI thread, in its event loop, and costs the trace nothing: lines written while no
// monitor is attached still return at once.
class TDebugMonitorWatch : public QObject {
public:
    explicit TDebugMonitorWatch(std::filesystem::path socketPath = DebugMonitorSocketPath());

private:
    void OnFolderChanged();
    void OnLinkReadable();
    void TryAttach();
    void WatchLink();

    std::filesystem::path socketPath_;
    QFileSystemWatcher folder_;
    // Watches the link while there is one; a child of the watch.
    QSocketNotifier* link_ = nullptr;
};

} // namespace quarn
