#include "platform/Exception.h"

namespace quarn {

void FailAssertion(const char* condition, const char* unit, int line) {
    throw EAssertionFailed(std::string("Assertion failed: ") + condition + " (" + unit + ", line " +
                           std::to_string(line) + ")");
}

} // namespace quarn
