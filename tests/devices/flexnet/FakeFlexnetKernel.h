#pragma once

// An in-process network kernel for the FlexNet device: QSOs, connect requests and monitored frames the
// test sets up, and a record of everything the device asked or told it.

#include "devices/flexnet/FlexnetKernel.h"

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quarn::test {

struct FakeQso {
    int zustand = 5; // the state word (l2_stat 0)
    FlexnetAdresse adresse;
    std::deque<FlexnetInfo> empfang;
    std::vector<FlexnetInfo> gesendet;
    int ausstehend = 0;
    int platz = 1000;         // frames l2_ialloc still grants
    bool ohneAdresse = false; // l2_get_f answers none
};

// The kernel's state, shared between the test and the kernel object the device owns (and drops when it
// unloads the library).
struct FakeFlexnetState {
    mutable std::mutex mutex;
    std::uint8_t initErgebnis = 1;
    std::map<int, std::optional<std::string>> kanaele{{0, "Port 0"}, {1, "Port 1"}};
    std::map<FlexnetQso, FakeQso> qsos;
    std::map<std::string, FlexnetQso> sabm; // own call -> pending request
    FlexnetQso naechsterQso = 100;          // what l2_fconnect answers (0: fails)
    std::vector<std::pair<int, FlexnetQso>> befehle;
    std::vector<std::string> pfade;         // the paths build_frame was given
    std::vector<std::uint8_t> connectKanal; // the channel byte of each l2_fconnect
    std::vector<std::string> uiFrames;      // "myCall|port dest|pid|text"
    bool uiErgebnis = true;
    std::deque<FlexnetMonitor> monitor;
    bool monitorAn = false;
    bool monitorEndlos = false; // a channel so busy that frames never run out
    int monitorAn_ = 0, monitorAus = 0, monitorAcks = 0;
    bool statWirft = false;         // l2_stat throws
    std::function<void()> beimInit; // runs inside ax_init, as a slow modem host would take its time
    int axExit = 0;
    bool entladen = false;
    int aufrufeNachEnde = 0; // calls after ax_exit
    // "stat <qso>" for each state-word query, "i" for each frame read, "s" for each frame sent.
    std::vector<std::string> ablauf;

    std::vector<std::pair<int, FlexnetQso>> Befehle() const {
        const std::lock_guard lock(mutex);
        return befehle;
    }
    template <class F> auto Mit(F&& f) {
        const std::lock_guard lock(mutex);
        return f(*this);
    }
};

class FakeFlexnetKernel final : public IFlexnetKernel {
public:
    explicit FakeFlexnetKernel(std::shared_ptr<FakeFlexnetState> state) : s_(std::move(state)) {}
    ~FakeFlexnetKernel() override {
        const std::lock_guard lock(s_->mutex);
        s_->entladen = true;
    }

    std::uint8_t ax_init() override {
        std::function<void()> warten;
        {
            const std::lock_guard lock(s_->mutex);
            warten = s_->beimInit;
        }
        if (warten) {
            warten();
        }
        return L()->initErgebnis;
    }
    void ax_exit() override {
        auto l = L();
        ++s_->axExit;
    }
    std::optional<std::string> l2_version() override {
        auto l = L();
        return "3.3g";
    }
    bool ch_active(int n) override {
        auto l = L();
        return s_->kanaele.count(n) != 0;
    }
    std::optional<std::string> get_ident(int n) override {
        auto l = L();
        const auto it = s_->kanaele.find(n);
        return it == s_->kanaele.end() ? std::nullopt : it->second;
    }
    int l2_stat(int code, FlexnetQso qso) override {
        auto l = L();
        if (s_->statWirft) {
            throw std::runtime_error("Kernel weg");
        }
        const auto it = s_->qsos.find(qso);
        if (it == s_->qsos.end()) {
            return code == 0 ? 1 : 0;
        }
        switch (code) {
        case 0:
            s_->ablauf.push_back("stat " + std::to_string(qso));
            return it->second.zustand | (it->second.empfang.empty() ? 0 : 0x40);
        case 1:
            return it->second.ausstehend;
        case 2:
            return 7;
        case 3:
            return 2;
        case 4:
            return 5;
        default:
            return 0;
        }
    }
    void l2_bef(int code, FlexnetQso qso) override {
        auto l = L();
        s_->befehle.emplace_back(code, qso);
        if (code == 2 || code == 3) {
            // The request is answered: the kernel no longer offers it.
            std::erase_if(s_->sabm, [qso](const auto& entry) { return entry.second == qso; });
        }
    }
    std::optional<FlexnetAdresse> l2_get_f(FlexnetQso qso) override {
        auto l = L();
        const auto it = s_->qsos.find(qso);
        if (it == s_->qsos.end() || it->second.ohneAdresse) {
            return std::nullopt;
        }
        return it->second.adresse;
    }
    std::optional<FlexnetInfo> l2_get_i(FlexnetQso qso) override {
        auto l = L();
        const auto it = s_->qsos.find(qso);
        if (it == s_->qsos.end() || it->second.empfang.empty()) {
            return std::nullopt;
        }
        s_->ablauf.emplace_back("i");
        FlexnetInfo frame = it->second.empfang.front();
        it->second.empfang.pop_front();
        return frame;
    }
    bool l2_ialloc(FlexnetQso qso, int) override {
        auto l = L();
        const auto it = s_->qsos.find(qso);
        return it != s_->qsos.end() && it->second.platz > 0;
    }
    void l2_send_frame(FlexnetQso qso, const FlexnetInfo& frame) override {
        auto l = L();
        FakeQso& q = s_->qsos[qso];
        q.gesendet.push_back(frame);
        --q.platz;
        ++q.ausstehend;
        s_->ablauf.emplace_back("s");
    }
    FlexnetQso l2_get_sabm(std::string_view call) override {
        auto l = L();
        const auto it = s_->sabm.find(std::string(call));
        return it == s_->sabm.end() ? 0 : it->second;
    }
    // The path's first word is the destination; numbers choose a port and are no digipeaters.
    void build_frame(FlexnetAdresse& record, std::string_view myCall, std::string_view path) override {
        auto l = L();
        s_->pfade.emplace_back(path);
        record = {};
        record.quelle = std::string(myCall);
        std::istringstream words{std::string(path)};
        std::string word;
        while (words >> word) {
            if (record.ziel.empty()) {
                record.ziel = word;
            } else if (word.find_first_not_of("0123456789") != std::string::npos && word != "VIA") {
                record.digis.push_back(word);
            }
        }
    }
    FlexnetQso l2_get_qnum(const FlexnetAdresse& record) override {
        auto l = L();
        for (const auto& [qso, q] : s_->qsos) {
            if (q.adresse.ziel == record.ziel && q.adresse.quelle == record.quelle) {
                return qso;
            }
        }
        return 0;
    }
    FlexnetQso l2_fconnect(const FlexnetAdresse& record) override {
        auto l = L();
        s_->connectKanal.push_back(record.kanal);
        const FlexnetQso qso = s_->naechsterQso;
        if (qso != 0) {
            FakeQso q;
            q.zustand = 2;
            q.adresse = record;
            s_->qsos[qso] = q;
        }
        return qso;
    }
    std::string strcall(std::string_view address) override {
        auto l = L();
        return std::string(address);
    }
    std::string strpath(const FlexnetAdresse& record) override {
        auto l = L();
        std::string path;
        for (const std::string& digi : record.digis) {
            path += (path.empty() ? "" : " ") + digi;
        }
        return path;
    }
    bool l2_send_ui(std::string_view myCall, std::string_view portAndDestination, std::uint8_t pid, int,
                    std::string_view data) override {
        auto l = L();
        s_->uiFrames.push_back(std::string(myCall) + "|" + std::string(portAndDestination) + "|" +
                               std::to_string(pid) + "|" + std::string(data));
        return s_->uiErgebnis;
    }
    void l2_set_monitor() override {
        auto l = L();
        s_->monitorAn = true;
        ++s_->monitorAn_;
    }
    bool l2_chk_monitor() override { return L()->monitorAn; }
    void l2_clr_monitor() override {
        auto l = L();
        s_->monitorAn = false;
        ++s_->monitorAus;
    }
    std::optional<FlexnetMonitor> l2_get_monitor() override {
        auto l = L();
        if (s_->monitorEndlos) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            FlexnetMonitor frame;
            frame.art = 10;
            return frame;
        }
        if (s_->monitor.empty()) {
            return std::nullopt;
        }
        return s_->monitor.front();
    }
    void l2_ack_monitor() override {
        auto l = L();
        if (!s_->monitor.empty()) {
            s_->monitor.pop_front();
        }
        ++s_->monitorAcks;
    }

private:
    // Holds the state's lock for one call and counts calls made after the kernel was ended.
    class Zugriff {
    public:
        explicit Zugriff(FakeFlexnetState& s) : s_(s), lock_(s.mutex) {
            if (s_.axExit > 0) {
                ++s_.aufrufeNachEnde;
            }
        }
        FakeFlexnetState* operator->() const { return &s_; }

    private:
        FakeFlexnetState& s_;
        std::lock_guard<std::mutex> lock_;
    };
    Zugriff L() { return Zugriff(*s_); }

    std::shared_ptr<FakeFlexnetState> s_;
};

} // namespace quarn::test
