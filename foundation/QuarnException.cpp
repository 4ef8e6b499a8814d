#include "foundation/QuarnException.h"

#include "foundation/DebOutU.h"

namespace quarn {
namespace {

std::string ExceptionText(std::string_view className, std::string_view method, std::string_view message) {
    std::string text;
    text.append(className).append(".").append(method);
    if (!message.empty()) {
        text.append(": ").append(message);
    }
    return text;
}

} // namespace

QuarnException::QuarnException(std::string_view className, std::string_view method, std::string_view message)
    : Exception(ExceptionText(className, method, message)) {
    if (TraceActive()) {
        DebOut(std::string("EXCEPTION: ") + what());
    }
}

} // namespace quarn
