#include "foundation/regex/RegExprMatcher.h"

#include <algorithm>
#include <cstring>

namespace quarn::regexpr {

namespace {

// Scanning a run of characters is far cheaper than running an instruction; it is charged accordingly.
constexpr int kScanShift = 4;

} // namespace

bool Matcher::MatchesOne(const Inst& inst, std::uint8_t c) const {
    switch (inst.operand) {
    case Operand::Char:
        return c == inst.a;
    case Operand::Set:
        return program_->sets[inst.a].test(c);
    case Operand::Any:
        return true;
    case Operand::BackRef:
        break;
    }
    return false;
}

bool Matcher::SameText(std::int64_t at, std::int64_t from, std::int64_t length, bool caseless) const {
    if (size_ - at < length) {
        return false;
    }
    if (!caseless) {
        return std::memcmp(text_ + at, text_ + from, static_cast<std::size_t>(length)) == 0;
    }
    for (std::int64_t i = 0; i < length; ++i) {
        const std::uint8_t a = text_[from + i];
        const std::uint8_t b = text_[at + i];
        if (a != b && program_->upper[a] != b && program_->lower[a] != b) {
            return false;
        }
    }
    return true;
}

// The length of a back-reference's group text; `set` is false when the group has not been set.
std::int64_t Matcher::BackRefWidth(const Inst& inst, bool& set) const {
    const std::int64_t from = captures_[2 * inst.a];
    set = from >= 0;
    return set ? captures_[2 * inst.a + 1] - from : 0;
}

std::int64_t Matcher::MaxReps(const Inst& inst, std::int64_t start, std::int64_t width) const {
    const std::int64_t left = size_ - start;
    if (inst.operand == Operand::BackRef) {
        return width == 0 ? inst.min : std::min<std::int64_t>(inst.max, left / width);
    }
    return std::min<std::int64_t>(inst.max, left);
}

// Consecutive repetitions of the operand from `start`, at most `limit`.
std::int64_t Matcher::CountReps(const Inst& inst, std::int64_t start, std::int64_t width,
                                std::int64_t limit) {
    std::int64_t k = 0;
    switch (inst.operand) {
    case Operand::Any:
        return limit;
    case Operand::Char: {
        const std::uint8_t* p = text_ + start;
        while (k < limit && p[k] == inst.a) {
            ++k;
        }
        break;
    }
    case Operand::Set: {
        const ByteSet& set = program_->sets[inst.a];
        const std::uint8_t* p = text_ + start;
        while (k < limit && set.test(p[k])) {
            ++k;
        }
        break;
    }
    case Operand::BackRef: {
        // An empty group text repeats without consuming anything; the repetitions stop right there.
        if (width == 0) {
            return limit;
        }
        const std::int64_t from = captures_[2 * inst.a];
        while (k < limit && SameText(start + k * width, from, width, inst.caseless)) {
            ++k;
        }
        steps_ += k;
        return k;
    }
    }
    steps_ += k >> kScanShift;
    return k;
}

// The largest count in [low, high] after which the continuation's first byte stands, or -1.
std::int64_t Matcher::LastHinted(const Inst& inst, std::int64_t start, std::int64_t low, std::int64_t high) {
    high = std::min(high, size_ - 1 - start);
    if (high < low) {
        return -1;
    }
    const void* found = ::memrchr(text_ + start + low, inst.hint, static_cast<std::size_t>(high - low + 1));
    const std::int64_t k = found ? static_cast<const std::uint8_t*>(found) - (text_ + start) : low;
    steps_ += (high - k) >> (kScanShift + 2);
    return found ? k : -1;
}

// The smallest count from k on (all its repetitions matching) after which the continuation's first byte
// stands, or -1.
std::int64_t Matcher::NextHinted(const Inst& inst, std::int64_t start, std::int64_t k, std::int64_t maxReps) {
    if (inst.operand == Operand::Any) {
        const std::int64_t high = std::min(maxReps, size_ - 1 - start);
        if (high < k) {
            return -1;
        }
        const void* found = std::memchr(text_ + start + k, inst.hint, static_cast<std::size_t>(high - k + 1));
        const std::int64_t next = found ? static_cast<const std::uint8_t*>(found) - (text_ + start) : high;
        steps_ += (next - k) >> (kScanShift + 2);
        return found ? next : -1;
    }
    const std::int64_t first = k;
    for (;; ++k) {
        if (start + k >= size_) {
            return -1;
        }
        const std::uint8_t c = text_[start + k];
        if (c == inst.hint) {
            break;
        }
        if (k >= maxReps || !MatchesOne(inst, c)) {
            return -1;
        }
    }
    steps_ += (k - first) >> kScanShift;
    return k;
}

bool Matcher::StartLoopIteration(const Inst& loop, int& pc, std::int64_t pos) {
    const int slot = loop.b;
    frames_.push_back({FrameKind::RestoreCounter, slot, counters_[slot], iterationStart_[slot]});
    ++counters_[slot];
    iterationStart_[slot] = pos;
    pc = loop.a;
    return true;
}

MatchStatus Matcher::Run(const Program& program, std::string_view text, std::int64_t budget,
                         Captures& captures) {
    program_ = &program;
    text_ = reinterpret_cast<const std::uint8_t*>(text.data());
    size_ = static_cast<std::int64_t>(text.size());
    budget_ = budget;
    steps_ = 0;
    captures_.fill(-1);
    open_.fill(-1);
    counters_.fill(0);
    iterationStart_.fill(-1);
    progress_.assign(static_cast<std::size_t>(program.progressRegisters), -1);

    // A match from `start` must contain the required literal at or after `start`; the next occurrence
    // is looked up only when the start has passed the one known.
    const std::string& literal = program.requiredLiteral;
    std::int64_t literalAt = -1;
    const auto literalFollows = [&](std::int64_t start) {
        if (literal.empty() || literalAt >= start) {
            return true;
        }
        const void* found =
            ::memmem(text_ + start, static_cast<std::size_t>(size_ - start), literal.data(), literal.size());
        if (found == nullptr) {
            return false;
        }
        literalAt = static_cast<const std::uint8_t*>(found) - text_;
        return true;
    };

    MatchStatus status = MatchStatus::NoMatch;
    if (program.anchored) {
        if (literalFollows(0)) {
            status = Try(0);
        }
    } else {
        for (std::int64_t start = 0; start <= size_; ++start) {
            if (program.firstChar >= 0) {
                const void* found =
                    std::memchr(text_ + start, program.firstChar, static_cast<std::size_t>(size_ - start));
                if (found == nullptr) {
                    break;
                }
                start = static_cast<const std::uint8_t*>(found) - text_;
            } else if (program.useFirstSet) {
                while (start < size_ && !program.firstSet.test(text_[start])) {
                    ++start;
                }
                if (start == size_) {
                    break;
                }
            }
            if (!literalFollows(start)) {
                break;
            }
            status = Try(start);
            if (status != MatchStatus::NoMatch) {
                break;
            }
            if (++steps_ > budget_) {
                status = MatchStatus::BudgetSpent;
                break;
            }
        }
    }
    if (status == MatchStatus::Matched) {
        captures = captures_;
    }
    return status;
}

MatchStatus Matcher::Try(std::int64_t start) {
    const Inst* code = program_->code.data();
    const std::uint8_t* s = text_;
    const std::int64_t n = size_;
    std::int64_t pos = start;
    int pc = 0;
    frames_.clear();

    for (;;) {
        if (++steps_ > budget_ || frames_.size() > kMaxFrames) {
            return MatchStatus::BudgetSpent;
        }
        const Inst& in = code[pc];
        switch (in.op) {
        case Op::Char:
            if (pos < n && s[pos] == in.a) {
                ++pos;
                ++pc;
                continue;
            }
            break;
        case Op::Str:
            if (n - pos >= in.b && std::memcmp(s + pos, program_->literals.data() + in.a, in.b) == 0) {
                pos += in.b;
                ++pc;
                continue;
            }
            break;
        case Op::Set:
            if (pos < n && program_->sets[in.a].test(s[pos])) {
                ++pos;
                ++pc;
                continue;
            }
            break;
        case Op::Bol:
            if (pos == 0) {
                ++pc;
                continue;
            }
            break;
        case Op::Eol:
            if (pos == n) {
                ++pc;
                continue;
            }
            break;
        case Op::MBol:
            // After a separator, but not between the two bytes of the paired separator.
            if (pos == 0 ||
                (program_->lineSeparators.test(s[pos - 1]) &&
                 !(s[pos - 1] == program_->pairedFirst && pos < n && s[pos] == program_->pairedSecond))) {
                ++pc;
                continue;
            }
            break;
        case Op::MEol:
            if (pos == n ||
                (program_->lineSeparators.test(s[pos]) &&
                 !(s[pos] == program_->pairedSecond && pos > 0 && s[pos - 1] == program_->pairedFirst))) {
                ++pc;
                continue;
            }
            break;
        case Op::WordBoundary:
        case Op::NoWordBoundary: {
            const bool before = pos > 0 && program_->wordChars.test(s[pos - 1]);
            const bool after = pos < n && program_->wordChars.test(s[pos]);
            if ((before != after) == (in.op == Op::WordBoundary)) {
                ++pc;
                continue;
            }
            break;
        }
        case Op::Open:
            frames_.push_back({FrameKind::RestoreOpen, in.a, open_[in.a]});
            open_[in.a] = pos;
            ++pc;
            continue;
        case Op::Close:
            frames_.push_back(
                {FrameKind::RestoreCapture, in.a, captures_[2 * in.a], captures_[2 * in.a + 1]});
            captures_[2 * in.a] = open_[in.a];
            captures_[2 * in.a + 1] = pos;
            ++pc;
            continue;
        case Op::Split:
            frames_.push_back({FrameKind::Branch, in.b, pos});
            pc = in.a;
            continue;
        case Op::Jump:
            pc = in.a;
            continue;
        case Op::BackRef: {
            bool set = false;
            const std::int64_t width = BackRefWidth(in, set);
            if (set && SameText(pos, captures_[2 * in.a], width, in.caseless)) {
                pos += width;
                ++pc;
                continue;
            }
            break;
        }
        case Op::Repeat: {
            std::int64_t width = 1;
            if (in.operand == Operand::BackRef) {
                bool set = false;
                width = BackRefWidth(in, set);
                if (!set) {
                    if (in.min > 0) {
                        break;
                    }
                    ++pc; // no repetitions of an unset group: the count is 0
                    continue;
                }
            }
            const std::int64_t maxReps = MaxReps(in, pos, width);
            std::int64_t k = 0;
            if (in.greedy) {
                k = CountReps(in, pos, width, maxReps);
                if (k < in.min) {
                    break;
                }
                if (in.hint >= 0) {
                    k = LastHinted(in, pos, in.min, k);
                    if (k < 0) {
                        break;
                    }
                }
                if (k > in.min) {
                    frames_.push_back({FrameKind::RepeatGreedy, pc, pos, k, width});
                }
            } else {
                k = in.min;
                if (maxReps < in.min || CountReps(in, pos, width, in.min) < in.min) {
                    break;
                }
                if (in.hint >= 0) {
                    k = NextHinted(in, pos, k, maxReps);
                    if (k < 0) {
                        break;
                    }
                }
                if (k < maxReps) {
                    frames_.push_back({FrameKind::RepeatLazy, pc, pos, k, width});
                }
            }
            pos += k * width;
            ++pc;
            continue;
        }
        case Op::LoopEntry:
            frames_.push_back({FrameKind::RestoreCounter, in.b, counters_[in.b], iterationStart_[in.b]});
            counters_[in.b] = 0;
            iterationStart_[in.b] = -1;
            pc = in.a;
            continue;
        case Op::Loop: {
            const std::int64_t count = counters_[in.b];
            if (count < in.min) {
                StartLoopIteration(in, pc, pos);
                continue;
            }
            if (count > 0 && pos == iterationStart_[in.b]) {
                ++pc; // the last iteration consumed nothing: further ones would not either
                continue;
            }
            if (count >= in.max) {
                ++pc;
                continue;
            }
            if (in.greedy) {
                frames_.push_back({FrameKind::LoopExit, pc, pos});
                StartLoopIteration(in, pc, pos);
            } else {
                frames_.push_back({FrameKind::LoopIterate, pc, pos});
                ++pc;
            }
            continue;
        }
        case Op::LoopOverflow:
            return MatchStatus::LoopStackExceeded;
        case Op::ProgressMark:
            frames_.push_back({FrameKind::RestoreProgress, in.a, progress_[in.a]});
            progress_[in.a] = pos;
            ++pc;
            continue;
        case Op::ProgressCheck:
            pc = pos == progress_[in.a] ? in.b : pc + 1;
            continue;
        case Op::Match:
            captures_[0] = start;
            captures_[1] = pos;
            return MatchStatus::Matched;
        }
        if (!Backtrack(pc, pos)) {
            return steps_ > budget_ ? MatchStatus::BudgetSpent : MatchStatus::NoMatch;
        }
    }
}

// Undoes state up to the newest alternative and resumes there; false when none is left.
bool Matcher::Backtrack(int& pc, std::int64_t& pos) {
    while (!frames_.empty()) {
        if (++steps_ > budget_) {
            return false;
        }
        Frame& frame = frames_.back();
        switch (frame.kind) {
        case FrameKind::Branch:
            pc = frame.index;
            pos = frame.pos;
            frames_.pop_back();
            return true;
        case FrameKind::RestoreOpen:
            open_[frame.index] = frame.pos;
            break;
        case FrameKind::RestoreCapture:
            captures_[2 * frame.index] = frame.pos;
            captures_[2 * frame.index + 1] = frame.x;
            break;
        case FrameKind::RestoreCounter:
            counters_[frame.index] = frame.pos;
            iterationStart_[frame.index] = frame.x;
            break;
        case FrameKind::RestoreProgress:
            progress_[frame.index] = frame.pos;
            break;
        case FrameKind::RepeatGreedy: {
            const Inst& in = program_->code[frame.index];
            std::int64_t k = frame.x - 1;
            if (in.hint >= 0) {
                k = LastHinted(in, frame.pos, in.min, k);
            }
            if (k < in.min) {
                break;
            }
            pc = frame.index + 1;
            pos = frame.pos + k * frame.y;
            if (k == in.min) {
                frames_.pop_back();
            } else {
                frame.x = k;
            }
            return true;
        }
        case FrameKind::RepeatLazy: {
            const Inst& in = program_->code[frame.index];
            const std::int64_t start = frame.pos;
            const std::int64_t width = frame.y;
            const std::int64_t maxReps = MaxReps(in, start, width);
            std::int64_t k = frame.x;
            const bool more = in.operand == Operand::BackRef
                                  ? SameText(start + k * width, captures_[2 * in.a], width, in.caseless)
                                  : MatchesOne(in, text_[start + k]);
            if (!more) {
                break;
            }
            ++k;
            if (in.hint >= 0) {
                k = NextHinted(in, start, k, maxReps);
                if (k < 0) {
                    break;
                }
            }
            pc = frame.index + 1;
            pos = start + k * width;
            if (k >= maxReps) {
                frames_.pop_back();
            } else {
                frame.x = k;
            }
            return true;
        }
        case FrameKind::LoopExit:
            pc = frame.index + 1;
            pos = frame.pos;
            frames_.pop_back();
            return true;
        case FrameKind::LoopIterate: {
            const Inst& loop = program_->code[frame.index];
            pos = frame.pos;
            frames_.pop_back();
            return StartLoopIteration(loop, pc, pos);
        }
        }
        frames_.pop_back();
    }
    return false;
}

} // namespace quarn::regexpr
