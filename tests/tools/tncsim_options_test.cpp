// The command line of tncsim: what each option sets, and the values it refuses.
#include "support/FileContents.h"
#include "support/TempDir.h"
#include "tools/tncsim/TncSimOptions.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

TEST(TncSimOptionsTest, OptionsSetTheTncAndItsAir) {
    TempDir dir;
    WriteFile(dir / "bbs.txt", "send DB0XYZ BBS>\\r\nexpect LOGIN\nsend Challenge: 4711\\r\n");
    const std::string script = "DB0XYZ:script=" + (dir / "bbs.txt").string();
    CommandLine line;
    std::string error;
    ASSERT_TRUE(ParseCommandLine({"--pty",
                                  "--identity",
                                  "tnc3",
                                  "--channels",
                                  "4",
                                  "--call",
                                  "dl1aaa",
                                  "--hostmode",
                                  "--baud",
                                  "38400",
                                  "--exchange-ms",
                                  "44",
                                  "--station",
                                  "dl4ech:echo",
                                  "--station",
                                  script,
                                  "--station",
                                  "DL3BUS-2:busy",
                                  "--station",
                                  "DL7FLD:flood",
                                  "--connect-in",
                                  "DL4ECH@5",
                                  "--connect-in",
                                  "DL6NEW@0",
                                  "--beacon",
                                  "DB0BCN:600:Relais DB0BCN: 438.125 MHz",
                                  "--loss",
                                  "0.25",
                                  "--seed",
                                  "42",
                                  "--air-baud",
                                  "1200"},
                                 line, error))
        << error;
    EXPECT_TRUE(line.pty);
    EXPECT_FALSE(line.help);
    EXPECT_EQ(line.config.version, "TNC3 TURBO-FIRMWARE 2.7");
    EXPECT_EQ(line.config.channels, 4);
    EXPECT_EQ(line.config.ownCall, "DL1AAA");
    EXPECT_TRUE(line.config.startInHostMode);
    EXPECT_EQ(line.config.exchangeDelayMs, 44u);
    EXPECT_EQ(line.baud, 38400);
    EXPECT_DOUBLE_EQ(line.air.loss, 0.25);
    EXPECT_EQ(line.air.seed, 42u);
    EXPECT_EQ(line.air.baud, 1200);

    ASSERT_EQ(line.stations.size(), 5u);
    EXPECT_EQ(line.stations[0].call, "DL4ECH");
    EXPECT_EQ(line.stations[0].behaviour, StationBehaviour::Echo);
    EXPECT_EQ(line.stations[0].connectAfterMs, 5000);
    EXPECT_EQ(line.stations[1].call, "DB0XYZ");
    EXPECT_EQ(line.stations[1].behaviour, StationBehaviour::Script);
    ASSERT_EQ(line.stations[1].script.size(), 3u);
    EXPECT_EQ(line.stations[1].script[0].text, "DB0XYZ BBS>\r");
    EXPECT_EQ(line.stations[1].connectAfterMs, -1);
    EXPECT_EQ(line.stations[2].call, "DL3BUS-2");
    EXPECT_EQ(line.stations[2].behaviour, StationBehaviour::Busy);
    EXPECT_EQ(line.stations[3].call, "DL7FLD");
    EXPECT_EQ(line.stations[3].behaviour, StationBehaviour::Flood);
    // A station that only connects in is an echo station.
    EXPECT_EQ(line.stations[4].call, "DL6NEW");
    EXPECT_EQ(line.stations[4].behaviour, StationBehaviour::Echo);
    EXPECT_EQ(line.stations[4].connectAfterMs, 0);

    ASSERT_EQ(line.beacons.size(), 1u);
    EXPECT_EQ(line.beacons[0].call, "DB0BCN");
    EXPECT_EQ(line.beacons[0].periodMs, 600'000u);
    EXPECT_EQ(line.beacons[0].text, "Relais DB0BCN: 438.125 MHz"); // the colons of the text stay
}

TEST(TncSimOptionsTest, DefaultsAndHelp) {
    CommandLine line;
    std::string error;
    ASSERT_TRUE(ParseCommandLine({"--pty"}, line, error));
    EXPECT_EQ(line.config.version, "TNC2 Host Firmware 2.7");
    EXPECT_EQ(line.config.ownCall, "NOCALL");
    EXPECT_FALSE(line.config.startInHostMode);
    EXPECT_EQ(line.air.loss, 0.0);
    EXPECT_EQ(line.air.baud, 0);
    EXPECT_TRUE(line.stations.empty());
    ASSERT_TRUE(ParseCommandLine({"--pty", "--help", "--nonsense"}, line, error));
    EXPECT_TRUE(line.help);
    const std::string usage = UsageText();
    for (const char* option :
         {"--station CALL:echo", "--station CALL:script=FILE", "--connect-in CALL@SECONDS",
          "--beacon CALL:SECONDS:TEXT", "--loss RATE", "--seed N", "expect TEXT"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

TEST(TncSimOptionsTest, RefusedValues) {
    TempDir dir;
    WriteFile(dir / "bad.txt", "send ok\nwait 5\n");
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{"--pty", "--frobnicate"}, "unknown option --frobnicate"},
        {{"--pty", "--station"}, "--station needs a value"},
        {{"--station", "DL4ECH"},
         "--station takes CALL:echo, CALL:busy, CALL:flood or CALL:script=FILE, not DL4ECH"},
        {{"--station", "DL4ECH:parrot"},
         "--station takes CALL:echo, CALL:busy, CALL:flood or CALL:script=FILE, not DL4ECH:parrot"},
        {{"--station", "TOOLONGCALL:echo"},
         "--station takes CALL:echo, CALL:busy, CALL:flood or CALL:script=FILE, not TOOLONGCALL:echo"},
        {{"--station", "DL4ECH-16:echo"},
         "--station takes CALL:echo, CALL:busy, CALL:flood or CALL:script=FILE, not DL4ECH-16:echo"},
        {{"--station", "DL4ECH:echo", "--station", "dl4ech:busy"}, "station DL4ECH given twice"},
        {{"--station", "DB0XYZ:script=" + (dir / "missing.txt").string()},
         "cannot read the script " + (dir / "missing.txt").string()},
        {{"--station", "DB0XYZ:script=" + (dir / "bad.txt").string()},
         (dir / "bad.txt").string() + ": line 2: expected send TEXT, expect TEXT or disconnect"},
        {{"--connect-in", "DL4ECH"}, "--connect-in takes CALL@SECONDS, not DL4ECH"},
        {{"--connect-in", "DL4ECH@soon"}, "--connect-in takes CALL@SECONDS, not DL4ECH@soon"},
        {{"--connect-in", "DL4ECH@-1"}, "--connect-in takes CALL@SECONDS, not DL4ECH@-1"},
        {{"--beacon", "DB0BCN:10"}, "--beacon takes CALL:SECONDS:TEXT, not DB0BCN:10"},
        {{"--beacon", "DB0BCN:10:"}, "--beacon takes CALL:SECONDS:TEXT, not DB0BCN:10:"},
        {{"--beacon", "DB0BCN:0:text"}, "--beacon takes CALL:SECONDS:TEXT, not DB0BCN:0:text"},
        {{"--loss", "1.5"}, "--loss takes a share from 0 to 1, not 1.5"},
        {{"--loss", "0.1x"}, "--loss takes a share from 0 to 1, not 0.1x"},
        {{"--loss", "nan"}, "--loss takes a share from 0 to 1, not nan"},
        {{"--seed", "-3"}, "--seed takes a number from 0 to 4294967295, not -3"},
        {{"--air-baud", "0"}, "--air-baud takes a rate in bits per second, not 0"},
        {{"--channels", "256"}, "--channels takes a number from 1 to 255, not 256"},
        {{"--identity", "tnc9"}, "unknown identity tnc9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + (c.args.size() > 1 ? " " + c.args[1] : ""));
        CommandLine line;
        std::string error;
        EXPECT_FALSE(ParseCommandLine(c.args, line, error));
        EXPECT_EQ(error, c.error);
    }
}

} // namespace
} // namespace quarn::test
