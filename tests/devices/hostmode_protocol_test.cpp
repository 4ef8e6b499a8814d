// The host-mode protocol of the device against a scripted in-process TNC: entering host mode,
// transactions and their faults, resynchronisation, identification, own calls, leaving host mode.
#include "HostmodeFake.h"
#include "devices/MonitorFrameU.h"
#include "foundation/DebOutU.h"
#include "support/Elapsed.h"

#include "TraceLines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

namespace quarn::test {
namespace {

class HostmodeTest : public ::testing::Test {
protected:
    FakeTnc tnc;
    std::shared_ptr<FakeHostmode> device = std::make_shared<FakeHostmode>(tnc);

    std::vector<std::string> CommandsOn(int channel) const {
        std::vector<std::string> commands;
        for (const auto& [ch, text] : tnc.log) {
            if (ch == channel) {
                commands.push_back(text);
            }
        }
        return commands;
    }
    bool Logged(const std::string& text) { return tnc.Has(text); }
};

TEST_F(HostmodeTest, StartInHostModeSendsNoSwitchAndAsksTheVersionFirst) {
    tnc.hostMode = true;
    bool started = false;
    device->RunOnThread([&](FakeHostmode& d) { started = d.Hochfahren(); });
    EXPECT_TRUE(started);
    EXPECT_EQ(tnc.jhost1Count, 0);
    ASSERT_GE(tnc.log.size(), 2u);
    EXPECT_EQ(tnc.log[0], (std::pair<int, std::string>(1, "\x01\x01"))); // the host-mode check
    EXPECT_EQ(tnc.log[1], (std::pair<int, std::string>(0, "V")));
    EXPECT_EQ(device->GetStatus(), TGeraetStatus::Bereit);
    EXPECT_EQ(device->GetStatusText(), "Bereit");
}

TEST_F(HostmodeTest, TerminalModeIsSwitchedWithAtMostThreeAttemptsThenResync) {
    for (int ignored = 0; ignored <= 3; ++ignored) {
        SCOPED_TRACE(ignored);
        FakeTnc terminal;
        terminal.ignoreSwitches = ignored;
        auto d = std::make_shared<FakeHostmode>(terminal);
        bool started = false;
        d->RunOnThread([&](FakeHostmode& self) { started = self.Hochfahren(); });
        EXPECT_TRUE(started);
        EXPECT_EQ(terminal.jhost1Count, ignored + 1);
        EXPECT_EQ(d->GetFehlerZaehler(), ignored == 3 ? 1 : 0);
        EXPECT_EQ(d->GetStatus(), TGeraetStatus::Bereit);
    }
}

TEST_F(HostmodeTest, ChatteringTerminalDoesNotHoldTheHostModeCheck) {
    tnc.chatter = true;
    bool inHostMode = true;
    const auto start = std::chrono::steady_clock::now();
    device->RunOnThread([&](FakeHostmode& d) { inHostMode = d.PruefeHostmode(); });
    EXPECT_FALSE(inHostMode);
    EXPECT_LT(msSince(start), 3000);
}

struct IdentityCase {
    const char* version;
    std::map<std::string, FakeReply> replies;
    const char* klasse;
    bool frackScaled;
    std::vector<std::tuple<int, std::string, int, std::string>> ports; // entry, description, number, name
};

TEST_F(HostmodeTest, IdentificationTable) {
    const std::vector<IdentityCase> cases = {
        {"tnc2 multi", {}, "TNC2", false, {{0, "TNC2 intern", 0, "HM10"}, {1, "TNC2 Port 1", 1, "HM11"}}},
        {"TheFirmware TURBO-FIRMWARE 2.0",
         {},
         "TNC3",
         true,
         {{0, "TNC3 intern", 0, "HM10"}, {1, "TNC3 Port 1", 1, "HM11"}}},
        {"PTC-II v3",
         {{"%P9", {2, "Invalid"}},
          {"%P1", {0, ""}},
          {"%P2", {0, ""}},
          {"%P3", {2, "NO"}},
          {"%B", {1, "Modem\rsettings: scs - DSP\r"}}},
         "PTC-II",
         true,
         {{0, "PTC-II DSP", 1, "HM11"}, {1, "PTC-II DSP", 2, "HM12"}, {7, "PTC-II PACTOR", 255, "HM1255"}}},
        {"PTC-II",
         {{"%P9", {0, ""}}, {"%B", {1, "NO MODEM"}}},
         "PTC-IIe",
         true,
         {{0, "PTC-IIe ", -1, "HM10"}, {7, "PTC-IIe PACTOR", 255, "HM1255"}}},
    };
    for (const IdentityCase& c : cases) {
        SCOPED_TRACE(c.version);
        FakeTnc t;
        t.hostMode = true;
        t.version = c.version;
        t.replies = c.replies;
        t.handler = [](int channel, const std::string& data, FakeReply& reply) {
            if (data != "%T") {
                return false;
            }
            reply = channel == 2 ? FakeReply{1, "PACTOR"} : FakeReply{0, ""};
            return true;
        };
        auto d = std::make_shared<FakeHostmode>(t);
        d->Parameter().portNummer = 1;
        d->RunOnThread([](FakeHostmode& self) { self.Hochfahren(); });
        EXPECT_EQ(d->GetGeraeteKlasse(), c.klasse);
        EXPECT_EQ(d->GetFrackSkaliert(), c.frackScaled);
        const auto entries = d->GetFunkKanalEintraege();
        std::size_t made = 0;
        for (const auto& entry : entries) {
            made += entry.has_value();
        }
        EXPECT_EQ(made, c.ports.size());
        for (const auto& [index, description, number, name] : c.ports) {
            ASSERT_TRUE(entries[static_cast<std::size_t>(index)].has_value()) << index;
            EXPECT_EQ(entries[static_cast<std::size_t>(index)]->bezeichnung, description);
            EXPECT_EQ(entries[static_cast<std::size_t>(index)]->nummer, number);
            EXPECT_EQ(entries[static_cast<std::size_t>(index)]->name, name);
        }
    }
}

TEST_F(HostmodeTest, OwnCallsAreGivenToChannelsCyclically) {
    tnc.hostMode = true;
    device->calls = {{"A", {0, 1}}, {"B", {0}}};
    device->RunOnThread([](FakeHostmode& d) { d.Hochfahren(); });
    std::vector<std::string> walk;
    for (int channel = 0; channel <= 4; ++channel) {
        for (const std::string& text : CommandsOn(channel)) {
            if (text[0] == 'I') {
                walk.push_back(text);
            }
        }
    }
    EXPECT_EQ(walk, (std::vector<std::string>{"IA", "IA", "IB", "IA-1", "IA"}));
    EXPECT_EQ(CommandsOn(5), std::vector<std::string>{"IB"}); // refused: the walk ends there
    EXPECT_EQ(device->GetKanalAnzahl(), 4);
    EXPECT_TRUE(Logged("Y4"));
}

TEST_F(HostmodeTest, OwnCallsTooLongForACommandAreSkippedWithATraceLine) {
    tnc.hostMode = true;
    const std::string longest(253, 'Y'); // "I" + 253 bytes fits a frame, with "-15" it does not
    device->calls = {{std::string(300, 'X'), {0}}, {"A", {0}}, {longest, {0, 15}}};
    TraceLines trace;
    bool started = false;
    device->RunOnThread([&](FakeHostmode& d) { started = d.Hochfahren(); });
    EXPECT_TRUE(started);
    EXPECT_EQ(device->GetStatus(), TGeraetStatus::Bereit);
    EXPECT_EQ(device->EigeneRufzeichen(), (std::vector<std::string>{"A", longest}));
    EXPECT_EQ(CommandsOn(2).back(), "I" + longest);
    EXPECT_EQ(device->GetKanalAnzahl(), 4);
    EXPECT_TRUE(trace.Contains("FEHLER: Rufzeichen \"" + longest + "-15\""));
}

TEST_F(HostmodeTest, WithoutOwnCallsTheChannelsAreProbedAndY0Sent) {
    tnc.hostMode = true;
    device->RunOnThread([](FakeHostmode& d) { d.Hochfahren(); });
    EXPECT_EQ(device->GetKanalAnzahl(), 4);
    EXPECT_EQ(CommandsOn(5), std::vector<std::string>{"I"});
    EXPECT_TRUE(Logged("Y0"));
}

TEST_F(HostmodeTest, OwnCallWalkEndsAtTheLastChannelWhenTheTncNeverSaysInvalid) {
    tnc.hostMode = true;
    tnc.neverInvalid = true;
    device->calls = {{"A", {0}}};
    int count = 0;
    device->RunOnThread([&](FakeHostmode& d) {
        d.EigeneRufzeichenGeaendert();
        count = d.EigeneRufzeichenSetzen(true);
    });
    EXPECT_EQ(count, 255);
    EXPECT_EQ(CommandsOn(255), std::vector<std::string>{"IA"});
    EXPECT_TRUE(Logged("Y255"));
}

TEST_F(HostmodeTest, EmptyOwnCallListSendsNoCallToThePactorChannel) {
    tnc.hostMode = true;
    tnc.version = "PTC-II";
    tnc.handler = [](int channel, const std::string& data, FakeReply& reply) {
        if (data == "%T") {
            reply = channel == 3 ? FakeReply{1, ""} : FakeReply{0, ""};
            return true;
        }
        return false;
    };
    device->RunOnThread([](FakeHostmode& d) { d.Hochfahren(); });
    ASSERT_EQ(device->GetPactorKanal(), 3);
    EXPECT_EQ(CommandsOn(3), (std::vector<std::string>{"%T", "I"})); // the probe only
}

struct FaultCase {
    const char* id;
    std::string raw; // the reply bytes in place of the true one; empty: the reply is dropped
};

TEST_F(HostmodeTest, EachTransactionFaultFailsWithItsIdAndResyncRestoresStep) {
    const std::vector<FaultCase> cases = {
        {"3b", ""},
        {"4b", std::string("\x00", 1)},
        {"5b", std::string("\x00\x01"
                           "abc",
                           5)},
        {"5c", std::string("\x00\x01", 2) + std::string(300, 'x')},
        {"6b", std::string("\x00\x07", 2)},
        {"7b", std::string("\x00\x07\x05"
                           "ab",
                           5)},
        {"8", std::string("\x00\x09", 2)},
    };
    tnc.hostMode = true;
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.id);
        TraceLines trace;
        if (c.raw.empty()) {
            tnc.dropNextReply = true;
        } else {
            tnc.rawNextReply = c.raw;
        }
        bool first = true;
        bool next = false;
        int code = -2;
        std::string text;
        device->RunOnThread([&](FakeHostmode& d) {
            first = d.Befehl(0, true, code, text, "V");
            next = d.Resync() && d.Befehl(0, true, code, text, "V");
        });
        EXPECT_FALSE(first);
        EXPECT_TRUE(trace.Contains(std::string("FEHLER: ") + c.id + ":"));
        ASSERT_TRUE(next);
        EXPECT_EQ(code, 1);
        EXPECT_EQ(text, tnc.version);
    }
    EXPECT_GE(device->GetFehlerZaehler(), static_cast<int>(cases.size()));
    EXPECT_EQ(device->GetStatusText(), "Bereit - " + std::to_string(device->GetFehlerZaehler()) + " Fehler");
}

