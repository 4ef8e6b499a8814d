#include "connections/automation/AutomationHub.h"

#include "connections/automation/ApplicationU.h"
#include "connections/automation/AutomationConnect.h"
#include "connections/automation/AutomationDBusObjects.h"
#include "foundation/DebOutU.h"
#include "foundation/InterfacesU.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <chrono>
#include <thread>
#include <vector>

namespace quarn {
namespace {

constexpr std::string_view kClass = "TAutomationHub";
// Adaptors: the objects answer property calls themselves (TDBusProperties).
constexpr auto kExportAll = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                            QDBusConnection::ExportAllProperties | QDBusConnection::ExportAdaptors;

QDBusMessage ErrorReply(const QDBusMessage& message, const std::string& text) {
    return message.createErrorReply(QString::fromLatin1(kAutomationError), QString::fromStdString(text));
}

} // namespace

TAutomationHub::TAutomationHub(QDBusConnection bus)
    : bus_(std::move(bus)), workers_(std::make_shared<TAutomationWorkers>()) {
    const std::lock_guard lock(workers_->mutex);
    workers_->hub = this;
}

TAutomationHub::~TAutomationHub() {
    {
        const std::lock_guard lock(workers_->mutex);
        workers_->hub = nullptr;
        // Idle workers end now, busy ones after their call.
        workers_->closing = true;
        workers_->work.notify_all();
    }
    Close();
}

bool TAutomationHub::Open() {
    factory_ = std::make_unique<TDBusFactory>(*this);
    if (!bus_.registerObject(QString::fromLatin1(kAutomationRoot), factory_.get(),
                             QDBusConnection::ExportAllSlots)) {
        DebOutObj(kClass, "Open", "FEHLER: the factory object cannot be registered");
        factory_.reset();
        return false;
    }
    watcher_ = new QDBusServiceWatcher(this);
    watcher_->setConnection(bus_);
    watcher_->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this, &TAutomationHub::OwnerGone);
    return true;
}

void TAutomationHub::Close() {
    std::vector<int> ids;
    for (const auto& [id, entry] : applications_) {
        ids.push_back(id);
    }
    for (const int id : ids) {
        RemoveApplication(id);
    }
    if (factory_) {
        bus_.unregisterObject(QString::fromLatin1(kAutomationRoot));
        factory_.reset();
    }
    // The removed objects go now, not at a loop that may never run again.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QDBusObjectPath TAutomationHub::CreateApplication(const QString& owner) {
    const int id = nextApplication_++;
    auto object = std::make_unique<TDBusApplication>(*this, id, TApplication::Create());
    const QDBusObjectPath path(object->Path());
    bus_.registerObject(path.path(), object.get(), kExportAll);
    applications_[id] = Entry{std::move(object), owner};
    DebOutObj(kClass, "CreateApplication", (path.path() + QLatin1String(" for ") + owner).toStdString());
    if (!owner.isEmpty()) {
        watcher_->addWatchedService(owner);
        // A client that left before the watch began is never reported.
        if (!bus_.interface()->isServiceRegistered(owner).value()) {
            RemoveApplication(id);
        }
    }
    return path;
}

void TAutomationHub::RemoveApplication(int id) {
    const auto found = applications_.find(id);
    if (found == applications_.end()) {
        return;
    }
    Entry entry = std::move(found->second);
    applications_.erase(found);
    DebOutObj(kClass, "RemoveApplication", entry.object->Path().toStdString());
    bus_.unregisterObject(entry.object->Path(), QDBusConnection::UnregisterTree);
    entry.object->Client()->Release();
    const bool ownerHasMore = std::any_of(applications_.begin(), applications_.end(), [&](const auto& other) {
        return other.second.owner == entry.owner;
    });
    if (!ownerHasMore && watcher_ && !entry.owner.isEmpty()) {
        watcher_->removeWatchedService(entry.owner);
    }
    // The object may be answering the very call that removes it.
    entry.object.release()->deleteLater();
    if (onRemoved_) {
        onRemoved_(ApplicationCount());
    }
}

