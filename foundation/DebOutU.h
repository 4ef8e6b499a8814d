#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace quarn {

// The trace log. Lines go to an attached debug monitor (a local socket "Quarn DebugMonitor" in
// $XDG_RUNTIME_DIR, looked for once at start) and nowhere else; with no monitor every call returns at
// once, before formatting anything. Texts are UTF-8 by convention; received bytes are passed as they are.
//
// A line is "%5u.%.3u [%8s] " (seconds and milliseconds since InitializeTrace, then "  main  " on the GUI
// thread or the kernel thread id as 8 hex digits), the text and CR. An empty text is sent as a lone CR
// without prefix; a final LF is dropped and CR is added unless the text ends in one. Lines from many
// threads are written under one lock, so each arrives whole. The socket's framing is described in
// foundation/DebugMonitorLink.h; a monitor that vanishes (failed write) is detached silently. A monitor that
// starts later is attached by TDebugMonitorWatch (foundation/DebugMonitorWatch.h).

// True while a monitor (or a test capture) is attached.
bool TraceActive();

void DebOut(std::string_view text);
void DebOutFmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "<className>.<method>" and, when the text is not empty, ": <text>".
void DebOutObj(std::string_view className, std::string_view method, std::string_view text);
void DebOutObjFmt(std::string_view className, std::string_view method, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The log's unit initialisation: looks once for the monitor, takes the start tick and writes the date
// and time as the first line.
void InitializeTrace();

// For the monitor watch (TDebugMonitorWatch), on the GUI thread:
// Attaches a monitor listening at `path` unless one is attached; then writes "DebugMonitor gestartet."
// and returns true.
bool AttachDebugMonitor(const std::filesystem::path& path);
// Lets the link go: writes "DebugMonitor beendet." first (a monitor that left by ending its side still
// reads it), then closes. Also releases a link that a failed write has ended.
void DetachDebugMonitor();
// The link's descriptor, to watch for the monitor leaving; -1 without a link.
int DebugMonitorSocket();

// Receives every finished trace line (prefix and CR included) while it lives, as a monitor would; for
// tests and the exception report's own checks. Lines from any thread arrive whole and in order per thread.
// The sink runs under the log's lock and must not trace itself.
class ScopedTraceCapture {
public:
    explicit ScopedTraceCapture(std::function<void(std::string_view line)> sink);
    ~ScopedTraceCapture();
    ScopedTraceCapture(const ScopedTraceCapture&) = delete;
    ScopedTraceCapture& operator=(const ScopedTraceCapture&) = delete;
};

} // namespace quarn
