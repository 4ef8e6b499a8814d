#include "foundation/regex/RegExprCompiler.h"

#include "platform/Codepage.h"

namespace quarn::regexpr {

namespace {

// Programs are limited so that instruction indices and literal offsets stay small.
constexpr std::size_t kMaxInstructions = 1 << 20;

bool IsOneCharacter(const Node& node) {
    return node.kind == NodeKind::Char || node.kind == NodeKind::Set || node.kind == NodeKind::BackRef;
}

bool ContainsBackRef(const Syntax& syntax, int index) {
    const Node& node = syntax.nodes[index];
    if (node.kind == NodeKind::BackRef) {
        return true;
    }
    for (int kid : node.kids) {
        if (ContainsBackRef(syntax, kid)) {
            return true;
        }
    }
    return false;
}

class CodeGen {
public:
    CodeGen(const Syntax& syntax, Program& program) : syntax_(syntax), program_(program) {}

    void Gen(int index, int loopDepth) {
        const Node& node = syntax_.nodes[index];
        switch (node.kind) {
        case NodeKind::Empty:
            return;
        case NodeKind::Char:
            Emit({.op = Op::Char, .a = node.ch});
            return;
        case NodeKind::Set:
            Emit({.op = Op::Set, .a = node.set});
            return;
        case NodeKind::Assert:
            Emit({.op = node.assertion});
            return;
        case NodeKind::BackRef:
            Emit({.op = Op::BackRef, .caseless = node.caseless, .a = node.group});
            return;
        case NodeKind::Group:
            Emit({.op = Op::Open, .a = node.group});
            Gen(node.kids.front(), loopDepth);
            Emit({.op = Op::Close, .a = node.group});
            return;
        case NodeKind::Concat:
            GenConcat(node, loopDepth);
            return;
        case NodeKind::Alt:
            GenAlternation(node, loopDepth);
            return;
        case NodeKind::Repeat:
            GenRepeat(node, loopDepth);
            return;
        }
    }

private:
    int Here() const { return static_cast<int>(program_.code.size()); }

    int Emit(const Inst& inst) {
        if (program_.code.size() >= kMaxInstructions) {
            throw CompileError{101, 0};
        }
        program_.code.push_back(inst);
        return Here() - 1;
    }

    // Runs of literal characters become one string compare.
    void GenConcat(const Node& node, int loopDepth) {
        const auto& kids = node.kids;
        for (std::size_t i = 0; i < kids.size();) {
            std::size_t end = i;
            while (end < kids.size() && syntax_.nodes[kids[end]].kind == NodeKind::Char) {
                ++end;
            }
            if (end - i >= 2) {
                const int offset = static_cast<int>(program_.literals.size());
                for (std::size_t k = i; k < end; ++k) {
                    program_.literals.push_back(static_cast<char>(syntax_.nodes[kids[k]].ch));
                }
                Emit({.op = Op::Str, .a = offset, .b = static_cast<std::int32_t>(end - i)});
                i = end;
                continue;
            }
            Gen(kids[i], loopDepth);
            ++i;
        }
    }

    void GenAlternation(const Node& node, int loopDepth) {
        std::vector<int> exits;
        for (std::size_t i = 0; i + 1 < node.kids.size(); ++i) {
            const int split = Emit({.op = Op::Split});
            program_.code[split].a = Here();
            Gen(node.kids[i], loopDepth);
            exits.push_back(Emit({.op = Op::Jump}));
            program_.code[split].b = Here();
        }
        Gen(node.kids.back(), loopDepth);
        for (int jump : exits) {
            program_.code[jump].a = Here();
        }
    }

    void GenRepeat(const Node& node, int loopDepth) {
        const int operandIndex = node.kids.front();
        const Node& operand = syntax_.nodes[operandIndex];
        // Brace counts and the non-greedy forms of a longer operand run as loops with a counter; so does
        // a "." that stops at line separators, which the counted repeat stands in for here.
        const bool loopForm = node.repeatOp == RepeatOp::Braces || !node.greedy;
        if (IsOneCharacter(operand)) {
            if (loopForm && operand.dotLine && loopDepth >= kLoopStackSize) {
                Emit({.op = Op::LoopOverflow});
                return;
            }
            Inst repeat{.op = Op::Repeat, .greedy = node.greedy, .min = node.min, .max = node.max};
            if (operand.kind == NodeKind::Char) {
                repeat.operand = Operand::Char;
                repeat.a = operand.ch;
            } else if (operand.kind == NodeKind::Set) {
                repeat.operand = operand.anyByte ? Operand::Any : Operand::Set;
                repeat.a = operand.set;
            } else {
                repeat.operand = Operand::BackRef;
                repeat.a = operand.group;
                repeat.caseless = operand.caseless;
            }
            Emit(repeat);
            return;
        }
        if (!loopForm) {
            GenAlternatives(node, operandIndex, loopDepth);
            return;
        }
        if (loopDepth >= kLoopStackSize) {
            Emit({.op = Op::LoopOverflow});
            return;
        }
        const int entry = Emit({.op = Op::LoopEntry, .b = loopDepth});
        const int body = Here();
        Gen(operandIndex, loopDepth + 1);
        const int loop = Emit({.op = Op::Loop,
                               .greedy = node.greedy,
                               .a = body,
                               .b = loopDepth,
                               .min = node.min,
                               .max = node.max});
        program_.code[entry].a = loop;
    }

