#pragma once

#include <functional>
#include <memory>
#include <thread>

namespace quarn {

class TVerbindung;
class IVerbindungFuerModul;

// The worker of one connection: lists the connection, greets the remote station, runs the handler
// until the link ends and unlists the connection again. The body holds the connection, so a worker
// that is given up on (Abandon) runs on by itself with everything it uses.
class TVerbindungThread final {
public:
    using Handler = std::function<void(const std::shared_ptr<IVerbindungFuerModul>&)>;

    explicit TVerbindungThread(std::shared_ptr<TVerbindung> connection);
    // Joins a worker that has ended; on the worker itself (its last reference went) it lets it go.
    ~TVerbindungThread();
    TVerbindungThread(const TVerbindungThread&) = delete;
    TVerbindungThread& operator=(const TVerbindungThread&) = delete;

    bool IsCurrent() const { return std::this_thread::get_id() == thread_.get_id(); }
    // After the connection's thread-ended event is set.
    void Join();
    void Abandon();

    // Tests run handlers of their own in place of the standard one; empty restores it.
    static void SetHandlerForTests(Handler handler);

private:
    static void Body(const std::shared_ptr<TVerbindung>& connection);
    static void BeforeHandler(TVerbindung& connection);

    std::thread thread_;
};

} // namespace quarn
