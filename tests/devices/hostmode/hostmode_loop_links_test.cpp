// The run loop's connections: incoming links by rule, the link-status reports, data in, the full check
// and the disconnect levels, on the simulator in-process with cycles run one by one.
#include "HostmodeLoopFixture.h"
#include "TraceLines.h"
#include "connections/ConnectionsListU.h"
#include "support/Elapsed.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

const std::string kBelegt = "<Quarn>: Alle Kan\xe4le sind belegt.\r";

int CountInformation(const TncSimCore& core, int channel, std::string_view data = {}) {
    int count = 0;
    for (const ReceivedFrame& frame : core.Received()) {
        if (frame.channel == channel && !frame.command && (data.empty() || frame.data == data)) {
            ++count;
        }
    }
    return count;
}

// Reads a channel's pending reports away behind the device's back, so only data or the full check
// can tell the device of the link.
void DrainReports(LoopDevice& d, int channel) {
    int code = 0;
    std::string text;
    do {
        ASSERT_TRUE(d.Sende(channel, true, code, text, "G"));
    } while (code != 0);
}

struct RuleRow {
    const char* name;
    TIncomingConnects rule;
    int freeChannels;
    bool kept;
    bool rejectText;
    int disconnects;
};

TEST_F(LoopTest, IncomingConnectsByRule) {
    const std::vector<RuleRow> rows = {
        {"accept", TIncomingConnects::Accept, 5, true, false, 0},
        {"accept, no free channel", TIncomingConnects::Accept, 0, false, true, 1},
        {"ignore", TIncomingConnects::Ignore, 5, false, false, 4},
        {"reject", TIncomingConnects::Reject, 5, false, true, 1},
    };
    for (const RuleRow& row : rows) {
        SCOPED_TRACE(row.name);
        rule_ = row.rule;
        freeChannels_ = row.freeChannels;
        TncSimCore core(LoopTnc());
        TraceLines trace;
        Run(core, [&](LoopDevice& d) {
            ASSERT_TRUE(core.IncomingConnect(2, "DL2BBB"));
            d.Zyklus();
            const std::shared_ptr<IVerbindung> entry = d.GetKanalVerbindung(2);
            EXPECT_EQ(entry != nullptr, row.kept);
            if (entry) {
                const auto fake = Fake(entry);
                EXPECT_TRUE(core.HasCommand("I", 2));
                EXPECT_EQ(fake->Get_MyCall(), "DL1AAA-1"); // what the TNC answered
                EXPECT_EQ(fake->Get_Path(), "DL2BBB");
                EXPECT_EQ(fake->Get_Handle(), 2);
                EXPECT_FALSE(fake->GetAusgehend());
                EXPECT_TRUE(fake->GetConnectText());
                EXPECT_TRUE(fake->GetFernsteuerung()); // at once, not at the next full check
                EXPECT_NE(fake->GetKanal(), nullptr);
                EXPECT_EQ(fake->Starts(), 1);
            }
        });
        const auto made = NewlyMade();
        ASSERT_EQ(made.size(), 1u);
        EXPECT_EQ(made[0]->Released(), !row.kept);
        EXPECT_EQ(CountInformation(core, 2, kBelegt), row.rejectText ? 1 : 0);
        EXPECT_EQ(core.CountCommand("D", 2), row.disconnects);
        if (row.rule == TIncomingConnects::Ignore) {
            EXPECT_TRUE(trace.Contains("Verbindungswunsch von DL2BBB ignoriert."));
        }
        if (row.freeChannels == 0) {
            EXPECT_TRUE(trace.Contains("Verbindungswunsch von DL2BBB abgelehnt (kein freier Kanal)."));
        }
    }
}

// One report on the device: what set it off, and what the connection of the channel shows after.
struct ReportRow {
    const char* name;
    std::function<void(LoopTest&, TncSimCore&, LoopDevice&)> act;
    std::function<void(LoopTest&, TncSimCore&, LoopDevice&)> check;
};

