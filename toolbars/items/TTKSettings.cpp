#include "toolbars/items/TTKSettings.h"

#include "platform/Codepage.h"
#include "platform/Registry.h"
#include "stations/KlaengeU.h"

#include <QApplication>
#include <QFontDatabase>
#include <QScreen>
#include <QStyle>
#include <charconv>
#include <climits>

namespace quarn {

namespace {

constexpr int kDefaultMenuDelay = 400;
constexpr const char* kDesktopKey = "Control Panel\\Desktop";
// The kit's sounds are short feedback: the channel-change event is the one dropped while another plays.
constexpr int kKitSoundEvent = 17;

std::unique_ptr<TTKSettings>& Replacement() {
    static std::unique_ptr<TTKSettings> replacement;
    return replacement;
}

long long DistanceSquared(const QRect& a, const QRect& b) {
    const long long dx = std::max({0, a.left() - b.right(), b.left() - a.right()});
    const long long dy = std::max({0, a.top() - b.bottom(), b.top() - a.bottom()});
    return dx * dx + dy * dy;
}

std::string SchemeKey(const QString& name) {
    return "AppEvents\\Schemes\\Apps\\.Default\\" + QStringToCp1252(name) + "\\.Current";
}

} // namespace

QRect MonitorRectFor(const std::vector<TTKMonitor>& monitors, const QRect& rect, bool workArea) {
    if (monitors.empty()) {
        return {};
    }
    const TTKMonitor* best = &monitors.front();
    long long bestArea = -1;
    long long bestDistance = LLONG_MAX;
    for (const TTKMonitor& monitor : monitors) {
        const QRect overlap = monitor.whole.intersected(rect);
        const long long area = overlap.isEmpty() ? 0 : 1LL * overlap.width() * overlap.height();
        const long long distance = DistanceSquared(monitor.whole, rect);
        if (area > bestArea || (area == 0 && bestArea == 0 && distance < bestDistance)) {
            best = &monitor;
            bestArea = area;
            bestDistance = distance;
        }
    }
    return workArea ? best->work : best->whole;
}

int MenuDelayFromRegistryText(const std::optional<std::string>& text, bool present) {
    if (!present) {
        return kDefaultMenuDelay;
    }
    if (!text) {
        return 0;
    }
    int value = 0;
    const char* first = text->data();
    const char* last = first + text->size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || text->empty()) {
        return 0;
    }
    return std::max(value, 0);
}

int TTKSettings::MenuOpenDelay() {
    const int styleDelay = StyleMenuDelay();
    if (styleDelay >= 0) {
        return styleDelay;
    }
    // The desktop's value is read once per process, as the system would.
    if (!registryDelay_) {
        const RegistryStore& store = Store();
        const bool present = store.ValueType(Hive::CurrentUser, kDesktopKey, "MenuShowDelay").has_value();
        registryDelay_ = MenuDelayFromRegistryText(
            store.ReadString(Hive::CurrentUser, kDesktopKey, "MenuShowDelay"), present);
    }
    return *registryDelay_;
}

QRect TTKSettings::MonitorRectForRect(const QRect& rect, bool workArea) const {
    return MonitorRectFor(Monitors(), rect, workArea);
}

QRect TTKSettings::MonitorRectForPoint(const QPoint& point, bool workArea) const {
    return MonitorRectFor(Monitors(), QRect(point, QSize(1, 1)), workArea);
}

bool TTKSettings::SoundEventEnabled(const QString& name) const {
    const auto file = Store().ReadString(Hive::CurrentUser, SchemeKey(name), "");
    return file && !file->empty();
}

void TTKSettings::PlaySoundEvent(const QString& name) {
    const auto file = Store().ReadString(Hive::CurrentUser, SchemeKey(name), "");
    if (file && !file->empty()) {
        PlayWave(*file);
    }
}

TTKSettings& KitSettings() {
    if (Replacement()) {
        return *Replacement();
    }
    static TTKQtSettings qtSettings;
    return qtSettings;
}

std::unique_ptr<TTKSettings> SetKitSettings(std::unique_ptr<TTKSettings> settings) {
    std::swap(Replacement(), settings);
    return settings;
}

int TTKQtSettings::StyleMenuDelay() const {
    return QApplication::style()->styleHint(QStyle::SH_Menu_SubMenuPopupDelay);
}

bool TTKQtSettings::MenuAnimationOn() const {
    return QApplication::isEffectEnabled(Qt::UI_AnimateMenu);
}

bool TTKQtSettings::MenuFadeOn() const {
    return QApplication::isEffectEnabled(Qt::UI_FadeMenu);
}

bool TTKQtSettings::KeyboardCuesShown() const {
    return QApplication::style()->styleHint(QStyle::SH_UnderlineShortcut) != 0;
}

std::vector<TTKMonitor> TTKQtSettings::Monitors() const {
    std::vector<TTKMonitor> monitors;
    for (const QScreen* screen : QGuiApplication::screens()) {
        monitors.push_back({screen->geometry(), screen->availableGeometry()});
    }
    return monitors;
}

QFont TTKQtSettings::MenuFont() const {
    return QApplication::font("QMenu");
}

int TTKQtSettings::MenuCheckSize() const {
    return QApplication::style()->pixelMetric(QStyle::PM_IndicatorWidth);
}

int TTKQtSettings::ScrollBarWidth() const {
    return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

int TTKQtSettings::SmallCaptionHeight() const {
    return QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight) - 4;
}

int TTKQtSettings::FrameWidth() const {
    return QApplication::style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
}

RegistryStore& TTKQtSettings::Store() const {
    return RegistryStore::Instance();
}

void TTKQtSettings::PlayWave(const std::string& waveFile) {
    if (TKlaenge* sounds = Klaenge()) {
        sounds->PlayWaveFile(kKitSoundEvent, waveFile);
    }
}

} // namespace quarn
