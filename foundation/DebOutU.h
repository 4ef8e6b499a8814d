#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quarn {

// The trace log. Lines go to an attached debug monitor (a local socket "Quarn DebugMonitor" in
// $XDG_RUNTIME_DIR, looked for once at start) and nowhere else; with no monitor every call returns at
// once, before formatting anything. Texts are UTF-8 by convention; received bytes are passed as they are.

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

// Receives every finished trace line (prefix and CR included) while it lives, as a monitor would; for
// tests and the exception report's own checks. Lines from any thread arrive whole and in order per thread.
class ScopedTraceCapture {
public:
    explicit ScopedTraceCapture(std::function<void(std::string_view line)> sink);
    ~ScopedTraceCapture();
    ScopedTraceCapture(const ScopedTraceCapture&) = delete;
    ScopedTraceCapture& operator=(const ScopedTraceCapture&) = delete;
};

} // namespace quarn
