#include "foundation/regex/RegExprSyntax.h"

namespace quarn::regexpr {

ByteSet ByteSetOf(std::string_view chars) {
    ByteSet set;
    for (char c : chars) {
        set.set(static_cast<std::uint8_t>(c));
    }
    return set;
}

bool ApplyModifierString(std::string_view text, int& modifiers, std::size_t& badIndex) {
    int result = modifiers;
    bool on = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        int bit = 0;
        switch (text[i]) {
        case '-':
            on = false;
            continue;
        case 'i':
        case 'I':
            bit = kModI;
            break;
        case 'r':
        case 'R':
            bit = kModR;
            break;
        case 's':
        case 'S':
            bit = kModS;
            break;
        case 'g':
        case 'G':
            bit = kModG;
            break;
        case 'm':
        case 'M':
            bit = kModM;
            break;
        case 'x':
        case 'X':
            bit = kModX;
            break;
        default:
            badIndex = i;
            return false;
        }
        result = on ? (result | bit) : (result & ~bit);
    }
    modifiers = result;
    return true;
}

bool CanBeEmpty(const Syntax& syntax, int index) {
    const Node& node = syntax.nodes[index];
    switch (node.kind) {
    case NodeKind::Empty:
    case NodeKind::Assert:
        return true;
    case NodeKind::Char:
    case NodeKind::Set:
    case NodeKind::BackRef:
        return false;
    case NodeKind::Group:
        return CanBeEmpty(syntax, node.kids.front());
    case NodeKind::Concat:
        for (int kid : node.kids) {
            if (!CanBeEmpty(syntax, kid)) {
                return false;
            }
        }
        return true;
    case NodeKind::Alt:
        for (int kid : node.kids) {
            if (CanBeEmpty(syntax, kid)) {
                return true;
            }
        }
        return false;
    case NodeKind::Repeat:
        return node.min == 0 || CanBeEmpty(syntax, node.kids.front());
    }
    return true;
}

} // namespace quarn::regexpr
