#include "connections/VerbindungThreadU.h"

#include "connections/ConnectionsListU.h"
#include "connections/VerbindungAbstractU.h"
#include "connections/VerbindungU.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/ThreadTimer.h"
#include "stations/TexteU.h"

#include <exception>
#include <mutex>

namespace quarn {

namespace {

constexpr std::string_view kClass = "TVerbindungThread";

std::mutex& HandlerMutex() {
    static std::mutex mutex;
    return mutex;
}

TVerbindungThread::Handler& TestHandler() {
    static TVerbindungThread::Handler handler;
    return handler;
}

// Runs one step of the body; its exception is reported and the body goes on.
template <typename Step> void Guarded(std::string_view method, Step step) {
    try {
        step();
    } catch (...) {
        ReportUnhandledException(std::current_exception(), kClass, method, {});
    }
}

} // namespace

TVerbindungThread::TVerbindungThread(std::shared_ptr<TVerbindung> connection)
    : thread_([connection = std::move(connection)]() mutable {
          Body(connection);
          // Announced while we still hold the connection; a join also waits for this reference to go.
          connection->threadEnded_.Set();
      }) {}

TVerbindungThread::~TVerbindungThread() {
    if (!thread_.joinable()) {
        return;
    }
    // Only the worker's own last reference can bring us here while it runs; elsewhere it has ended.
    if (IsCurrent()) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

void TVerbindungThread::Join() {
    if (thread_.joinable() && !IsCurrent()) {
        thread_.join();
    }
}

void TVerbindungThread::Abandon() {
    if (thread_.joinable()) {
        thread_.detach();
    }
}

void TVerbindungThread::SetHandlerForTests(Handler handler) {
    const std::lock_guard lock(HandlerMutex());
    TestHandler() = std::move(handler);
}

void TVerbindungThread::BeforeHandler(TVerbindung& connection) {
    if (const std::shared_ptr<IKanalFuerVerbindung> channel = connection.LinkAnnounceDue()) {
        connection.AnnounceLink(*channel);
    }
    if (!connection.IsRestored()) {
        connection.PlaySound(connection.GetAusgehend() ? 1 : 2);
    }
    if (connection.GetConnectText()) {
        DebOutObj(kClass, "Run", "Sende ConnectText...");
        if (Config() && Config()->GetSendSID()) {
            connection.SID();
        }
        if (TTexte* texts = Texte()) {
            texts->SendeText(0, &connection);
        }
    }
}

void TVerbindungThread::Body(const std::shared_ptr<TVerbindung>& connection) {
    // Nothing may leave a worker's body: whatever escapes a step is reported and the worker ends.
    try {
        DebOutObj(kClass, "Run", "");
        // The thread's message queue, for the timers its handlers start; made before anyone needs it.
        CurrentThreadMessages();
        if (TConnectionsList* list = TConnectionsList::Instance()) {
            list->Add(connection);
        }
        Guarded("Before RunStandard", [&] { BeforeHandler(*connection); });
        Handler handler;
        {
            const std::lock_guard lock(HandlerMutex());
            handler = TestHandler();
        }
        Guarded("While RunStandard", [&] {
            if (handler) {
                handler(connection);
            } else {
                RunStandard(connection);
            }
        });
        if (TConnectionsList* list = TConnectionsList::Instance()) {
            list->Remove(connection);
        }
    } catch (...) {
        ReportUnhandledException(std::current_exception(), kClass, "Execute", {});
    }
}

} // namespace quarn
