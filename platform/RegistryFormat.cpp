#include "platform/RegistryFormat.h"

#include "platform/HexDigit.h"

#include <algorithm>
#include <cstdio>

namespace quarn::registry {
namespace {

constexpr std::string_view kMagic = "QUARN REGISTRY 1";
constexpr std::string_view kComment =
    "; Bytes of Windows-1252: \\\\, \\\" and \\xHH in quotes, %HH in key names.";
constexpr std::string_view kDigits = "0123456789abcdef";

void AppendHexByte(std::string& out, std::uint8_t byte) {
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 0x0F]);
}

// Two hex digits at `text[at]`, or -1.
int HexByteAt(std::string_view text, std::size_t at) {
    if (at + 2 > text.size()) {
        return -1;
    }
    const int high = HexDigitValue(text[at]);
    const int low = HexDigitValue(text[at + 1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

bool IsPlain(std::uint8_t byte) {
    return byte >= 0x20 && byte < 0x7F;
}

void AppendQuoted(std::string& out, std::string_view bytes) {
    out.push_back('"');
    for (const char raw : bytes) {
        const auto byte = static_cast<std::uint8_t>(raw);
        if (raw == '"' || raw == '\\') {
            out.push_back('\\');
            out.push_back(raw);
        } else if (IsPlain(byte)) {
            out.push_back(raw);
        } else {
            out.append("\\x");
            AppendHexByte(out, byte);
        }
    }
    out.push_back('"');
}

void AppendKeyName(std::string& out, std::string_view name) {
    for (const char raw : name) {
        const auto byte = static_cast<std::uint8_t>(raw);
        if (IsPlain(byte) && raw != '%' && raw != '[' && raw != ']') {
            out.push_back(raw);
        } else {
            out.push_back('%');
            AppendHexByte(out, byte);
        }
    }
}

void AppendValue(std::string& out, const Value& value) {
    if (value.name.empty()) {
        out.push_back('@');
    } else {
        AppendQuoted(out, value.name);
    }
    out.push_back('=');
    switch (value.type) {
    case RegType::String:
        AppendQuoted(out, value.bytes);
        break;
    case RegType::DWord: {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%08x", static_cast<unsigned>(value.number));
        out.append(number);
        break;
    }
    case RegType::Binary:
        out.append("hex:");
        for (std::size_t index = 0; index < value.bytes.size(); ++index) {
            if (index > 0) {
                out.push_back(',');
            }
            AppendHexByte(out, static_cast<std::uint8_t>(value.bytes[index]));
        }
        break;
    }
    out.push_back('\n');
}

void AppendKey(std::string& out, const Key& key, const std::string& path) {
    out.append("\n[").append(path).append("]\n");
    for (const Value& value : key.values) {
        AppendValue(out, value);
    }
    for (const Key& subKey : key.subKeys) {
        std::string subPath = path + '\\';
        AppendKeyName(subPath, subKey.name);
        AppendKey(out, subKey, subPath);
    }
}

class Parser {
public:
    Parser(std::string_view text, std::string_view rootName) : text_(text), rootName_(rootName) {}

    std::optional<Key> Run(std::string* error) {
        bool sawMagic = false;
        Key* section = nullptr;
        while (NextLine()) {
            if (line_.empty() || line_.front() == ';') {
                continue;
            }
            if (!sawMagic) {
                if (line_ != kMagic) {
                    return Fail(error, "not a registry file");
                }
                sawMagic = true;
            } else if (line_.front() == '[') {
                section = ParseSection();
                if (section == nullptr) {
                    return Fail(error, "bad section");
                }
            } else if (section == nullptr) {
                return Fail(error, "value outside a section");
            } else if (!ParseValue(*section)) {
                return Fail(error, "bad value");
            }
        }
        return std::move(root_);
    }

private:
    bool NextLine() {
        if (rest_ >= text_.size()) {
            return false;
        }
        const std::size_t end = std::min(text_.find('\n', rest_), text_.size());
        line_ = text_.substr(rest_, end - rest_);
        rest_ = end + 1;
        ++number_;
        const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
        while (!line_.empty() && blank(line_.back())) {
            line_.remove_suffix(1);
        }
        while (!line_.empty() && blank(line_.front())) {
            line_.remove_prefix(1);
        }
        return true;
    }

    std::optional<Key> Fail(std::string* error, const char* reason) const {
        if (error != nullptr) {
            *error = "line " + std::to_string(number_) + ": " + reason;
        }
        return std::nullopt;
    }

    Key* ParseSection() {
        if (line_.size() < 2 || line_.back() != ']') {
            return nullptr;
        }
        std::string_view path = line_.substr(1, line_.size() - 2);
        Key* key = nullptr;
        while (true) {
            const std::size_t separator = path.find('\\');
            const auto name = UnescapeKeyName(path.substr(0, separator));
            if (!name) {
                return nullptr;
            }
            if (key == nullptr) {
                if (!NamesEqual(*name, rootName_)) {
                    return nullptr;
                }
                key = &root_;
            } else {
                key = &key->SubKey(*name);
            }
            if (separator == std::string_view::npos) {
                return key;
            }
            path.remove_prefix(separator + 1);
        }
    }

    static std::optional<std::string> UnescapeKeyName(std::string_view escaped) {
        if (escaped.empty()) {
            return std::nullopt;
        }
        std::string name;
        for (std::size_t at = 0; at < escaped.size(); ++at) {
            if (escaped[at] != '%') {
                name.push_back(escaped[at]);
                continue;
            }
            const int byte = HexByteAt(escaped, at + 1);
            if (byte < 0) {
                return std::nullopt;
            }
            name.push_back(static_cast<char>(byte));
            at += 2;
        }
        return name;
    }

    // A quoted text starting at `at`; `at` ends after the closing quote.
    std::optional<std::string> ParseQuoted(std::size_t& at) const {
        if (at >= line_.size() || line_[at] != '"') {
            return std::nullopt;
        }
        std::string bytes;
        for (++at; at < line_.size(); ++at) {
            const char c = line_[at];
            if (c == '"') {
                ++at;
                return bytes;
            }
            if (c != '\\') {
                bytes.push_back(c);
                continue;
            }
            if (at + 1 >= line_.size()) {
                return std::nullopt;
            }
            const char escaped = line_[++at];
            if (escaped == '\\' || escaped == '"') {
                bytes.push_back(escaped);
            } else if (escaped == 'x' && HexByteAt(line_, at + 1) >= 0) {
                bytes.push_back(static_cast<char>(HexByteAt(line_, at + 1)));
                at += 2;
            } else {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    bool ParseValue(Key& section) {
        Value value;
        std::size_t at = 0;
        if (line_.front() == '@') {
            at = 1;
        } else if (auto name = ParseQuoted(at)) {
            value.name = std::move(*name);
        } else {
            return false;
        }
        if (at >= line_.size() || line_[at] != '=') {
            return false;
        }
        const std::string_view data = line_.substr(at + 1);
        if (data.starts_with('"')) {
            std::size_t end = at + 1;
            auto text = ParseQuoted(end);
            if (!text || end != line_.size()) {
                return false;
            }
            value.type = RegType::String;
            value.bytes = std::move(*text);
        } else if (data.starts_with("dword:")) {
            const std::string_view digits = data.substr(6);
            if (digits.empty() || digits.size() > 8) {
                return false;
            }
            value.type = RegType::DWord;
            for (const char digit : digits) {
                if (HexDigitValue(digit) < 0) {
                    return false;
                }
                value.number = value.number * 16 + static_cast<std::uint32_t>(HexDigitValue(digit));
            }
        } else if (data.starts_with("hex:")) {
            value.type = RegType::Binary;
            if (!ParseHexList(data.substr(4), value.bytes)) {
                return false;
            }
        } else {
            return false;
        }
        section.SetValue(std::move(value));
        return true;
    }

    // "00,ff, 1a": pairs of hex digits separated by commas, blanks allowed after a comma.
    static bool ParseHexList(std::string_view list, std::string& bytes) {
        std::size_t at = 0;
        while (at < list.size()) {
            if (!bytes.empty()) {
                if (list[at] != ',') {
                    return false;
                }
                ++at;
                while (at < list.size() && (list[at] == ' ' || list[at] == '\t')) {
                    ++at;
                }
            }
            const int byte = HexByteAt(list, at);
            if (byte < 0) {
                return false;
            }
            bytes.push_back(static_cast<char>(byte));
            at += 2;
        }
        return true;
    }

    std::string_view text_;
    std::string_view rootName_;
    std::size_t rest_ = 0;
    std::size_t number_ = 0;
    std::string_view line_;
    Key root_;
};

} // namespace

std::string FormatHive(const Key& root, std::string_view rootName) {
    std::string out;
    out.append(kMagic).append("\n").append(kComment).append("\n");
    if (!root.values.empty()) {
        out.append("\n[").append(rootName).append("]\n");
        for (const Value& value : root.values) {
            AppendValue(out, value);
        }
    }
    for (const Key& subKey : root.subKeys) {
        std::string path(rootName);
        path.push_back('\\');
        AppendKeyName(path, subKey.name);
        AppendKey(out, subKey, path);
    }
    return out;
}

std::optional<Key> ParseHive(std::string_view text, std::string_view rootName, std::string* error) {
    return Parser(text, rootName).Run(error);
}

} // namespace quarn::registry