void TAutomationHub::OwnerGone(const QString& owner) {
    DebOutObj(kClass, "OwnerGone", owner.toStdString());
    std::vector<int> ids;
    for (const auto& [id, entry] : applications_) {
        if (entry.owner == owner) {
            ids.push_back(id);
        }
    }
    for (const int id : ids) {
        RemoveApplication(id);
    }
}

QDBusObjectPath TAutomationHub::ConnectionPath(TDBusApplication& application,
                                               const std::shared_ptr<IVerbindung>& connection) {
    std::erase_if(serials_, [](const auto& item) { return item.second.connection.expired(); });
    Serial& serial = serials_[connection.get()];
    if (serial.connection.lock() != connection) {
        serial = Serial{connection, nextSerial_++};
    }
    const QString path = application.Path() + QLatin1String("/Conn/") + QString::number(serial.number);
    if (bus_.objectRegisteredAt(path) == nullptr) {
        auto* object = new TDBusConnection(*this, application.Client(), connection, &application);
        bus_.registerObject(path, object, kExportAll);
    }
    return QDBusObjectPath(path);
}

void TAutomationHub::StartWorker(std::function<void()> task) {
    const std::lock_guard lock(workers_->mutex);
    ++workers_->running;
    workers_->tasks.push_back(std::move(task));
    if (workers_->idle > 0) {
        workers_->work.notify_one();
        return;
    }
    std::thread([workers = workers_] {
        std::unique_lock lock(workers->mutex);
        for (;;) {
            ++workers->idle;
            workers->work.wait(lock, [&] { return !workers->tasks.empty() || workers->closing; });
            --workers->idle;
            if (workers->tasks.empty()) {
                return; // closing
            }
            std::function<void()> next = std::move(workers->tasks.front());
            workers->tasks.pop_front();
            lock.unlock();
            next();
            // What the call held goes before the hub learns it was answered.
            next = nullptr;
            lock.lock();
            --workers->running;
            workers->ended.notify_all();
        }
    }).detach();
}

void TAutomationHub::RunBlocking(const QDBusMessage& message, std::function<QVariant()> work) {
    StartWorker([bus = bus_, message, work = std::move(work)]() mutable {
        QDBusMessage reply;
        try {
            const QVariant value = work();
            reply = value.isValid() ? message.createReply(value) : message.createReply();
        } catch (const std::exception& error) {
            reply = ErrorReply(message, AutomationErrorText(error));
        } catch (...) {
            reply = ErrorReply(message, "Unknown error");
        }
        bus.send(reply);
    });
}

void TAutomationHub::ConnectBlocking(const QDBusMessage& message, int applicationId,
                                     std::shared_ptr<TApplication> client, std::string path) {
    StartWorker([bus = bus_, workers = workers_, message, applicationId, client = std::move(client),
                 path = std::move(path)]() mutable {
        std::shared_ptr<IVerbindung> connection;
        try {
            connection = client->Connect(path);
        } catch (const std::exception& error) {
            bus.send(ErrorReply(message, AutomationErrorText(error)));
            return;
        }
        // Objects are registered on the automation thread only.
        const std::lock_guard lock(workers->mutex);
        if (workers->hub == nullptr) {
            return; // the server is closing; nobody is left to answer
        }
        auto* hub = static_cast<TAutomationHub*>(workers->hub);
        QMetaObject::invokeMethod(
            hub,
            [hub, message, applicationId, connection] {
                const auto found = hub->applications_.find(applicationId);
                if (found == hub->applications_.end()) {
                    hub->bus_.send(ErrorReply(message, "Application not found."));
                    return;
                }
                const QDBusObjectPath path = hub->ConnectionPath(*found->second.object, connection);
                hub->bus_.send(message.createReply(QVariant::fromValue(path)));
            },
            Qt::QueuedConnection);
    });
}

bool TAutomationHub::WaitForWorkers(int limitMs) {
    std::unique_lock lock(workers_->mutex);
    return workers_->ended.wait_for(lock, std::chrono::milliseconds(limitMs),
                                    [this] { return workers_->running == 0; });
}

} // namespace quarn
