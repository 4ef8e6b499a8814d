#pragma once

#include "platform/SingleInstanceLock.h"
#include "platform/XdgPaths.h"

#include <QObject>
#include <QSocketNotifier>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace quarn {

// A later copy's request to the running one: show the main window (wParam 0, lParam 0). It arrives at
// the main window as an event of this type.
inline constexpr std::uint32_t WM_AKTIVIEREN = 0x4421;
// The running copy's main window is found by this title.
inline constexpr const char* kMainWindowTitle = "Quarn Terminal";
inline constexpr const char* kInstanceName = "QuarnInstanceWindow";

// Marks the running copy for the life of the process (it holds the instance lock) and hands every
// request of a later copy on to the top-level window titled "Quarn Terminal", as the posted event
// WM_AKTIVIEREN. A request that comes before that window exists is dropped. Requests are read as their
// bytes arrive, so a client that connects and sends nothing never holds up the GUI thread.
class TInstanceWindow : public QObject {
public:
    explicit TInstanceWindow(SingleInstanceLock lock);
    ~TInstanceWindow() override;

private:
    struct PendingRequest;

    void OnConnection();
    void OnReadable(PendingRequest& pending);
    // Stops watching the request and frees it once control is back in the event loop.
    void Drop(PendingRequest& pending);

    SingleInstanceLock lock_;
    QSocketNotifier notifier_;
    std::vector<std::unique_ptr<PendingRequest>> pending_;
};

// The instance check, on the GUI thread: takes the instance lock in the runtime folder in one atomic
// step. When another copy holds it, that copy is asked to show itself and nothing is returned; the
// caller then ends with exit code 2 before showing anything.
std::unique_ptr<TInstanceWindow> CheckInstance(const std::filesystem::path& folder = XdgRuntimeDir());

// The version gate of the start: false (after telling the user) when the system is too old to run on.
bool CheckSystemVersion(int versionCode);

} // namespace quarn