    // Greedy "*", "+" and "?" of a longer operand: the operand or nothing, as alternatives. An operand
    // with a back-reference can consume nothing (an empty group), so its iterations check for progress.
    void GenAlternatives(const Node& node, int operandIndex, int loopDepth) {
        const bool checkProgress =
            node.repeatOp != RepeatOp::Question && ContainsBackRef(syntax_, operandIndex);
        const int reg = checkProgress ? program_.progressRegisters++ : -1;
        const auto body = [&](std::vector<int>& exitPatches) {
            if (checkProgress) {
                Emit({.op = Op::ProgressMark, .a = reg});
            }
            Gen(operandIndex, loopDepth);
            if (checkProgress) {
                exitPatches.push_back(Emit({.op = Op::ProgressCheck, .a = reg}));
            }
        };
        std::vector<int> progressExits;
        std::vector<int> splitExits;
        if (node.repeatOp == RepeatOp::Plus) {
            const int start = Here();
            body(progressExits);
            splitExits.push_back(Emit({.op = Op::Split, .a = start}));
        } else {
            const int split = Emit({.op = Op::Split});
            program_.code[split].a = Here();
            splitExits.push_back(split);
            body(progressExits);
            if (node.repeatOp == RepeatOp::Star) {
                Emit({.op = Op::Jump, .a = split});
            }
        }
        for (int split : splitExits) {
            program_.code[split].b = Here();
        }
        for (int check : progressExits) {
            program_.code[check].b = Here();
        }
    }

