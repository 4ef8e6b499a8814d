#pragma once

// A small scripted host-mode TNC and a device whose transport talks to it in-process. Reads never
// wait: what the TNC has not sent is a time-out, so the protocol's failures cost no time.

#include "HostmodeTestDevice.h"

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quarn::test {

struct FakeReply {
    int code = 0;
    std::string text;
};

class FakeTnc {
public:
    bool hostMode = false;
    int ignoreSwitches = 0;    // JHOST1 requests ignored before one is followed
    int channels = 4;          // highest channel; above it "INVALID CHANNEL NUMBER"
    bool neverInvalid = false; // every channel accepts "I"
    std::string version = "TNC2 Firmware";
    std::map<std::string, FakeReply> replies; // per command text (channel 0), overrides the defaults
    std::function<bool(int, const std::string&, FakeReply&)> handler; // first say
    std::string rawNextReply;                                         // sent in place of the next reply
    bool dropNextReply = false;
    int swallowNext = 0;                          // bytes of the program's next frame that get lost
    bool chatter = false;                         // terminal mode talks endlessly
    std::vector<std::pair<int, std::string>> log; // (channel, command text) in order

    // Program -> TNC.
    void Feed(const std::string& bytes) {
        std::lock_guard lock(mutex_);
        for (char c : bytes) {
            if (swallowNext > 0 && hostMode) {
                --swallowNext;
                continue;
            }
            hostMode ? HostByte(static_cast<std::uint8_t>(c)) : TerminalByte(c);
        }
    }
    // TNC -> program: up to `count` bytes that are there now.
    std::string Take(std::size_t count) {
        std::lock_guard lock(mutex_);
        if (!hostMode && chatter && out_.size() < count) {
            out_ += std::string(count, 'x');
        }
        std::string bytes = out_.substr(0, count);
        out_.erase(0, bytes.size());
        return bytes;
    }
    bool Has(const std::string& command) {
        std::lock_guard lock(mutex_);
        for (const auto& entry : log) {
            if (entry.second == command) {
                return true;
            }
        }
        return false;
    }
    bool InHostMode() {
        std::lock_guard lock(mutex_);
        return hostMode;
    }
    void Purge() {
        std::lock_guard lock(mutex_);
        out_.clear();
    }
    int jhost1Count = 0;

private:
    void TerminalByte(char c) {
        if (c == 0x1b) {
            line_.clear();
            collecting_ = true;
        } else if (c == 0x18) {
            line_.clear();
        } else if (c == '\r') {
            if (collecting_ && line_ == "JHOST1") {
                ++jhost1Count;
                if (ignoreSwitches > 0) {
                    --ignoreSwitches;
                } else {
                    hostMode = true;
                    frame_.clear();
                }
            }
            collecting_ = false;
            line_.clear();
        } else if (collecting_ && c != 0x11) {
            line_ += c;
        }
    }

    void HostByte(std::uint8_t b) {
        frame_ += static_cast<char>(b);
        if (frame_.size() < 3) {
            return;
        }
        const std::size_t length = static_cast<std::uint8_t>(frame_[2]) + 1u;
        if (frame_.size() < 3 + length) {
            return;
        }
        const int channel = static_cast<std::uint8_t>(frame_[0]);
        const bool command = frame_[1] != 0;
        const std::string data = frame_.substr(3);
        frame_.clear();
        if (command && channel == 0 && data == "JHOST0") {
            hostMode = false;
            return;
        }
        log.emplace_back(channel, command ? data : "<info>" + data);
        FakeReply reply = Answer(channel, command, data);
        if (dropNextReply) {
            dropNextReply = false;
            return;
        }
        if (!rawNextReply.empty()) {
            out_ += rawNextReply;
            rawNextReply.clear();
            return;
        }
        out_ += static_cast<char>(channel);
        out_ += static_cast<char>(reply.code);
        if (reply.code >= 1 && reply.code <= 5) {
            out_ += reply.text;
            out_ += '\0';
        } else if (reply.code == 6 || reply.code == 7) {
            out_ += static_cast<char>(reply.text.size() - 1);
            out_ += reply.text;
        }
    }

    FakeReply Answer(int channel, bool command, const std::string& data) {
        FakeReply reply;
        if (handler && handler(channel, data, reply)) {
            return reply;
        }
        if (!command) {
            return {};
        }
        if (channel > channels && !neverInvalid) {
            return {2, "INVALID CHANNEL NUMBER"};
        }
        if (channel == 0) {
            const auto found = replies.find(data);
            if (found != replies.end()) {
                return found->second;
            }
            if (data == "V") {
                return {1, version};
            }
        }
        if (data == "G" && channel == 255) {
            return {0, ""};
        }
        if (data[0] == 'I' || data[0] == 'Y' || data[0] == 'M' || data == "U0" || data == "G" ||
            data.rfind("#PORT", 0) == 0) {
            return {data.rfind("#PORT", 0) == 0 && data != "#PORT0" && data != "#PORT1" ? 2 : 0,
                    data.rfind("#PORT", 0) == 0 && data != "#PORT0" && data != "#PORT1" ? "INVALID PORT"
                                                                                        : ""};
        }
        return {2, "INVALID COMMAND"};
    }

    std::mutex mutex_;
    std::string out_;
    std::string frame_;
    std::string line_;
    bool collecting_ = false;
};

// A host-mode device on the fake TNC.
class FakeHostmode : public HostmodeTestDevice<FakeHostmode> {
public:
    explicit FakeHostmode(FakeTnc& tnc) : tnc_(tnc) {}

    bool openFails = false;

    std::string TypName() const override { return "Fake"; }
    std::string KlassenName() const override { return "TGeraetHostmodeFake"; }
    bool CommOpen() override {
        if (openFails) {
            SetStatus(TGeraetStatus::Fehler, GeraetText("Öffnen der Schnittstelle"));
            return false;
        }
        open_ = true;
        return true;
    }
    bool CommClose() override {
        const bool was = open_;
        open_ = false;
        return was;
    }
    bool CommWrite(const char* data, std::size_t count, std::size_t& written) override {
        tnc_.Feed(std::string(data, count));
        written = count;
        return true;
    }
    bool CommRead(char* buffer, std::size_t count, std::size_t& read) override {
        const std::string bytes = tnc_.Take(count);
        std::copy(bytes.begin(), bytes.end(), buffer);
        read = bytes.size();
        return true;
    }
    void CommPurge() override { tnc_.Purge(); }
    bool CommIsOpen() const override { return open_; }
    bool SetTimeouts(bool fast) override { return true; }
    void StatusDetailZeigen() override { SetStatusDetail("Fake"); }

private:
    FakeTnc& tnc_;
    bool open_ = false;
};

} // namespace quarn::test
