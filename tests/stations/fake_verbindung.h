#pragma once

#include "foundation/InterfacesU.h"
#include "foundation/QueueU.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quarn::test {

// One call of IVerbindung::SendeText.
struct SentText {
    std::string text;
    bool echo, escapes, wrap, typed;
};

// A connection that knows its peer's call and station entry and records what is sent on it. The hooks
// run inside Get_Call and SendeText, so a test can look at the caller's locks from there.
class FakeVerbindung final : public IVerbindung {
public:
    explicit FakeVerbindung(std::string call, std::shared_ptr<IStationenDatenbankEintrag> entry = nullptr)
        : call_(std::move(call)), entry_(std::move(entry)) {}

    std::vector<SentText> sent;
    std::function<void()> onGetCall;
    std::function<void()> onSend;
    // What the channel reads of a connection.
    std::string myCall;
    std::string digis;
    std::string path;
    std::uint8_t state = 3;
    TStationType stationTyp = TStationType::st_unknown;
    std::shared_ptr<IStatus> status;
    std::shared_ptr<IKanalFuerVerbindung> kanal;

    std::string Get_Call() const override {
        if (onGetCall) {
            onGetCall();
        }
        return call_;
    }
    std::shared_ptr<IStationenDatenbankEintrag> GetStationenDatenbankEintrag() const override {
        return entry_;
    }
    void SendeText(std::string_view text, bool echo, bool escapes, bool wrap, bool typed) override {
        if (onSend) {
            onSend();
        }
        sent.push_back({std::string(text), echo, escapes, wrap, typed});
    }

    // Nothing below is used by the texts or the channel.
    void Set_Call(std::string_view) override {}
    std::string Get_MyCall() const override { return myCall; }
    void Set_MyCall(std::string_view) override {}
    std::string Get_Digis() const override { return digis; }
    void Set_Digis(std::string_view) override {}
    std::string Get_Path() const override { return path; }
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
    std::shared_ptr<IStatus> GetStatus() const override { return status; }
    std::shared_ptr<IKanalFuerVerbindung> GetKanal() const override { return kanal; }
    void SetKanal(std::shared_ptr<IKanalFuerVerbindung> channel) override { kanal = std::move(channel); }
    void SetStationTyp(TStationType) override {}
    TStationType GetStationTyp() const override { return stationTyp; }
    std::uint8_t GetState() const override { return state; }
    void SetState(std::uint8_t) override {}
    bool GetAusgehend() const override { return false; }
    void SetAusgehend(bool) override {}
    bool GetConnectText() const override { return false; }
    void SetConnectText(bool) override {}
    std::shared_ptr<IDateiSendenQueue> GetDateiSendenQueue() const override { return nullptr; }
    void SetDateiSenden(std::shared_ptr<IDateiSenden>) override {}
    std::shared_ptr<IDateiSenden> GetDateiSenden() const override { return nullptr; }
    TStringQueue& GetTransmitQueue() override { return transmitQueue_; }
    bool GetFernsteuerung() const override { return false; }
    void SetFernsteuerung(bool) override {}
    bool GetModulAktiv() const override { return false; }
    void SetModulAktiv(bool) override {}
    std::uint8_t GetBinMode() const override { return 0; }
    void SetBinMode(std::uint8_t) override {}
    TIncomingConnects GetIncomingConnects() const override { return TIncomingConnects::None; }
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

private:
    std::string call_;
    std::shared_ptr<IStationenDatenbankEintrag> entry_;
    TStringQueue transmitQueue_;
};

} // namespace quarn::test
