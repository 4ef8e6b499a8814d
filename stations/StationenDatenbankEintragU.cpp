#include "foundation/CommaText.h"
#include "foundation/DebOutU.h"
#include "platform/Codepage.h"
#include "platform/CompoundStorage.h"
#include "stations/StationenDatenbankU.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace quarn {
namespace {

constexpr const char* kUnit = "StationenDatenbankU";
constexpr std::string_view kClass = "TStationenDatenbankEintrag";
constexpr int kSoundEvents = 20;
constexpr int kTextKinds = 14;

// Delphi's StrToInt as stored values need it: blanks before the number, an optional sign, decimal
// digits, nothing after them.
bool ParseInteger(std::string_view text, int& value) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// "Name=Value" lines as a string list holds them: the name is compared without regard to case.
std::string_view LineName(std::string_view line) {
    return line.substr(0, line.find('='));
}

std::string_view LineValue(std::string_view line) {
    const auto equals = line.find('=');
    return equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
}

} // namespace

std::string SoundStreamName(int event) {
    char name[16];
    std::snprintf(name, sizeof name, "S%2.2d", event);
    return name;
}

std::string TextStreamName(int kind) {
    char name[16];
    std::snprintf(name, sizeof name, "X%2.2d", kind);
    return name;
}

std::string MakePasswortStreamName(std::string_view myCall, TPasswortArt kind, TPasswortMethode method) {
    std::string name(1, kPasswortPrefix);
    name += kind == TPasswortArt::Sysop ? 'S' : 'U';
    switch (method) {
    case TPasswortMethode::MD5:
        name += 'M';
        break;
    case TPasswortMethode::DieBox:
        name += 'D';
        break;
    default:
        name += 'B';
        break;
    }
    name += myCall;
    return name;
}

void ParsePasswortStreamName(std::string_view name, std::string& myCall, TPasswortArt& kind,
                             TPasswortMethode& method) {
    QUARN_ASSERT(name.size() >= 4, kUnit);
    QUARN_ASSERT(name[0] == kPasswortPrefix, kUnit);
    kind = name[1] == 'S' ? TPasswortArt::Sysop : TPasswortArt::Benutzer;
    method = name[2] == 'M'   ? TPasswortMethode::MD5
             : name[2] == 'D' ? TPasswortMethode::DieBox
                              : TPasswortMethode::BayCom;
    myCall = std::string(name.substr(3));
}

TStationenDatenbankEintrag::TStationenDatenbankEintrag(std::string call, std::shared_ptr<IStorage> storage)
    : call_(std::move(call)), storage_(std::move(storage)) {}

TStationenDatenbankEintrag::~TStationenDatenbankEintrag() = default;

std::string TStationenDatenbankEintrag::GetRufzeichen() const {
    return call_;
}

// Creates (replacing) the stream and writes the bytes; raises EStorageError when the storage refuses.
void TStationenDatenbankEintrag::WriteStream(std::string_view streamName, std::string_view bytes,
                                             const char* method) {
    QUARN_ASSERT(storage_ != nullptr, kUnit);
    DebOutObj(kClass, method, "StreamName: " + std::string(streamName));
    try {
        storage_->CreateStream(streamName)->Write(bytes);
        DebOutObj(kClass, method, "CreateStream ok.");
    } catch (const EStorageError& error) {
        DebOutObj(kClass, method, std::string("CreateStream Fehler. ") + error.what());
        throw;
    }
}

std::string TStationenDatenbankEintrag::ReadStream(std::string_view streamName, std::size_t limit) const {
    if (!storage_) {
        return {};
    }
    const std::shared_ptr<IStream> stream = storage_->OpenStream(streamName);
    return stream ? stream->Read(limit) : std::string();
}

void TStationenDatenbankEintrag::SetName(std::string_view name) {
    Locker lock(lock_);
    try {
        WriteStream("N", name, "SetName");
    } catch (const EStorageError&) {
    }
}

std::string TStationenDatenbankEintrag::GetName() const {
    Locker lock(lock_);
    return ReadStream("N", kStationNameLimit);
}

void TStationenDatenbankEintrag::SetNotizen(std::string_view notes) {
    Locker lock(lock_);
    try {
        WriteStream("C", notes, "SetNotizen");
    } catch (const EStorageError&) {
    }
}

