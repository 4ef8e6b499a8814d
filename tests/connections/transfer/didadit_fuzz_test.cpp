// Seeded random input for the DIDADIT decoder and the block parsers: whatever a peer sends, nothing
// crashes or asserts, and what is accepted is consistent.
#include "connections/transfer/DidaditFrameU.h"
#include "connections/transfer/DidaditReceiveBlockListU.h"

#include <gtest/gtest.h>
#include <random>

namespace quarn::test {
namespace {

// Random bytes biased towards the format's special bytes and the characters of its text lines.
std::string Zufall(std::mt19937& random, std::size_t maxLength) {
    static constexpr char kBesondere[] = {'\xC0', '\xDB', '\xDC', '\xDD', '\r', '\n',
                                          '=',    ',',    '-',    '0',    '9',  ' '};
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> pick(0, 3);
    std::string text(length(random), '\0');
    for (char& c : text) {
        c = pick(random) == 0 ? kBesondere[static_cast<std::size_t>(byte(random)) % sizeof kBesondere]
                              : static_cast<char>(byte(random));
    }
    return text;
}

std::string ZufallsZeilen(std::mt19937& random) {
    static constexpr const char* kNamen[] = {"FILENAME", "SIZE",   "MD5",  "TIME", "BLOCKSIZE",
                                             "FEATURES", "OFFSET", "size", "",     "VERSION"};
    std::uniform_int_distribution<int> count(0, 8);
    std::uniform_int_distribution<std::size_t> name(0, std::size(kNamen) - 1);
    std::string text;
    for (int i = count(random); i > 0; --i) {
        text += std::string(kNamen[name(random)]) + "=" + Zufall(random, 40) + "\r";
    }
    return text;
}

TEST(DidaditFuzz, MalformedInputNeverCrashesTheDecoderOrParsers) {
    std::mt19937 random(20261210);
    const MD5Digest digest{};
    for (int round = 0; round < 4000; ++round) {
        const std::string noise = Zufall(random, 300);
        if (const auto block = DidaditDecodeFrame(noise)) {
            // Whatever decodes must encode back to a frame that decodes to the same block.
            const std::string frame = DidaditEncodeFrame(block->typ, block->digest, block->data);
            const auto again = DidaditDecodeFrame(frame.substr(1, frame.size() - 2));
            ASSERT_TRUE(again);
            EXPECT_EQ(again->data, block->data);
        }

        // A valid frame with random content gives every parser a well-formed block of any data.
        const std::string content = round % 2 == 0 ? noise : ZufallsZeilen(random);
        const std::string frame = DidaditEncodeFrame(static_cast<std::uint16_t>(round % 14), digest, content);
        TDidaditFrameSplitter splitter;
        std::uniform_int_distribution<std::size_t> cut(0, frame.size());
        const std::size_t at = cut(random);
        splitter.Add(frame.substr(0, at));
        splitter.Add(frame.substr(at));
        const auto piece = splitter.Next();
        ASSERT_TRUE(piece);
        const auto block = DidaditDecodeFrame(*piece);
        if (block) {
            EXPECT_EQ(block->data, content);
        }

        const TDidaditInfo info = ParseDidaditInfo(content);
        EXPECT_GE(info.groesse, -1);
        EXPECT_LE(info.groesse, kDidaditMaxGroesse);
        const TDidaditStart start = ParseDidaditStart(content);
        (void)start;
        if (const auto data = ParseDidaditData(content)) {
            EXPECT_GE(data->offset, 0);
            EXPECT_LE(data->bytes.size(), content.size() - 6);
        }
        if (const auto requests = ParseDidaditReq(content)) {
            EXPECT_EQ(requests->size() * 8, content.size());
        }
        (void)DidaditErrorText(DidaditFehlerNummer(content), {content});
    }
}

TEST(DidaditFuzz, RandomRangesKeepTheListSortedDisjointAndNonAdjacent) {
    std::mt19937 random(4711);
    std::uniform_int_distribution<std::int64_t> offset(0, 5000);
    std::uniform_int_distribution<std::int64_t> length(1, 300);
    for (int run = 0; run < 50; ++run) {
        TDidaditReceiveBlockList list{std::filesystem::path()};
        list.SetGroesse(5300);
        std::vector<bool> held(5300, false);
        for (int i = 0; i < 40; ++i) {
            const std::int64_t o = offset(random);
            const std::int64_t l = length(random);
            list.Add(o, l);
            std::fill(held.begin() + o, held.begin() + o + l, true);
        }
        const auto& ranges = list.Bereiche();
        for (std::size_t i = 1; i < ranges.size(); ++i) {
            ASSERT_GT(ranges[i].first, ranges[i - 1].last + 1);
        }
        // The gaps requested are exactly the bytes not held.
        std::vector<bool> requested(5300, false);
        for (const TDidaditRequest& request : list.GetRequests(1000)) {
            std::fill(requested.begin() + request.offset, requested.begin() + request.offset + request.length,
                      true);
        }
        for (std::size_t i = 0; i < held.size(); ++i) {
            ASSERT_NE(held[i], requested[i]) << i;
        }
    }
}

} // namespace
} // namespace quarn::test
