#include "foundation/DebOutU.h"

#include "foundation/DebugMonitorLink.h"
#include "platform/Clock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <sys/types.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quarn {
namespace {

using Sink = std::function<void(std::string_view)>;

// Process-wide state of the log. `active` is the fast path every call tests first; everything else is
// touched only under `mutex`, which also keeps each line whole among threads.
struct TraceState {
    std::atomic<bool> active{false};
    std::atomic<std::uint64_t> startMs{0};
    std::atomic<pid_t> initThread{0};
    std::mutex mutex;
    DebugMonitorLink monitor;
    std::vector<std::pair<const ScopedTraceCapture*, Sink>> captures;

    void UpdateActive() { active.store(monitor.attached() || !captures.empty(), std::memory_order_release); }
};

TraceState& State() {
    static TraceState state;
    return state;
}

bool OnGuiThread() {
    if (QCoreApplication* application = QCoreApplication::instance()) {
        return QThread::currentThread() == application->thread();
    }
    const pid_t init = State().initThread.load(std::memory_order_relaxed);
    return ::gettid() == (init != 0 ? init : ::getpid());
}

std::string Prefix() {
    const std::uint64_t now = Clock().NowMs();
    const std::uint64_t start = State().startMs.load(std::memory_order_relaxed);
    const std::uint64_t elapsed = now > start ? now - start : 0;
    char tag[9];
    if (OnGuiThread()) {
        std::snprintf(tag, sizeof tag, "  main  ");
    } else {
        std::snprintf(tag, sizeof tag, "%08X", static_cast<unsigned>(static_cast<std::uint32_t>(::gettid())));
    }
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "%5llu.%.3u [%8s] ", static_cast<unsigned long long>(elapsed / 1000),
                  static_cast<unsigned>(elapsed % 1000), tag);
    return prefix;
}

void Emit(std::string_view line) {
    TraceState& state = State();
    std::lock_guard lock(state.mutex);
    for (const auto& capture : state.captures) {
        capture.second(line);
    }
    if (state.monitor.attached() && !state.monitor.Send(line)) {
        state.UpdateActive();
    }
}

std::string FormatV(const char* format, va_list arguments) {
    va_list copy;
    va_copy(copy, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, arguments);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string ObjectText(std::string_view className, std::string_view method, std::string_view text) {
    std::string line;
    line.reserve(className.size() + method.size() + text.size() + 3);
    line.append(className).append(".").append(method);
    if (!text.empty()) {
        line.append(": ").append(text);
    }
    return line;
}

// The attach and detach notices stand where the main window took the monitor's messages.
void TraceMonitorNotice(std::string_view text) {
    DebOutObj("THauptfenster", "wmDebugMonitor", text);
}

std::string DateTimeLine() {
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    const QString text =
        locale.toString(now.date(), QLocale::LongFormat) + ' ' + now.time().toString("HH:mm:ss");
    return text.toStdString();
}

} // namespace

bool TraceActive() {
    return State().active.load(std::memory_order_acquire);
}

void DebOut(std::string_view text) {
    if (!TraceActive()) {
        return;
    }
    std::string line(text);
    if (!line.empty() && line.back() == '\n') {
        line.pop_back();
    }
    if (line.empty() || line.back() != '\r') {
        line.push_back('\r');
    }
    if (line != "\r") {
        line.insert(0, Prefix());
    }
    Emit(line);
}

void DebOutFmt(const char* format, ...) {
    if (!TraceActive()) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    const std::string text = FormatV(format, arguments);
    va_end(arguments);
    DebOut(text);
}

void DebOutObj(std::string_view className, std::string_view method, std::string_view text) {
    if (!TraceActive()) {
        return;
    }
    DebOut(ObjectText(className, method, text));
}

void DebOutObjFmt(std::string_view className, std::string_view method, const char* format, ...) {
    if (!TraceActive()) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    const std::string text = FormatV(format, arguments);
    va_end(arguments);
    DebOut(ObjectText(className, method, text));
}

void InitializeTrace() {
    TraceState& state = State();
    state.initThread.store(::gettid(), std::memory_order_relaxed);
    bool attached;
    {
        std::lock_guard lock(state.mutex);
        state.monitor.Close();
        attached = state.monitor.Connect(DebugMonitorSocketPath());
        state.UpdateActive();
    }
    state.startMs.store(Clock().NowMs(), std::memory_order_relaxed);
    if (!TraceActive()) {
        return;
    }
    DebOut(DateTimeLine());
    if (attached) {
        TraceMonitorNotice("DebugMonitor gestartet.");
    }
}

bool AttachDebugMonitor(const std::filesystem::path& path) {
    TraceState& state = State();
    {
        std::lock_guard lock(state.mutex);
        if (state.monitor.attached() || !state.monitor.Connect(path)) {
            return false;
        }
        state.UpdateActive();
    }
    TraceMonitorNotice("DebugMonitor gestartet.");
    return true;
}

void DetachDebugMonitor() {
    TraceState& state = State();
    if (DebugMonitorSocket() < 0) {
        return;
    }
    TraceMonitorNotice("DebugMonitor beendet.");
    std::lock_guard lock(state.mutex);
    state.monitor.Close();
    state.UpdateActive();
}

int DebugMonitorSocket() {
    TraceState& state = State();
    std::lock_guard lock(state.mutex);
    return state.monitor.socket();
}

ScopedTraceCapture::ScopedTraceCapture(std::function<void(std::string_view line)> sink) {
    TraceState& state = State();
    std::lock_guard lock(state.mutex);
    state.captures.emplace_back(this, std::move(sink));
    state.UpdateActive();
}

ScopedTraceCapture::~ScopedTraceCapture() {
    TraceState& state = State();
    std::lock_guard lock(state.mutex);
    std::erase_if(state.captures, [this](const auto& capture) { return capture.first == this; });
    state.UpdateActive();
}

} // namespace quarn
