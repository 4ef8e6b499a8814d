#pragma once

// The standard handler among fakes: a connection with real queues that records what the handler asked
// of it, a station entry with passwords, a channel that records marked rows, and stub transfer handlers.
#include "FakeModulVerbindung.h"
#include "connections/standard/StandardPasswortU.h"
#include "connections/standard/StandardTransferU.h"
#include "connections/standard/VerbindungStandardU.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace quarn::test {

class FakeEintrag final : public IStationenDatenbankEintrag {
public:
    TStationType typ = TStationType::st_unknown;
    std::map<std::tuple<std::string, TPasswortArt, TPasswortMethode>, std::string> passwords;

    std::string GetPasswort(std::string_view myCall, TPasswortArt kind,
                            TPasswortMethode method) const override {
        const auto found = passwords.find({std::string(myCall), kind, method});
        return found == passwords.end() ? std::string() : found->second;
    }
    TStationType GetTyp() const override { return typ; }

    std::string GetRufzeichen() const override { return {}; }
    void SetName(std::string_view) override {}
    std::string GetName() const override { return {}; }
    void SetNotizen(std::string_view) override {}
    std::string GetNotizen() const override { return {}; }
    void SetTyp(TStationType) override {}
    void SetFirewall(TIncomingConnects) override {}
    TIncomingConnects GetFirewall() const override { return {}; }
    void SetPasswort(std::string_view, TPasswortArt, std::string_view, TPasswortMethode) override {}
    std::string GetPasswortStream(std::string_view) const override { return {}; }
    void DeleteStream(std::string_view) override {}
    std::shared_ptr<IStorage> GetStorage() const override { return nullptr; }
    void SetStorage(std::shared_ptr<IStorage>) override {}
    void GetSoundEvent(int, int&, int&, std::string&) const override {}
    bool SetSoundEvent(int, int, int, std::string_view) override { return false; }
    void DeleteSoundEvent(int) override {}
    void GetText(int, std::string&, bool&) const override {}
    bool SetText(int, std::string_view, bool) override { return false; }
    void DeleteText(int) override {}
    bool GetRemoteCommand(std::string_view, bool&) const override { return false; }
    void SetRemoteCommand(std::string_view, bool) override {}
    void DeleteRemoteCommand(std::string_view) override {}
};

class MarkKanal final : public IKanalFuerVerbindung {
public:
    std::vector<int> marks;
    void MarkiereZeile(int row) override { marks.push_back(row); }

    void Notify(void*) override {}
    void Release() override {}
    std::uint8_t GetStatus() const override { return 3; }
    void StatusAktualisieren() override {}
    void PromptAusgabe(std::string_view, int) override {}
    void Prompt(std::string_view, int) override {}
    int TextEmpfangen(std::string_view) override { return 0; }
    void TextGesendet(std::string_view) override {}
    void Verbunden() override {}
    void SetVerbindung(std::shared_ptr<IVerbindung>) override {}
    void Getrennt(int) override {}
    void VerbindungGeaendert() override {}
    void CallChange() override {}
    void StopAktualisieren() override {}
    int GetNummer() const override { return 1; }
};

class FakeRemote final : public IRemoteCommands {
public:
    std::vector<std::string> lines;
    void Release() override {}
    void Execute(std::string_view line) override { lines.emplace_back(line); }
};

// The connection as the standard handler uses it.
class StandardVerbindung final : public FakeModulVerbindung {
public:
    std::string call = "DB0ABC-8";
    std::string myCall = "DL1XYZ-2";
    TStationType typ = TStationType::st_unknown;
    std::shared_ptr<FakeEintrag> eintrag;
    std::shared_ptr<MarkKanal> kanal = std::make_shared<MarkKanal>();
    std::shared_ptr<FakeRemote> remote = std::make_shared<FakeRemote>();
    std::shared_ptr<IDateiSendenQueue> sendQueue;
    std::shared_ptr<IDateiSenden> job;
    bool fernsteuerung = false;
    bool ausgehend = false;
    std::uint8_t binMode = 0;
    int sid = 0;
    std::vector<std::string> sent;    // SendeText
    std::vector<std::string> prompts; // KanalPrompt
    std::vector<std::string> connects;

