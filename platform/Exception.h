#pragma once

#include <stdexcept>
#include <string>

namespace quarn {

// Root of the program's exception family. `className` is what reports show as the exception's kind
// ("QuarnException", "EStreamError", ...).
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    virtual std::string className() const { return "Exception"; }
};

// A programming error detected by an assertion; the text names the source unit and line.
class EAssertionFailed : public Exception {
public:
    using Exception::Exception;
    std::string className() const override { return "EAssertionFailed"; }
};

// A text that is not the number or value it should be.
class EConvertError : public Exception {
public:
    using Exception::Exception;
    std::string className() const override { return "EConvertError"; }
};

[[noreturn]] void FailAssertion(const char* condition, const char* unit, int line);

} // namespace quarn

// Assertions stay on in every build: they name the source unit, and a failure raises EAssertionFailed,
// which the top-level guards report like any other error.
#define QUARN_ASSERT(condition, unit)                                                                       \
    do {                                                                                                    \
        if (!(condition)) {                                                                                 \
            ::quarn::FailAssertion(#condition, unit, __LINE__);                                             \
        }                                                                                                   \
    } while (false)
