#pragma once

#include "platform/CriticalSection.h"

#include <QFont>
#include <atomic>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

namespace quarn {

class IKanal;
class IKanalFenster;
class TKanal;
struct TMonitorFrame;

// The single channel set: channel 0 (the monitor) and the connection channels 1..n, the current and
// the context channel, the terminal font they share, and the free-channel search for connects. Built
// and used on the GUI thread; GetFreienKanal, MonitorZeile and MonitorMeldung also run on device threads.
class TKanaele {
public:
    static constexpr int kMinKanaele = 1;
    static constexpr int kMaxKanaele = 40;

    // Config() must exist. A console buffer that cannot be opened raises EKonsolenpuffer after the
    // operator was told (the program then ends with its exit code).
    explicit TKanaele(IKanalFenster& fenster);
    // Releases every channel.
    ~TKanaele();
    TKanaele(const TKanaele&) = delete;
    TKanaele& operator=(const TKanaele&) = delete;

    // The set while it exists; null before and after.
    static TKanaele* Instance();

    int GetAnzahl() const;
    int GetAktuellNr() const { return current_; }
    std::shared_ptr<IKanal> GetAktuell() const;
    // Null for a number outside 0..count.
    std::shared_ptr<IKanal> GetKanal(int number) const;
    std::shared_ptr<TKanal> GetTKanal(int number) const;
    // The channel last activated, else the current one.
    std::shared_ptr<IKanal> GetKontextKanal() const;
    void SetKontextKanal(std::shared_ptr<IKanal> channel);

    // Makes channel n current (sound 17 when it changes).
    void SetAktuellNr(int number);
    // The first free channel 1..n, reserved for the caller; null when none is free. Any thread.
    std::shared_ptr<IKanal> GetFreienKanal();
    // Grows or shrinks to n channels (n is brought into 1..40). Shrinking stops at a channel that is
    // connected or reserved; the buffer files of removed channels are deleted. "Channels" := the result.
    void SetAnzahl(int count);

    const QFont& GetFont() const { return font_; }
    void SetFont(const QFont& font);
    void FarbenUebernehmen();
    void SetZeilen(int rows);

    // One monitored frame as a line on channel 0. Device threads.
    void MonitorZeile(const TMonitorFrame& frame);
    // A device's notice on channel 0. Device threads.
    void MonitorMeldung(std::string_view header, std::string_view text);

    const std::filesystem::path& PufferOrdner() const { return pufferOrdner_; }

private:
    std::shared_ptr<TKanal> KanalErzeugen(int number);
    std::shared_ptr<TKanal> Kanal(int number) const;
    void KanalFreigeben(const std::shared_ptr<TKanal>& channel);

    IKanalFenster& fenster_;
    std::filesystem::path pufferOrdner_;
    QFont font_;
    int current_ = 1;
    std::shared_ptr<IKanal> kontext_;

    // Guards the channel list against the device threads' search and monitor output.
    mutable CriticalSection lock_;
    std::vector<std::shared_ptr<TKanal>> channels_;
};

} // namespace quarn