    std::string Get_Call() const override { return call; }
    std::string Get_MyCall() const override { return myCall; }
    void SetStationTyp(TStationType kind) override { typ = kind; }
    TStationType GetStationTyp() const override { return typ; }
    std::shared_ptr<IStationenDatenbankEintrag> GetStationenDatenbankEintrag() const override {
        return eintrag;
    }
    std::shared_ptr<IKanalFuerVerbindung> GetKanal() const override { return kanal; }
    std::shared_ptr<IRemoteCommands> GetRemoteCommands() const override { return remote; }
    bool GetFernsteuerung() const override { return fernsteuerung; }
    bool GetAusgehend() const override { return ausgehend; }
    std::uint8_t GetBinMode() const override { return binMode; }
    void SetBinMode(std::uint8_t mode) override { binMode = mode; }
    void SID() override { ++sid; }
    void SendeText(std::string_view text, bool, bool, bool, bool) override { sent.emplace_back(text); }
    void KanalPrompt(std::string_view text, int kind) override {
        prompts.push_back(std::to_string(kind) + " " + std::string(text));
    }
    bool InfoboxConnect(std::string_view c) override {
        connects.push_back("C " + std::string(c));
        return true;
    }
    bool InfoboxReconnect(std::string_view c) override {
        connects.push_back("R " + std::string(c));
        return true;
    }
    std::shared_ptr<IDateiSendenQueue> GetDateiSendenQueue() const override { return sendQueue; }
    void SetDateiSenden(std::shared_ptr<IDateiSenden> j) override { job = std::move(j); }
    std::shared_ptr<IDateiSenden> GetDateiSenden() const override { return job; }
};

// The handler with its callbacks in reach of the test, which plays the event loop.
class OffenerStandard final : public TVerbindungStandard {
public:
    using TVerbindungStandard::ReceiveData;
    using TVerbindungStandard::SendData;
    using TVerbindungStandard::SendFile;
    using TVerbindungStandard::TVerbindungStandard;
};

// What the stub transfer handlers saw.
struct StubLog {
    std::vector<std::string> lines;
    std::vector<int> terminated;
    bool fail = false;
};

// A transfer handler that reads one whole line, and throws instead when told to.
class StubTransfer final : public TVerbindungAbstract {
public:
    StubTransfer(std::shared_ptr<TVerbindungAbstract> owner, std::shared_ptr<IVerbindungFuerModul> connection,
                 StubLog& log)
        : TVerbindungAbstract(std::move(owner), std::move(connection)), log_(log) {}
    std::string GetClassName() const override { return "StubTransfer"; }
    void Starte() { Init(); }

protected:
    void Init() override { SetUseEvent(5, true); }
    void ReceiveData() override {
        if (log_.fail) {
            throw std::runtime_error("stub failed");
        }
        log_.lines.push_back(Verbindung()->GetReceiveQueue().PopLine());
        Finish();
    }
    void SendFile() override {}
    void Terminated(int reason) override {
        log_.terminated.push_back(reason);
        TVerbindungAbstract::Terminated(reason);
    }

private:
    StubLog& log_;
};

inline THandlerFabrik StubFabrik(StubLog& log) {
    return
        [&log](std::shared_ptr<TVerbindungAbstract> owner, std::shared_ptr<IVerbindungFuerModul> connection) {
            auto handler = std::make_shared<StubTransfer>(std::move(owner), std::move(connection), log);
            handler->Starte();
            return handler;
        };
}

class StandardFixture : public ::testing::Test {
protected:
    void TearDown() override {
        if (handler) {
            handler->Release();
        }
        SetPasswortZufall({});
        for (int art = 0; art <= static_cast<int>(TTransferArt::DidaditSend); ++art) {
            SetTransferFabrik(static_cast<TTransferArt>(art), {});
        }
    }

    OffenerStandard& Start() {
        handler = TVerbindungAbstract::Erzeuge<OffenerStandard>(nullptr, connection);
        connection->SetModul(handler);
        return *handler;
    }
    // Each piece arrives on its own, as the device hands it over.
    void Receive(std::initializer_list<std::string_view> pieces) {
        for (const auto piece : pieces) {
            connection->receive.PushString(piece);
            handler->ReceiveData();
        }
    }
    std::string ShownText() const {
        std::string text;
        for (const auto& piece : connection->Shown()) {
            text += piece;
        }
        return text;
    }

    std::shared_ptr<StandardVerbindung> connection = std::make_shared<StandardVerbindung>();
    std::shared_ptr<OffenerStandard> handler;
};

} // namespace quarn::test
