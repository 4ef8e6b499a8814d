#include "connections/automation/ApplicationU.h"

#include "connections/automation/AutomationConnect.h"
#include "connections/VerbindungU.h"
#include "foundation/DebOutU.h"
#include "foundation/SingleInstance.h"
#include "foundation/SynchronizeU.h"
#include "stations/MyCallsAuto.h"
#include "stations/MyCallsU.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <atomic>

namespace quarn {
namespace {

constexpr std::string_view kClass = "TApplication";
std::atomic<int> instances{0};

// The running main window, found as a later copy finds it: by its title. GUI thread.
QWidget* MainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isWindow() && widget->windowTitle() == QLatin1String(kMainWindowTitle)) {
            return widget;
        }
    }
    return nullptr;
}

void SetMainWindowVisible(bool visible) {
    Synchronize([visible] {
        if (QWidget* window = MainWindow()) {
            window->setVisible(visible);
            if (visible) {
                window->raise();
                window->activateWindow();
            }
        }
    });
}

} // namespace

std::shared_ptr<TApplication> TApplication::Create() {
    std::shared_ptr<TApplication> client(new TApplication());
    Applications().Add(client);
    return client;
}

TApplication::TApplication() {
    instances.fetch_add(1);
}

TApplication::~TApplication() {
    Release();
    instances.fetch_sub(1);
}

int TApplication::InstanceCount() {
    return instances.load();
}

void TApplication::Show() {
    SetMainWindowVisible(true);
}

void TApplication::Hide() {
    SetMainWindowVisible(false);
}

bool TApplication::Get_Visible() const {
    bool visible = false;
    Synchronize([&visible] {
        const QWidget* window = MainWindow();
        visible = window && window->isVisible();
    });
    return visible;
}

void TApplication::Set_Visible(bool visible) {
    SetMainWindowVisible(visible);
}

std::shared_ptr<IMyCalls> TApplication::Get_MyCalls() {
    DebOutObj(kClass, "Get_MyCalls", "");
    const std::shared_ptr<TMyCalls> calls = MyCalls();
    if (!calls) {
        throw EAutomationError("No MyCall");
    }
    return std::make_shared<TMyCallsAuto>(shared_from_this(), *calls);
}

std::shared_ptr<IVerbindung> TApplication::Connect(std::string_view path) {
    return AutomationConnect(path, *this);
}

std::shared_ptr<IVerbindung> TApplication::FindConnection(std::string_view call) {
    return FindOpenConnection(call);
}

void TApplication::Attach(const std::shared_ptr<IVerbindung>& connection) {
    const std::lock_guard lock(mutex_);
    if (released_ || !connection->AddApplication(shared_from_this())) {
        throw EAutomationError("Application not found.");
    }
    std::erase_if(attached_, [](const std::weak_ptr<IVerbindung>& known) { return known.expired(); });
    const bool known = std::any_of(attached_.begin(), attached_.end(),
                                   [&](const auto& entry) { return entry.lock() == connection; });
    if (!known) {
        attached_.push_back(connection);
    }
}

void TApplication::WaitForText(const std::shared_ptr<IVerbindung>& connection, std::string_view text) {
    Attach(connection);
    if (const auto own = std::dynamic_pointer_cast<TVerbindung>(connection)) {
        own->WaitForText(text, shared_from_this(), &releasedEvent_);
        return;
    }
    const ScopedAutomationClient scope(shared_from_this());
    connection->WaitForText(text);
}

std::string TApplication::ReceiveText(const std::shared_ptr<IVerbindung>& connection) {
    Attach(connection);
    if (const auto own = std::dynamic_pointer_cast<TVerbindung>(connection)) {
        return own->ReceiveText(shared_from_this(), &releasedEvent_);
    }
    const ScopedAutomationClient scope(shared_from_this());
    return connection->ReceiveText();
}

void TApplication::Release() {
    std::vector<std::weak_ptr<IVerbindung>> attached;
    {
        const std::lock_guard lock(mutex_);
        if (released_) {
            return;
        }
        released_ = true;
        attached.swap(attached_);
    }
    DebOutObjFmt(kClass, "Release", "Remove %8.8x",
                 static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(this)));
    releasedEvent_.Set();
    Applications().Remove(this);
    // Its waits end on the released event; its queues leave the connections now.
    for (const std::weak_ptr<IVerbindung>& entry : attached) {
        if (const auto connection = std::dynamic_pointer_cast<TVerbindung>(entry.lock())) {
            connection->RemoveApplication(std::shared_ptr<IApplication>(std::shared_ptr<void>(), this));
        }
    }
}

bool TApplication::IsReleased() const {
    const std::lock_guard lock(mutex_);
    return released_;
}

// ---- TApplications ----

void TApplications::NotifySubscribers(IApplication* client) {
    DebOutObj("TApplications", "NotifySubscribers", "");
    publisher_.NotifySubscribers(client);
}

void TApplications::Add(const std::shared_ptr<IApplication>& client) {
    const Locker locker(lock_);
    const bool listed = std::any_of(clients_.begin(), clients_.end(),
                                    [&](const auto& entry) { return entry.lock() == client; });
    if (!listed) {
        clients_.push_back(client);
    }
}

void TApplications::Remove(const IApplication* client) {
    bool removed = false;
    {
        const Locker locker(lock_);
        // A client that is being destroyed no longer locks, so entries are matched by address.
        const auto before = clients_.size();
        std::erase_if(clients_, [&](const std::weak_ptr<IApplication>& entry) {
            return entry.expired() || entry.lock().get() == client;
        });
        removed = clients_.size() != before;
    }
    if (removed) {
        NotifySubscribers(const_cast<IApplication*>(client));
    }
}

void TApplications::Subscribe(const std::shared_ptr<ISubscriber>& subscriber) {
    DebOutObj("TApplications", "Subscribe", "subscribe");
    publisher_.Subscribe(subscriber);
}

void TApplications::Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) {
    DebOutObj("TApplications", "Unsubscribe", "unsubscribe");
    publisher_.Unsubscribe(subscriber);
}

int TApplications::Count() const {
    const Locker locker(lock_);
    return static_cast<int>(
        std::count_if(clients_.begin(), clients_.end(), [](const auto& entry) { return !entry.expired(); }));
}

TApplications& Applications() {
    static TApplications applications;
    return applications;
}

} // namespace quarn
