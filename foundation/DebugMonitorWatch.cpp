#include "foundation/DebugMonitorWatch.h"

#include "foundation/DebOutU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Exception.h"

#include <system_error>

namespace quarn {

TDebugMonitorWatch::TDebugMonitorWatch(std::filesystem::path socketPath)
    : socketPath_(std::move(socketPath)) {
    QUARN_ASSERT(IsGuiThread(), "DebugMonitorWatch");
    const QString folder = QString::fromStdString(socketPath_.parent_path().string());
    if (!folder_.addPath(folder)) {
        DebOutObj("TDebugMonitorWatch", "Create",
                  "FEHLER: Ordner nicht beobachtbar: " + folder.toStdString());
    }
    connect(&folder_, &QFileSystemWatcher::directoryChanged, this, [this] { OnFolderChanged(); });
    // A monitor attached at the log's start, or one that came since, is watched from now on.
    TryAttach();
    WatchLink();
}

void TDebugMonitorWatch::OnFolderChanged() {
    // While a link is watched it is either in use or about to report its end, which comes at once.
    if (link_ != nullptr) {
        return;
    }
    TryAttach();
    WatchLink();
}

void TDebugMonitorWatch::OnLinkReadable() {
    // A monitor never sends: anything readable is its end. The notifier stops before the descriptor it
    // watches is closed, and goes once its signal has returned.
    link_->setEnabled(false);
    link_->deleteLater();
    link_ = nullptr;
    DetachDebugMonitor();
    TryAttach();
    WatchLink();
}

void TDebugMonitorWatch::TryAttach() {
    std::error_code error;
    if (DebugMonitorSocket() < 0 && std::filesystem::exists(socketPath_, error)) {
        AttachDebugMonitor(socketPath_);
    }
}

void TDebugMonitorWatch::WatchLink() {
    const int socket = DebugMonitorSocket();
    if (socket < 0 || link_ != nullptr) {
        return;
    }
    link_ = new QSocketNotifier(socket, QSocketNotifier::Read, this);
    connect(link_, &QSocketNotifier::activated, this, [this] { OnLinkReadable(); });
}

} // namespace quarn
