#include "connections/send/DateiSendenU.h"

#include "foundation/DebOutU.h"
#include "foundation/FileStreamKioU.h"
#include "platform/Clock.h"
#include "platform/Codepage.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace quarn {

namespace {

constexpr std::string_view kClass = "TDateiSenden";
constexpr std::uint32_t kTickMs = 1000;

std::int64_t NowSeconds() {
    return static_cast<std::int64_t>(Clock().NowMs() / 1000);
}

bool Unsicher(unsigned char c) {
    if (c <= 31 || c == 127 || (c >= 129 && c <= 160) || c == 255) {
        return true;
    }
    return std::string_view("\"*/:<>?\\|").find(static_cast<char>(c)) != std::string_view::npos;
}

// Clears the seconds after `from` up to `to` (relative seconds, modulo the ring).
template <std::size_t N> void Leeren(std::array<std::int64_t, N>& ring, std::int64_t from, std::int64_t to) {
    if (to - from >= static_cast<std::int64_t>(N)) {
        ring.fill(0);
        return;
    }
    for (std::int64_t second = from + 1; second <= to; ++second) {
        ring[static_cast<std::size_t>(second % static_cast<std::int64_t>(N))] = 0;
    }
}

} // namespace

TDateiSenden::TDateiSenden(std::shared_ptr<IVerbindung> connection) : connection_(std::move(connection)) {}

TDateiSenden::~TDateiSenden() {
    Release();
    auto* file = dynamic_cast<TFileStreamKio*>(stream_.get());
    if (file == nullptr) {
        return;
    }
    const std::filesystem::path name = file->FileName();
    const bool temporary = file->Temporary();
    // Closed first, so the file can go.
    stream_.reset();
    if (!temporary) {
        DebOutObj(kClass, "Destroy", "Behalte: " + name.string());
        return;
    }
    std::error_code error;
    if (std::filesystem::remove(name, error) && !error) {
        DebOutObj(kClass, "Destroy", "Gelöscht: " + name.string());
    } else {
        DebOutObj(kClass, "Destroy", "Fehler beim Löschen: " + name.string());
    }
}

void TDateiSenden::Subscribe(const std::shared_ptr<ISubscriber>& subscriber) {
    publisher_->Subscribe(subscriber);
}

void TDateiSenden::Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) {
    publisher_->Unsubscribe(subscriber);
}

void TDateiSenden::Release() {
    if (released_.exchange(true)) {
        return;
    }
    if (const auto* file = dynamic_cast<const TFileStreamKio*>(stream_.get())) {
        DebOutObj(kClass, "Release", "release " + file->FileName().string());
    } else {
        DebOutObj(kClass, "Release", "release");
    }
    timer_.Stop();
    {
        const std::lock_guard lock(connectionLock_);
        connection_.reset();
    }
    publisher_->Clear();
}

void TDateiSenden::Notify() {
    publisher_->NotifySubscribers(static_cast<IDateiSenden*>(this));
}

std::shared_ptr<IVerbindung> TDateiSenden::Connection() const {
    const std::lock_guard lock(connectionLock_);
    return connection_;
}

std::string TDateiSenden::RemoteCall() const {
    const auto connection = Connection();
    return connection ? connection->Get_Call() : std::string();
}

void TDateiSenden::SetStream(std::unique_ptr<TStream> stream) {
    stream_ = std::move(stream);
}

TStream* TDateiSenden::GetStream() const {
    return stream_.get();
}

void TDateiSenden::SetDateiname(const std::filesystem::path& fileName) {
    dateiname_ = fileName;
}

std::filesystem::path TDateiSenden::GetDateiname() const {
    return dateiname_;
}

