#pragma once

// A channel for the send-file wizard: it publishes as the real channel does (after a connect or a
// disconnect, from any thread), carries a connection with a real send queue, and counts the wizard's
// closing. The connection can also go without a word, as between a refresh and a press of Finish.
#include "connections/send/DateiSendenQueueU.h"
#include "connections/FakeModulVerbindung.h"
#include "devices/FakeKanal.h"
#include "foundation/PublisherU.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace quarn::test {

class SendenVerbindung final : public FakeModulVerbindung {
public:
    std::shared_ptr<IDateiSendenQueue> GetDateiSendenQueue() const override { return queue; }
    std::uint8_t GetBinMode() const override { return binMode; }

    std::shared_ptr<TDateiSendenQueue> queue = std::make_shared<TDateiSendenQueue>();
    std::atomic<std::uint8_t> binMode{0};
};

class SendenKanal final : public FakeKanal, public IPublisher {
public:
    explicit SendenKanal(int number) : FakeKanal(number, false) {}

    bool IsVerbunden() const override { return static_cast<bool>(GetVerbindung()); }
    std::shared_ptr<IVerbindung> GetVerbindung() const override {
        const std::lock_guard lock(mutex_);
        return verbindung_;
    }
    void SendenDialogGeschlossen() override { ++geschlossen; }
    void Subscribe(const std::shared_ptr<ISubscriber>& subscriber) override {
        publisher_.Subscribe(subscriber);
    }
    void Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) override {
        publisher_.Unsubscribe(subscriber);
    }

    // Without telling anyone.
    void Setzen(std::shared_ptr<IVerbindung> verbindung) {
        const std::lock_guard lock(mutex_);
        verbindung_ = std::move(verbindung);
    }
    // As the channel does after a call change or a disconnect: set, then publish.
    void Melden(std::shared_ptr<IVerbindung> verbindung) {
        Setzen(std::move(verbindung));
        publisher_.NotifySubscribers(nullptr);
    }

    std::atomic<int> geschlossen{0};

private:
    mutable std::mutex mutex_;
    std::shared_ptr<IVerbindung> verbindung_;
    TPublisher publisher_;
};

} // namespace quarn::test
