#pragma once

#include "foundation/InterfacesU.h"
#include "foundation/PublisherU.h"
#include "platform/ThreadTimer.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace quarn {

// The protocols of a send item: what a send job is sent with, or what a reception shows it received by.
inline constexpr std::uint8_t kProtokollText = 1;
inline constexpr std::uint8_t kProtokollAutobin = 2;
inline constexpr std::uint8_t kProtokoll7Plus = 3;
inline constexpr std::uint8_t kProtokollDidadit = 5;

// One file or text in transfer, in either direction: stream, names, texts around it, protocol, state,
// progress and throughput. The throughput tick runs once a second on the thread that called Starten
// and writes the link's bit rate to the connection's status. Make it with std::make_shared, so the
// tick can tell whether the item still exists.
class TDateiSenden final : public IDateiSenden, public std::enable_shared_from_this<TDateiSenden> {
public:
    explicit TDateiSenden(std::shared_ptr<IVerbindung> connection);
    ~TDateiSenden() override;
    TDateiSenden(const TDateiSenden&) = delete;
    TDateiSenden& operator=(const TDateiSenden&) = delete;

    void Subscribe(const std::shared_ptr<ISubscriber>& subscriber) override;
    void Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) override;

    void Release() override;
    void SetStream(std::unique_ptr<TStream> stream) override;
    TStream* GetStream() const override;
    void SetDateiname(const std::filesystem::path& fileName) override;
    std::filesystem::path GetDateiname() const override;
    void SetAnzeigename(std::string_view name) override;
    std::string GetAnzeigename() override;
    std::string GetTextVorher() const override;
    void SetTextVorher(std::string_view text) override;
    std::string GetTextNachher() const override;
    void SetTextNachher(std::string_view text) override;
    void SetZustand(std::uint8_t state) override;
    std::uint8_t GetZustand() const override;
    void SetProtokoll(std::uint8_t protocol) override;
    std::uint8_t GetProtokoll() const override;
    void SetPosition(std::int64_t bytes) override;
    std::int64_t GetPosition() const override;
    float GetProzent() const override;
    void SetGroesse(std::int64_t bytes) override;
    std::int64_t GetGroesse() const override;
    void Warten() override;
    void Starten() override;
    void Beenden() override;
    void AddBytes(std::int64_t count) override;

    // The once-a-second work of the timer; public for the tests that drive it with their own clock.
    void Tick();

    // The display-name reduction (Windows-1252 text): the name part only, characters no file name may
    // hold become "_"; "." and ".." (which would name a folder) become "<remoteCall>.dat".
    static std::string SichererName(std::string_view name, std::string_view remoteCall);
    // Trimmed; CR appended when the last character is printable.
    static std::string TextMitCr(std::string_view text);

    static constexpr int kRingSekunden = 300;
    static constexpr std::int64_t kZaehlenAb = 3585;

private:
    void Notify();
    std::shared_ptr<IVerbindung> Connection() const;
    std::string RemoteCall() const;

    const std::shared_ptr<TPublisher> publisher_ = std::make_shared<TPublisher>();

    mutable std::mutex connectionLock_;
    std::shared_ptr<IVerbindung> connection_;

    std::unique_ptr<TStream> stream_;
    std::filesystem::path dateiname_;
    std::string anzeigename_;
    std::string textVorher_;
    std::string textNachher_;
    std::atomic<std::uint8_t> protokoll_{0};
    std::atomic<std::uint8_t> zustand_{0};
    std::atomic<float> prozent_{0.0F};
    std::atomic<std::int64_t> position_{0};
    std::atomic<std::int64_t> groesse_{0};

    ThreadTimer timer_;

    // The throughput ring: bytes per second of the last kRingSekunden seconds.
    mutable std::mutex ringLock_;
    std::array<std::int64_t, kRingSekunden> ring_{};
    std::int64_t gesamt_ = 0;
    bool zaehlen_ = false;
    std::int64_t startSekunde_ = 0;
    std::int64_t letzteSekunde_ = 0;
    int mittelung_ = -1;
    std::atomic<bool> released_{false};
};

// A file stream that waits closed in its item (jobs queued by the hundred keep only their path) is
// opened for reading here, when its sender starts. False only when such a file cannot be opened.
bool DateiOeffnen(IDateiSenden& item);

} // namespace quarn
