// Text onto a connection: the "^" escapes, the pieces of 256 bytes, the echo rules and the
// station identification line.
#include "VerbindungTestFixture.h"
#include "connections/VerbindungSenden.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

std::vector<std::string> Drain(TStringQueue& queue) {
    std::vector<std::string> pieces;
    while (!queue.IsEmpty()) {
        pieces.push_back(queue.PopString());
    }
    return pieces;
}

struct EscapeCase {
    std::string text;
    std::string sent;
};

TEST(CaretEscapesTest, RewritesEscapesAndLeavesEverythingElse) {
    const std::vector<EscapeCase> cases = {
        {"^M", "\r"},
        {"^m", "\r"},
        {"^^", "^"},
        {"^^M", "^M"},
        {"^@", std::string(1, '\0')},
        {"^Z", "\x1A"},
        {"^$1B", "\x1B"},
        {"^$ff", "\xFF"},
        {"^$7", "\x07"},  // the text ends after one digit
        {"^$1G", "^$1G"}, // no hexadecimal number
        {"^$", "^$"},     // at the very end
        {"^[", "^["},     // not an escape
        {"^", "^"},       // a lone caret at the end
        {"a^Mb^$0D", "a\rb\r"},
        {"^^^M", "^\r"},
    };
    for (const EscapeCase& c : cases) {
        EXPECT_EQ(CaretEscapes(c.text), c.sent) << "text " << c.text;
    }
}

TEST(SidZeileTest, VersionUpToTheFirstBlankOrDashAndFeatures) {
    EXPECT_EQ(SidZeile("2.3.1 beta", true), "{Quarn-2.3.1-D}\r");
    EXPECT_EQ(SidZeile("2.3.1-dev 7", false), "{Quarn-2.3.1-D?}\r");
    EXPECT_EQ(SidZeile("2.3", true), "{Quarn-2.3-D}\r");
}

using VerbindungSendenTest = VerbindungFixture;

TEST_F(VerbindungSendenTest, TextIsCutIntoPiecesOf256Bytes) {
    const auto connection = Make();
    connection->SendeText(std::string(600, 'x'), false, false, false, false);
    const auto pieces = Drain(connection->GetTransmitQueue());
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0].size(), 256u);
    EXPECT_EQ(pieces[1].size(), 256u);
    EXPECT_EQ(pieces[2].size(), 88u);

    connection->SendeText("", true, false, false, true);
    EXPECT_TRUE(connection->GetTypedTextQueue().IsEmpty());
}

TEST_F(VerbindungSendenTest, BinaryBytesPassUnchangedWithoutEscapes) {
    const auto connection = Make();
    const std::string data("a\0^M\xFF", 5);
    connection->SendeText(data, false, false, false, true);
    EXPECT_EQ(Drain(connection->GetTypedTextQueue()), std::vector<std::string>{data});
}

TEST_F(VerbindungSendenTest, EchoNeedsBothTheRequestAndLocalEcho) {
    const auto connection = Make();
    const auto channel = std::make_shared<RecordingKanal>();
    connection->SetKanal(channel);

    connection->SetLocalEcho(true);
    connection->SendeText("one^M", true, true, false, true);
    connection->SendeText("two", false, false, false, true);
    connection->SetLocalEcho(false);
    connection->SendeText("three", true, false, false, true);

    EXPECT_TRUE(channel->Has("Gesendet one\r"));
    EXPECT_FALSE(channel->Has("Gesendet two"));
    EXPECT_FALSE(channel->Has("Gesendet three"));
    EXPECT_EQ(Drain(connection->GetTypedTextQueue()), (std::vector<std::string>{"one\r", "two", "three"}));
}

TEST_F(VerbindungSendenTest, WrapBreaksLongLinesAt78Columns) {
    const auto connection = Make();
    std::string words;
    for (int i = 0; i < 20; ++i) {
        words += "word" + std::to_string(i) + " ";
    }
    connection->SendeText(words, false, false, true, false);
    const auto pieces = Drain(connection->GetTransmitQueue());
    ASSERT_EQ(pieces.size(), 1u);
    const std::string& sent = pieces[0];
    const auto firstBreak = sent.find('\r');
    ASSERT_NE(firstBreak, std::string::npos);
    EXPECT_LE(firstBreak, 78u);
}

TEST_F(VerbindungSendenTest, SendTextLineAppendsCrAndGoesOntoTheTypedQueue) {
    const auto connection = Make();
    connection->SendTextLine("dir");
    connection->SendText("^M");
    EXPECT_EQ(Drain(connection->GetTypedTextQueue()), (std::vector<std::string>{"dir\r", "^M"}));
}

TEST_F(VerbindungSendenTest, SidOfAnUnknownStationIsEchoedUnlessHidden) {
    const auto connection = Make();
    const auto channel = std::make_shared<RecordingKanal>();
    connection->SetKanal(channel);
    connection->Set_Call("DB0ABC");

    config.SetHideSentSID(false);
    connection->SID();
    const auto pieces = Drain(connection->GetTypedTextQueue());
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0], SidZeile(ProgramVersion(), false));
    EXPECT_TRUE(channel->Has("Gesendet " + pieces[0]));

    config.SetHideSentSID(true);
    connection->SID();
    const auto lines = channel->Lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.rfind("Gesendet {", 0) == 0; }),
              1);
}

} // namespace
} // namespace quarn::test
