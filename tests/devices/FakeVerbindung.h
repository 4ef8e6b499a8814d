#pragma once

#include "devices/VerbindungFabrik.h"
#include "foundation/InterfacesU.h"
#include "foundation/QueueU.h"
#include "platform/CriticalSection.h"
#include "platform/Registry.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quarn::test {

// A connection as the device sees it, recording what the device did with it. Thread-safe: the device
// thread and the test read and write it together.
class FakeVerbindung final : public IVerbindung {
public:
    explicit FakeVerbindung(std::weak_ptr<TGeraet> device) : device_(std::move(device)) {}

    // ---- IConnection ----
    std::string Get_Call() const override { return Get(call_); }
    void Set_Call(std::string_view call) override { Put(call_, call); }
    std::string Get_MyCall() const override { return Get(myCall_); }
    void Set_MyCall(std::string_view myCall) override { Put(myCall_, myCall); }
    std::string Get_Digis() const override { return Get(digis_); }
    void Set_Digis(std::string_view digis) override { Put(digis_, digis); }
    // The path is the call and the digipeaters, as the real connection keeps it.
    std::string Get_Path() const override {
        const std::lock_guard lock(mutex_);
        return digis_.empty() ? call_ : call_ + " " + digis_;
    }
    void Set_Path(std::string_view path) override {
        const std::size_t blank = path.find(' ');
        Put(call_, path.substr(0, blank));
        Put(digis_, blank == std::string_view::npos ? std::string_view() : path.substr(blank + 1));
    }
    std::string Get_RealPath() const override { return Get(realPath_); }
    void Set_RealPath(std::string_view path) override { Put(realPath_, path); }
    std::int32_t Get_Handle() const override { return handle_; }
    void Set_Handle(std::int32_t handle) override { handle_ = handle; }
    void Disconnect() override {}
    void SendText(std::string_view text) override { transmit_.PushString(text); }
    void SendTextLine(std::string_view text) override { transmit_.PushString(std::string(text) + "\r"); }
    void WaitForText(std::string_view) override {}
    std::string ReceiveText() override { return {}; }

    // ---- IVerbindung ----
    std::shared_ptr<IStatus> GetStatus() const override { return status_; }
    std::shared_ptr<IKanalFuerVerbindung> GetKanal() const override {
        const std::lock_guard lock(mutex_);
        return kanal_;
    }
    void SetKanal(std::shared_ptr<IKanalFuerVerbindung> channel) override {
        const std::lock_guard lock(mutex_);
        kanal_ = std::move(channel);
    }
    void SetStationTyp(TStationType kind) override { stationTyp_ = kind; }
    TStationType GetStationTyp() const override { return stationTyp_; }
    std::uint8_t GetState() const override { return state_; }
    void SetState(std::uint8_t state) override { state_ = state; }
    bool GetAusgehend() const override { return ausgehend_; }
    void SetAusgehend(bool outgoing) override { ausgehend_ = outgoing; }
    bool GetConnectText() const override { return connectText_; }
    void SetConnectText(bool send) override { connectText_ = send; }
    std::shared_ptr<IDateiSendenQueue> GetDateiSendenQueue() const override { return nullptr; }
    void SetDateiSenden(std::shared_ptr<IDateiSenden>) override {}
    std::shared_ptr<IDateiSenden> GetDateiSenden() const override { return nullptr; }
    void SendeText(std::string_view text, bool, bool, bool, bool) override { transmit_.PushString(text); }
    TStringQueue& GetTransmitQueue() override { return transmit_; }
    bool GetFernsteuerung() const override { return fernsteuerung_; }
    void SetFernsteuerung(bool enabled) override { fernsteuerung_ = enabled; }
    bool GetModulAktiv() const override { return false; }
    void SetModulAktiv(bool) override {}
    std::shared_ptr<IStationenDatenbankEintrag> GetStationenDatenbankEintrag() const override {
        return nullptr;
    }
    std::uint8_t GetBinMode() const override { return 0; }
    void SetBinMode(std::uint8_t) override {}
    TIncomingConnects GetIncomingConnects() const override { return incoming_; }
    void Start() override {
        ++starts_;
        state_ = 3;
    }
    void Getrennt(int reason) override {
        const std::lock_guard lock(mutex_);
        getrennt_.push_back(reason);
        state_ = 0;
    }
    void EmpfangeText(std::string_view text) override {
        const std::lock_guard lock(mutex_);
        empfangen_ += text;
    }
    std::uint8_t GetDiscLevel() const override { return discLevel_; }
    void DiscLevelDone() override {
        ++discDone_;
        if (discLevel_ == 1 || discLevel_ == 3 || discLevel_ == 5) {
            discLevel_ = discLevel_ + 1;
        }
        state_ = 1;
    }
    // Saved and restored through the registry store as the real connection does, with fewer values.
    void SaveToRegistry(std::string_view key) override {
        const std::string sub = std::string(key) + "\\" + std::to_string(handle_.load());
        RegistryStore& store = RegistryStore::Instance();
        store.CreateKey(Hive::LocalMachine, sub);
        store.WriteString(Hive::LocalMachine, sub, "C", Get_Path());
        store.WriteString(Hive::LocalMachine, sub, "R", Get_RealPath());
        store.WriteString(Hive::LocalMachine, sub, "M", Get_MyCall());
        store.WriteDWord(Hive::LocalMachine, sub, "A", ausgehend_ ? 1 : 0);
        const std::lock_guard lock(mutex_);
        saved_.emplace_back(key);
    }
    // A restored link is a running one, as the real connection makes it.
    void RestoreFromRegistry(std::string_view key, std::int32_t handle) override {
        handle_ = handle;
        const std::string sub = std::string(key) + "\\" + std::to_string(handle);
        RegistryStore& store = RegistryStore::Instance();
        if (store.KeyExists(Hive::LocalMachine, sub)) {
            Set_Path(store.ReadString(Hive::LocalMachine, sub, "C").value_or(""));
            Set_RealPath(store.ReadString(Hive::LocalMachine, sub, "R").value_or(""));
            Set_MyCall(store.ReadString(Hive::LocalMachine, sub, "M").value_or(""));
            ausgehend_ = store.ReadDWord(Hive::LocalMachine, sub, "A").value_or(0) != 0;
            store.DeleteKey(Hive::LocalMachine, sub);
        }
        ++restores_;
        fernsteuerung_ = true;
        state_ = 3;
    }
    void KanalPrompt(std::string_view text, int kind) override {
        const std::lock_guard lock(mutex_);
        prompts_.push_back(std::string(text) + "|" + std::to_string(kind));
    }
    void Release() override { released_ = true; }
    void StopModul() override {}
    void SID() override {}
    bool AddApplication(const std::shared_ptr<IApplication>&) override { return false; }
    bool GetPactor() const override { return pactor_; }
    void SetPactor(bool pactor) override { pactor_ = pactor; }
    void PactorChangeOver() override {}
    void PactorBreakIn() override {}
    bool GetLocalEcho() const override { return false; }
    void SetLocalEcho(bool) override {}

