#include "platform/Thread.h"

#include "platform/Exception.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include <pthread.h>

namespace quarn {

namespace {

// How long the destructor gives a worker that is still running to follow the stop request.
constexpr std::uint32_t kStopGraceMs = 100;
// Linux keeps at most 15 characters of a thread's name.
constexpr std::size_t kMaxThreadNameLength = 15;

std::mutex& handlerMutex() {
    static std::mutex mutex;
    return mutex;
}

Thread::ExceptionHandler& installedHandler() {
    static Thread::ExceptionHandler handler;
    return handler;
}

std::string describe(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown exception";
    }
}

void report(const std::exception_ptr& error, const std::string& threadName) {
    Thread::ExceptionHandler handler;
    {
        const std::lock_guard lock(handlerMutex());
        handler = installedHandler();
    }
    try {
        if (handler) {
            handler(error, threadName);
            return;
        }
    } catch (...) {
        // A failing report must not take the process down; fall back to stderr.
    }
    std::fprintf(stderr, "Unhandled exception in thread %s: %s\n", threadName.c_str(),
                 describe(error).c_str());
}

} // namespace

struct Thread::State {
    State(std::string threadName, Body threadBody)
        : name(std::move(threadName)), body(std::move(threadBody)) {}

    const std::string name;
    Body body; // touched only by Start (before the worker exists) and then by the worker
    Event stop{EventReset::Manual};
    Event finished{EventReset::Manual};
    ThreadMessageQueue messages;
    std::atomic<bool> started{false};
    std::atomic<std::thread::id> id{};
};

Thread::Thread(std::string name, Body body)
    : state_(std::make_shared<State>(std::move(name), std::move(body))) {}

Thread::Thread(std::shared_ptr<State> state) : state_(std::move(state)) {}

Thread::~Thread() {
    if (!thread_.joinable()) {
        return;
    }
    if (!state_->finished.IsSet()) {
        RequestStop();
        if (!state_->finished.Wait(kStopGraceMs)) {
            thread_.detach();
            return;
        }
    }
    thread_.join();
}

void Thread::Start() {
    QUARN_ASSERT(!state_->started.exchange(true), "Thread");
    thread_ = std::thread([state = state_] { Run(state); });
    state_->id.store(thread_.get_id());
}

void Thread::Run(const std::shared_ptr<State>& state) {
    state->id.store(std::this_thread::get_id());
    ::pthread_setname_np(::pthread_self(), state->name.substr(0, kMaxThreadNameLength).c_str());
    {
        Thread self(state);
        try {
            state->body(self);
        } catch (...) {
            report(std::current_exception(), state->name);
        }
    }
    // The body's captures go now, on the worker, not whenever the last owner lets go of the state.
    state->body = nullptr;
    state->finished.Set();
}

void Thread::RequestStop() {
    state_->stop.Set();
}

const Event& Thread::StopEvent() const {
    return state_->stop;
}

bool Thread::Join(std::uint32_t timeoutMs) {
    QUARN_ASSERT(!IsCurrent(), "Thread");
    if (!state_->started.load()) {
        return true;
    }
    if (!state_->finished.Wait(timeoutMs)) {
        return false;
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    return true;
}

void Thread::Detach() {
    if (thread_.joinable()) {
        thread_.detach();
    }
}

bool Thread::IsRunning() const {
    return state_->started.load() && !state_->finished.IsSet();
}

bool Thread::IsCurrent() const {
    return state_->started.load() && state_->id.load() == std::this_thread::get_id();
}

const std::string& Thread::name() const {
    return state_->name;
}

std::thread::id Thread::id() const {
    return state_->id.load();
}

ThreadMessageQueue& Thread::Messages() {
    return state_->messages;
}

void Thread::SetUnhandledExceptionHandler(ExceptionHandler handler) {
    const std::lock_guard lock(handlerMutex());
    installedHandler() = std::move(handler);
}

} // namespace quarn