std::string TStationenDatenbankEintrag::GetNotizen() const {
    Locker lock(lock_);
    return ReadStream("C", kStationNotesLimit);
}

void TStationenDatenbankEintrag::LoadTyp() const {
    if (typLoaded_) {
        return;
    }
    kind_ = 0;
    const std::string bytes = ReadStream("T", 2);
    if (!bytes.empty()) {
        kind_ = static_cast<std::uint8_t>(bytes[0]);
    }
    if (bytes.size() > 1) {
        rule_ = static_cast<std::uint8_t>(bytes[1]);
    }
    typLoaded_ = true;
}

// Kind and rule share one stream; a change is stored at once, so that it reaches the file with the next
// flush even while the station stays in use.
void TStationenDatenbankEintrag::StoreTyp(const char* method) {
    const char bytes[2] = {static_cast<char>(kind_), static_cast<char>(rule_)};
    try {
        WriteStream("T", std::string_view(bytes, 2), method);
    } catch (const EStorageError&) {
    }
}

void TStationenDatenbankEintrag::SetTyp(TStationType kind) {
    Locker lock(lock_);
    LoadTyp();
    if (static_cast<std::uint8_t>(kind) != kind_) {
        kind_ = static_cast<std::uint8_t>(kind);
        StoreTyp("SetTyp");
    }
}

TStationType TStationenDatenbankEintrag::GetTyp() const {
    Locker lock(lock_);
    LoadTyp();
    return static_cast<TStationType>(kind_);
}

void TStationenDatenbankEintrag::SetFirewall(TIncomingConnects rule) {
    Locker lock(lock_);
    LoadTyp();
    if (static_cast<std::uint8_t>(rule) != rule_) {
        rule_ = static_cast<std::uint8_t>(rule);
        StoreTyp("SetFirewall");
    }
}

TIncomingConnects TStationenDatenbankEintrag::GetFirewall() const {
    Locker lock(lock_);
    LoadTyp();
    return static_cast<TIncomingConnects>(rule_);
}

void TStationenDatenbankEintrag::SetPasswort(std::string_view myCall, TPasswortArt kind,
                                             std::string_view password, TPasswortMethode method) {
    Locker lock(lock_);
    try {
        WriteStream(MakePasswortStreamName(myCall, kind, method), password, "SetPasswort");
    } catch (const EStorageError&) {
    }
}

std::string TStationenDatenbankEintrag::GetPasswort(std::string_view myCall, TPasswortArt kind,
                                                    TPasswortMethode method) const {
    return GetPasswortStream(MakePasswortStreamName(myCall, kind, method));
}

std::string TStationenDatenbankEintrag::GetPasswortStream(std::string_view streamName) const {
    Locker lock(lock_);
    return ReadStream(streamName, kStationStreamLimit);
}

void TStationenDatenbankEintrag::DeleteStream(std::string_view streamName) {
    Locker lock(lock_);
    if (streamName.empty() || !storage_) {
        return;
    }
    storage_->DestroyElement(streamName);
}

std::shared_ptr<IStorage> TStationenDatenbankEintrag::GetStorage() const {
    Locker lock(lock_);
    return storage_;
}

void TStationenDatenbankEintrag::SetStorage(std::shared_ptr<IStorage> storage) {
    Locker lock(lock_);
    storage_ = std::move(storage);
}

void TStationenDatenbankEintrag::GetSoundEvent(int event, int& signal, int& announcement,
                                               std::string& waveFile) const {
    signal = 0;
    announcement = 0;
    waveFile.clear();
    if (event < 0 || event >= kSoundEvents) {
        return;
    }
    Locker lock(lock_);
    const std::vector<std::string> items =
        ParseCommaText(ReadStream(SoundStreamName(event), kStationStreamLimit));
    if (items.size() != 3) {
        return;
    }
    if (!ParseInteger(items[0], signal)) {
        signal = 0;
        return;
    }
    waveFile = items[1];
    if (!ParseInteger(items[2], announcement)) {
        announcement = 0;
    }
}

bool TStationenDatenbankEintrag::SetSoundEvent(int event, int signal, int announcement,
                                               std::string_view waveFile) {
    if (event < 0 || event >= kSoundEvents) {
        return false;
    }
    Locker lock(lock_);
    const std::vector<std::string> items{std::to_string(signal), std::string(waveFile),
                                         std::to_string(announcement)};
    try {
        WriteStream(SoundStreamName(event), FormatCommaText(items), "SetSoundEvent");
        return true;
    } catch (const EStorageError&) {
        return false;
    }
}

