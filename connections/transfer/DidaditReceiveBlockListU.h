#pragma once

#include "connections/transfer/DidaditFrameU.h"

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace quarn {

// The byte ranges a DIDADIT receiver holds of one file: ascending, disjoint and never adjacent (touching
// ranges are joined), each given by its first and last offset, inclusive. It lists the gaps to request
// again after the sender's FIN, and keeps itself in an index file beside the incomplete file
// ("<digest>.qvi": section "Blocks", keys "0000", "0001", ... each "first,last") for a later resume.
class TDidaditReceiveBlockList {
public:
    struct TBereich {
        std::int64_t first = 0;
        std::int64_t last = 0;
        friend bool operator==(const TBereich&, const TBereich&) = default;
    };

    // Index files go to the folder "Incomplete Files".
    TDidaditReceiveBlockList();
    // Index files go to `folder`.
    explicit TDidaditReceiveBlockList(std::filesystem::path folder);

    void SetGroesse(std::int64_t groesse) { groesse_ = groesse; }
    std::int64_t GetGroesse() const { return groesse_; }
    const std::vector<TBereich>& Bereiche() const { return bereiche_; }

    void Clear();
    // Traces every range.
    void OutputList() const;
    // Merges [offset, offset + length - 1] in (offset >= 0 and length >= 1 asserted); the bytes now held.
    std::int64_t Add(std::int64_t offset, std::int64_t length);
    std::int64_t Gehalten() const;
    // One range from 0 to the file size - 1 (an empty file is complete with no range).
    bool Komplett() const;
    // The gaps from offset 0 up to the file size, in order, at most `capacity` of them.
    std::vector<TDidaditRequest> GetRequests(std::size_t capacity) const;

    std::filesystem::path IndexFile(std::string_view digestText) const;
    // Writes the index whole (a temporary file renamed over the old one, so no key of an earlier write
    // survives), or deletes it when the list is empty. False when writing failed.
    bool WriteIndexFile(std::string_view digestText) const;
    // Clears the list and reads the index: keys from "0000" upward until one is missing or malformed
    // (no "first,last" of numbers with 0 <= first <= last < file size). Returns the resume offset: the
    // highest last + 1 read, 0 without any.
    std::int64_t ReadIndexFile(std::string_view digestText);
    // Removes the index; a fresh incomplete file must never meet an index of an earlier one.
    void DeleteIndexFile(std::string_view digestText) const;

private:
    std::filesystem::path folder_;
    std::int64_t groesse_ = 0;
    std::vector<TBereich> bereiche_;
};

} // namespace quarn
