// The frames a real mailbox sent and accepted, read with our codec and parsers.
#include "connections/transfer/DidaditFrameU.h"
#include "support/FileContents.h"

#include <fstream>
#include <gtest/gtest.h>

namespace quarn::test {
namespace {

namespace fs = std::filesystem;

struct TMitschnitt {
    std::vector<std::string> vonBox; // "< " lines: the mailbox to us
    std::vector<std::string> vonUns; // "> " lines
};

TMitschnitt Lies(const char* name) {
    std::ifstream in(fs::path(QUARN_TESTDATA_DIR) / "didadit" / name);
    TMitschnitt result;
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 2 || (line[0] != '<' && line[0] != '>')) {
            continue;
        }
        std::string bytes;
        for (std::size_t i = 2; i + 1 < line.size() + 1; i += 3) {
            bytes += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
        }
        (line[0] == '<' ? result.vonBox : result.vonUns).push_back(bytes);
    }
    return result;
}

// All valid blocks of one direction, fed piece by piece as the link delivered them.
std::vector<TDidaditBlock> Bloecke(const std::vector<std::string>& pieces, std::string* text = nullptr,
                                   int* invalid = nullptr) {
    TDidaditFrameSplitter splitter;
    std::vector<TDidaditBlock> blocks;
    for (const std::string& piece : pieces) {
        splitter.Add(piece);
        while (auto frame = splitter.Next()) {
            if (auto block = DidaditDecodeFrame(*frame)) {
                blocks.push_back(*block);
            } else if (invalid) {
                ++*invalid;
            }
        }
    }
    if (text) {
        *text = splitter.TakeText();
    }
    return blocks;
}

const MD5Digest kDateiMd5 = MD5HexToDigest("23B04F232D6CBB9BB9640804DAF7F5C2");

TEST(DidaditRecording, TheMailboxDownloadGivesTheFile) {
    const TMitschnitt mitschnitt = Lies("didadit_dl_full.trace");
    std::string text;
    const std::vector<TDidaditBlock> blocks = Bloecke(mitschnitt.vonBox, &text);
    EXPECT_NE(text.find("#DIDADIT#\r"), std::string::npos);

    ASSERT_GE(blocks.size(), 3u);
    ASSERT_EQ(blocks.front().typ, static_cast<std::uint16_t>(TDidaditTyp::Info));
    const TDidaditInfo info = ParseDidaditInfo(blocks.front().data);
    EXPECT_EQ(info.dateiname, "test.bin");
    EXPECT_EQ(info.groesse, 5000);
    EXPECT_EQ(info.md5, kDateiMd5);
    EXPECT_EQ(info.zeit, 1704164646);
    EXPECT_EQ(info.blockgroesse, 4096);
    EXPECT_FALSE(info.chat);

    std::string file(5000, '\0');
    for (std::size_t i = 1; i + 1 < blocks.size(); ++i) {
        ASSERT_EQ(blocks[i].typ, static_cast<std::uint16_t>(TDidaditTyp::Data));
        EXPECT_EQ(blocks[i].digest, kDateiMd5);
        const auto data = ParseDidaditData(blocks[i].data);
        ASSERT_TRUE(data);
        ASSERT_TRUE(DidaditBereichImFile(data->offset, static_cast<std::int64_t>(data->bytes.size()), 5000));
        file.replace(static_cast<std::size_t>(data->offset), data->bytes.size(), data->bytes);
    }
    EXPECT_EQ(blocks.back().typ, static_cast<std::uint16_t>(TDidaditTyp::Fin));
    EXPECT_EQ(file, ReadFile(fs::path(QUARN_TESTDATA_DIR) / "didadit" / "didadit_dl_full.bin"));
}

TEST(DidaditRecording, OurRecordedFramesEncodeByteForByte) {
    // The client's START with a smaller block size, its REQ for the left-out ranges and its FINACK.
    const TMitschnitt mitschnitt = Lies("didadit_dl_req.trace");
    std::string ours;
    for (const std::string& piece : mitschnitt.vonUns) {
        ours += piece;
    }
    const std::vector<TDidaditBlock> blocks = Bloecke(mitschnitt.vonUns);
    ASSERT_FALSE(blocks.empty());
    bool sahReq = false;
    for (const TDidaditBlock& block : blocks) {
        EXPECT_NE(ours.find(DidaditEncodeFrame(block.typ, block.digest, block.data)), std::string::npos)
            << "type " << block.typ;
        if (block.typ == static_cast<std::uint16_t>(TDidaditTyp::Req)) {
            sahReq = true;
            EXPECT_EQ(*ParseDidaditReq(block.data),
                      (std::vector<TDidaditRequest>{{1000, 2000}, {4000, 1000}}));
        }
        if (block.typ == static_cast<std::uint16_t>(TDidaditTyp::Start)) {
            EXPECT_EQ(ParseDidaditStart(block.data).offset, 0);
        }
    }
    EXPECT_TRUE(sahReq);
    EXPECT_EQ(blocks.back().typ, static_cast<std::uint16_t>(TDidaditTyp::FinAck));
    EXPECT_EQ(blocks.back().digest, kDateiMd5);
}

TEST(DidaditRecording, TheMailboxRequestIsReadAndACorruptFrameDropped) {
    const TMitschnitt mitschnitt = Lies("didadit_ul_gap_release.trace");
    const std::vector<TDidaditBlock> fromBox = Bloecke(mitschnitt.vonBox);
    int requests = 0;
    for (const TDidaditBlock& block : fromBox) {
        if (block.typ != static_cast<std::uint16_t>(TDidaditTyp::Req)) {
            continue;
        }
        ++requests;
        const auto read = ParseDidaditReq(block.data);
        ASSERT_TRUE(read);
        ASSERT_FALSE(read->empty());
        for (const TDidaditRequest& request : *read) {
            EXPECT_TRUE(DidaditBereichImFile(request.offset, request.length, 5000));
        }
    }
    EXPECT_GE(requests, 3) << "the release build repeats its REQ";

    int invalid = 0;
    Bloecke(mitschnitt.vonUns, nullptr, &invalid);
    EXPECT_EQ(invalid, 1) << "the one DATA frame corrupted on purpose";
}

} // namespace
} // namespace quarn::test
