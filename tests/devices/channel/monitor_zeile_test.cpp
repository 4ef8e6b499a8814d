// The monitor line of a heard frame: header text for every frame kind and mark, the binary detection
// of I frames, the device and port prefix, and the class points behind the detection.
#include "devices/channel/MonitorZeileU.h"

#include <gtest/gtest.h>
#include <set>

namespace quarn::test {
namespace {

// The setting's default 0x15E without its device and port prefix; binary detection on.
constexpr std::int32_t kPlain = 0x5E;

TMonitorFrame Frame(std::uint8_t kind, std::uint8_t command, std::uint8_t pollFinal) {
    TMonitorFrame frame;
    frame.from = "DL1ABC";
    frame.to = "DB0XYZ";
    frame.kind = kind;
    frame.command = command;
    frame.pollFinal = pollFinal;
    return frame;
}

TMonitorFrame IFrame(std::string information, std::uint8_t pid = 0xF0) {
    TMonitorFrame frame = Frame(1, 1, 0);
    frame.sequence1 = 2;
    frame.sequence2 = 3;
    frame.pid = pid;
    frame.information = std::move(information);
    return frame;
}

struct Case {
    const char* name;
    TMonitorFrame frame;
    std::int32_t flags;
    std::string kopf;
    std::string information;
};

// "Grüße aus München" in Windows-1252, then the DOS code page's ü.
const std::string kUmlautText = "Gr\xFC\xDF"
                                "e aus M\xFC"
                                "nchen \x81\r";
// Four control bytes within the first 24: 4 points.
const std::string kFourControls = "ABC\x01\x02\x03\x04 and more text behind it";

TMonitorFrame With(TMonitorFrame frame, void (*change)(TMonitorFrame&)) {
    change(frame);
    return frame;
}

std::vector<Case> Cases() {
    return {
        {"text I frame", IFrame(kUmlautText), kPlain, "[DL1ABC > DB0XYZ I23-]", kUmlautText},
        {"four control bytes", IFrame(kFourControls), kPlain,
         "[DL1ABC > DB0XYZ I23- BIN" + std::to_string(kFourControls.size()) + "]", ""},
        {"three control bytes are still text", IFrame("ABC\x01\x02\x03"), kPlain, "[DL1ABC > DB0XYZ I23-]",
         "ABC\x01\x02\x03"},
        {"one NUL byte", IFrame(std::string("A\0B", 3)), kPlain, "[DL1ABC > DB0XYZ I23- BIN3]", ""},
        {"controls after the first 24 bytes", IFrame(std::string(24, 'x') + "\x01\x02\x03\x04\x05"), kPlain,
         "[DL1ABC > DB0XYZ I23-]", std::string(24, 'x') + "\x01\x02\x03\x04\x05"},
        {"empty I frame", IFrame(""), kPlain, "[DL1ABC > DB0XYZ I23-]", ""},
        {"pid CF", IFrame("hello", 0xCF), kPlain, "[DL1ABC > DB0XYZ I23- BIN5 $CF]", ""},
        {"pid 08 without information", IFrame("", 0x08), kPlain, "[DL1ABC > DB0XYZ I23- BIN0 $08]", ""},
        {"no detection: controls shown", IFrame(kFourControls), kPlain | 0x80, "[DL1ABC > DB0XYZ I23-]",
         kFourControls},
        {"no detection: pid still named", IFrame("hello", 0xCF), 0x80, "[DL1ABC > DB0XYZ I23- $CF]", "hello"},
        {"prefix device 0 port 1", With(IFrame("hi"), [](TMonitorFrame& f) { f.port = 1; }), 0x100,
         "[001: DL1ABC > DB0XYZ I23-]", "hi"},
        {"wide prefix", With(IFrame("hi"), [](TMonitorFrame& f) { f.geraet = 12, f.port = 345; }), 0x15E,
         "[12345: DL1ABC > DB0XYZ I23-]", "hi"},
        {"via", With(Frame(10, 1, 0), [](TMonitorFrame& f) { f.via = "DB0AAA DB0BBB"; }), kPlain,
         "[DL1ABC > DB0XYZ v DB0AAA DB0BBB UI-]", ""},
        {"DAMA", With(Frame(2, 0, 0), [](TMonitorFrame& f) { f.dama = 1, f.sequence1 = 5; }), kPlain,
         "[DL1ABC > DB0XYZ RR5v DAMA]", ""},
        {"UI frames are never binary",
         With(Frame(10, 1, 0), [](TMonitorFrame& f) { f.information = "\x01\x02\x03\x04"; }), kPlain,
         "[DL1ABC > DB0XYZ UI-]", "\x01\x02\x03\x04"},
        {"everything at once",
         With(IFrame("abc", 0xCF),
              [](TMonitorFrame& f) {
                  f.via = "DB0AAA", f.dama = 1, f.command = 0, f.pollFinal = 1, f.sequence1 = 1,
                  f.sequence2 = 2;
              }),
         0x100, "[000: DL1ABC > DB0XYZ v DB0AAA I12^ DAMA BIN3 $CF]", ""},
    };
}

TEST(MonitorZeile, FormatsHeaderAndInformation) {
    for (const Case& test : Cases()) {
        SCOPED_TRACE(test.name);
        const std::optional<TMonitorZeile> line = MonitorZeileFormatieren(test.frame, test.flags);
        ASSERT_TRUE(line.has_value());
        EXPECT_EQ(line->kopf, test.kopf);
        EXPECT_EQ(line->information, test.information);
    }
}

TEST(MonitorZeile, ControlTextOfEveryKind) {
    const struct {
        std::uint8_t kind;
        const char* text;
    } kinds[] = {{1, "I47"}, {2, "RR4"}, {3, "RNR4"}, {4, "REJ4"}, {5, "SABM"}, {6, "DISC"},
                 {7, "DM"},  {8, "UA"},  {9, "FRMR"}, {10, "UI"},  {0, "???"},  {11, "???"}};
    for (const auto& [kind, text] : kinds) {
        SCOPED_TRACE(text);
        TMonitorFrame frame = Frame(kind, 1, 1);
        frame.sequence1 = 4;
        frame.sequence2 = 7;
        frame.pid = 0xF0;
        EXPECT_EQ(MonitorZeileFormatieren(frame, kPlain)->kopf,
                  std::string("[DL1ABC > DB0XYZ ") + text + "+]");
    }
}

TEST(MonitorZeile, PollFinalMarks) {
    const struct {
        std::uint8_t command, pollFinal;
        const char* kopf;
    } marks[] = {{1, 1, "[DL1ABC > DB0XYZ SABM+]"},
                 {1, 0, "[DL1ABC > DB0XYZ SABM-]"},
                 {0, 1, "[DL1ABC > DB0XYZ SABM^]"},
                 {0, 0, "[DL1ABC > DB0XYZ SABMv]"}};
    for (const auto& mark : marks) {
        EXPECT_EQ(MonitorZeileFormatieren(Frame(5, mark.command, mark.pollFinal), kPlain)->kopf, mark.kopf);
    }
}

TEST(MonitorZeile, FrameWithoutSenderGivesNoLine) {
    TMonitorFrame frame = IFrame("text");
    frame.from.clear();
    EXPECT_FALSE(MonitorZeileFormatieren(frame, kPlain | 0x100).has_value());
}

TEST(MonitorZeile, ClassTableMatchesTheTextAndControlBytes) {
    const std::set<int> text = {13,  128, 129, 132, 142, 148, 153, 154,
                                196, 214, 220, 223, 225, 228, 246, 252};
    const std::array<std::uint8_t, 256>& table = MonitorKlassenTabelle();
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE(c);
        int expected = 1;
        if ((c >= 32 && c <= 126) || text.count(c) != 0) {
            expected = 0;
        } else if (c == 0 || c == 192) {
            expected = 4;
        } else if (c == 127 || c == 254 || c == 255) {
            expected = 3;
        }
        EXPECT_EQ(table[static_cast<std::size_t>(c)], expected);
    }
}

} // namespace
} // namespace quarn::test
