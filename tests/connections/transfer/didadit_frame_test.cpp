// The DIDADIT wire format: frames, their escaping and CRC, the splitter, error texts and block contents.
#include "connections/transfer/DidaditFrameU.h"
#include "foundation/CrcU.h"
#include "support/ScopedEnv.h"

#include <ctime>

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int value : values) {
        bytes += static_cast<char>(value);
    }
    return bytes;
}

const MD5Digest kNull{};

// The escaped content between the two 0xC0 of a frame.
std::string Inhalt(const std::string& frame) {
    return frame.substr(1, frame.size() - 2);
}

TEST(DidaditFrame, EncodesTheIndependentlyReadFramesByteForByte) {
    EXPECT_EQ(DidaditEncodeFrame(TDidaditTyp::Abort, kNull, ""), Bytes({0xC0, 0x0B, 0x00, 0x00, 0x0B, 0xC0}));

    std::string fin = Bytes({0xC0, 0x05, 0x00}) + std::string(16, '\0') + Bytes({0xF6, 0x28, 0xC0});
    EXPECT_EQ(DidaditEncodeFrame(TDidaditTyp::Fin, kNull, ""), fin);

    const std::string data = BuildDidaditData(0, Bytes({0xC0, 0xDB}));
    const std::string expected =
        Bytes({0xC0, 0x04, 0x00}) + std::string(16, '\0') +
        Bytes({0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0xDB, 0xDC, 0xDB, 0xDD, 0xB5, 0x7A, 0xC0});
    EXPECT_EQ(DidaditEncodeFrame(TDidaditTyp::Data, kNull, data), expected);

    const auto decoded = DidaditDecodeFrame(Inhalt(expected));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->typ, 4);
    EXPECT_EQ(decoded->data, data);
}

TEST(DidaditFrame, RoundTripsEveryByteValueWithTheDigest) {
    std::string data;
    for (int i = 0; i < 512; ++i) {
        data += static_cast<char>(i & 0xFF);
    }
    MD5Digest digest{};
    digest[0] = 0xC0;
    digest[1] = 0xDB;
    digest[15] = 0x42;
    const std::string frame = DidaditEncodeFrame(TDidaditTyp::Chat, digest, data);
    EXPECT_EQ(Inhalt(frame).find('\xC0'), std::string::npos);
    auto decoded = DidaditDecodeFrame(Inhalt(frame));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->data, data);
    EXPECT_EQ(decoded->digest, kNull) << "CHAT carries no digest";

    decoded = DidaditDecodeFrame(Inhalt(DidaditEncodeFrame(TDidaditTyp::Req, digest, data)));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->digest, digest);
    EXPECT_EQ(decoded->data, data);
}

TEST(DidaditFrame, RefusesBrokenFrames) {
    const std::string good = Inhalt(DidaditEncodeFrame(TDidaditTyp::Chat, kNull, "hallo"));
    std::string badCrc = good;
    badCrc[3] ^= 0x01;
    // A valid 3-byte-long type 12 frame would need a 1-byte CRC: too short.
    const struct {
        const char* name;
        std::string escaped;
    } cases[] = {
        {"DB at the end", good + "\xDB"},
        {"DB followed by anything else", good.substr(0, 2) + "\xDB\x41" + good.substr(2)},
        {"CRC mismatch", badCrc},
        {"3-byte block", Bytes({0x0C, 0x00, 0x0C})},
        {"empty", ""},
        // A FIN whose CRC is right but has no whole digest.
        {"short FIN",
         [] {
             std::string block = Bytes({0x05, 0x00, 0x01, 0x02});
             const std::uint16_t crc = Crc16Buf(block.data(), block.size(), 0);
             return block + Bytes({crc & 0xFF, crc >> 8});
         }()},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(DidaditDecodeFrame(c.escaped)) << c.name;
    }
    // The shortest valid block: a type and its CRC.
    EXPECT_TRUE(DidaditDecodeFrame(Bytes({0x0B, 0x00, 0x00, 0x0B})));
}

