#include "connections/transfer/DidaditFrameU.h"

#include "foundation/CrcU.h"
#include "foundation/ProgramGlobals.h"
#include "platform/Exception.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <utility>

namespace quarn {

namespace {

constexpr char kFesc = '\xDB';
constexpr char kTfend = '\xDC';
constexpr char kTfesc = '\xDD';
constexpr std::size_t kDigestLaenge = 16;

void PutLe(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::uint64_t GetLe(std::string_view in, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(in[static_cast<std::size_t>(i)]);
    }
    return value;
}

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return result;
}

bool NameIst(std::string_view name, std::string_view expected) {
    return name.size() == expected.size() && Upper(name) == expected;
}

// A decimal number with an optional sign and blanks around it; nothing else may stand in the text.
// Decimal digits alone (blanks around and a leading "+" allowed), however many.
bool NurZiffern(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    if (first == std::string_view::npos) {
        return false;
    }
    text = text.substr(first, last - first + 1);
    if (text.front() == '+') {
        text.remove_prefix(1);
    }
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<std::int64_t> Zahl(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> Features(std::string_view value) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t comma = std::min(value.find(',', start), value.size());
        std::string entry = Upper(value.substr(start, comma - start));
        entry.erase(0, entry.find_first_not_of(' '));
        entry.erase(entry.find_last_not_of(' ') + 1);
        if (!entry.empty()) {
            result.push_back(std::move(entry));
        }
        start = comma + 1;
    }
    return result;
}

struct TFehler {
    int number;
    std::string_view message;
};

constexpr std::array kFehler{
    TFehler{100, "Unexpected block type (%s)"},
    TFehler{101, "REQ block with data out of range (offset %d, length %d)"},
    TFehler{102, "MD5 validation error"},
    TFehler{103, "PARTMD5 format error"},
    TFehler{104, "Invalid offset/blocksize"},
    TFehler{150, "Block type not implemented (%d)"},
    TFehler{200, "Illegal line in INFO block"},
    TFehler{201, "Illegal line in START block"},
    TFehler{202, "INFO block without MD5 info"},
    TFehler{203, "Empty file or missing size info in INFO block"},
    TFehler{204, "INFO block without BLOCKSIZE info"},
    TFehler{205, "INFO block without FILENAME info"},
    TFehler{206, "Block corrupt"},
    TFehler{208, "Compression type not supported"},
    TFehler{300, "Could not create file"},
};

} // namespace

bool DidaditMitDigest(std::uint16_t typ) {
    return typ >= static_cast<std::uint16_t>(TDidaditTyp::Err) &&
           typ <= static_cast<std::uint16_t>(TDidaditTyp::FinAck);
}

std::string DidaditEncodeFrame(std::uint16_t typ, const MD5Digest& digest, std::string_view data) {
    std::string block;
    block.reserve(data.size() + kDigestLaenge + 4);
    PutLe(block, typ, 2);
    if (DidaditMitDigest(typ)) {
        block.append(reinterpret_cast<const char*>(digest.data()), digest.size());
    }
    block.append(data);
    PutLe(block, Crc16Buf(block.data(), block.size(), 0), 2);

    std::string frame;
    frame.reserve(block.size() + block.size() / 16 + 2);
    frame += kDidaditFend;
    for (const char c : block) {
        if (c == kDidaditFend) {
            frame += kFesc;
            frame += kTfend;
        } else if (c == kFesc) {
            frame += kFesc;
            frame += kTfesc;
        } else {
            frame += c;
        }
    }
    frame += kDidaditFend;
    return frame;
}

std::optional<TDidaditBlock> DidaditDecodeFrame(std::string_view escaped) {
    std::string block;
    block.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        if (c != kFesc) {
            block += c;
            continue;
        }
        if (i + 1 >= escaped.size()) {
            return std::nullopt;
        }
        const char next = escaped[++i];
        if (next == kTfend) {
            block += kDidaditFend;
        } else if (next == kTfesc) {
            block += kFesc;
        } else {
            return std::nullopt;
        }
    }
    if (block.size() < 4) {
        return std::nullopt;
    }
    const std::size_t body = block.size() - 2;
    const auto crc = static_cast<std::uint16_t>(GetLe(std::string_view(block).substr(body), 2));
    if (Crc16Buf(block.data(), body, 0) != crc) {
        return std::nullopt;
    }
    TDidaditBlock result;
    result.typ = static_cast<std::uint16_t>(GetLe(block, 2));
    std::size_t dataStart = 2;
    if (DidaditMitDigest(result.typ)) {
        // Without a whole digest the block cannot be read: treated like a corrupt one.
        if (body < 2 + kDigestLaenge) {
            return std::nullopt;
        }
        std::copy_n(block.begin() + 2, kDigestLaenge, result.digest.begin());
        dataStart += kDigestLaenge;
    }
    result.data = block.substr(dataStart, body - dataStart);
    return result;
}

