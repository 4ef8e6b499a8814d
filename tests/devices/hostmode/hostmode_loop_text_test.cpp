// What the run loop reads out of the TNC's texts: link-status reports, "L" counts, link states, FRACK
// and the paths of the "C" query.
#include "devices/hostmode/HostmodeLinkStatus.h"

#include <gtest/gtest.h>

namespace quarn {
namespace {

struct MeldungRow {
    const char* text;
    TLinkMeldung meldung;
    const char* rest;
};

TEST(HostmodeLoopText, LinkStatusReportsWithTheirPrefixes) {
    const std::vector<MeldungRow> rows = {
        {"BUSY fm DL2BBB", TLinkMeldung::Busy, "DL2BBB"},
        {"(1) CONNECTED to DL2BBB via DB0XYZ", TLinkMeldung::Connected, "DL2BBB via DB0XYZ"},
        {"1:LINK RESET fm DL2BBB", TLinkMeldung::LinkResetFm, "DL2BBB"},
        {"(12) LINK RESET to DL2BBB - 00/00/00 00:01:02", TLinkMeldung::LinkResetTo,
         "DL2BBB - 00/00/00 00:01:02"},
        {"disconnected fm DL2BBB", TLinkMeldung::Disconnected, "DL2BBB"},
        {"LINK FAILURE with DL2BBB", TLinkMeldung::LinkFailure, "DL2BBB"},
        {"(3) CONNECT REQUEST fm DL2BBB", TLinkMeldung::ConnectRequest, "DL2BBB"},
        {"FRAME REJECT fm DL2BBB", TLinkMeldung::FrameReject, "fm DL2BBB"},
        {"2:(3) BUSY fm DL2BBB", TLinkMeldung::Busy, "DL2BBB"},
        {"(3) LINK WHATEVER", TLinkMeldung::Keine, ""},
        {"", TLinkMeldung::Keine, ""},
        {"(3)", TLinkMeldung::Keine, ""},
        {"BUSY fm", TLinkMeldung::Busy, ""},
    };
    for (const MeldungRow& row : rows) {
        SCOPED_TRACE(row.text);
        const TLinkStatus status = LinkStatusLesen(row.text);
        EXPECT_EQ(status.meldung, row.meldung);
        EXPECT_EQ(status.rest, row.rest);
    }
}

struct LRow {
    int code;
    const char* text;
    bool readable;
    TLinkZaehler counts;
};

TEST(HostmodeLoopText, LCountsAreReadOnlyFromCodeOneWithDigitsAndBlanks) {
    const std::vector<LRow> rows = {
        {1, "0 0 0 0 0 4", true, {0, 0, 0, 0, 0, 4}},
        {1, "1 12 3 4 5 15", true, {1, 12, 3, 4, 5, 15}},
        {1, "0 2", true, {0, 2, 0, 0, 0, 0}},              // missing numbers stay 0
        {1, "0 0 0 0 0 4 99 x", true, {0, 0, 0, 0, 0, 4}}, // the sixth blank ends the parse
        {1, "0 0 A 0 0 4", false, {}},                     // a letter
        {1, "0 0 -1 0 0 4", false, {}},                    // no sign
        {1, "0 0 99999999999999 0 0 4", false, {}},        // would overflow
        {2, "INVALID CHANNEL NUMBER", false, {}},          // an error reply
        {0, "", false, {}},                                // no reply text
        {1, "", false, {}},
    };
    for (const LRow& row : rows) {
        SCOPED_TRACE(row.text);
        const std::optional<TLinkZaehler> counts = LZaehlerLesen(row.code, row.text);
        ASSERT_EQ(counts.has_value(), row.readable);
        if (counts) {
            EXPECT_EQ(counts->meldungen, row.counts.meldungen);
            EXPECT_EQ(counts->empfangen, row.counts.empfangen);
            EXPECT_EQ(counts->ungesendet, row.counts.ungesendet);
            EXPECT_EQ(counts->unbestaetigt, row.counts.unbestaetigt);
            EXPECT_EQ(counts->versuche, row.counts.versuche);
            EXPECT_EQ(counts->zustand, row.counts.zustand);
        }
    }
}

TEST(HostmodeLoopText, LinkStateTable) {
    // v: 0..15 -> frame reject 3, reject 6, polling 7; | 8 own side busy; | 0x10 remote side busy.
    const int expected[16] = {0, 0, 3, 0, 0, 6, 7, 8, 0x10, 0x18, 0x0F, 0x17, 0x1F, 0x0E, 0x16, 0x1E};
    for (int v = 0; v < 16; ++v) {
        EXPECT_EQ(LinkStatusAusZustand(v), expected[v]) << v;
    }
    EXPECT_EQ(LinkStatusAusZustand(99), 0);
}

TEST(HostmodeLoopText, FrackInSecondsWithAndWithoutScaling) {
    struct Row {
        int value;
        bool scaled;
        int frack;
    };
    for (const Row row : {Row{0, false, 1}, Row{10, false, 1}, Row{11, false, 1}, Row{15, false, 2},
                          Row{25, false, 3}, Row{24, false, 2}, Row{250, true, 3}, Row{100, true, 1},
                          Row{110, true, 1}, Row{119, true, 1}, Row{150, true, 2}}) {
        EXPECT_EQ(FrackAusAntwort(row.value, row.scaled), row.frack) << row.value << " " << row.scaled;
    }
}

TEST(HostmodeLoopText, PathsOfReportsAndOfTheConnectQuery) {
    EXPECT_EQ(ConnectPathAus("DL2BBB via DB0XYZ DB0ABC - 00/00/00 00:01:02"), "DL2BBB DB0XYZ DB0ABC");
    EXPECT_EQ(ConnectPathAus("1:DL2BBB"), "DL2BBB");
    EXPECT_EQ(ConnectPathAus("  DL2BBB  "), "DL2BBB");
    EXPECT_EQ(ConnectPathAus(""), "");

    EXPECT_EQ(ConnectedToAus("CHANNEL NOT CONNECTED"), std::nullopt);
    EXPECT_EQ(ConnectedToAus("channel not connected"), std::nullopt);
    EXPECT_EQ(ConnectedToAus("*** SIMULTANEOUS USE OF PACTOR AND PACKET"), std::nullopt);
    EXPECT_EQ(ConnectedToAus("DL2BBB via DB0XYZ"), "DL2BBB DB0XYZ");
    EXPECT_EQ(ConnectedToAus("Link to: DL2BBB"), "DL2BBB");
    EXPECT_EQ(ConnectedToAus("1:CHANNEL NOT CONNECTED"), std::nullopt);

    EXPECT_EQ(PfadNormalisiert(" dl2bbb   db0xyz "), "DL2BBB DB0XYZ");
    EXPECT_EQ(PfadNormalisiert("DL2BBB\tDB0XYZ"), "DL2BBB DB0XYZ");
    EXPECT_EQ(ZahlAusText("8184"), 8184);
    EXPECT_EQ(ZahlAusText("-1"), std::nullopt);
    EXPECT_EQ(ZahlAusText(""), std::nullopt);
}

} // namespace
} // namespace quarn
