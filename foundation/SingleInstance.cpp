#include "foundation/SingleInstance.h"

#include "foundation/DebOutU.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QWidget>

namespace quarn {
namespace {

// How long a later copy keeps trying while the running one has its lock but not yet its socket.
constexpr std::uint32_t kHandOverPatienceMs = 3000;

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

TInstanceWindow::TInstanceWindow(SingleInstanceLock lock)
    : lock_(std::move(lock)), notifier_(lock_.listenerFd(), QSocketNotifier::Read) {
    setObjectName(kInstanceName);
    connect(&notifier_, &QSocketNotifier::activated, this, [this] { OnRequest(); });
}

void TInstanceWindow::OnRequest() {
    const std::optional<std::uint32_t> message = lock_.ReceiveMessage();
    if (!message) {
        return;
    }
    DebOutObjFmt("TInstanceWindow", "OnRequest", "$%4.4X", static_cast<unsigned>(*message));
    if (*message == WM_AKTIVIEREN) {
        PostToMainWindow(*message);
    }
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