    const Syntax& syntax_;
    Program& program_;
};

// What a match can begin with: the possible first bytes, and whether it may begin without consuming one.
struct FirstInfo {
    ByteSet set;
    bool transparent = false;
};

FirstInfo First(const Syntax& syntax, int index) {
    const Node& node = syntax.nodes[index];
    FirstInfo info;
    switch (node.kind) {
    case NodeKind::Empty:
    case NodeKind::Assert:
        info.transparent = true;
        return info;
    case NodeKind::Char:
        info.set.set(node.ch);
        return info;
    case NodeKind::Set:
        info.set = syntax.sets[node.set];
        return info;
    case NodeKind::BackRef: // its group may hold the empty text
        info.set.setAll();
        info.transparent = true;
        return info;
    case NodeKind::Group:
        return First(syntax, node.kids.front());
    case NodeKind::Concat:
        for (int kid : node.kids) {
            const FirstInfo part = First(syntax, kid);
            info.set.merge(part.set);
            if (!part.transparent) {
                return info;
            }
        }
        info.transparent = true;
        return info;
    case NodeKind::Alt:
        for (int kid : node.kids) {
            const FirstInfo part = First(syntax, kid);
            info.set.merge(part.set);
            info.transparent = info.transparent || part.transparent;
        }
        return info;
    case NodeKind::Repeat:
        info = First(syntax, node.kids.front());
        info.transparent = info.transparent || node.min == 0;
        return info;
    }
    return info;
}

bool AnchoredAtStart(const Syntax& syntax, int index) {
    const Node& node = syntax.nodes[index];
    switch (node.kind) {
    case NodeKind::Assert:
        return node.assertion == Op::Bol;
    case NodeKind::Group:
        return AnchoredAtStart(syntax, node.kids.front());
    case NodeKind::Concat:
        return AnchoredAtStart(syntax, node.kids.front());
    case NodeKind::Alt:
        for (int kid : node.kids) {
            if (!AnchoredAtStart(syntax, kid)) {
                return false;
            }
        }
        return true;
    default:
        return false;
    }
}

// An expression that begins with an unbounded repeat of "any byte" that matches from some position
// also matches from the first one, so only the first needs to be tried.
bool BeginsWithAnyRun(const Syntax& syntax, int index) {
    const Node& node = syntax.nodes[index];
    switch (node.kind) {
    case NodeKind::Repeat: {
        const Node& operand = syntax.nodes[node.kids.front()];
        return operand.kind == NodeKind::Set && operand.anyByte && node.max == kOpenCount;
    }
    case NodeKind::Group:
    case NodeKind::Concat:
        return BeginsWithAnyRun(syntax, node.kids.front());
    default:
        return false;
    }
}

// The longest run of literal characters that every match must contain.
void CollectRequired(const Syntax& syntax, int index, std::string& best) {
    const Node& node = syntax.nodes[index];
    if (node.kind == NodeKind::Group) {
        CollectRequired(syntax, node.kids.front(), best);
        return;
    }
    if (node.kind == NodeKind::Repeat && node.min >= 1) {
        CollectRequired(syntax, node.kids.front(), best);
        return;
    }
    if (node.kind != NodeKind::Concat) {
        if (node.kind == NodeKind::Char && best.empty()) {
            best.assign(1, static_cast<char>(node.ch));
        }
        return;
    }
    std::string run;
    const auto finishRun = [&] {
        if (run.size() >= best.size() && !run.empty()) {
            best = run;
        }
        run.clear();
    };
    for (int kid : node.kids) {
        const Node& part = syntax.nodes[kid];
        if (part.kind == NodeKind::Char) {
            run.push_back(static_cast<char>(part.ch));
            continue;
        }
        finishRun();
        if (part.kind == NodeKind::Group || (part.kind == NodeKind::Repeat && part.min >= 1)) {
            CollectRequired(syntax, kid, best);
        }
    }
    finishRun();
}

// The byte a continuation must begin with: follows captures and jumps up to a literal.
int ContinuationByte(const Program& program, int pc) {
    for (int guard = 0; guard < 64 && pc < static_cast<int>(program.code.size()); ++guard) {
        const Inst& inst = program.code[pc];
        switch (inst.op) {
        case Op::Open:
        case Op::Close:
            ++pc;
            break;
        case Op::Jump:
            pc = inst.a;
            break;
        case Op::Char:
            return inst.a;
        case Op::Str:
            return static_cast<std::uint8_t>(program.literals[inst.a]);
        default:
            return -1;
        }
    }
    return -1;
}

} // namespace

std::shared_ptr<const Program> Compile(std::string_view expression, int modifiers, const Settings& settings) {
    const Syntax syntax = ParseExpression(expression, modifiers, settings);

    auto program = std::make_shared<Program>();
    program->sets = syntax.sets;
    program->groups = syntax.groups + 1;
    program->wordChars = ByteSetOf(settings.wordChars);
    program->lineSeparators = ByteSetOf(settings.lineSeparators);
    if (settings.linePairedSeparator.size() == 2) {
        program->pairedFirst = static_cast<std::uint8_t>(settings.linePairedSeparator[0]);
        program->pairedSecond = static_cast<std::uint8_t>(settings.linePairedSeparator[1]);
    }
    for (int c = 0; c < 256; ++c) {
        program->upper[c] = Cp1252Upper(static_cast<std::uint8_t>(c));
        program->lower[c] = Cp1252Lower(static_cast<std::uint8_t>(c));
    }

    CodeGen(syntax, *program).Gen(syntax.root, 0);
    program->code.push_back({.op = Op::Match});

    for (std::size_t pc = 0; pc < program->code.size(); ++pc) {
        Inst& inst = program->code[pc];
        if (inst.op == Op::Repeat && inst.operand != Operand::BackRef) {
            inst.hint = ContinuationByte(*program, static_cast<int>(pc) + 1);
        }
    }

    const bool backRefs = ContainsBackRef(syntax, syntax.root);
    program->anchored =
        AnchoredAtStart(syntax, syntax.root) || (!backRefs && BeginsWithAnyRun(syntax, syntax.root));
    const FirstInfo first = First(syntax, syntax.root);
    program->mayMatchEmpty = first.transparent;
    if (!first.transparent) {
        if (first.set.count() == 1) {
            for (int c = 0; c < 256; ++c) {
                if (first.set.test(static_cast<std::uint8_t>(c))) {
                    program->firstChar = c;
                }
            }
        } else if (!first.set.all()) {
            program->useFirstSet = true;
            program->firstSet = first.set;
        }
    }
    CollectRequired(syntax, syntax.root, program->requiredLiteral);
    return program;
}

} // namespace quarn::regexpr
