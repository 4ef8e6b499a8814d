#pragma once

#include "foundation/InterfacesU.h"
#include "foundation/QueueU.h"
#include "platform/Event.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quarn::test {

// A connection as its handlers see it: real events and queues, and a record of what the handler did
// with it (the current handler, the ModulAktiv changes, the text shown). Everything else is inert.
class FakeModulVerbindung : public IVerbindungFuerModul {
public:
    // ---- the parts a handler uses ----
    const Event* GetHandle(int id) const override {
        switch (id & 0x7F) {
        case 3:
            return &threadEnd;
        case 4:
            return &disconnect;
        case 5:
            return &receive.NotEmptyEvent();
        case 6:
            return &typed.NotEmptyEvent();
        case 7:
            return &transmit.EmptyEvent();
        case 8:
            return sendQueueEvent;
        default:
            return nullptr;
        }
    }
    int ZeigeEmpfangen(std::string_view text) override {
        const std::lock_guard lock(mutex_);
        shown_.emplace_back(text);
        return static_cast<int>(shown_.size());
    }
    TStringQueue& GetReceiveQueue() override { return receive; }
    TStringQueue& GetTypedTextQueue() override { return typed; }
    TStringQueue& GetTransmitQueue() override { return transmit; }
    void SetModul(std::shared_ptr<IVerbindungAbstract> handler) override {
        const std::lock_guard lock(mutex_);
        modul_ = std::move(handler);
    }
    std::shared_ptr<IVerbindungAbstract> GetModul() const override {
        const std::lock_guard lock(mutex_);
        return modul_;
    }
    bool GetModulAktiv() const override { return modulAktiv_; }
    void SetModulAktiv(bool active) override {
        const std::lock_guard lock(mutex_);
        modulAktiv_ = active;
        aktivChanges_.push_back(active);
    }

    // ---- for the test ----
    std::vector<std::string> Shown() const {
        const std::lock_guard lock(mutex_);
        return shown_;
    }
    std::vector<bool> AktivChanges() const {
        const std::lock_guard lock(mutex_);
        return aktivChanges_;
    }

    Event threadEnd{EventReset::Manual, false};
    Event disconnect{EventReset::Manual, false};
    const Event* sendQueueEvent = nullptr;
    TStringQueue receive;
    TStringQueue typed;
    TStringQueue transmit;

    // ---- inert ----
    std::string Get_Call() const override { return "DL1ABC"; }
    void Set_Call(std::string_view) override {}
    std::string Get_MyCall() const override { return {}; }
    void Set_MyCall(std::string_view) override {}
    std::string Get_Digis() const override { return {}; }
    void Set_Digis(std::string_view) override {}
    std::string Get_Path() const override { return {}; }
    void Set_Path(std::string_view) override {}
    std::string Get_RealPath() const override { return {}; }
    void Set_RealPath(std::string_view) override {}
    std::int32_t Get_Handle() const override { return 0; }
    void Set_Handle(std::int32_t) override {}
    void Disconnect() override {}
    void SendText(std::string_view) override {}
    void SendTextLine(std::string_view) override {}
    void WaitForText(std::string_view) override {}
    std::string ReceiveText() override { return {}; }
    std::shared_ptr<IStatus> GetStatus() const override { return nullptr; }
    std::shared_ptr<IKanalFuerVerbindung> GetKanal() const override { return nullptr; }
    void SetKanal(std::shared_ptr<IKanalFuerVerbindung>) override {}
    void SetStationTyp(TStationType) override {}
    TStationType GetStationTyp() const override { return {}; }
    std::uint8_t GetState() const override { return 3; }
    void SetState(std::uint8_t) override {}
    bool GetAusgehend() const override { return false; }
    void SetAusgehend(bool) override {}
    bool GetConnectText() const override { return false; }
    void SetConnectText(bool) override {}
    std::shared_ptr<IDateiSendenQueue> GetDateiSendenQueue() const override { return nullptr; }
    void SetDateiSenden(std::shared_ptr<IDateiSenden>) override {}
    std::shared_ptr<IDateiSenden> GetDateiSenden() const override { return nullptr; }
    void SendeText(std::string_view, bool, bool, bool, bool) override {}
    bool GetFernsteuerung() const override { return false; }
    void SetFernsteuerung(bool) override {}
    std::shared_ptr<IStationenDatenbankEintrag> GetStationenDatenbankEintrag() const override {
        return nullptr;
    }
    std::uint8_t GetBinMode() const override { return 0; }
    void SetBinMode(std::uint8_t) override {}
    TIncomingConnects GetIncomingConnects() const override { return {}; }
    void Start() override {}
    void Getrennt(int) override {}
    void EmpfangeText(std::string_view) override {}
    std::uint8_t GetDiscLevel() const override { return 0; }
    void DiscLevelDone() override {}
    void SaveToRegistry(std::string_view) override {}
    void RestoreFromRegistry(std::string_view, std::int32_t) override {}
    void KanalPrompt(std::string_view, int) override {}
    void Release() override {}
    void StopModul() override {}
    void SID() override {}
    bool AddApplication(const std::shared_ptr<IApplication>&) override { return false; }
    bool GetPactor() const override { return false; }
    void SetPactor(bool) override {}
    void PactorChangeOver() override {}
    void PactorBreakIn() override {}
    bool GetLocalEcho() const override { return false; }
    void SetLocalEcho(bool) override {}
    void ZeigeGesendet(std::string_view) override {}
    void KanalNotify(std::string_view, int) override {}
    bool InfoboxConnect(std::string_view) override { return false; }
    bool InfoboxReconnect(std::string_view) override { return false; }
    std::shared_ptr<IRemoteCommands> GetRemoteCommands() const override { return nullptr; }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<IVerbindungAbstract> modul_;
    std::atomic<bool> modulAktiv_{false};
    std::vector<std::string> shown_;
    std::vector<bool> aktivChanges_;
};

} // namespace quarn::test
