#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariant>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

class QDBusServiceWatcher;

namespace quarn {

class IVerbindung;
class TApplication;
class TDBusApplication;
class TDBusFactory;

inline constexpr const char* kAutomationRoot = "/org/quarn/Quarn";
inline constexpr const char* kAutomationError = "org.quarn.Quarn.Error.Failed";

// The workers of waiting calls and what they share with the hub: the calls not yet answered, the
// idle workers kept for the next call (a new thread per call costs more than the call under load),
// and the way back to the hub while it exists. A worker may outlive the hub (its wait ends only with
// the connection or at quit); it then just drops its answer.
struct TAutomationWorkers {
    std::mutex mutex;
    std::condition_variable ended; // a call was answered
    std::condition_variable work;  // a call is waiting for a worker, or the hub closed
    std::deque<std::function<void()>> tasks;
    int running = 0; // calls queued or under way
    int idle = 0;
    bool closing = false;
    QObject* hub = nullptr;
};

// The automation objects' home on the automation thread: the Applications by number with their
// owners, the objects registered below each, and the watch on the owners. Every member runs on the
// automation thread but RunBlocking's work.
class TAutomationHub : public QObject {
    Q_OBJECT

public:
    explicit TAutomationHub(QDBusConnection bus);
    ~TAutomationHub() override;

    // Registers the factory and starts watching owners; on the automation thread.
    bool Open();
    // Releases every Application; on the automation thread.
    void Close();

    QDBusConnection& Bus() { return bus_; }
    QDBusObjectPath CreateApplication(const QString& owner);
    void RemoveApplication(int id);
    int ApplicationCount() const { return static_cast<int>(applications_.size()); }
    // The path of the connection for that Application, registered on first use.
    QDBusObjectPath ConnectionPath(TDBusApplication& application,
                                   const std::shared_ptr<IVerbindung>& connection);

    // Answers `message` later: `work` runs on a worker of its own and its value is the reply, its
    // exception the client's error.
    void RunBlocking(const QDBusMessage& message, std::function<QVariant()> work);
    // The same for Connect: the connection is turned into its path back on the automation thread.
    void ConnectBlocking(const QDBusMessage& message, int applicationId, std::shared_ptr<TApplication> client,
                         std::string path);

    // Waits up to `limitMs` for the workers to end.
    bool WaitForWorkers(int limitMs);
    // Told with the count of Applications after one was removed.
    void SetRemovedHandler(std::function<void(int remaining)> handler) { onRemoved_ = std::move(handler); }

private:
    void OwnerGone(const QString& owner);
    // Runs `task` on a worker; it holds what it needs itself.
    void StartWorker(std::function<void()> task);

    QDBusConnection bus_;
    std::unique_ptr<TDBusFactory> factory_;
    QDBusServiceWatcher* watcher_ = nullptr;
    struct Entry {
        std::unique_ptr<TDBusApplication> object;
        QString owner;
    };
    std::map<int, Entry> applications_;
    int nextApplication_ = 1;
    // Serial numbers of connections, the same for every client.
    struct Serial {
        std::weak_ptr<IVerbindung> connection;
        int number;
    };
    std::map<const IVerbindung*, Serial> serials_;
    int nextSerial_ = 1;
    const std::shared_ptr<TAutomationWorkers> workers_;
    std::function<void(int)> onRemoved_;
};

} // namespace quarn