void TStationenDatenbankEintrag::DeleteSoundEvent(int event) {
    Locker lock(lock_);
    QUARN_ASSERT(storage_ != nullptr, kUnit);
    storage_->DestroyElement(SoundStreamName(event));
}

void TStationenDatenbankEintrag::GetText(int kind, std::string& text, bool& sendGlobalFirst) const {
    text.clear();
    sendGlobalFirst = true;
    if (kind < 0 || kind >= kTextKinds) {
        return;
    }
    Locker lock(lock_);
    std::vector<std::string> items = ParseCommaText(ReadStream(TextStreamName(kind), kStationTextLimit));
    if (items.size() < 2) {
        items.resize(2);
    }
    if (items.size() == 2) {
        sendGlobalFirst = items[0] != "0";
        text = items[1];
    }
}

bool TStationenDatenbankEintrag::SetText(int kind, std::string_view text, bool sendGlobalFirst) {
    if (kind < 0 || kind >= kTextKinds) {
        return false;
    }
    Locker lock(lock_);
    const std::vector<std::string> items{sendGlobalFirst ? "1" : "0", std::string(text)};
    try {
        WriteStream(TextStreamName(kind), FormatCommaText(items), "SetText");
        return true;
    } catch (const EStorageError&) {
        return false;
    }
}

void TStationenDatenbankEintrag::DeleteText(int kind) {
    Locker lock(lock_);
    QUARN_ASSERT(storage_ != nullptr, kUnit);
    storage_->DestroyElement(TextStreamName(kind));
}

void TStationenDatenbankEintrag::LoadRemoteCommands() const {
    if (!remoteCommands_) {
        remoteCommands_ = ParseCommaText(ReadStream("R", kStationStreamLimit));
    }
}

namespace {

auto FindCommand(std::vector<std::string>& lines, std::string_view name) {
    const std::string wanted = Cp1252UpperCase(name);
    return std::find_if(lines.begin(), lines.end(),
                        [&](const std::string& line) { return Cp1252UpperCase(LineName(line)) == wanted; });
}

} // namespace

bool TStationenDatenbankEintrag::GetRemoteCommand(std::string_view name, bool& allowed) const {
    Locker lock(lock_);
    LoadRemoteCommands();
    const auto found = FindCommand(*remoteCommands_, name);
    if (found == remoteCommands_->end() || LineValue(*found).empty()) {
        return false;
    }
    allowed = LineValue(*found) == "1";
    return true;
}

void TStationenDatenbankEintrag::StoreRemoteCommands(const char* method) {
    if (!storage_) {
        return;
    }
    const std::string text = remoteCommands_->empty() ? std::string() : FormatCommaText(*remoteCommands_);
    try {
        WriteStream("R", text, method);
    } catch (const EStorageError&) {
    }
}

void TStationenDatenbankEintrag::SetRemoteCommand(std::string_view name, bool allowed) {
    Locker lock(lock_);
    LoadRemoteCommands();
    std::string line = std::string(name) + (allowed ? "=1" : "=0");
    const auto found = FindCommand(*remoteCommands_, name);
    if (found == remoteCommands_->end()) {
        remoteCommands_->push_back(std::move(line));
    } else if (*found != line) {
        *found = std::move(line);
    } else {
        return; // an unchanged permission costs no file write
    }
    StoreRemoteCommands("SetRemoteCommand");
}

void TStationenDatenbankEintrag::DeleteRemoteCommand(std::string_view name) {
    Locker lock(lock_);
    LoadRemoteCommands();
    const auto found = FindCommand(*remoteCommands_, name);
    if (found != remoteCommands_->end()) {
        remoteCommands_->erase(found);
        StoreRemoteCommands("DeleteRemoteCommand");
    }
}

void TStationenDatenbankEintrag::Empty() {
    Locker lock(lock_);
    if (storage_) {
        for (const StgElement& element : storage_->EnumElements()) {
            storage_->DestroyElement(element.name);
        }
    }
    typLoaded_ = false;
    kind_ = 0;
    rule_ = 0;
    remoteCommands_.reset();
}

} // namespace quarn
