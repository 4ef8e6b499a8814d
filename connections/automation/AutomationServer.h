#pragma once

#include <QString>
#include <QThread>
#include <functional>
#include <memory>

namespace quarn {

class TAutomationHub;

// The automation objects on a bus: owns the well-known name org.quarn.Quarn and serves the objects on
// a thread of its own, so neither a waiting call nor a busy GUI holds up the bus. Made and destroyed on
// the GUI thread (or any one thread); destruction releases every client and waits a little for the
// workers of calls still waiting.
class TAutomationServer {
public:
    enum class TResult { Started, NoBus, NameTaken, Failed };

    // `address` empty: the session bus.
    explicit TAutomationServer(const QString& address = {});
    ~TAutomationServer();
    TAutomationServer(const TAutomationServer&) = delete;
    TAutomationServer& operator=(const TAutomationServer&) = delete;

    TResult Result() const { return result_; }
    bool IsRunning() const { return result_ == TResult::Started; }
    // Told on the automation thread with the count of Applications left after one was removed.
    void SetRemovedHandler(std::function<void(int remaining)> handler);

private:
    // Runs `task` on the automation thread and waits for it (pumping when on the GUI thread).
    void RunOnHub(const std::function<void()>& task);

    TResult result_ = TResult::Failed;
    QString connectionName_;
    QThread thread_;
    TAutomationHub* hub_ = nullptr;
};

// The program's start-up hook: starts the automation server on the session bus. Without a bus, a
// program started for automation tells the user "Der D-Bus-Sitzungsbus ist nicht erreichbar." and
// ends with exit code 6 (EProgrammEnde), one started by the user runs on without automation. When
// another copy owns the bus name, a start for automation ends with exit code 2. A program started
// for automation ends when its last client has gone while its window is hidden.
void StartAutomationServer();
// The shut-down hook: every client is released and the name given up.
void StopAutomationServer();

} // namespace quarn
