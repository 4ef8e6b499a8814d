#include "foundation/MemoryStreamU.h"

#include <gtest/gtest.h>

#include <array>

namespace quarn {
namespace {

TEST(TMemoryStream, ReadsWritesSeeksAndGrows) {
    TMemoryStream stream("abcdef");
    std::array<char, 4> buffer{};
    EXPECT_EQ(stream.Read(buffer.data(), 4), 4U);
    EXPECT_EQ(std::string(buffer.data(), 4), "abcd");
    EXPECT_EQ(stream.Read(buffer.data(), 4), 2U);
    EXPECT_EQ(stream.Read(buffer.data(), 4), 0U);

    // Writing past the end grows the stream; a gap left by a seek is filled with NUL.
    stream.Seek(2, TSeekOrigin::End);
    EXPECT_EQ(stream.Write("\0xy", 3), 3U);
    EXPECT_EQ(stream.Bytes(), std::string("abcdef\0\0\0xy", 11));
    EXPECT_EQ(stream.Size(), 11);
    EXPECT_EQ(stream.Position(), 11);

    stream.SetSize(3);
    EXPECT_EQ(stream.Position(), 3);
    EXPECT_EQ(stream.Bytes(), "abc");
    EXPECT_THROW(stream.Seek(-4, TSeekOrigin::Current), EStreamError);
    EXPECT_EQ(stream.Seek(-1, TSeekOrigin::Current), 2);
    EXPECT_EQ(stream.Read(buffer.data(), 4), 1U);
    EXPECT_EQ(buffer[0], 'c');
}

} // namespace
} // namespace quarn
