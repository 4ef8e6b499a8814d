#include "devices/channel/KanaeleU.h"

#include "devices/FunkKanalU.h"
#include "devices/channel/KanalFenster.h"
#include "devices/channel/KanalU.h"
#include "devices/MonitorFrameU.h"
#include "devices/channel/MonitorZeileU.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/ProgramGlobals.h"
#include "foundation/SynchronizeU.h"
#include "platform/Exception.h"
#include "platform/FontFile.h"
#include "stations/KlaengeU.h"

#include <algorithm>
#include <system_error>

namespace quarn {
namespace {

constexpr const char* kClass = "TKanaele";
constexpr const char* kUnit = "KanaeleU";

std::atomic<TKanaele*> instance{nullptr};

// Buttons made between the two calls appear together, also when a channel cannot be made.
class KanalLeisteUpdate {
public:
    explicit KanalLeisteUpdate(IKanalFenster& fenster) : fenster_(fenster) {
        fenster_.KanalLeisteBeginUpdate();
    }
    ~KanalLeisteUpdate() { fenster_.KanalLeisteEndUpdate(); }
    KanalLeisteUpdate(const KanalLeisteUpdate&) = delete;
    KanalLeisteUpdate& operator=(const KanalLeisteUpdate&) = delete;

private:
    IKanalFenster& fenster_;
};

int Begrenzt(int count, const char* method) {
    const int bounded = std::clamp(count, TKanaele::kMinKanaele, TKanaele::kMaxKanaele);
    if (bounded != count) {
        DebOutObjFmt(kClass, method, "FEHLER: %d Kanäle gehen nicht, es werden %d", count, bounded);
    }
    return bounded;
}

} // namespace

TKanaele::TKanaele(IKanalFenster& fenster) : fenster_(fenster) {
    DebOutObj(kClass, "Create", "begin...");
    QUARN_ASSERT(IsGuiThread() && Config() != nullptr, kUnit);
    TKanaele* expected = nullptr;
    QUARN_ASSERT(instance.compare_exchange_strong(expected, this), kUnit);

    pufferOrdner_ = AppDataFolder() / "Text Buffers";
    std::error_code error;
    std::filesystem::create_directories(pufferOrdner_, error);
    if (error) {
        DebOutObj(kClass, "Create", "FEHLER: " + pufferOrdner_.string() + ": " + error.message());
    }

    const int count = Begrenzt(Config()->GetChannelsStored(), "Create");
    try {
        const KanalLeisteUpdate update(fenster_);
        for (int number = 0; number <= count; ++number) {
            std::shared_ptr<TKanal> channel = KanalErzeugen(number);
            const Locker lock(lock_);
            channels_.push_back(std::move(channel));
        }
    } catch (...) {
        for (const std::shared_ptr<TKanal>& channel : channels_) {
            channel->Release();
        }
        channels_.clear();
        instance.store(nullptr);
        throw;
    }
    SetFont(TerminalFont(Config()->GetFont()));
    current_ = 1;
    channels_[1]->SetAktiv(true);
    SetFreierKanalQuelle([this] { return GetFreienKanal(); });
    DebOutObj(kClass, "Create", "end.");
}

TKanaele::~TKanaele() {
    DebOutObj(kClass, "Destroy", "begin...");
    SetFreierKanalQuelle({});
    kontext_.reset();
    std::vector<std::shared_ptr<TKanal>> channels;
    {
        const Locker lock(lock_);
        channels.swap(channels_);
    }
    for (const std::shared_ptr<TKanal>& channel : channels) {
        channel->Release();
        DebOutObjFmt(kClass, "Destroy", "Kanal[%2.2d] := nil", channel->GetNummer());
    }
    channels.clear();
    instance.store(nullptr);
    DebOutObj(kClass, "Destroy", "end.");
}

TKanaele* TKanaele::Instance() {
    return instance.load();
}

std::shared_ptr<TKanal> TKanaele::KanalErzeugen(int number) {
    TKanal::TUmgebung umgebung;
    umgebung.fenster = &fenster_;
    umgebung.pufferOrdner = pufferOrdner_;
    umgebung.knopfGedrueckt = [this](int pressed) { SetAktuellNr(pressed); };
    umgebung.kontextKanal = [this](const std::shared_ptr<IKanal>& channel) { SetKontextKanal(channel); };
    return TKanal::Erzeugen(number, std::move(umgebung));
}

int TKanaele::GetAnzahl() const {
    const Locker lock(lock_);
    return static_cast<int>(channels_.size()) - 1;
}

std::shared_ptr<TKanal> TKanaele::Kanal(int number) const {
    const Locker lock(lock_);
    if (number < 0 || number >= static_cast<int>(channels_.size())) {
        return nullptr;
    }
    return channels_[static_cast<std::size_t>(number)];
}

std::shared_ptr<IKanal> TKanaele::GetKanal(int number) const {
    return Kanal(number);
}

std::shared_ptr<TKanal> TKanaele::GetTKanal(int number) const {
    return Kanal(number);
}

std::shared_ptr<IKanal> TKanaele::GetAktuell() const {
    return Kanal(current_);
}

std::shared_ptr<IKanal> TKanaele::GetKontextKanal() const {
    return kontext_ ? kontext_ : GetAktuell();
}

void TKanaele::SetKontextKanal(std::shared_ptr<IKanal> channel) {
    kontext_ = std::move(channel);
}

void TKanaele::SetAktuellNr(int number) {
    QUARN_ASSERT(number >= 0 && number <= GetAnzahl(), kUnit);
    try {
        if (number == current_) {
            Kanal(number)->SetAktiv(true);
            return;
        }
        if (const std::shared_ptr<TKanal> old = Kanal(current_)) {
            old->SetAktiv(false);
        }
        Kanal(number)->SetAktiv(true);
        current_ = number;
        if (Klaenge() != nullptr) {
            Klaenge()->Play(17, static_cast<const IVerbindung*>(nullptr));
        }
    } catch (const std::exception& error) {
        DebOutObj(kClass, "SetAktuellNr", std::string("Exception: ") + error.what());
    }
}

std::shared_ptr<IKanal> TKanaele::GetFreienKanal() {
    const Locker lock(lock_);
    for (std::size_t number = 1; number < channels_.size(); ++number) {
        const std::shared_ptr<TKanal>& channel = channels_[number];
        if (channel->IsFrei()) {
            channel->SetReserviert(true);
            return channel;
        }
    }
    return nullptr;
}

void TKanaele::KanalFreigeben(const std::shared_ptr<TKanal>& channel) {
    if (kontext_.get() == static_cast<IKanal*>(channel.get())) {
        kontext_.reset();
    }
    const int number = channel->GetNummer();
    channel->Release();
    DebOutObjFmt(kClass, "SetAnzahl", "Kanal[%2.2d] := nil", number);
    std::error_code ignored;
    std::filesystem::remove(KanalPufferDatei(pufferOrdner_, number), ignored);
}

void TKanaele::SetAnzahl(int count) {
    QUARN_ASSERT(IsGuiThread(), kUnit);
    count = Begrenzt(count, "SetAnzahl");
    const int before = GetAnzahl();
    if (count == before) {
        return;
    }
    const KanalLeisteUpdate update(fenster_);
    if (count < before) {
        if (count < current_) {
            SetAktuellNr(count);
        }
        std::vector<std::shared_ptr<TKanal>> removed;
        {
            // Decided under the lock: a channel a device thread has just reserved for an incoming link,
            // like a connected one, stops the removal.
            const Locker lock(lock_);
            while (static_cast<int>(channels_.size()) - 1 > count) {
                const std::shared_ptr<TKanal>& last = channels_.back();
                if (last->IsVerbunden() || last->GetReserviert()) {
                    break;
                }
                removed.push_back(last);
                channels_.pop_back();
            }
        }
        for (const std::shared_ptr<TKanal>& channel : removed) {
            KanalFreigeben(channel);
        }
    } else {
        for (int number = before + 1; number <= count; ++number) {
            std::shared_ptr<TKanal> channel = KanalErzeugen(number);
            channel->SetFont(font_);
            const Locker lock(lock_);
            channels_.push_back(std::move(channel));
        }
    }
    Config()->SetChannels(GetAnzahl());
}

void TKanaele::SetFont(const QFont& font) {
    font_ = font;
    std::vector<std::shared_ptr<TKanal>> channels;
    {
        const Locker lock(lock_);
        channels = channels_;
    }
    for (const std::shared_ptr<TKanal>& channel : channels) {
        channel->SetFont(font_);
    }
}

void TKanaele::FarbenUebernehmen() {
    for (int number = 0; number <= GetAnzahl(); ++number) {
        if (const std::shared_ptr<TKanal> channel = Kanal(number)) {
            channel->FarbenUebernehmen();
        }
    }
}

void TKanaele::SetZeilen(int rows) {
    for (int number = 0; number <= GetAnzahl(); ++number) {
        if (const std::shared_ptr<TKanal> channel = Kanal(number)) {
            channel->SetZeilen(rows);
        }
    }
}

void TKanaele::MonitorZeile(const TMonitorFrame& frame) {
    const std::optional<TMonitorZeile> line = MonitorZeileFormatieren(frame, Config()->GetMonitorFlags());
    if (!line) {
        return;
    }
    if (const std::shared_ptr<TKanal> monitor = Kanal(0)) {
        monitor->MonitorAusgabe(line->kopf, line->information, frame.colourFlag != 0);
    }
}

void TKanaele::MonitorMeldung(std::string_view header, std::string_view text) {
    if (const std::shared_ptr<TKanal> monitor = Kanal(0)) {
        std::string notice = "\r";
        notice += header;
        notice += '\r';
        notice += text;
        notice += '\r';
        monitor->Ausgabe(kanalfarbe::kMonitorMeldung, notice);
    }
}

} // namespace quarn
