#pragma once

#include "foundation/DesignTexts.h"
#include "foundation/ProgramGlobals.h"
#include "ui/einstellungen/TabForm.h"

namespace quarn {

class TConfig;
class TMultiCheckBox;

// What the page "Erweitert" shows, box by box.
struct TErweitertWerte {
    bool sendSID = true;
    bool hideSentSID = true;
    bool hideReceivedSID = true;
    // The true-colour pictures need a screen of high colour; without one the box is off and disabled.
    bool highColorEnabled = false;
    bool highColor = false;
    bool collectPublicKeys = true;
    // The short result of a signature check, the inverse of DetailedOutput.
    bool simplifiedResults = true;

    friend bool operator==(const TErweitertWerte&, const TErweitertWerte&) = default;
};

TErweitertWerte ErweitertWerteLesen(const TConfig& config, int colorCapability);
// Writes the values; HighColor only while its box is enabled. True when HighColor was written, so
// that the main window loads its pictures again.
bool ErweitertWerteSchreiben(TConfig& config, const TErweitertWerte& werte);

// The page "Erweitert": station identification, the command bar's pictures and the PGP checks.
class TEinstellungenErweitert : public TTabForm {
    QUARN_DESIGN_TEXTS(TEinstellungenErweitert)
public:
    explicit TEinstellungenErweitert(QWidget* parent, int colorCapability = ColorCapability());

    void Apply() override;

    TErweitertWerte Werte() const;

    TMultiCheckBox* SendSIDBox() const { return sendSID_; }
    TMultiCheckBox* HideSentSIDBox() const { return hideSentSID_; }
    TMultiCheckBox* HideReceivedSIDBox() const { return hideReceivedSID_; }
    TMultiCheckBox* HighColorBox() const { return highColor_; }
    TMultiCheckBox* CollectPublicKeysBox() const { return collectPublicKeys_; }
    TMultiCheckBox* SimplifiedResultsBox() const { return simplifiedResults_; }

private:
    void Zeigen(const TErweitertWerte& werte);

    TMultiCheckBox* sendSID_ = nullptr;
    TMultiCheckBox* hideSentSID_ = nullptr;
    TMultiCheckBox* hideReceivedSID_ = nullptr;
    TMultiCheckBox* highColor_ = nullptr;
    TMultiCheckBox* collectPublicKeys_ = nullptr;
    TMultiCheckBox* simplifiedResults_ = nullptr;
    bool highColorEnabled_ = false;
};

} // namespace quarn