    // ---- for the test ----
    void SetStatus(std::shared_ptr<IStatus> status) { status_ = std::move(status); }
    void SetIncoming(TIncomingConnects rule) { incoming_ = rule; }
    void SetDiscLevel(std::uint8_t level) { discLevel_ = level; }
    std::string Empfangen() const {
        const std::lock_guard lock(mutex_);
        return empfangen_;
    }
    std::vector<int> GetrenntGruende() const {
        const std::lock_guard lock(mutex_);
        return getrennt_;
    }
    std::vector<std::string> Prompts() const {
        const std::lock_guard lock(mutex_);
        return prompts_;
    }
    std::vector<std::string> Saved() const {
        const std::lock_guard lock(mutex_);
        return saved_;
    }
    bool Released() const { return released_; }
    int Starts() const { return starts_; }
    int DiscDone() const { return discDone_; }
    int Restores() const { return restores_; }
    std::weak_ptr<TGeraet> Device() const { return device_; }

private:
    std::string Get(const std::string& field) const {
        const std::lock_guard lock(mutex_);
        return field;
    }
    void Put(std::string& field, std::string_view value) {
        const std::lock_guard lock(mutex_);
        field = std::string(value);
    }

    mutable std::mutex mutex_;
    std::weak_ptr<TGeraet> device_;
    std::string call_, myCall_, digis_, realPath_;
    std::atomic<std::int32_t> handle_{0};
    std::shared_ptr<IKanalFuerVerbindung> kanal_;
    std::shared_ptr<IStatus> status_;
    std::atomic<TStationType> stationTyp_{};
    std::atomic<std::uint8_t> state_{2};
    std::atomic<bool> ausgehend_{false}, connectText_{false}, fernsteuerung_{false}, pactor_{false};
    std::atomic<bool> released_{false};
    std::atomic<TIncomingConnects> incoming_{TIncomingConnects::Accept};
    std::atomic<std::uint8_t> discLevel_{0};
    std::atomic<int> starts_{0}, discDone_{0}, restores_{0};
    TStringQueue transmit_;
    std::string empfangen_;
    std::vector<int> getrennt_;
    std::vector<std::string> prompts_, saved_;
};

// Puts a maker of FakeVerbindung in place for the test's lifetime and keeps every connection it made.
class FakeVerbindungen {
public:
    // `prepare` sees every new connection before the device does (a status, a rule for incoming links).
    explicit FakeVerbindungen(std::function<void(FakeVerbindung&)> prepare = {}) {
        SetVerbindungFabrik(
            [this, prepare](const std::shared_ptr<TGeraet>& device) -> std::shared_ptr<IVerbindung> {
                auto connection = std::make_shared<FakeVerbindung>(device);
                if (prepare) {
                    prepare(*connection);
                }
                const std::lock_guard lock(mutex_);
                made_.push_back(connection);
                return connection;
            });
    }
    ~FakeVerbindungen() { SetVerbindungFabrik(nullptr); }
    FakeVerbindungen(const FakeVerbindungen&) = delete;
    FakeVerbindungen& operator=(const FakeVerbindungen&) = delete;

    std::vector<std::shared_ptr<FakeVerbindung>> Made() const {
        const std::lock_guard lock(mutex_);
        return made_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<FakeVerbindung>> made_;
};

} // namespace quarn::test
