#pragma once

#include "platform/Exception.h"

#include <cstdint>

// Shared pieces of the link label's mark-up, tree and layout: the font-style set and the error classes.
// The string and list tools of the mark-up are QString's and std::vector's own.
namespace quarn {

// A set of font styles, one bit each.
using TFontStyles = std::uint8_t;
constexpr TFontStyles fsBold = 0x1;
constexpr TFontStyles fsItalic = 0x2;
constexpr TFontStyles fsUnderline = 0x4;
constexpr TFontStyles fsStrikeOut = 0x8;

class EParserError : public Exception {
public:
    using Exception::Exception;
    std::string className() const override { return "EParserError"; }
};

class ENodeError : public Exception {
public:
    using Exception::Exception;
    std::string className() const override { return "ENodeError"; }
};

class ETextHandlerError : public Exception {
public:
    using Exception::Exception;
    std::string className() const override { return "ETextHandlerError"; }
};

} // namespace quarn