std::string TDateiSenden::SichererName(std::string_view name, std::string_view remoteCall) {
    const std::size_t slash = name.find_last_of("/\\");
    std::string result(slash == std::string_view::npos ? name : name.substr(slash + 1));
    for (char& c : result) {
        if (Unsicher(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    // "." and ".." name folders: a receiver joining them to its folder would leave that folder.
    if (result == "." || result == "..") {
        result = std::string(remoteCall.empty() ? std::string_view("datei") : remoteCall) + ".dat";
    }
    return result;
}

void TDateiSenden::SetAnzeigename(std::string_view name) {
    anzeigename_ = SichererName(name, RemoteCall());
}

std::string TDateiSenden::GetAnzeigename() {
    if (anzeigename_.empty()) {
        // Local file names are UTF-8; the name shown and sent is Windows-1252 text.
        anzeigename_ = SichererName(Utf8ToCp1252(dateiname_.string()), RemoteCall());
    }
    return anzeigename_;
}

std::string TDateiSenden::TextMitCr(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    std::string result(text);
    if (!result.empty() && static_cast<unsigned char>(result.back()) > 31) {
        result += '\r';
    }
    return result;
}

std::string TDateiSenden::GetTextVorher() const {
    return textVorher_;
}

void TDateiSenden::SetTextVorher(std::string_view text) {
    textVorher_ = TextMitCr(text);
}

std::string TDateiSenden::GetTextNachher() const {
    return textNachher_;
}

void TDateiSenden::SetTextNachher(std::string_view text) {
    textNachher_ = TextMitCr(text);
}

void TDateiSenden::SetZustand(std::uint8_t state) {
    zustand_ = state;
    Notify();
}

std::uint8_t TDateiSenden::GetZustand() const {
    return zustand_;
}

void TDateiSenden::SetProtokoll(std::uint8_t protocol) {
    if (protokoll_ != 0) {
        DebOutObj(kClass, "SetProtokoll", "WARNUNG: DateiSenden.Protokoll sollte nur einmal gesetzt werden.");
    }
    protokoll_ = protocol;
}

std::uint8_t TDateiSenden::GetProtokoll() const {
    return protokoll_;
}

void TDateiSenden::SetPosition(std::int64_t bytes) {
    if (position_.exchange(bytes) == bytes || zustand_ != 2) {
        return;
    }
    const std::int64_t size = groesse_;
    float percent = 0.0F;
    if (size <= 0) {
        percent = 0.0F;
    } else if (bytes >= size) {
        percent = 100.0F;
    } else {
        percent = static_cast<float>(static_cast<double>(bytes) / static_cast<double>(size) * 100.0);
    }
    if (prozent_.exchange(percent) != percent) {
        Notify();
    }
}

std::int64_t TDateiSenden::GetPosition() const {
    return position_;
}

float TDateiSenden::GetProzent() const {
    return prozent_;
}

void TDateiSenden::SetGroesse(std::int64_t bytes) {
    if (groesse_.exchange(bytes) == bytes) {
        return;
    }
    if (zustand_ == 2) {
        Notify();
    }
}

std::int64_t TDateiSenden::GetGroesse() const {
    return groesse_;
}

void TDateiSenden::Warten() {
    position_ = 0;
    zustand_ = 1;
    Notify();
}

void TDateiSenden::Starten() {
    position_ = 0;
    zustand_ = 2;
    Notify();
    {
        const std::lock_guard lock(ringLock_);
        ring_.fill(0);
        zaehlen_ = false;
        mittelung_ = -1;
    }
    timer_.Start(kTickMs, [weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            self->Tick();
        }
    });
}

void TDateiSenden::Beenden() {
    if (const auto connection = Connection()) {
        if (const auto status = connection->GetStatus()) {
            status->SetBitrate(0);
        }
    }
    timer_.Stop();
    zustand_ = 0;
    // The channel drops the finished transfer from its status bar only when told; until then it would
    // refuse to show the next one.
    Notify();
}

void TDateiSenden::AddBytes(std::int64_t count) {
    const std::int64_t now = NowSeconds();
    const std::lock_guard lock(ringLock_);
    gesamt_ += count;
    if (!zaehlen_) {
        // The first blocks go out before the link settles; they would flatter the rate.
        if (gesamt_ >= kZaehlenAb) {
            zaehlen_ = true;
            startSekunde_ = now;
            letzteSekunde_ = 0;
        }
        return;
    }
    const std::int64_t second = now - startSekunde_;
    Leeren(ring_, letzteSekunde_, second);
    ring_[static_cast<std::size_t>(second % kRingSekunden)] += count;
    letzteSekunde_ = std::max(letzteSekunde_, second);
}

void TDateiSenden::Tick() {
    const auto connection = Connection();
    const auto status = connection ? connection->GetStatus() : nullptr;
    if (!status) {
        return;
    }
    const int frack = status->GetFrack();
    std::int64_t bytesPerSecond = 0;
    {
        const std::lock_guard lock(ringLock_);
        if (!zaehlen_) {
            return;
        }
        const std::int64_t elapsed = NowSeconds() - startSekunde_;
        if (elapsed <= 0) {
            return;
        }
        std::int64_t window = frack <= 0 ? 40 : std::int64_t(frack) * 21 / 10;
        window = std::min<std::int64_t>(std::max<std::int64_t>(window, 20), elapsed);
        window = std::min<std::int64_t>(window, kRingSekunden - 1);
        // After a start the average widens by one second per tick up to the window.
        mittelung_ = (mittelung_ < 0 || mittelung_ >= window) ? static_cast<int>(window) : mittelung_ + 1;
        // Seconds without AddBytes count as silent ones, not as what they held a ring turn ago.
        Leeren(ring_, letzteSekunde_, elapsed);
        letzteSekunde_ = std::max(letzteSekunde_, elapsed);
        std::int64_t sum = 0;
        for (int i = 0; i < mittelung_; ++i) {
            sum += ring_[static_cast<std::size_t>((elapsed - i) % kRingSekunden)];
        }
        bytesPerSecond = sum / mittelung_;
    }
    status->SetBitrate(static_cast<int>(bytesPerSecond * 8));
}

bool DateiOeffnen(IDateiSenden& item) {
    auto* const datei = dynamic_cast<TFileStreamKio*>(item.GetStream());
    if (datei != nullptr && !datei->IsOpen()) {
        datei->Open();
        return datei->IsOpen();
    }
    return true;
}

} // namespace quarn