TEST(DidaditFrameSplitter, JoinsSplitFramesAndSeparatesJoinedOnes) {
    const std::string a = DidaditEncodeFrame(TDidaditTyp::Chat, kNull, "eins");
    const std::string b = DidaditEncodeFrame(TDidaditTyp::Chat, kNull, "zwei");
    const std::string stream = "\r#DIDADIT#\r" + a + b + "\rDanach";

    // Every cut of the stream into two pieces gives the same frames and the same text.
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        TDidaditFrameSplitter splitter;
        splitter.Add(stream.substr(0, cut));
        std::vector<std::string> frames;
        while (auto frame = splitter.Next()) {
            frames.push_back(*frame);
        }
        splitter.Add(stream.substr(cut));
        while (auto frame = splitter.Next()) {
            frames.push_back(*frame);
        }
        ASSERT_EQ(frames.size(), 2u) << cut;
        EXPECT_EQ(frames[0], Inhalt(a));
        EXPECT_EQ(frames[1], Inhalt(b));
        EXPECT_EQ(splitter.TakeText(), "\r#DIDADIT#\r");
        EXPECT_EQ(splitter.TakeRest(), "\rDanach");
    }
}

TEST(DidaditError, TextsNumbersAndFatality) {
    EXPECT_EQ(DidaditErrorText(100, {"START"}), "100 Unexpected block type (START)");
    EXPECT_EQ(DidaditErrorText(101, {"4000", "9999"}),
              "101 REQ block with data out of range (offset 4000, length 9999)");
    EXPECT_EQ(DidaditErrorText(102), "102 MD5 validation error");
    EXPECT_EQ(DidaditErrorText(104), "104 Invalid offset/blocksize");
    EXPECT_EQ(DidaditErrorText(150, {"13"}), "150 Block type not implemented (13)");
    EXPECT_EQ(DidaditErrorText(300), "300 Could not create file");
    EXPECT_EQ(DidaditErrorText(42), "042 Unknown Error");
    EXPECT_EQ(DidaditErrorText(101, {"1"}), "101") << "filling fails: the number alone";
    EXPECT_EQ(DidaditErrorText(300, {"x"}), "300");

    const struct {
        const char* text;
        int number;
        bool fatal;
    } received[] = {
        {"150", 150, false},        {"150 Block type not implemented (8)", 150, false},
        {"101 REQ ...", 101, true}, {"", -1, true},
        {"abc def", -1, true},      {"250 x", 250, false},
    };
    for (const auto& r : received) {
        EXPECT_EQ(DidaditFehlerNummer(r.text), r.number) << r.text;
        EXPECT_EQ(DidaditFehlerFatal(DidaditFehlerNummer(r.text)), r.fatal) << r.text;
    }
}

TEST(DidaditInfo, BuildsAndReadsItsOwnLines) {
    const MD5Digest digest = MD5HexToDigest("23b04f232d6cbb9bb9640804daf7f5c2");
    const std::string text = BuildDidaditInfo("test.bin", 5000, digest, 1704164646);
    EXPECT_EQ(text, "FILENAME=test.bin\rSIZE=5000\rMD5=23B04F232D6CBB9BB9640804DAF7F5C2\rTIME=1704164646\r"
                    "BLOCKSIZE=1750\rVERSION=0.9.1\rFEATURES=CHAT\r");
    const TDidaditInfo info = ParseDidaditInfo(text);
    EXPECT_EQ(info.dateiname, "test.bin");
    EXPECT_EQ(info.groesse, 5000);
    EXPECT_EQ(info.md5, digest);
    EXPECT_EQ(info.zeit, 1704164646);
    EXPECT_EQ(info.blockgroesse, 1750);
    EXPECT_TRUE(info.chat);
    EXPECT_EQ(BuildDidaditInfo("x", 0, digest, std::nullopt).find("TIME="), std::string::npos);
}

TEST(DidaditInfo, TimeIsTheLocalTimeAlsoAfter2013) {
    {
        const ScopedEnv tz("TZ", "UTC");
        ::tzset();
        EXPECT_EQ(DidaditZeit(1704164646), 1704164646) << "2024-01-02 03:04:06, as the mailbox sent it";
        EXPECT_EQ(DidaditZeit(4102444800), 4102444800) << "2100-01-01";
        const ScopedEnv berlin("TZ", "Europe/Berlin");
        ::tzset();
        EXPECT_EQ(DidaditZeit(1704164646), 1704164646 + 3600) << "local time, not UTC";
    }
    ::tzset();
}

