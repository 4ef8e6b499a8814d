#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarn {

class RegistryStore;

// One screen: its whole rectangle and its work area (without panels and docks).
struct TTKMonitor {
    QRect whole;
    QRect work;
};

// The monitor nearest to a rectangle or point: the one it overlaps most, else the closest one.
QRect MonitorRectFor(const std::vector<TTKMonitor>& monitors, const QRect& rect, bool workArea);

// The rule for the desktop's "MenuShowDelay" text: missing 400, not a whole number 0, negative 0.
int MenuDelayFromRegistryText(const std::optional<std::string>& text, bool present);

// Everything the kit asks the system, in one place: the application answers it from Qt's style, style
// hints and screens; tests put a fake in its place. The rules the kit applies to the answers live in the
// non-virtual members, so a fake changes only what the system would say.
class TTKSettings {
public:
    virtual ~TTKSettings() = default;

    // The style's delay before a submenu opens; negative when the style cannot say.
    virtual int StyleMenuDelay() const = 0;
    virtual bool MenuAnimationOn() const = 0;
    virtual bool MenuFadeOn() const = 0;
    virtual bool KeyboardCuesShown() const = 0;
    // Menus are always drawn flat here: the themed frame comes from the kit's own themes.
    virtual bool FlatMenusOn() const { return true; }
    // Pop-ups drop to the right of their button, never to the left.
    virtual bool MenuDropAlignment() const { return false; }
    virtual std::vector<TTKMonitor> Monitors() const = 0;
    virtual QFont MenuFont() const = 0;
    virtual int MenuCheckSize() const = 0;
    virtual int ScrollBarWidth() const = 0;
    virtual int SmallCaptionHeight() const = 0;
    virtual int FrameWidth() const = 0;
    // The registry store the desktop's and the sound scheme's values are read from.
    virtual RegistryStore& Store() const = 0;
    // Plays a wave file (Windows-1252 path) and returns at once.
    virtual void PlayWave(const std::string& waveFile) = 0;

    // The delay in milliseconds before a submenu opens on resting the mouse.
    int MenuOpenDelay();
    QRect MonitorRectForRect(const QRect& rect, bool workArea) const;
    QRect MonitorRectForPoint(const QPoint& point, bool workArea) const;
    // True when the sound scheme names a sound for the event ("MenuPopup", "MenuCommand").
    bool SoundEventEnabled(const QString& name) const;
    // Plays the event's sound without waiting; nothing when the scheme names none.
    void PlaySoundEvent(const QString& name);

private:
    std::optional<int> registryDelay_;
};

// The kit's settings; the Qt answers unless a test put its own in place.
TTKSettings& KitSettings();
// Replaces the kit's settings (null: back to Qt's) and returns the previous replacement.
std::unique_ptr<TTKSettings> SetKitSettings(std::unique_ptr<TTKSettings> settings);

// The Qt answers.
class TTKQtSettings : public TTKSettings {
public:
    int StyleMenuDelay() const override;
    bool MenuAnimationOn() const override;
    bool MenuFadeOn() const override;
    bool KeyboardCuesShown() const override;
    std::vector<TTKMonitor> Monitors() const override;
    QFont MenuFont() const override;
    int MenuCheckSize() const override;
    int ScrollBarWidth() const override;
    int SmallCaptionHeight() const override;
    int FrameWidth() const override;
    RegistryStore& Store() const override;
    void PlayWave(const std::string& waveFile) override;
};

} // namespace quarn
