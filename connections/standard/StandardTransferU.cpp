#include "connections/standard/StandardTransferU.h"

#include "connections/send/DateiSendenU.h"

#include <array>
#include <cstddef>
#include <mutex>

namespace quarn {

namespace {

constexpr std::size_t kArten = 7;

struct Tabelle {
    std::mutex mutex;
    std::array<THandlerFabrik, kArten> fabriken;
};

Tabelle& Fabriken() {
    static Tabelle tabelle;
    return tabelle;
}

constexpr std::array<TTransferStart, 5> kStarts = {{
    {"#BIN#", TTransferArt::AutobinReceive},
    {"#DIDADIT#", TTransferArt::DidaditReceive},
    {" go_7+. ", TTransferArt::SiebenPlusReceive},
    {" go_text. ", TTransferArt::GoTextReceive},
    {" go_info. ", TTransferArt::GoTextReceive},
}};

} // namespace

void SetTransferFabrik(TTransferArt art, THandlerFabrik fabrik) {
    Tabelle& tabelle = Fabriken();
    const std::lock_guard lock(tabelle.mutex);
    tabelle.fabriken[static_cast<std::size_t>(art)] = std::move(fabrik);
}

THandlerFabrik TransferFabrik(TTransferArt art) {
    Tabelle& tabelle = Fabriken();
    const std::lock_guard lock(tabelle.mutex);
    return tabelle.fabriken[static_cast<std::size_t>(art)];
}

const TTransferStart* ErkenneTransferStart(std::string_view line) {
    for (const TTransferStart& start : kStarts) {
        if (line.starts_with(start.prefix)) {
            return &start;
        }
    }
    return nullptr;
}

bool SendeArt(int protocol, TTransferArt& art) {
    switch (protocol) {
    case kProtokollText:
        art = TTransferArt::TextSend;
        return true;
    case kProtokollAutobin:
        art = TTransferArt::AutobinSend;
        return true;
    case kProtokollDidadit:
        art = TTransferArt::DidaditSend;
        return true;
    default:
        return false;
    }
}

} // namespace quarn
