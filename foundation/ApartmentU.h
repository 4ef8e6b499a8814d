#pragma once

#include "foundation/QuarnException.h"
#include "platform/Thread.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>

namespace quarn {

// Result codes of automation calls, with their Windows values (clients see these numbers).
using HRESULT = std::int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT RPC_E_DISCONNECTED = static_cast<HRESULT>(0x80010108u);
inline constexpr HRESULT RPC_E_TIMEOUT = static_cast<HRESULT>(0x8001011Fu);
inline constexpr bool Failed(HRESULT result) {
    return result < 0;
}

// A failure that reaches an automation client as a result code.
class EComError : public QuarnException {
public:
    EComError(std::string_view className, std::string_view method, HRESULT code,
              std::string_view message = {});
    std::string className() const override { return "EComError"; }
    HRESULT code() const { return code_; }

private:
    HRESULT code_;
};

// A thread of our own with a message loop, the home of one automation object: every call for the
// object is marshalled onto this thread, so the object is only ever entered here and one client's call
// never blocks another's. The loop ends when asked (Quit, destruction) or at the program's quit event.
class TApartmentThread {
public:
    static constexpr std::uint32_t kDefaultCallTimeoutMs = 30000;

    explicit TApartmentThread(std::string name);
    // Ends the loop and waits a while for it; a loop stuck in a call is detached (traced) and ends by
    // itself. Calls still queued fail with RPC_E_DISCONNECTED.
    ~TApartmentThread();
    TApartmentThread(const TApartmentThread&) = delete;
    TApartmentThread& operator=(const TApartmentThread&) = delete;

    bool IsCurrent() const { return thread_.IsCurrent(); }
    bool IsRunning() const;
    std::thread::id id() const { return thread_.id(); }

    // Queues a task without waiting; false when the loop has ended (the task is then dropped). Anything
    // the task holds is released on the apartment thread.
    bool Post(std::function<void()> task);
    // Runs the task on the apartment and waits for it at most `timeoutMs`, pumping the GUI's events
    // meanwhile when called on the GUI thread; on the apartment itself it is a direct call. The task's
    // exception reaches the caller; a time-out raises EComError RPC_E_TIMEOUT, an ended loop
    // RPC_E_DISCONNECTED. A task already running at the time-out runs on to its end by itself, so it
    // must own what it uses.
    void Invoke(std::function<void()> task, std::uint32_t timeoutMs = kDefaultCallTimeoutMs);

    template <class F>
    std::invoke_result_t<F&> Call(F function, std::uint32_t timeoutMs = kDefaultCallTimeoutMs) {
        using Result = std::invoke_result_t<F&>;
        if constexpr (std::is_void_v<Result>) {
            Invoke(std::move(function), timeoutMs);
        } else {
            auto result = std::make_shared<std::optional<Result>>();
            Invoke([result, function = std::move(function)]() mutable { result->emplace(function()); },
                   timeoutMs);
            return std::move(**result);
        }
    }

    // Ends the loop after the messages queued before this one.
    void Quit();

    // Apartment loops alive in the process (for checks at the end of tests and of the program).
    static int RunningCount();

private:
    struct Loop;
    std::shared_ptr<Loop> loop_;
    Thread thread_;
};

// The server's life-cycle counts: LockServer locks and live objects. When both have fallen to zero the
// release handler runs (a program started for automation then ends), on the thread of the last release.
class TServerLifetime {
public:
    void LockServer(bool lock);
    void ObjectCreated();
    void ObjectReleased();
    int LockCount() const;
    int ObjectCount() const;
    void SetReleaseHandler(std::function<void()> handler);

private:
    void Changed(std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    int locks_ = 0;
    int objects_ = 0;
    std::function<void()> onRelease_;
};

enum class ThreadingModel { Single, Apartment, Free, Both };

namespace apartment_detail {

// One automation object as the server counts it: created on its apartment, released there.
struct ObjectHome {
    ObjectHome(std::shared_ptr<void> object, TServerLifetime& lifetime);
    ~ObjectHome();
    ObjectHome(const ObjectHome&) = delete;
    ObjectHome& operator=(const ObjectHome&) = delete;