// A link the device accepted on channel 2.
std::shared_ptr<FakeVerbindung> Accepted(TncSimCore& core, LoopDevice& d) {
    EXPECT_TRUE(core.IncomingConnect(2, "DL2BBB"));
    d.Zyklus();
    return std::dynamic_pointer_cast<FakeVerbindung>(d.GetKanalVerbindung(2));
}

TEST_F(LoopTest, LinkStatusReports) {
    const std::vector<ReportRow> rows = {
        {"CONNECTED to (outgoing)",
         [](LoopTest& t, TncSimCore& core, LoopDevice& d) {
             const auto connection = t.Outgoing(d, 2, "dl2bbb  db0xyz");
             int code = 0;
             std::string text;
             ASSERT_TRUE(d.Sende(2, true, code, text, "CDL2BBB via DB0XYZ"));
             d.Zyklus();
             EXPECT_EQ(connection->Starts(), 1);
             EXPECT_EQ(connection->Get_RealPath(), "DL2BBB DB0XYZ"); // the report's, not the typed one
             EXPECT_FALSE(connection->GetConnectText());
             for (int i = 0; i < 51; ++i) {
                 d.Zyklus(); // the next full check keeps it
             }
             EXPECT_EQ(d.GetKanalVerbindung(2), connection);
             EXPECT_TRUE(connection->GetrenntGruende().empty());
         },
         [](LoopTest&, TncSimCore&, LoopDevice&) {}},
        {"LINK RESET fm (incoming, now ruled 'ignore')",
         [](LoopTest& t, TncSimCore& core, LoopDevice& d) {
             const auto old = Accepted(core, d);
             t.rule_ = TIncomingConnects::Ignore;
             ASSERT_TRUE(core.LinkReset(2, true));
             d.Zyklus();
             EXPECT_EQ(old->GetrenntGruende(), std::vector<int>{0});
             EXPECT_TRUE(old->Released());
             const auto renewed = std::dynamic_pointer_cast<FakeVerbindung>(d.GetKanalVerbindung(2));
             ASSERT_NE(renewed, nullptr);
             EXPECT_NE(renewed, old);
             EXPECT_FALSE(renewed->GetAusgehend());
             EXPECT_FALSE(renewed->GetConnectText()); // no second greeting
             EXPECT_EQ(renewed->GetKanal(), old->GetKanal());
             EXPECT_EQ(renewed->Get_MyCall(), old->Get_MyCall());
             EXPECT_EQ(renewed->Starts(), 1);
             EXPECT_EQ(core.CountCommand("D", 2), 0); // the rule was not applied
         },
         [](LoopTest&, TncSimCore&, LoopDevice&) {}},
        {"LINK RESET to (outgoing)",
         [](LoopTest& t, TncSimCore& core, LoopDevice& d) {
             const auto old = t.Outgoing(d, 2, "DL2BBB");
             int code = 0;
             std::string text;
             ASSERT_TRUE(d.Sende(2, true, code, text, "CDL2BBB"));
             d.Zyklus();
             ASSERT_TRUE(core.LinkReset(2, false));
             d.Zyklus();
             const auto renewed = std::dynamic_pointer_cast<FakeVerbindung>(d.GetKanalVerbindung(2));
             ASSERT_NE(renewed, nullptr);
             EXPECT_NE(renewed, old);
             EXPECT_TRUE(renewed->GetAusgehend());
             EXPECT_EQ(renewed->Get_Path(), "DL2BBB");
         },
         [](LoopTest&, TncSimCore&, LoopDevice&) {}},
        {"DISCONNECTED fm",
         [](LoopTest&, TncSimCore& core, LoopDevice& d) {
             const auto connection = Accepted(core, d);
             ASSERT_TRUE(core.RemoteDisconnect(2));
             d.Zyklus();
             EXPECT_EQ(connection->GetrenntGruende(), std::vector<int>{0});
             EXPECT_TRUE(connection->Released());
             // The TNC gave the channel channel 0's call; the device gave it its own again.
             EXPECT_EQ(core.Channel(2).ownCall, "DL1AAA-1");
         },
         [](LoopTest&, TncSimCore&, LoopDevice& d) { EXPECT_EQ(d.GetKanalVerbindung(2), nullptr); }},
        {"LINK FAILURE with",
         [](LoopTest&, TncSimCore& core, LoopDevice& d) {
             const auto connection = Accepted(core, d);
             ASSERT_TRUE(core.LinkFailure(2));
             d.Zyklus();
             EXPECT_EQ(connection->GetrenntGruende(), std::vector<int>{1});
         },
         [](LoopTest&, TncSimCore&, LoopDevice& d) { EXPECT_EQ(d.GetKanalVerbindung(2), nullptr); }},
        {"CONNECT REQUEST fm",
         [](LoopTest&, TncSimCore& core, LoopDevice& d) {
             ASSERT_TRUE(core.ConnectRequestNotice(2, "DL3CCC"));
             d.Zyklus();
         },
         [](LoopTest& t, TncSimCore&, LoopDevice& d) {
             EXPECT_TRUE(t.NewlyMade().empty());
             EXPECT_EQ(d.GetKanalVerbindung(2), nullptr);
         }},
        {"FRAME REJECT",
         [](LoopTest&, TncSimCore& core, LoopDevice& d) {
             const auto connection = Accepted(core, d);
             ASSERT_TRUE(core.FrameReject(2));
             d.Zyklus();
             EXPECT_EQ(connection->Prompts(), std::vector<std::string>{"Frame Reject (fm DL2BBB)|3"});
             EXPECT_TRUE(connection->GetrenntGruende().empty());
         },
         [](LoopTest&, TncSimCore&, LoopDevice& d) { EXPECT_NE(d.GetKanalVerbindung(2), nullptr); }},
    };
    for (const ReportRow& row : rows) {
        SCOPED_TRACE(row.name);
        rule_ = TIncomingConnects::Accept;
        TncSimConfig config = LoopTnc();
        config.outcomes["DL7BSY"] = ConnectOutcome::Busy;
        TncSimCore core(config);
        Run(core, [&](LoopDevice& d) {
            row.act(*this, core, d);
            row.check(*this, core, d);
        });
    }
}

