// The main window's place and state, from the last run and for the next one.
#include "foundation/DebOutU.h"
#include "platform/Registry.h"
#include "ui/HauptPosition.h"
#include "ui/Hauptfenster.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quarn {
namespace {

constexpr const char* kClass = "THauptfenster";
constexpr std::string_view kKey = "\\Software\\Velmoor\\Quarn\\Windows\\Main";

// Positions left of or above the primary screen are negative; the registry keeps them as DWORDs.
std::optional<int> ReadInt(const RegistryStore& store, std::string_view name) {
    const std::optional<std::uint32_t> value = store.ReadDWord(Hive::CurrentUser, kKey, name);
    if (!value) {
        return std::nullopt;
    }
    return static_cast<int>(static_cast<std::int32_t>(*value));
}

void WriteInt(RegistryStore& store, std::string_view name, int value) {
    store.WriteDWord(Hive::CurrentUser, kKey, name, static_cast<std::uint32_t>(value));
}

std::vector<QRect> ScreenWorkAreas() {
    std::vector<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens()) {
        areas.push_back(screen->availableGeometry());
    }
    return areas;
}

QRect DesktopWorkArea() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary != nullptr ? primary->availableGeometry() : QRect(0, 0, 800, 600);
}

Qt::WindowStates Zustand(std::optional<std::uint32_t> saved) {
    switch (static_cast<TFensterZustand>(saved.value_or(0))) {
    case TFensterZustand::Minimiert:
        return Qt::WindowMinimized;
    case TFensterZustand::Maximiert:
        return Qt::WindowMaximized;
    case TFensterZustand::Normal:
        break;
    }
    return Qt::WindowNoState;
}

} // namespace

void THauptfenster::PositionLaden() {
    RegistryStore& store = RegistryStore::Instance();
    store.CreateKey(Hive::CurrentUser, kKey);
    const TFensterPosition saved{ReadInt(store, "X"), ReadInt(store, "Y"), ReadInt(store, "DX"),
                                 ReadInt(store, "DY")};
    setGeometry(FensterRechteck(saved, ScreenWorkAreas(), DesktopWorkArea()));
    setWindowState(Zustand(store.ReadDWord(Hive::CurrentUser, kKey, "S")));
    DebOutObjFmt(kClass, "Create", "Position %d, %d, %d x %d", x(), y(), width(), height());
}

void THauptfenster::PositionSpeichern() {
    RegistryStore& store = RegistryStore::Instance();
    TFensterZustand zustand = TFensterZustand::Normal;
    if (isMinimized()) {
        zustand = TFensterZustand::Minimiert;
    } else if (isMaximized()) {
        zustand = TFensterZustand::Maximiert;
    }
    WriteInt(store, "S", static_cast<int>(zustand));
    // The bounds the window has when it is neither maximised nor minimised.
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    WriteInt(store, "X", normal.x());
    WriteInt(store, "Y", normal.y());
    WriteInt(store, "DX", normal.width());
    WriteInt(store, "DY", normal.height());
}

} // namespace quarn