    std::shared_ptr<void> object;
    TServerLifetime& lifetime;
};

struct Creation {
    HRESULT result = E_FAIL;
    std::shared_ptr<TApartmentThread> apartment;
    std::shared_ptr<ObjectHome> home;
};

// Creates the object through `creator`: on a new apartment thread of its own for the apartment model,
// else on the calling thread. The server is locked meanwhile; the creator's failure (EComError's code,
// E_FAIL for any other exception, E_NOINTERFACE for no object) and a creation that does not finish
// within `timeoutMs` (E_FAIL) come back as the result, and the apartment of a failed creation ends.
Creation Create(const std::string& className, ThreadingModel model,
                const std::function<std::shared_ptr<void>()>& creator, TServerLifetime& lifetime,
                std::uint32_t timeoutMs);

} // namespace apartment_detail

// A client's reference to an automation object (the marshalled interface): calls go to the object's
// apartment. Share it by shared_ptr; when the last reference goes, the object is released on its
// apartment and the apartment thread ends.
template <class T> class TApartmentObject {
public:
    TApartmentObject(std::shared_ptr<TApartmentThread> apartment,
                     std::shared_ptr<apartment_detail::ObjectHome> home)
        : apartment_(std::move(apartment)), home_(std::move(home)),
          object_(static_cast<T*>(home_->object.get())) {}
    ~TApartmentObject() {
        if (apartment_) {
            apartment_->Post([home = std::move(home_)]() mutable { home.reset(); });
            apartment_->Quit();
        }
    }
    TApartmentObject(const TApartmentObject&) = delete;
    TApartmentObject& operator=(const TApartmentObject&) = delete;

    // Runs `function(object)` on the object's apartment (directly where there is none) and returns its
    // result.
    template <class F>
    std::invoke_result_t<F&, T&> Call(F function,
                                      std::uint32_t timeoutMs = TApartmentThread::kDefaultCallTimeoutMs) {
        T* object = object_;
        if (!apartment_) {
            return function(*object);
        }
        // The object stays until the release this reference posts at its end, after any call.
        return apartment_->Call(
            [function = std::move(function), object]() mutable { return function(*object); }, timeoutMs);
    }

    const TApartmentThread* apartment() const { return apartment_.get(); }

private:
    std::shared_ptr<TApartmentThread> apartment_;
    std::shared_ptr<apartment_detail::ObjectHome> home_;
    T* object_;
};

// The class factory of one automation class.
template <class T> class TClassFactory {
public:
    static constexpr std::uint32_t kDefaultCreationTimeoutMs = 10000;
    // Runs on the object's apartment; raises EComError (or any exception) or returns nothing to fail.
    using Creator = std::function<std::shared_ptr<T>()>;
    struct Result {
        HRESULT result = E_FAIL;
        std::shared_ptr<TApartmentObject<T>> object;
    };

    TClassFactory(std::string className, ThreadingModel model, Creator creator, TServerLifetime& lifetime,
                  std::uint32_t creationTimeoutMs = kDefaultCreationTimeoutMs)
        : className_(std::move(className)), model_(model), creator_(std::move(creator)), lifetime_(lifetime),
          creationTimeoutMs_(creationTimeoutMs) {}

    Result CreateInstance() const {
        const Creator creator = creator_;
        apartment_detail::Creation creation = apartment_detail::Create(
            className_, model_, [creator]() -> std::shared_ptr<void> { return creator(); }, lifetime_,
            creationTimeoutMs_);
        if (Failed(creation.result)) {
            return {creation.result, nullptr};
        }
        return {S_OK, std::make_shared<TApartmentObject<T>>(std::move(creation.apartment),
                                                            std::move(creation.home))};
    }

    void LockServer(bool lock) const { lifetime_.LockServer(lock); }

private:
    std::string className_;
    ThreadingModel model_;
    Creator creator_;
    TServerLifetime& lifetime_;
    std::uint32_t creationTimeoutMs_;
};

// True where the system offers calls between processes (always, on this layer).
bool IsDCOMInstalled();

} // namespace quarn
