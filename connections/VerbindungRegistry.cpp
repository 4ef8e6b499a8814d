#include "connections/VerbindungU.h"

#include "devices/channel/KanaeleU.h"
#include "foundation/CommaText.h"
#include "foundation/DebOutU.h"
#include "foundation/QuarnException.h"
#include "platform/Registry.h"

#include <exception>

namespace quarn {

namespace {

constexpr std::string_view kClass = "TVerbindung";

std::string LinkKey(std::string_view key, std::int32_t handle) {
    return std::string(key) + "\\" + std::to_string(handle);
}

} // namespace

void TVerbindung::SaveToRegistry(std::string_view key) {
    std::string path;
    std::string realPath;
    std::string myCall;
    std::string hops;
    bool outgoing = false;
    TStationType kind{};
    std::uint8_t binMode = 0;
    bool echo = true;
    std::shared_ptr<IKanalFuerVerbindung> channel;
    std::int32_t handle = 0;
    {
        const Locker locker(lock_);
        path = digis_.empty() ? call_ : call_ + " " + digis_;
        realPath = realPath_;
        myCall = myCall_;
        hops = FormatCommaText(hops_);
        outgoing = ausgehend_;
        kind = stationTyp_;
        binMode = binMode_;
        echo = localEcho_;
        channel = channel_;
        handle = handle_;
    }
    const std::int32_t number = channel ? channel->GetNummer() : -1;
    // A link that cannot be saved is simply not restored; the shut-down goes on.
    RegistryStore& store = Store();
    const std::string at = LinkKey(key, handle);
    const Hive hive = Hive::LocalMachine;
    store.WriteString(hive, at, "C", path);
    store.WriteString(hive, at, "R", realPath);
    store.WriteString(hive, at, "M", myCall);
    store.WriteDWord(hive, at, "A", outgoing ? 1 : 0);
    store.WriteString(hive, at, "H", hops);
    store.WriteDWord(hive, at, "K", static_cast<std::uint32_t>(number));
    store.WriteDWord(hive, at, "T", static_cast<std::uint32_t>(kind));
    store.WriteDWord(hive, at, "S", state_.load());
    store.WriteDWord(hive, at, "BinMode", binMode);
    store.WriteDWord(hive, at, "LocalEcho", echo ? 1 : 0);
}

void TVerbindung::RestoreFromRegistry(std::string_view key, std::int32_t handle) {
    Set_Handle(handle);
    RegistryStore& store = Store();
    const Hive hive = Hive::LocalMachine;
    const std::string at = LinkKey(key, handle);
    if (store.KeyExists(hive, at)) {
        try {
            Set_Path(store.ReadString(hive, at, "C").value_or(std::string()));
            Set_RealPath(store.ReadString(hive, at, "R").value_or(std::string()));
            Set_MyCall(store.ReadString(hive, at, "M").value_or(std::string()));
            const std::optional<std::string> hops = store.ReadString(hive, at, "H");
            std::uint8_t state = 3;
            if (const auto value = store.ReadDWord(hive, at, "S"); value && *value < 4) {
                state = static_cast<std::uint8_t>(*value);
            }
            const auto number = store.ReadDWord(hive, at, "K");
            if (!number) {
                throw QuarnException(kClass, "RestoreFromRegistry", "Kanal \"K\" fehlt.");
            }
            {
                const Locker locker(lock_);
                ausgehend_ = store.ReadDWord(hive, at, "A").value_or(0) != 0;
                hops_ = hops ? ParseCommaText(*hops) : std::vector<std::string>();
                stationTyp_ = TStationType::st_unknown;
                if (const auto value = store.ReadDWord(hive, at, "T"); value && *value < 6) {
                    stationTyp_ = static_cast<TStationType>(*value);
                }
                binMode_ = 0;
                if (const auto value = store.ReadDWord(hive, at, "BinMode"); value && *value < 6) {
                    binMode_ = static_cast<std::uint8_t>(*value);
                }
                localEcho_ = store.ReadDWord(hive, at, "LocalEcho").value_or(1) != 0;
                connectText_ = false;
            }
            state_.store(state);
            const auto channelNumber = static_cast<std::int32_t>(*number);
            TKanaele* channels = TKanaele::Instance();
            if (channels && channelNumber >= 1 && channelNumber <= channels->GetAnzahl()) {
                SetKanal(std::dynamic_pointer_cast<IKanalFuerVerbindung>(channels->GetKanal(channelNumber)));
            }
        } catch (const std::exception& error) {
            const auto* own = dynamic_cast<const Exception*>(&error);
            DebOutObj(kClass, "Restore",
                      (own ? own->className() : std::string("std::exception")) + ": " + error.what());
            throw;
        }
        if (!store.DeleteKey(hive, at)) {
            DebOutObj(kClass, "Restore",
                      "FEHLER beim Löschen der wiederhergestellten Verbindung in der Registry.");
        }
    }
    SetFernsteuerung(true);
    if (state_.load() > 2) {
        Start(true);
    }
}

} // namespace quarn
