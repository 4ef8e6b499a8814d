#pragma once

#include "platform/Exception.h"

#include <string>
#include <string_view>

namespace quarn {

// The program's own run-time failure. Its text is "<class>.<method>" and, when a message is given,
// ": <message>"; creating one writes "EXCEPTION: " and that text to the trace log.
class QuarnException : public Exception {
public:
    QuarnException(std::string_view className, std::string_view method, std::string_view message = {});
    std::string className() const override { return "QuarnException"; }
};

} // namespace quarn
