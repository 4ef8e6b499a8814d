#pragma once

#include "foundation/DesignTexts.h"
#include "foundation/FormKioU.h"

#include <array>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace quarn {

class TMyCall;

// The modal dialog "Eigenes Rufzeichen": one own call sign with its SSIDs, typed either as the call and
// the checked boxes or as "CALL-n" for the single SSID n. "OK" follows RufzeichenEingabe.
class TEinstellungenRufzeichenForm : public TFormKio {
    QUARN_DESIGN_TEXTS(TEinstellungenRufzeichenForm)
public:
    explicit TEinstellungenRufzeichenForm(QWidget* owner = nullptr);

    // Shows the call, runs the dialog and on "OK" puts the entry into it.
    bool Run(TMyCall& call);

    // The steps of Run, for a host that shows the dialog itself.
    void Zeigen(const TMyCall& call);
    // False (and the call untouched) while "OK" is disabled.
    bool Uebernehmen(TMyCall& call) const;

    QLineEdit& RufzeichenEdit() const { return *rufzeichenEdit_; }
    QCheckBox& SsidBox(int ssid) const { return *boxes_[static_cast<std::size_t>(ssid)]; }
    QPushButton& OkButton() const { return *okButton_; }

private:
    void TextGeaendert();
    void OkPruefen();
    std::array<bool, 16> Angekreuzt() const;

    QLineEdit* rufzeichenEdit_ = nullptr;
    QGroupBox* ssidPanel_ = nullptr;
    std::array<QCheckBox*, 16> boxes_{};
    QPushButton* alleButton_ = nullptr;
    QPushButton* keineButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

} // namespace quarn