TEST_F(LoopTest, BusyEndsTheOutgoingConnectWithReasonTwo) {
    TncSimConfig config = LoopTnc();
    config.outcomes["DL7BSY"] = ConnectOutcome::Busy;
    TncSimCore core(config);
    std::shared_ptr<FakeVerbindung> connection;
    Run(core, [&](LoopDevice& d) {
        connection = Outgoing(d, 3, "DL7BSY");
        int code = 0;
        std::string text;
        ASSERT_TRUE(d.Sende(3, true, code, text, "CDL7BSY"));
        d.Zyklus();
    });
    EXPECT_EQ(connection->GetrenntGruende(), std::vector<int>{2});
    EXPECT_TRUE(connection->Released());
}

TEST_F(LoopTest, DataInArrivesByteExactAndMakesItsConnectionFirst) {
    std::string bytes;
    for (int i = 0; i < 3 * 256; ++i) {
        bytes += static_cast<char>(i % 256); // NUL and 0xFF included
    }
    TncSimCore core(LoopTnc());
    TraceLines trace;
    Run(core, [&](LoopDevice& d) {
        ASSERT_TRUE(core.IncomingConnect(1, "DL2BBB via DB0XYZ"));
        DrainReports(d, 1);
        ASSERT_TRUE(core.RemoteData(1, bytes));
        ASSERT_TRUE(core.RemoteData(1, "tail"));
        d.Zyklus();
    });
    EXPECT_TRUE(trace.Contains("WARNUNG: AX25-Daten ohne vs_connected"));
    const auto made = Made();
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0]->Get_Path(), "DL2BBB DB0XYZ");
    EXPECT_FALSE(made[0]->GetConnectText());
    EXPECT_EQ(made[0]->Starts(), 1);
    EXPECT_EQ(made[0]->Empfangen(), bytes + "tail");
}

