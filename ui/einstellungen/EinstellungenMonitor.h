#pragma once

#include "foundation/DesignTexts.h"
#include "ui/einstellungen/TabForm.h"
#include "ui/einstellungen/Vorschau.h"

#include <array>
#include <cstdint>
#include <vector>

class QCheckBox;

namespace quarn {

class TConsole;

// The monitor flag each box of the page stands for, in the order shown.
struct TMonitorKasten {
    const char* text;
    std::int32_t flag;
};
extern const std::array<TMonitorKasten, 7> kMonitorKaesten;

inline constexpr std::int32_t kMonitorKastenInformation = 0x4;
inline constexpr std::int32_t kMonitorKastenInhalt = 0x8;
inline constexpr std::int32_t kMonitorKastenBinaer = 0x80;

// The flags the boxes give; bits without a box are 0.
std::int32_t MonitorFlagsDerKaesten(std::int32_t flags);
// "Inhalt" needs "Information (I)", "Binärdaten" needs both.
bool MonitorKastenAktiv(std::int32_t flag, std::int32_t flags);
// The preview's sample lines for these flags (palette entries 1, 5, 6 and 10).
std::vector<TVorschauZeile> MonitorVorschau(std::int32_t flags);

// Settings page "Monitor": which frames and notices the monitor shows.
class TEinstellungenMonitor : public TTabForm {
    Q_OBJECT
    QUARN_DESIGN_TEXTS(TEinstellungenMonitor)

public:
    explicit TEinstellungenMonitor(QWidget* parent);

    void Apply() override;

    // The flags the boxes show now.
    std::int32_t Flags() const;
    QCheckBox* Kasten(std::int32_t flag) const;
    TConsole* Vorschau() const { return vorschau_; }

private:
    void Aktualisieren();

    std::array<QCheckBox*, 7> kaesten_{};
    TConsole* vorschau_ = nullptr;
};

} // namespace quarn