void TDidaditFrameSplitter::Add(std::string_view piece) {
    if (!inFrames_) {
        const std::size_t fend = piece.find(kDidaditFend);
        text_.append(piece.substr(0, fend));
        if (fend == std::string_view::npos) {
            return;
        }
        inFrames_ = true;
        piece.remove_prefix(fend + 1);
    }
    // Drop what was consumed before the buffer grows again, so long transfers stay linear.
    if (start_ > 0 && start_ >= buffer_.size() / 2) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    buffer_.append(piece);
}

std::optional<std::string> TDidaditFrameSplitter::Next() {
    while (true) {
        const std::size_t fend = buffer_.find(kDidaditFend, start_);
        if (fend == std::string::npos) {
            return std::nullopt;
        }
        const std::size_t begin = start_;
        start_ = fend + 1;
        if (fend > begin) {
            return buffer_.substr(begin, fend - begin);
        }
    }
}

std::string TDidaditFrameSplitter::TakeText() {
    return std::exchange(text_, {});
}

std::string TDidaditFrameSplitter::TakeRest() {
    std::string rest = std::exchange(text_, {});
    rest.append(buffer_, start_);
    buffer_.clear();
    start_ = 0;
    return rest;
}

std::string DidaditErrorMessage(int number) {
    for (const TFehler& fehler : kFehler) {
        if (fehler.number == number) {
            return std::string(fehler.message);
        }
    }
    return "Unknown Error";
}

std::string DidaditErrorText(int number, std::initializer_list<std::string_view> arguments) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", number);
    const std::string message = DidaditErrorMessage(number);
    std::string filled;
    auto argument = arguments.begin();
    for (std::size_t i = 0; i < message.size(); ++i) {
        const bool placeholder =
            message[i] == '%' && i + 1 < message.size() && (message[i + 1] == 's' || message[i + 1] == 'd');
        if (!placeholder) {
            filled += message[i];
            continue;
        }
        if (argument == arguments.end()) {
            return digits;
        }
        filled.append(*argument++);
        ++i;
    }
    if (argument != arguments.end()) {
        return digits;
    }
    return std::string(digits) + " " + filled;
}

bool DidaditFehlerFatal(int number) {
    return number < 0 || number % 100 < 50;
}

int DidaditFehlerNummer(std::string_view text) {
    const std::string_view head = text.substr(0, text.find(' '));
    const std::optional<std::int64_t> value = Zahl(head);
    if (!value || head.empty() || *value < 0 || *value > 0x7FFFFFFF) {
        return -1;
    }
    return static_cast<int>(*value);
}

std::vector<std::pair<std::string, std::string>> DidaditZeilen(std::string_view data) {
    std::vector<std::pair<std::string, std::string>> lines;
    std::size_t start = 0;
    while (start < data.size()) {
        const std::size_t cr = std::min(data.find('\r', start), data.size());
        std::string_view line = data.substr(start, cr - start);
        start = cr + 1;
        while (!line.empty() && line.front() == '\n') {
            line.remove_prefix(1);
        }
        while (!line.empty() && line.back() == '\n') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            lines.emplace_back(std::string(), std::string(line));
        } else {
            lines.emplace_back(std::string(line.substr(0, equals)), std::string(line.substr(equals + 1)));
        }
    }
    return lines;
}

TDidaditInfo ParseDidaditInfo(std::string_view data) {
    TDidaditInfo info;
    for (const auto& [name, value] : DidaditZeilen(data)) {
        if (NameIst(name, "FILENAME")) {
            info.dateiname = value;
        } else if (NameIst(name, "SIZE")) {
            const std::optional<std::int64_t> size = Zahl(value);
            info.groesse = size && *size >= 0 && *size <= kDidaditMaxGroesse ? *size : -1;
            if (size ? *size > kDidaditMaxGroesse : NurZiffern(value)) {
                info.zuGross = value;
            }
        } else if (NameIst(name, "MD5")) {
            try {
                info.md5 = MD5HexToDigest(value);
            } catch (const std::exception&) {
                info.md5.reset();
            }
        } else if (NameIst(name, "BLOCKSIZE")) {
            info.blockgroesse = Zahl(value).value_or(0);
        } else if (NameIst(name, "TIME")) {
            info.zeit = Zahl(value);
        } else if (NameIst(name, "FEATURES")) {
            const std::vector<std::string> features = Features(value);
            info.chat = std::find(features.begin(), features.end(), "CHAT") != features.end();
        }
    }
    return info;
}