TEST_F(LoopTest, NoConnectionFromAnEmptyPath) {
    TncSimCore core(LoopTnc());
    TraceLines trace;
    Run(core, [&](LoopDevice& d) {
        ASSERT_TRUE(core.IncomingConnect(1, ""));
        ASSERT_TRUE(core.RemoteData(1, "data"));
        d.Zyklus();
        for (int i = 0; i < 51; ++i) {
            d.Zyklus(); // a full check on the way
        }
    });
    EXPECT_TRUE(Made().empty());
    EXPECT_TRUE(trace.Contains("Fehler bei EmpfangeText"));
}

TEST_F(LoopTest, TheDeviceNeverWaitsForTheConnectionsList) {
    // Membership is the connection's business: a list held elsewhere does not hold up the TNC's traffic.
    TConnectionsList list;
    const TConnectionsList::ScopedLock held(list);
    TncSimCore core(LoopTnc());
    const auto start = std::chrono::steady_clock::now();
    Run(core, [&](LoopDevice& d) {
        const auto connection = Accepted(core, d);
        ASSERT_NE(connection, nullptr);
        connection->SetDiscLevel(1);
        d.Trenne(connection);
        d.Zyklus();
        d.Zyklus();
        EXPECT_EQ(connection->GetrenntGruende(), std::vector<int>{0});
    });
    EXPECT_LT(msSince(start), 5000);
}

struct CheckRow {
    const char* name;
    const char* remote; // what the TNC has on channel 1, empty: free
    const char* entry;  // the RealPath of the entry, nullptr: none
    std::uint8_t state; // of the entry
    bool ended;         // with reason 1
    bool adopted;
};

TEST_F(LoopTest, FullCheckAdoptsEndsOrKeeps) {
    const std::vector<CheckRow> rows = {
        {"TNC connected, no entry", "DL2BBB", nullptr, 0, false, true},
        {"entry with another path", "DL2BBB", "DL9XXX", 3, true, false},
        {"same path, other spelling", "DL2BBB via DB0XYZ", "dl2bbb   db0xyz", 3, false, false},
        {"TNC free, entry running", "", "DL2BBB", 3, true, false},
        {"TNC free, connect being set up", "", "DL2BBB", 2, false, false},
    };
    for (const CheckRow& row : rows) {
        SCOPED_TRACE(row.name);
        TncSimCore core(LoopTnc());
        TraceLines trace;
        std::shared_ptr<FakeVerbindung> entry;
        Run(core, [&](LoopDevice& d) {
            if (*row.remote) {
                ASSERT_TRUE(core.IncomingConnect(1, row.remote));
                DrainReports(d, 1);
            }
            if (row.entry) {
                entry = Outgoing(d, 1, row.entry);
                entry->SetState(row.state);
            }
            for (int cycle = 2; cycle <= 52; ++cycle) {
                d.Zyklus(); // cycle 52 is the next full check
            }
        });
        if (entry) {
            EXPECT_EQ(entry->GetrenntGruende(), row.ended ? std::vector<int>{1} : std::vector<int>{});
            EXPECT_EQ(entry->Released(), row.ended);
            EXPECT_EQ(trace.Contains("FULLCHECK: RealPath = "), row.ended);
        }
        EXPECT_EQ(trace.Contains("FULLCHECK: Verbindung aufgetaucht."), row.adopted);
        if (row.adopted) {
            ASSERT_EQ(NewlyMade().size(), 1u);
            EXPECT_EQ(NewlyMade()[0]->Get_RealPath(), "DL2BBB");
            EXPECT_TRUE(NewlyMade()[0]->GetFernsteuerung());
        }
    }
}

