#include "tools/tncsim/SimStation.h"

#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimText.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace quarn::tncsim {

namespace {

bool Unescape(const std::string& text, std::string& bytes) {
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i == text.size()) {
            return false;
        }
        switch (text[i]) {
        case 'r':
            bytes += '\r';
            break;
        case 'n':
            bytes += '\n';
            break;
        case 't':
            bytes += '\t';
            break;
        case '\\':
            bytes += '\\';
            break;
        case 'x': {
            if (i + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
                !std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
                return false;
            }
            bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

} // namespace

bool ParseScript(const std::string& text, std::vector<ScriptStep>& steps, std::string& error) {
    steps.clear();
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        line.erase(0, first);
        const auto blank = line.find(' ');
        const std::string word = line.substr(0, blank);
        const std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
        ScriptStep step;
        if (word == "disconnect" && rest.empty()) {
            step.kind = ScriptStep::Kind::Disconnect;
        } else if ((word == "send" || word == "expect") && !rest.empty()) {
            step.kind = word == "send" ? ScriptStep::Kind::Send : ScriptStep::Kind::Expect;
            if (!Unescape(rest, step.text)) {
                error = "line " + std::to_string(number) + ": a bad escape in \"" + rest + "\"";
                return false;
            }
        } else {
            error = "line " + std::to_string(number) + ": expected send TEXT, expect TEXT or disconnect";
            return false;
        }
        steps.push_back(std::move(step));
    }
    return true;
}

SimStation::SimStation(SimAir& air, StationSpec spec, std::uint64_t startMs)
    : air_(air), spec_(std::move(spec)), startMs_(startMs) {
    spec_.call = Upper(spec_.call);
    spec_.connectTo = Upper(spec_.connectTo);
}

void SimStation::Transmit(std::vector<AirFrame>& out) {
    for (AirFrame& frame : out) {
        air_.TransmitLocked(this, std::move(frame));
    }
    out.clear();
}

void SimStation::Send(Session& session, const std::string& text) {
    for (std::size_t at = 0; at < text.size(); at += 256) {
        session.link.Queue(text.substr(at, 256));
    }
}

void SimStation::Flood(Session& session, std::uint64_t nowMs) {
    // 256 bytes of 8 bits at 9,600 baud: the pace of a peer that sends as fast as its link goes, also
    // on an air without air time.
    constexpr std::uint64_t kLineMs = 256 * 8 * 1000 / 9600;
    if (spec_.behaviour != StationBehaviour::Flood || session.link.State() != AxState::Connected) {
        return;
    }
    while (nowMs >= session.nextLineMs && session.link.Unsent() < Params().maxframe) {
        // One full information frame a line: 255 bytes and its CR.
        std::string line = spec_.call + " flood " + std::to_string(++session.sentLines) + " ";
        line.resize(255, '.');
        session.link.Queue(line + '\r');
        session.nextLineMs = std::max(session.nextLineMs, nowMs) + kLineMs;
    }
}

void SimStation::Advance(Session& session, std::vector<AirFrame>& out, std::vector<AxEvent>& events) {
    if (spec_.behaviour == StationBehaviour::Flood) {
        session.received.clear();
        Flood(session, air_.NowMs());
        return;
    }
    if (spec_.behaviour == StationBehaviour::Echo) {
        for (auto end = session.received.find('\r'); end != std::string::npos;
             end = session.received.find('\r')) {
            Send(session, session.received.substr(0, end + 1));
            session.received.erase(0, end + 1);
        }
        return;
    }
    while (session.step < spec_.script.size() && session.link.State() == AxState::Connected) {
        const ScriptStep& step = spec_.script[session.step];
        if (step.kind == ScriptStep::Kind::Expect) {
            const auto found = session.received.find(step.text);
            if (found == std::string::npos) {
                return;
            }
            session.received.erase(0, found + step.text.size());
        } else if (step.kind == ScriptStep::Kind::Send) {
            Send(session, step.text);
        } else {
            ++session.step;
            session.link.Disconnect(air_.NowMs(), out, events);
            return;
        }
        ++session.step;
    }
}

void SimStation::Handle(const std::string& peer, std::vector<AirFrame>& out, std::vector<AxEvent>& events) {
    Transmit(out);
    auto found = sessions_.find(peer);
    for (std::size_t i = 0; i < events.size() && found != sessions_.end(); ++i) {
        Session& session = found->second;
        switch (events[i].type) {
        case AxEventType::Connected:
            session.step = 0;
            session.received.clear();
            Advance(session, out, events);
            break;
        case AxEventType::Data:
            session.received += events[i].data;
            Advance(session, out, events);
            break;
        case AxEventType::Reset: // the script goes on where it was
        case AxEventType::Disconnected:
        case AxEventType::Busy:
        case AxEventType::Failure:
            break;
        }
        Transmit(out);
    }
    events.clear();
    if (found != sessions_.end() && found->second.link.State() == AxState::Free) {
        sessions_.erase(found);
    }
}

void SimStation::OnAirFrame(const AirFrame& frame, bool own, bool heard) {
    if (own || !heard || frame.to != spec_.call || frame.type == FrameType::UI) {
        return;
    }
    const std::uint64_t now = air_.NowMs();
    std::vector<AirFrame> out;
    std::vector<AxEvent> events;
    auto found = sessions_.find(frame.from);
    const bool linked = found != sessions_.end() && found->second.link.State() != AxState::Free;
    if (frame.type == FrameType::SABM && !linked) {
        AirFrame answer;
        answer.from = spec_.call;
        answer.to = frame.from;
        answer.command = false;
        answer.pollFinal = true;
        if (spec_.behaviour == StationBehaviour::Busy) {
            answer.type = FrameType::DM;
            air_.TransmitLocked(this, std::move(answer));
            return;
        }
        Session& session = sessions_[frame.from];
        session = Session{};
        session.link.Accept(spec_.call, frame.from, Params(), now, out);
        events.push_back({AxEventType::Connected, {}});
    } else if (linked) {
        found->second.link.Receive(frame, now, out, events);
    } else if (frame.type == FrameType::DISC || frame.type == FrameType::I) {
        // No link with that station (our UA went missing): say so.
        AirFrame answer;
        answer.from = spec_.call;
        answer.to = frame.from;
        answer.type = FrameType::DM;
        answer.command = false;
        answer.pollFinal = true;
        air_.TransmitLocked(this, std::move(answer));
        return;
    }
    Handle(frame.from, out, events);
}

void SimStation::OnAirTick(std::uint64_t nowMs) {
    std::vector<AirFrame> out;
    std::vector<AxEvent> events;
    if (!called_ && spec_.connectAfterMs >= 0 &&
        nowMs >= startMs_ + static_cast<std::uint64_t>(spec_.connectAfterMs)) {
        called_ = true;
        const std::string target = spec_.connectTo.empty() ? air_.DefaultTargetLocked() : spec_.connectTo;
        if (!target.empty() && sessions_.count(target) == 0) {
            sessions_[target].link.Connect(spec_.call, target, Params(), nowMs, out);
            Transmit(out);
        }
    }
    std::vector<std::string> peers;
    for (const auto& [peer, session] : sessions_) {
        peers.push_back(peer);
    }
    for (const std::string& peer : peers) {
        auto found = sessions_.find(peer);
        if (found == sessions_.end()) {
            continue;
        }
        Flood(found->second, nowMs);
        found->second.link.Tick(nowMs, air_.InFlightLocked(peer, spec_.call),
                                air_.InFlightLocked(spec_.call, peer), out, events);
        Handle(peer, out, events);
    }
}

} // namespace quarn::tncsim