std::int64_t DidaditZeit(std::time_t moment) {
    return DateTimeToUnixTime(LocalDateTimeOf(moment));
}

std::string BuildDidaditInfo(std::string_view dateiname, std::int64_t groesse, const MD5Digest& md5,
                             std::optional<std::int64_t> zeit) {
    QUARN_ASSERT(groesse >= 0 && groesse <= kDidaditMaxGroesse, "DidaditFrameU");
    std::string text = "FILENAME=" + std::string(dateiname) + "\r";
    text += "SIZE=" + std::to_string(groesse) + "\r";
    text += "MD5=" + MD5DigestToHex(md5) + "\r";
    if (zeit) {
        text += "TIME=" + std::to_string(*zeit) + "\r";
    }
    text += "BLOCKSIZE=" + std::to_string(kDidaditBlockgroesse) + "\r";
    text += "VERSION=0.9.1\r";
    text += "FEATURES=CHAT\r";
    return text;
}

TDidaditStart ParseDidaditStart(std::string_view data) {
    TDidaditStart start;
    for (const auto& [name, value] : DidaditZeilen(data)) {
        if (NameIst(name, "OFFSET")) {
            start.offset = Zahl(value).value_or(0);
        } else if (NameIst(name, "BLOCKSIZE")) {
            start.blockgroesse = Zahl(value).value_or(0);
        } else if (NameIst(name, "FEATURES")) {
            start.features = Features(value);
            start.chat =
                std::find(start.features.begin(), start.features.end(), "CHAT") != start.features.end();
        }
    }
    return start;
}

std::string BuildDidaditStart(std::int64_t offset, bool blockgroesseAbgelehnt, bool chat) {
    std::string text = "OFFSET=" + std::to_string(offset) + "\r";
    if (blockgroesseAbgelehnt) {
        text += "BLOCKSIZE=" + std::to_string(kDidaditBlockgroesse) + "\r";
    }
    text += "VERSION=0.9.1\r";
    if (chat) {
        text += "FEATURES=CHAT\r";
    }
    return text;
}

std::optional<TDidaditData> ParseDidaditData(std::string_view data) {
    if (data.size() < 6) {
        return std::nullopt;
    }
    TDidaditData result;
    result.offset = static_cast<std::int32_t>(static_cast<std::uint32_t>(GetLe(data, 4)));
    const auto length = static_cast<std::size_t>(GetLe(data.substr(4), 2));
    if (result.offset < 0 || data.size() - 6 < length) {
        return std::nullopt;
    }
    result.bytes = data.substr(6, length);
    return result;
}

bool DidaditBereichImFile(std::int64_t offset, std::int64_t length, std::int64_t groesse) {
    return offset >= 0 && length >= 0 && groesse >= 0 && offset <= groesse && length <= groesse - offset;
}

std::string BuildDidaditData(std::int32_t offset, std::string_view bytes) {
    QUARN_ASSERT(bytes.size() <= 0xFFFF, "DidaditFrameU");
    std::string data;
    data.reserve(bytes.size() + 6);
    PutLe(data, static_cast<std::uint32_t>(offset), 4);
    PutLe(data, bytes.size(), 2);
    data.append(bytes);
    return data;
}

std::optional<std::vector<TDidaditRequest>> ParseDidaditReq(std::string_view data) {
    if (data.size() % 8 != 0) {
        return std::nullopt;
    }
    std::vector<TDidaditRequest> requests;
    for (std::size_t i = 0; i < data.size(); i += 8) {
        requests.push_back(
            {static_cast<std::int32_t>(static_cast<std::uint32_t>(GetLe(data.substr(i), 4))),
             static_cast<std::int32_t>(static_cast<std::uint32_t>(GetLe(data.substr(i + 4), 4)))});
    }
    return requests;
}

std::string BuildDidaditReq(const std::vector<TDidaditRequest>& requests) {
    std::string data;
    for (const TDidaditRequest& request : requests) {
        PutLe(data, static_cast<std::uint32_t>(request.offset), 4);
        PutLe(data, static_cast<std::uint32_t>(request.length), 4);
    }
    return data;
}

} // namespace quarn
