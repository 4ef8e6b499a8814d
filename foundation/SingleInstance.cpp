#include "foundation/SingleInstance.h"

#include "foundation/DebOutU.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

namespace quarn {
namespace {

// How long a later copy keeps trying while the running one has its lock but not yet its socket.
constexpr std::uint32_t kHandOverPatienceMs = 3000;
// A later copy writes its request right after connecting; a client still silent after this is let go,
// so stray connections cannot pile up.
constexpr int kSilentClientMs = 2000;

void PostToMainWindow(std::uint32_t message) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->windowTitle() == QLatin1String(kMainWindowTitle)) {
            // Qt takes ownership of a posted event.
            QCoreApplication::postEvent(
                window, std::make_unique<QEvent>(static_cast<QEvent::Type>(message)).release());
            return;
        }
    }
    DebOutObj("TInstanceWindow", "PostToMainWindow", "kein Hauptfenster.");
}

} // namespace

struct TInstanceWindow::PendingRequest {
    explicit PendingRequest(FileDescriptor client)
        : request(std::move(client)), notifier(request.fd(), QSocketNotifier::Read) {}

    InstanceRequest request;
    QSocketNotifier notifier;
    QTimer deadline;
};

TInstanceWindow::TInstanceWindow(SingleInstanceLock lock)
    : lock_(std::move(lock)), notifier_(lock_.listenerFd(), QSocketNotifier::Read) {
    setObjectName(kInstanceName);
    connect(&notifier_, &QSocketNotifier::activated, this, [this] { OnConnection(); });
}

TInstanceWindow::~TInstanceWindow() = default;

void TInstanceWindow::OnConnection() {
    while (FileDescriptor client = lock_.AcceptRequest()) {
        auto& pending = *pending_.emplace_back(std::make_unique<PendingRequest>(std::move(client)));
        connect(&pending.notifier, &QSocketNotifier::activated, this,
                [this, &pending] { OnReadable(pending); });
        pending.deadline.setSingleShot(true);
        connect(&pending.deadline, &QTimer::timeout, this, [this, &pending] { Drop(pending); });
        pending.deadline.start(kSilentClientMs);
    }
}

void TInstanceWindow::OnReadable(PendingRequest& pending) {
    if (!pending.request.ReadAvailable()) {
        return;
    }
    const std::optional<std::uint32_t> message = pending.request.Message();
    Drop(pending);
    if (!message) {
        return;
    }
    DebOutObjFmt("TInstanceWindow", "OnRequest", "$%4.4X", static_cast<unsigned>(*message));
    if (*message == WM_AKTIVIEREN) {
        PostToMainWindow(*message);
    }
}

void TInstanceWindow::Drop(PendingRequest& pending) {
    pending.notifier.setEnabled(false);
    pending.deadline.stop();
    // Called from the request's own notifier or timer, which must outlive their signal.
    QMetaObject::invokeMethod(
        this,
        [this, gone = &pending] {
            std::erase_if(pending_, [gone](const auto& entry) { return entry.get() == gone; });
        },
        Qt::QueuedConnection);
}

std::unique_ptr<TInstanceWindow> CheckInstance(const std::filesystem::path& folder) {
    std::optional<SingleInstanceLock> lock = SingleInstanceLock::TryAcquire(folder, kInstanceName);
    if (!lock) {
        DebOutObj("CheckInstanceU", "CheckInstance", "Quarn läuft bereits.");
        if (!SendToRunningInstance(folder, kInstanceName, WM_AKTIVIEREN, kHandOverPatienceMs)) {
            DebOutObj("CheckInstanceU", "CheckInstance", "FEHLER: keine Antwort.");
        }
        return nullptr;
    }
    return std::make_unique<TInstanceWindow>(std::move(*lock));
}

bool CheckSystemVersion(int versionCode) {
    // Codes 6 to 8 are the NT 3.x line, the only systems the program ever refused.
    if (versionCode < 6 || versionCode > 8) {
        return true;
    }
    QMessageBox::critical(
        nullptr, "Quarn",
        "Dieses Programm läuft unter Windows 95, 98, ME, NT 4.0, 2000, XP und .NET-Server,\r"
        "nicht jedoch unter Windows 3.1x oder NT 3.5x.");
    return false;
}

} // namespace quarn
