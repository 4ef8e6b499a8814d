#include "devices/flexnet/AgwFrame.h"

#include <gtest/gtest.h>

namespace quarn {
namespace {

AgwFrame Sample() {
    AgwFrame frame;
    frame.port = 1;
    frame.kind = 'D';
    frame.pid = 0xF0;
    frame.callFrom = "DL1ABC-15";
    frame.callTo = "DB0XYZ";
    frame.data = std::string("a\0b", 3);
    return frame;
}

TEST(AgwFrame, HeaderLayoutIsLittleEndianWithTenByteCallFields) {
    const std::string bytes = EncodeAgwFrame(Sample());
    ASSERT_EQ(bytes.size(), kAgwHeaderSize + 3);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[4], 'D');
    EXPECT_EQ(static_cast<unsigned char>(bytes[6]), 0xF0);
    EXPECT_EQ(bytes.substr(8, 10), std::string("DL1ABC-15\0", 10));
    EXPECT_EQ(bytes.substr(18, 10), std::string("DB0XYZ\0\0\0\0", 10));
    EXPECT_EQ(bytes.substr(28, 8), std::string("\3\0\0\0\0\0\0\0", 8));
}

TEST(AgwFrameReader, ReassemblesMessagesFromAnyCutOfTheStream) {
    AgwFrame second = Sample();
    second.kind = 'd';
    second.data.clear();
    const std::string stream = EncodeAgwFrame(Sample()) + EncodeAgwFrame(second);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{36}, stream.size()}) {
        AgwFrameReader reader;
        std::vector<AgwFrame> frames;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            reader.Feed(std::string_view(stream).substr(at, piece));
            while (auto frame = reader.Next()) {
                frames.push_back(*frame);
            }
        }
        ASSERT_EQ(frames.size(), 2u) << "piece " << piece;
        EXPECT_EQ(frames[0].callFrom, "DL1ABC-15");
        EXPECT_EQ(frames[0].callTo, "DB0XYZ");
        EXPECT_EQ(frames[0].data, std::string("a\0b", 3));
        EXPECT_EQ(frames[1].kind, 'd');
        EXPECT_TRUE(frames[1].data.empty());
    }
}

TEST(AgwFrameReader, AnAbsurdLengthBreaksTheStreamInsteadOfWaitingForIt) {
    std::string bytes = EncodeAgwFrame(Sample());
    bytes[31] = 0x7F; // about two gigabytes announced
    AgwFrameReader reader;
    reader.Feed(bytes);
    EXPECT_FALSE(reader.Next());
    EXPECT_TRUE(reader.Broken());
    reader.Feed(EncodeAgwFrame(Sample()));
    EXPECT_FALSE(reader.Next());
}

TEST(AgwFrame, ACallFieldWithoutTerminatorIsReadToItsEnd) {
    std::string bytes = EncodeAgwFrame(Sample());
    std::fill_n(bytes.begin() + 8, 10, 'X');
    AgwFrameReader reader;
    reader.Feed(bytes);
    const auto frame = reader.Next();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->callFrom, "XXXXXXXXXX");
}

} // namespace
} // namespace quarn