TEST_F(HostmodeTest, CodeSevenWithoutLengthSkipsTheDataRead) {
    tnc.hostMode = true;
    tnc.rawNextReply = std::string("\x00\x07", 2);
    TraceLines trace;
    device->RunOnThread([](FakeHostmode& d) {
        int code = 0;
        std::string text;
        d.Befehl(0, true, code, text, "V");
    });
    EXPECT_TRUE(trace.Contains("FEHLER: 6b:"));
    EXPECT_FALSE(trace.Contains("FEHLER: 7"));
}

TEST_F(HostmodeTest, EmptyDataSendsNothingAndSucceeds) {
    tnc.hostMode = true;
    bool ok = false;
    int code = -1;
    device->RunOnThread([&](FakeHostmode& d) {
        std::string text;
        ok = d.Befehl(3, true, code, text, "");
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(tnc.log.empty());
}

TEST_F(HostmodeTest, DesyncOfOneToFiveBytesIsRecovered) {
    for (int lost = 1; lost <= 5; ++lost) {
        SCOPED_TRACE(lost);
        FakeTnc t;
        t.hostMode = true;
        auto d = std::make_shared<FakeHostmode>(t);
        std::string first;
        std::string second;
        d->RunOnThread([&](FakeHostmode& self) {
            int code = 0;
            t.swallowNext = lost;
            self.Sende(0, true, code, first, "V");
            self.Sende(0, true, code, second, "V");
        });
        EXPECT_EQ(second, t.version);
        EXPECT_GE(d->GetFehlerZaehler(), 1);
        EXPECT_EQ(d->GetStatus(), TGeraetStatus::Bereit);
        EXPECT_EQ(d->GetStatusText(), "Bereit - " + std::to_string(d->GetFehlerZaehler()) + " Fehler");
    }
}

TEST_F(HostmodeTest, TncBackInTerminalModeIsSwitchedAndTheNextCycleIsAFullCheck) {
    tnc.hostMode = true;
    int pollBefore = 0;
    std::string version;
    device->RunOnThread([&](FakeHostmode& d) {
        d.Hochfahren();
        tnc.hostMode = false; // switched off and on again
        int code = 0;
        d.Sende(0, true, code, version, "V");
        pollBefore = d.GetPollZaehler();
    });
    EXPECT_EQ(version, tnc.version);
    EXPECT_EQ(tnc.jhost1Count, 1);
    EXPECT_EQ(pollBefore, -1);
}

TEST_F(HostmodeTest, StopEndsAResyncThatNeverSucceedsWithinASecond) {
    tnc.ignoreSwitches = 1000000;
    device->body = [](FakeHostmode& d) { d.Resync(); };
    device->Init();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto start = std::chrono::steady_clock::now();
    device->DeInit();
    EXPECT_LT(msSince(start), 1000);
    EXPECT_FALSE(device->HasThread());
}

TEST_F(HostmodeTest, LeavingHostModeSendsDeinitAndSwitchesBack) {
    tnc.hostMode = true;
    device->Parameter().deinitListe = {" K 1 ", ""};
    device->RunOnThread([](FakeHostmode& d) {
        d.Hochfahren();
        d.Herunterfahren();
    });
    const std::vector<std::string> tail = [&] {
        std::vector<std::string> all = CommandsOn(0);
        return std::vector<std::string>(all.end() - 4, all.end());
    }();
    EXPECT_EQ(tail, (std::vector<std::string>{"K 1", "MN", "Z3", "S0"}));
    EXPECT_FALSE(tnc.hostMode);
    EXPECT_FALSE(device->CommIsOpen());
}

TEST_F(HostmodeTest, WholeStartSendsTheInitListAndIsReady) {
    tnc.hostMode = true;
    device->Parameter().initListe = {"T 25", "c nicht senden", ""};
    device->Init();
    const auto start = std::chrono::steady_clock::now();
    while (!Logged("T 25") && msSince(start) < 5000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(device->GetStatus(), TGeraetStatus::Bereit);
    device->DeInit();
    EXPECT_TRUE(Logged("U0"));
    EXPECT_TRUE(Logged("T 25"));
    EXPECT_FALSE(Logged("c nicht senden"));
    EXPECT_EQ(device->GetStatus(), TGeraetStatus::Inaktiv); // stopped
    EXPECT_FALSE(tnc.hostMode);                             // left at the stop
}

struct HeaderCase {
    const char* text;
    bool ok;
    int port, kind, seq1, seq2, pollFinal, command, pid, dama;
    const char* from;
    const char* via;
};

TEST(MonitorHeader, ParsesAndRejects) {
    const HeaderCase cases[] = {
        {"1:fm A to B via C ctl I23^ pid F0", true, 1, 1, 2, 3, 1, 0, 0xF0, 0, "A", "C"},
        {"1:fm A to B via C ctl RNR5v", true, 1, 3, 5, 0, 0, 0, 0, 0, "A", "C"},
        {"fm DL1AB to CQ ctl UI+ pid F0 [DAMA]", true, 0, 10, 0, 0, 1, 1, 0xF0, 1, "DL1AB", ""},
        {"fm A to B ctl SABM-", true, 0, 5, 0, 0, 0, 1, 0, 0, "A", ""},
        {"fm A to B ctl RR1 pid 08", true, 0, 2, 1, 0, 0, 0, 8, 0, "A", ""}, // no mark
        {"fm A to B ctl RR", false, 0, 0, 0, 0, 0, 0, 0, 0, "A", ""},        // nothing after the field
        {"fm A to B", false, 0, 0, 0, 0, 0, 0, 0, 0, "", ""},                // no control field
        {"A to B ctl I00+", false, 0, 0, 0, 0, 0, 0, 0, 0, "", ""},          // no "fm "
        {"fm A ctl I00+ xx", false, 0, 0, 0, 0, 0, 0, 0, 0, "", ""},         // no "to "
        {"fm A to B ctl XX+", false, 0, 0, 0, 0, 0, 0, 0, 0, "A", ""},
        {"short", false, 0, 0, 0, 0, 0, 0, 0, 0, "", ""},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.text);
        TMonitorFrame frame;
        const bool ok = MonitorKopfLesen(c.text, 2, frame);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(frame.from, c.from);
        if (!ok) {
            continue;
        }
        EXPECT_EQ(frame.geraet, 2);
        EXPECT_EQ(frame.port, c.port);
        EXPECT_EQ(frame.kind, c.kind);
        EXPECT_EQ(frame.sequence1, c.seq1);
        EXPECT_EQ(frame.sequence2, c.seq2);
        if (std::string_view(c.text).find("RR") == std::string_view::npos) {
            EXPECT_EQ(frame.pollFinal, c.pollFinal);
            EXPECT_EQ(frame.command, c.command);
        }
        EXPECT_EQ(frame.pid, c.pid);
        EXPECT_EQ(frame.dama, c.dama);
        EXPECT_EQ(frame.via, c.via);
    }
}

} // namespace
} // namespace quarn::test
