#pragma once

// Collects the trace lines written while it lives.

#include "foundation/DebOutU.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quarn::test {

class TraceLines {
public:
    TraceLines()
        : capture_([this](std::string_view line) {
              const std::lock_guard lock(mutex_);
              lines_.emplace_back(line);
          }) {}
    bool Contains(std::string_view part) const {
        const std::lock_guard lock(mutex_);
        return std::any_of(lines_.begin(), lines_.end(),
                           [&](const std::string& line) { return line.find(part) != std::string::npos; });
    }
    // Every line (or those holding `part`), one a line, for a failure message.
    std::string Text(std::string_view part = {}) const {
        const std::lock_guard lock(mutex_);
        std::string text;
        for (const std::string& line : lines_) {
            if (line.find(part) != std::string::npos) {
                text += line;
                text += '\n';
            }
        }
        return text;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    ScopedTraceCapture capture_;
};

} // namespace quarn::test