TEST_F(LoopTest, DisconnectLevels) {
    for (const std::uint8_t level : {1, 3}) {
        SCOPED_TRACE(static_cast<int>(level));
        TncSimCore core(LoopTnc());
        std::shared_ptr<FakeVerbindung> connection;
        Run(core, [&](LoopDevice& d) {
            connection = Accepted(core, d);
            connection->SetDiscLevel(level);
            d.Trenne(connection);
            EXPECT_EQ(connection->DiscDone(), 1);
            EXPECT_TRUE(connection->GetrenntGruende().empty()); // the TNC says when
            d.Zyklus();                                         // "D" goes out
            d.Zyklus();                                         // "DISCONNECTED fm" comes in
        });
        EXPECT_EQ(core.CountCommand("D", 2), 1);
        EXPECT_EQ(connection->GetrenntGruende(), std::vector<int>{0});
        EXPECT_TRUE(connection->Released());
    }
}

TEST_F(LoopTest, KillEndsAtOnceAndLateDataDoesNotResurrectTheLink) {
    TncSimConfig config = LoopTnc();
    config.disconnectDelayMs = 600'000; // the TNC keeps the link in disconnect for the whole test
    TncSimCore core(config);
    TraceLines trace;
    std::shared_ptr<FakeVerbindung> connection;
    Run(core, [&](LoopDevice& d) {
        connection = Accepted(core, d);
        connection->SetDiscLevel(5);
        d.Trenne(connection);
        EXPECT_EQ(connection->GetrenntGruende(), std::vector<int>{0});
        EXPECT_TRUE(connection->Released());
        EXPECT_EQ(d.GetKanalVerbindung(2), nullptr);
        ASSERT_TRUE(core.RemoteData(2, "late"));
        for (int i = 0; i < 52; ++i) {
            d.Zyklus(); // data, the "D", and a full check that still finds the link
        }
        EXPECT_TRUE(d.IstGetoetet(2));
        EXPECT_EQ(d.GetKanalVerbindung(2), nullptr);
    });
    EXPECT_EQ(core.CountCommand("D", 2), 1);
    EXPECT_EQ(Made().size(), 1u);
    EXPECT_EQ(connection->Empfangen(), "");
    EXPECT_FALSE(trace.Contains("FULLCHECK: Verbindung aufgetaucht."));
}

TEST_F(LoopTest, AKilledChannelServesAgainOnceTheTncReportsItDisconnected) {
    TncSimCore core(LoopTnc());
    Run(core, [&](LoopDevice& d) {
        const auto connection = Accepted(core, d);
        connection->SetDiscLevel(5);
        d.Trenne(connection);
        d.Zyklus(); // "D"
        d.Zyklus(); // "DISCONNECTED fm"
        EXPECT_FALSE(d.IstGetoetet(2));
        ASSERT_TRUE(core.IncomingConnect(2, "DL3CCC"));
        d.Zyklus();
        ASSERT_NE(d.GetKanalVerbindung(2), nullptr);
        EXPECT_EQ(d.GetKanalVerbindung(2)->Get_Path(), "DL3CCC");
    });
}

TEST_F(LoopTest, DisconnectWithoutADeviceThreadEndsAtOnce) {
    TncSimCore core(LoopTnc());
    auto device = std::make_shared<LoopDevice>(core);
    auto connection = std::make_shared<FakeVerbindung>(device);
    connection->Set_Handle(3);
    ASSERT_TRUE(device->KanalEintragen(3, connection));
    device->Trenne(connection);
    EXPECT_EQ(connection->DiscDone(), 1);
    EXPECT_EQ(connection->GetrenntGruende(), std::vector<int>{0});
    EXPECT_TRUE(connection->Released());
    EXPECT_EQ(device->GetKanalVerbindung(3), nullptr);
}

} // namespace
} // namespace quarn::test
