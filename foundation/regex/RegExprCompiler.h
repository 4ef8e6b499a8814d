#pragma once

#include "foundation/regex/RegExprProgram.h"
#include "foundation/regex/RegExprSyntax.h"

#include <memory>
#include <string_view>

namespace quarn::regexpr {

// Compiles an expression into a program; throws CompileError with the code and position of the fault.
std::shared_ptr<const Program> Compile(std::string_view expression, int modifiers, const Settings& settings);

} // namespace quarn::regexpr
