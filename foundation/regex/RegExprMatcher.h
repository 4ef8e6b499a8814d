#pragma once

// Runs a compiled program against a text. Backtracking keeps its alternatives on an explicit stack, so
// the machine stack does not grow with the text; a step budget bounds the work of one search.

#include "foundation/regex/RegExprProgram.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quarn::regexpr {

enum class MatchStatus { Matched, NoMatch, BudgetSpent, LoopStackExceeded };

// Start and end of every group (-1 for a group that took no part).
using Captures = std::array<std::int64_t, 2 * kGroupCount>;

class Matcher {
public:
    // Backtracking alternatives kept at most; past this the search ends as if the budget were spent.
    static constexpr std::size_t kMaxFrames = std::size_t{1} << 20;

    // Leftmost match of `program` in `text`; `captures` is filled only on a match.
    MatchStatus Run(const Program& program, std::string_view text, std::int64_t budget, Captures& captures);

    std::int64_t StepsUsed() const { return steps_; }

private:
    enum class FrameKind : std::uint8_t {
        Branch,
        RestoreOpen,
        RestoreCapture,
        RestoreCounter,
        RestoreProgress,
        RepeatGreedy,
        RepeatLazy,
        LoopExit,
        LoopIterate,
    };
    struct Frame {
        FrameKind kind;
        std::int32_t index; // instruction, group, counter slot or register
        std::int64_t pos;
        std::int64_t x = 0;
        std::int64_t y = 0;
    };

    MatchStatus Try(std::int64_t start);
    bool Backtrack(int& pc, std::int64_t& pos);

    bool MatchesOne(const Inst& inst, std::uint8_t c) const;
    bool SameText(std::int64_t at, std::int64_t from, std::int64_t length, bool caseless) const;
    std::int64_t BackRefWidth(const Inst& inst, bool& set) const;
    std::int64_t MaxReps(const Inst& inst, std::int64_t start, std::int64_t width) const;
    std::int64_t CountReps(const Inst& inst, std::int64_t start, std::int64_t width, std::int64_t limit);
    std::int64_t LastHinted(const Inst& inst, std::int64_t start, std::int64_t low, std::int64_t high);
    std::int64_t NextHinted(const Inst& inst, std::int64_t start, std::int64_t k, std::int64_t maxReps);
    bool StartLoopIteration(const Inst& loop, int& pc, std::int64_t pos);

    const Program* program_ = nullptr;
    const std::uint8_t* text_ = nullptr;
    std::int64_t size_ = 0;
    std::int64_t budget_ = 0;
    std::int64_t steps_ = 0;

    std::vector<Frame> frames_;
    Captures captures_{};
    std::array<std::int64_t, kGroupCount> open_{};
    std::array<std::int64_t, kLoopStackSize> counters_{};
    std::array<std::int64_t, kLoopStackSize> iterationStart_{};
    std::vector<std::int64_t> progress_;
};

} // namespace quarn::regexpr