TEST(DidaditInfo, RefusesSizesItCannotCarry) {
    const struct {
        const char* line;
        std::int64_t size;
    } cases[] = {
        {"SIZE=2147483647\r", 2147483647},
        {"SIZE=2147483648\r", -1},
        {"SIZE=-1\r", -1},
        {"SIZE=12a\r", -1},
        {"SIZE=\r", -1},
        {"FILENAME=x\r", -1},
        {"size=0\r", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseDidaditInfo(c.line).groesse, c.size) << c.line;
    }
    EXPECT_FALSE(ParseDidaditInfo("MD5=23b04f232d6cbb9bb9640804daf7f5c\r").md5) << "31 digits";
    EXPECT_FALSE(ParseDidaditInfo("MD5=xyb04f232d6cbb9bb9640804daf7f5c2\r").md5);
    EXPECT_TRUE(ParseDidaditInfo("MD5=23b04f232d6cbb9bb9640804daf7f5c2\r").md5) << "lower case";
    EXPECT_FALSE(ParseDidaditInfo("FEATURES=CHATTER\r").chat);
    EXPECT_TRUE(ParseDidaditInfo("FEATURES=zip, chat\r").chat);
}

TEST(DidaditStart, BuildsAndReadsStartLines) {
    EXPECT_EQ(BuildDidaditStart(3000, false, false), "OFFSET=3000\rVERSION=0.9.1\r");
    EXPECT_EQ(BuildDidaditStart(0, true, true), "OFFSET=0\rBLOCKSIZE=1750\rVERSION=0.9.1\rFEATURES=CHAT\r");

    const TDidaditStart start = ParseDidaditStart("OFFSET=3000\rBLOCKSIZE=512\rFEATURES=chat,Zip\r");
    EXPECT_EQ(start.offset, 3000);
    EXPECT_EQ(start.blockgroesse, 512);
    EXPECT_TRUE(start.chat);
    EXPECT_EQ(start.features, (std::vector<std::string>{"CHAT", "ZIP"}));
    EXPECT_EQ(ParseDidaditStart("OFFSET=abc\r").offset, 0);
    EXPECT_EQ(ParseDidaditStart("VERSION=0.9.1\r").blockgroesse, 0);
}

TEST(DidaditData, ReadsOnlyWholeBlocksWithAValidOffset) {
    const std::string block = BuildDidaditData(4096, "abc");
    const auto data = ParseDidaditData(block);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->offset, 4096);
    EXPECT_EQ(data->bytes, "abc");

    EXPECT_FALSE(ParseDidaditData(block.substr(0, 5))) << "head cut";
    EXPECT_FALSE(ParseDidaditData(block.substr(0, 8))) << "fewer bytes than stated";
    EXPECT_FALSE(ParseDidaditData(BuildDidaditData(-1, "a"))) << "negative offset";
    EXPECT_TRUE(ParseDidaditData(BuildDidaditData(0, ""))) << "zero length";

    EXPECT_TRUE(DidaditBereichImFile(4997, 3, 5000));
    EXPECT_FALSE(DidaditBereichImFile(4997, 4, 5000));
    EXPECT_FALSE(DidaditBereichImFile(-1, 1, 5000));
    EXPECT_FALSE(DidaditBereichImFile(0x7FFFFFFF, 0xFFFF, 5000));
}

TEST(DidaditReq, ReadsEightByteRequests) {
    const std::vector<TDidaditRequest> requests{{1000, 2000}, {4000, 1000}, {-5, -1}};
    const auto read = ParseDidaditReq(BuildDidaditReq(requests));
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, requests);
    EXPECT_FALSE(ParseDidaditReq(std::string(12, '\0'))) << "12 bytes";
    EXPECT_TRUE(ParseDidaditReq("")->empty());
}

} // namespace
} // namespace quarn::test
