#include "devices/flexnet/AgwAdressen.h"
#include "devices/flexnet/AgwMonitor.h"
#include "devices/flexnet/FlexnetAgwKernel.h"
#include "devices/flexnet/FlexnetMonitorThread.h"
#include "devices/channel/MonitorZeileU.h"

#include <gtest/gtest.h>

namespace quarn {
namespace {

// One AX.25 address field: six shifted characters, then the SSID byte with its high and end bits.
std::string Address(std::string_view call, int ssid, bool high, bool last) {
    std::string field;
    for (std::size_t i = 0; i < 6; ++i) {
        const char c = i < call.size() ? call[i] : ' ';
        field += static_cast<char>(c << 1);
    }
    field += static_cast<char>(0x60 | (ssid << 1) | (high ? 0x80 : 0) | (last ? 0x01 : 0));
    return field;
}

std::string Header(bool command, const std::vector<std::pair<std::string, bool>>& digis = {}) {
    std::string header = Address("DB0XYZ", 0, command, false) + Address("DL1ABC", 7, !command, digis.empty());
    for (std::size_t i = 0; i < digis.size(); ++i) {
        header += Address(digis[i].first, 0, digis[i].second, i + 1 == digis.size());
    }
    return header;
}

struct ControlCase {
    const char* name;
    std::string control;
    bool modulo128;
    std::uint8_t art;
    std::uint8_t pollFinal;
    std::uint8_t sequenz1;
    std::uint8_t sequenz2;
    std::string info;
};

TEST(AgwMonitor, ControlFieldsReadAsTheirKindsWithSequenceAndPollBits) {
    const std::string pidText = std::string("\xF0", 1) + "text";
    const std::vector<ControlCase> cases = {
        {"I modulo 8", std::string(1, static_cast<char>((5 << 5) | 0x10 | (3 << 1))) + pidText, false, 1, 1,
         5, 3, "text"},
        {"I modulo 128", std::string{static_cast<char>(100 << 1), static_cast<char>((77 << 1) | 1)} + pidText,
         true, 1, 1, 77, 100, "text"},
        {"RR", std::string(1, static_cast<char>((2 << 5) | 0x01)), false, 2, 0, 2, 0, ""},
        {"RNR", std::string(1, static_cast<char>((6 << 5) | 0x10 | 0x05)), false, 3, 1, 6, 0, ""},
        {"REJ modulo 128", std::string{static_cast<char>(0x09), static_cast<char>(90 << 1)}, true, 4, 0, 90,
         0, ""},
        {"SREJ is not shown", std::string(1, static_cast<char>(0x0D)), false, 0, 0, 0, 0, ""},
        {"SABM", std::string(1, static_cast<char>(0x3F)), false, 5, 1, 0, 0, ""},
        {"SABME", std::string(1, static_cast<char>(0x7F)), false, 5, 1, 0, 0, ""},
        {"DISC", std::string(1, static_cast<char>(0x53)), false, 6, 1, 0, 0, ""},
        {"DM", std::string(1, static_cast<char>(0x1F)), false, 7, 1, 0, 0, ""},
        {"UA", std::string(1, static_cast<char>(0x63)), false, 8, 0, 0, 0, ""},
        {"UI", std::string(1, static_cast<char>(0x03)) + pidText, false, 10, 0, 0, 0, "text"},
        {"XID is not shown", std::string(1, static_cast<char>(0xAF)), false, 0, 0, 0, 0, ""},
    };
    for (const ControlCase& c : cases) {
        const auto frame = AgwMonitorLesen(Header(true) + c.control, 2, c.modulo128);
        ASSERT_TRUE(frame) << c.name;
        const FlexnetMonitor& m = frame->monitor;
        EXPECT_EQ(m.art, c.art) << c.name;
        EXPECT_EQ(m.pollFinal, c.pollFinal) << c.name;
        EXPECT_EQ(m.sequenz1, c.sequenz1) << c.name;
        EXPECT_EQ(m.sequenz2, c.sequenz2) << c.name;
        EXPECT_EQ(m.info, c.info) << c.name;
        EXPECT_EQ(m.kanal, 2) << c.name;
    }
}

TEST(AgwMonitor, AddressesCommandBitAndDigipeatersPassed) {
    const auto frame = AgwMonitorLesen(
        Header(false, {{"DB0AAA", true}, {"DB0BBB", true}, {"DB0CCC", false}}) + "\x63", 0, false);
    ASSERT_TRUE(frame);
    const FlexnetMonitor& m = frame->monitor;
    EXPECT_EQ(m.ziel, "DB0XYZ");
    EXPECT_EQ(m.quelle, "DL1ABC-7");
    EXPECT_EQ(m.kommando, 0);
    EXPECT_EQ(m.digis, (std::vector<std::string>{"DB0AAA", "DB0BBB", "DB0CCC"}));
    EXPECT_EQ(m.digisPassiert, 2);
    EXPECT_EQ(AgwMonitorLesen(Header(true) + "\x63", 0, false)->monitor.kommando, 1);
}

TEST(AgwMonitor, LinkSetupTellsHowTheLinkCounts) {
    EXPECT_EQ(AgwMonitorLesen(Header(true) + "\x7F", 0, false)->linkModulo128, true);
    EXPECT_EQ(AgwMonitorLesen(Header(true) + "\x3F", 0, true)->linkModulo128, false);
    EXPECT_EQ(AgwMonitorLesen(Header(true) + "\x53", 0, true)->linkModulo128, false);
    EXPECT_FALSE(AgwMonitorLesen(Header(true) + "\x63", 0, true)->linkModulo128);
}

TEST(AgwMonitor, BrokenFramesAreNone) {
    const std::string nineDigis = [] {
        std::vector<std::pair<std::string, bool>> digis(9, {"DB0AAA", false});
        return Header(true, digis);
    }();
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"half an address", Header(true).substr(0, 10)},
        {"no end bit", Address("DB0XYZ", 0, true, false) + Address("DL1ABC", 0, false, false) + "\x63"},
        {"no control", Header(true)},
        {"I frame without pid", Header(true) + std::string(1, '\0')},
        {"UI without pid", Header(true) + "\x03"},
        {"bad character", Address("DB0X?Z", 0, true, false) + Address("DL1ABC", 0, false, true) + "\x63"},
        {"nine digipeaters", nineDigis + "\x63"},
        {"modulo 128 I frame cut", Header(true) + std::string(1, '\0')},
    };
    for (const auto& [name, bytes] : cases) {
        EXPECT_FALSE(AgwMonitorLesen(bytes, 0, std::string_view(name).find("128") != std::string_view::npos))
            << name;
    }
}

