#pragma once

#include "tools/tncsim/SimFrame.h"
#include "tools/tncsim/SimLink.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quarn::tncsim {

class SimAir;

enum class StationBehaviour {
    Echo,   // sends every received line (up to its CR) back
    Script, // follows its script from the connect on
    Busy,   // refuses every connect (DM: "BUSY fm")
    Flood,  // while linked, sends a numbered line of 256 bytes as often as a 9,600-baud link carries
            // one (every 213 ms) while its window has room; ignores what it gets
};

struct ScriptStep {
    enum class Kind { Send, Expect, Disconnect };
    Kind kind = Kind::Send;
    std::string text;
};

struct StationSpec {
    std::string call;
    StationBehaviour behaviour = StationBehaviour::Echo;
    std::vector<ScriptStep> script;
    // >= 0: the station connects to `connectTo` this long after the air starts (empty: the first TNC's
    // channel-0 call at that time).
    std::int64_t connectAfterMs = -1;
    std::string connectTo;
};

// Reads a station script: one step a line, "send TEXT", "expect TEXT" or "disconnect"; empty lines and
// lines starting with "#" are skipped. In TEXT, \r \n \t \\ and \xHH stand for their bytes. False with
// `error` naming the line for anything else.
bool ParseScript(const std::string& text, std::vector<ScriptStep>& steps, std::string& error);

// A remote station on the air: it takes connects to its call (one link per peer) and answers as its
// behaviour says; it may also call a TNC itself.
class SimStation final : public AirEndpoint {
public:
    SimStation(SimAir& air, StationSpec spec, std::uint64_t startMs);

    const std::string& Call() const { return spec_.call; }
    void OnAirFrame(const AirFrame& frame, bool own, bool heard) override;
    void OnAirTick(std::uint64_t nowMs) override;

private:
    struct Session {
        AxLink link;
        std::string received; // not yet matched or echoed
        std::size_t step = 0;
        long sentLines = 0;           // a flooding station's lines so far
        std::uint64_t nextLineMs = 0; // ... and when it may send the next
    };

    AxParams Params() const { return {3000, 10, 7}; }
    void Handle(const std::string& peer, std::vector<AirFrame>& out, std::vector<AxEvent>& events);
    void Advance(Session& session, std::vector<AirFrame>& out, std::vector<AxEvent>& events);
    void Send(Session& session, const std::string& text);
    // A flooding station tops its window up with lines.
    void Flood(Session& session, std::uint64_t nowMs);
    void Transmit(std::vector<AirFrame>& out);

    SimAir& air_;
    StationSpec spec_;
    std::uint64_t startMs_;
    bool called_ = false;
    std::map<std::string, Session> sessions_; // by peer call
};

} // namespace quarn::tncsim
