#include "connections/transfer/DidaditReceiveBlockListU.h"

#include "foundation/DebOutU.h"
#include "foundation/FileUtilsU.h"
#include "platform/Exception.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <system_error>

namespace quarn {

namespace {

constexpr std::string_view kKlasse = "TDidaditReceiveBlockList";

std::string Key(std::size_t index) {
    char key[32];
    std::snprintf(key, sizeof key, "%4.4zu", index);
    return key;
}

std::string Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

bool Zahl(std::string_view text, std::int64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// The keys of the section "Blocks" (any case) of an INI text; later duplicates are ignored.
std::map<std::string, std::string> BlocksSection(std::istream& in) {
    std::map<std::string, std::string> keys;
    bool inBlocks = false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::string trimmed = Trim(line);
        if (trimmed.starts_with('[')) {
            std::string name = trimmed.substr(1, trimmed.find(']') - 1);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return std::tolower(c); });
            inBlocks = name == "blocks";
            continue;
        }
        const std::size_t equals = trimmed.find('=');
        if (!inBlocks || equals == std::string::npos) {
            continue;
        }
        keys.try_emplace(Trim(std::string_view(trimmed).substr(0, equals)),
                         Trim(std::string_view(trimmed).substr(equals + 1)));
    }
    return keys;
}

} // namespace

TDidaditReceiveBlockList::TDidaditReceiveBlockList() : folder_(IncompleteFilesFolder()) {}

TDidaditReceiveBlockList::TDidaditReceiveBlockList(std::filesystem::path folder)
    : folder_(std::move(folder)) {}

void TDidaditReceiveBlockList::Clear() {
    bereiche_.clear();
}

void TDidaditReceiveBlockList::OutputList() const {
    for (const TBereich& bereich : bereiche_) {
        DebOutObjFmt(kKlasse, "OutputList", "von %lld bis %lld (%lld)", static_cast<long long>(bereich.first),
                     static_cast<long long>(bereich.last),
                     static_cast<long long>(bereich.last - bereich.first + 1));
    }
}

std::int64_t TDidaditReceiveBlockList::Add(std::int64_t offset, std::int64_t length) {
    QUARN_ASSERT(offset >= 0 && length >= 1, "DidaditReceiveBlockListU");
    TBereich neu{offset, offset + length - 1};
    // The first range that ends at or after the byte before the new one touches or follows it.
    auto first =
        std::lower_bound(bereiche_.begin(), bereiche_.end(), neu.first - 1,
                         [](const TBereich& bereich, std::int64_t value) { return bereich.last < value; });
    auto last = first;
    while (last != bereiche_.end() && last->first <= neu.last + 1) {
        neu.first = std::min(neu.first, last->first);
        neu.last = std::max(neu.last, last->last);
        ++last;
    }
    const auto position = bereiche_.erase(first, last);
    bereiche_.insert(position, neu);
    return Gehalten();
}

std::int64_t TDidaditReceiveBlockList::Gehalten() const {
    std::int64_t held = 0;
    for (const TBereich& bereich : bereiche_) {
        held += bereich.last - bereich.first + 1;
    }
    return held;
}

bool TDidaditReceiveBlockList::Komplett() const {
    if (groesse_ <= 0) {
        return true;
    }
    return bereiche_.size() == 1 && bereiche_.front().first == 0 && bereiche_.front().last >= groesse_ - 1;
}

std::vector<TDidaditRequest> TDidaditReceiveBlockList::GetRequests(std::size_t capacity) const {
    std::vector<TDidaditRequest> requests;
    std::int64_t next = 0;
    const auto gap = [&](std::int64_t start, std::int64_t end) {
        if (end <= start || requests.size() >= capacity) {
            return;
        }
        DebOutObjFmt(kKlasse, "GetRequests", "Lücke bei %lld, Länge %lld", static_cast<long long>(start),
                     static_cast<long long>(end - start));
        requests.push_back({static_cast<std::int32_t>(start), static_cast<std::int32_t>(end - start)});
    };
    for (const TBereich& bereich : bereiche_) {
        gap(next, std::min(bereich.first, groesse_));
        next = bereich.last + 1;
    }
    gap(next, groesse_);
    return requests;
}

std::filesystem::path TDidaditReceiveBlockList::IndexFile(std::string_view digestText) const {
    return folder_ / (std::string(digestText) + ".qvi");
}

void TDidaditReceiveBlockList::DeleteIndexFile(std::string_view digestText) const {
    std::error_code ignored;
    std::filesystem::remove(IndexFile(digestText), ignored);
}

bool TDidaditReceiveBlockList::WriteIndexFile(std::string_view digestText) const {
    // A complete list is kept too: its file waits for the post-processing, and the next offer of it
    // must start at its end, not at 0.
    if (bereiche_.empty()) {
        DeleteIndexFile(digestText);
        return true;
    }
    const std::filesystem::path target = IndexFile(digestText);
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << "[Blocks]\r\n";
        for (std::size_t i = 0; i < bereiche_.size(); ++i) {
            out << Key(i) << '=' << bereiche_[i].first << ',' << bereiche_[i].last << "\r\n";
        }
        out.flush();
        if (!out) {
            DebOutObj(kKlasse, "WriteIndexFile", "Fehler beim Schreiben: " + temporary.string());
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
        DebOutObj(kKlasse, "WriteIndexFile", "Fehler beim Umbenennen: " + target.string());
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

std::int64_t TDidaditReceiveBlockList::ReadIndexFile(std::string_view digestText) {
    Clear();
    std::ifstream in(IndexFile(digestText), std::ios::binary);
    if (!in) {
        return 0;
    }
    const std::map<std::string, std::string> keys = BlocksSection(in);
    std::int64_t resume = 0;
    for (std::size_t i = 0;; ++i) {
        const auto found = keys.find(Key(i));
        if (found == keys.end()) {
            break;
        }
        const std::string& value = found->second;
        const std::size_t comma = value.find(',');
        std::int64_t first = 0;
        std::int64_t last = 0;
        // Anything malformed ends the read: what follows it cannot be trusted either.
        if (comma == std::string::npos || comma == 0 || !Zahl(Trim(value.substr(0, comma)), first) ||
            !Zahl(Trim(value.substr(comma + 1)), last) || first < 0 || last < first || last >= groesse_) {
            DebOutObj(kKlasse, "ReadIndexFile", "Ungültiger Eintrag " + Key(i) + "=" + value);
            break;
        }
        Add(first, last - first + 1);
        resume = std::max(resume, last + 1);
    }
    OutputList();
    return resume;
}

} // namespace quarn