TEST(AgwAdressen, CallsAndPaths) {
    EXPECT_EQ(AgwCall("dl1abc-0"), "DL1ABC");
    EXPECT_EQ(AgwCall("dl1abc-10"), "DL1ABC-10");
    for (const char* good : {"DL1ABC", "DL1ABC-15", "A", "DB0XYZ-0"}) {
        EXPECT_TRUE(IsAgwCall(good)) << good;
    }
    for (const char* bad : {"", "DL1ABCD", "DL1ABC-16", "DL1ABC-", "DL1-ABC-1", "DL1 AB", "-1"}) {
        EXPECT_FALSE(IsAgwCall(bad)) << bad;
    }
    const AgwPfad full = AgwPfadLesen("3 db0xyz via db0aaa,DB0BBB-2");
    EXPECT_EQ(full.port, 3);
    EXPECT_EQ(full.ziel, "DB0XYZ");
    EXPECT_EQ(full.digis, (std::vector<std::string>{"DB0AAA", "DB0BBB-2"}));
    const AgwPfad plain = AgwPfadLesen("  DB0XYZ v DB0AAA ");
    EXPECT_FALSE(plain.port);
    EXPECT_EQ(plain.ziel, "DB0XYZ");
    EXPECT_EQ(plain.digis, (std::vector<std::string>{"DB0AAA"}));
    const AgwPfad portBeforeDigis = AgwPfadLesen("DB0XYZ 3 DB0AAA");
    EXPECT_EQ(portBeforeDigis.port, 3);
    EXPECT_EQ(portBeforeDigis.ziel, "DB0XYZ");
    EXPECT_EQ(portBeforeDigis.digis, (std::vector<std::string>{"DB0AAA"}));
    // A lone number is a destination, not a port.
    EXPECT_EQ(AgwPfadLesen("0").ziel, "0");
    EXPECT_FALSE(AgwPfadLesen("0").port);
}

