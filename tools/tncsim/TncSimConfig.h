#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace quarn::tncsim {

// How a connect request of the program ends on the air.
enum class ConnectOutcome { Connected, Busy, LinkFailure };

// The firmware families the program tells apart by the version text.
enum class Identity { Tnc2, Tnc3, PtcII, PtcIIe, TfLinux };

// Everything a test or the command line may set about the simulated TNC.
struct TncSimConfig {
    // ---- identity ----
    std::string version = "TNC2 Host Firmware 2.7";
    int channels = 10;              // highest channel (1-255); above it "INVALID CHANNEL NUMBER"
    bool everyChannelValid = false; // never "INVALID CHANNEL NUMBER": every channel up to 255 is a link
    bool extendedPoll = true;       // "G" on channel 255 answers the channels with something pending
    bool frackIn10ms = false;       // "F" counts 10 ms units (else 100 ms units)
    std::set<int> ports;            // "#PORTp" answered with code 0; empty: "#PORT" is unknown
    bool ptc = false;               // understands the "%" commands
    bool ptcMultiPort = false;      // "%P9" answered with code 2 "INVALID ..."
    std::set<int> ptcPorts;         // "%Pn" answered with code 0
    std::string ptcModemText;       // the "%B" answer
    int pactorChannel = -1; // "%T" code 1 there, code 0 on the channels below it (even above `channels`)

    // ---- terminal mode ----
    bool startInHostMode = false;
    int ignoreSwitches = 0; // "JHOST1" requests ignored before one is followed
    bool echo = true;       // terminal mode echoes what it gets
    bool quietSoh = false;  // ... but not 0x01 (the resynchronisation probe)
    bool chatter = false;   // terminal mode talks without end

    // ---- link behaviour ----
    std::string ownCall = "NOCALL"; // own call of every channel after power-on
    std::uint32_t connectDelayMs = 0;
    ConnectOutcome defaultOutcome = ConnectOutcome::Connected;
    std::map<std::string, ConnectOutcome> outcomes; // per remote call, overrides the default
    std::uint32_t disconnectDelayMs = 0;
    std::uint32_t ackDelayMs = 100; // one window of frames goes out and is acknowledged per step
    bool neverAck = false;
    int freeBuffers = 8184;   // "@B" on an empty TNC
    int buffersPerFrame = 10; // what one queued frame of the program takes from them
    // The "C" query on a connected channel: "<prefix><blank><path>".
    std::string connectedPrefix;
    bool connectedBlank = false;
    bool setupAnswersTarget = true; // during set-up the "C" query names the target (else "not connected")
    std::set<int> clashChannels;    // "C" there answers "*** SIMULTANEOUS ...": Pactor and packet at once

    // ---- the line ----
    // How long one exchange (a frame and its reply) takes; the transports apply it, the core does not.
    std::uint32_t exchangeDelayMs = 0;

    // The start texts of the "C" query and of refused commands.
    static constexpr const char* kNotConnected = "CHANNEL NOT CONNECTED";
};

// A configuration with the version and the answers of one firmware family.
TncSimConfig ConfigFor(Identity identity);
// "tnc2", "tnc3", "ptc2", "ptc2e", "tflinux" (any case); false for anything else.
bool IdentityFromName(const std::string& name, Identity& identity);

} // namespace quarn::tncsim
