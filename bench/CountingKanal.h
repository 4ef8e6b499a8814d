#pragma once

// A channel for the benchmarks that run links over the simulated TNC: it keeps what the link gave it to
// show as received, and the connection attached to it.
#include "foundation/InterfacesU.h"
#include "tests/devices/FakeKanal.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace quarn::bench {

// A channel that keeps what it was given to show as received.
class CountingKanal final : public quarn::test::FakeKanal, public IKanalFuerVerbindung {
public:
    explicit CountingKanal(int number) : FakeKanal(number) {}

    std::size_t ReceivedSize() const {
        const std::lock_guard lock(mutex_);
        return received_.size();
    }
    std::string Received() const {
        const std::lock_guard lock(mutex_);
        return received_;
    }
    std::shared_ptr<IVerbindung> Connection() const {
        const std::lock_guard lock(mutex_);
        return connection_;
    }

    int TextEmpfangen(std::string_view text) override {
        const std::lock_guard lock(mutex_);
        received_ += text;
        return 0;
    }
    void SetVerbindung(std::shared_ptr<IVerbindung> connection) override {
        const std::lock_guard lock(mutex_);
        connection_ = std::move(connection);
    }

    void Release() override {}
    std::uint8_t GetStatus() const override { return 0; }
    void StatusAktualisieren() override {}
    void PromptAusgabe(std::string_view, int) override {}
    void Prompt(std::string_view, int) override {}
    void TextGesendet(std::string_view) override {}
    void Verbunden() override {}
    void Getrennt(int) override {}
    void VerbindungGeaendert() override {}
    void CallChange() override {}
    void StopAktualisieren() override {}
    int GetNummer() const override { return FakeKanal::GetNummer(); }
    void MarkiereZeile(int) override {}
    void Notify(void*) override {}

private:
    mutable std::mutex mutex_;
    std::string received_;
    std::shared_ptr<IVerbindung> connection_;
};

} // namespace quarn::bench