// A host-mode TNC and the AGW modem hear the same information frame: both monitors show the same line,
// also when the monitor came on after the link began, or the link went through our own modem, which
// does not show the SABME it sent.
TEST(AgwMonitor, AnInformationFrameShowsTheSameLineAsTheHostModeMonitor) {
    // A command, P 0, N(S) 3, N(R) 0: the host-mode TNC writes it "I03-".
    TMonitorFrame tnc;
    ASSERT_TRUE(MonitorKopfLesen("1:fm DL1AAA to DL2BBB ctl I03- pid F0", 7, tnc));
    tnc.information = "Hallo Welt\r";
    const std::int32_t flags = 0x15E | kMonitorPortPrefix;
    const auto erwartet = MonitorZeileFormatieren(tnc, flags);
    ASSERT_TRUE(erwartet);

    struct Fall {
        const char* name;
        std::string control;
        std::optional<bool> modulo128;
    };
    const Fall faelle[] = {
        {"modulo 128, start not seen", {static_cast<char>(3 << 1), '\0'}, std::nullopt},
        {"modulo 128, start seen", {static_cast<char>(3 << 1), '\0'}, true},
        {"modulo 8, start not seen", {static_cast<char>(3 << 1)}, std::nullopt},
        {"modulo 8, start seen", {static_cast<char>(3 << 1)}, false},
    };
    TFlexnetAgwKernel kernel("127.0.0.1", 8000);
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        const std::string frame = Address("DL2BBB", 0, true, false) + Address("DL1AAA", 0, false, true) +
                                  f.control + "\xF0" + "Hallo Welt\r";
        const auto gelesen = AgwMonitorLesen(frame, 1, f.modulo128);
        ASSERT_TRUE(gelesen);
        const TMonitorFrame agw = MonitorFrameAusKernel(gelesen->monitor, 7, true, kernel);
        EXPECT_EQ(agw.pid, tnc.pid);
        EXPECT_EQ(agw.information, tnc.information);
        const auto zeile = MonitorZeileFormatieren(agw, flags);
        ASSERT_TRUE(zeile);
        EXPECT_EQ(zeile->kopf, erwartet->kopf);
        EXPECT_EQ(zeile->information, erwartet->information);
    }

    // A supervisory frame tells by its length how a link counts whose start was not seen.
    const std::string header = Address("DL2BBB", 0, true, false) + Address("DL1AAA", 0, false, true);
    const auto rr128 = AgwMonitorLesen(header + std::string{'\x01', '\x0A'}, 1, std::nullopt);
    ASSERT_TRUE(rr128);
    EXPECT_EQ(rr128->linkModulo128, true);
    EXPECT_EQ(rr128->monitor.art, 2);
    EXPECT_EQ(rr128->monitor.sequenz1, 5);
    const auto rr8 = AgwMonitorLesen(header + "\x41", 1, std::nullopt);
    ASSERT_TRUE(rr8);
    EXPECT_EQ(rr8->linkModulo128, false);
    EXPECT_EQ(rr8->monitor.sequenz1, 2);
}

} // namespace
} // namespace quarn
