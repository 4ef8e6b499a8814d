#pragma once

#include "platform/Registry.h"
#include "support/TempDir.h"
#include "toolbars/items/TTKSettings.h"

#include <QApplication>
#include <string>
#include <vector>

namespace quarn::test {

// The kit's settings as a test sets them: fixed answers, a registry store of its own and the sounds it
// was asked to play. Install it with `Install()`; the destructor of the returned guard puts Qt's back.
class TTKFakeSettings : public TTKSettings {
public:
    TTKFakeSettings() : store_(folder_.path()) {}

    int styleMenuDelay = 400;
    bool animation = false;
    bool fade = false;
    bool keyboardCues = true;
    std::vector<TTKMonitor> monitors{{QRect(0, 0, 1024, 768), QRect(0, 0, 1024, 740)}};
    std::vector<std::string> played;

    int StyleMenuDelay() const override { return styleMenuDelay; }
    bool MenuAnimationOn() const override { return animation; }
    bool MenuFadeOn() const override { return fade; }
    bool KeyboardCuesShown() const override { return keyboardCues; }
    std::vector<TTKMonitor> Monitors() const override { return monitors; }
    QFont MenuFont() const override { return QApplication::font(); }
    int MenuCheckSize() const override { return 13; }
    int ScrollBarWidth() const override { return 16; }
    int SmallCaptionHeight() const override { return 15; }
    int FrameWidth() const override { return 3; }
    RegistryStore& Store() const override { return store_; }
    void PlayWave(const std::string& waveFile) override { played.push_back(waveFile); }

private:
    TempDir folder_;
    mutable RegistryStore store_;
};

// Puts a fake in place for the scope and gives it back to the test.
class ScopedFakeSettings {
public:
    ScopedFakeSettings() {
        auto fake = std::make_unique<TTKFakeSettings>();
        fake_ = fake.get();
        previous_ = SetKitSettings(std::move(fake));
    }
    ~ScopedFakeSettings() { SetKitSettings(std::move(previous_)); }
    TTKFakeSettings* operator->() const { return fake_; }
    TTKFakeSettings& operator*() const { return *fake_; }

private:
    TTKFakeSettings* fake_;
    std::unique_ptr<TTKSettings> previous_;
};

} // namespace quarn::test
