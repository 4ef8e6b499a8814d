#pragma once

#include "foundation/DesignTexts.h"
#include "foundation/FormKioU.h"
#include "foundation/SharedEnums.h"

#include <string>
#include <string_view>
#include <vector>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace quarn {

// "Passwort": one login password of a station, added or edited. The own call is chosen only when adding;
// "OK" is enabled while both the own call and the password are given. Texts are Windows-1252 bytes.
class TStationenDatenbankPasswortDlg final : public TFormKio {
    QUARN_DESIGN_TEXTS(TStationenDatenbankPasswortDlg)

public:
    enum class Modus { Hinzufuegen, Bearbeiten };

    // `myCalls`: the own call signs offered, the first one chosen.
    explicit TStationenDatenbankPasswortDlg(const std::vector<std::string>& myCalls,
                                            QWidget* owner = nullptr);

    TPasswortArt GetArt() const;
    void SetArt(TPasswortArt kind);
    std::string GetMyCall() const;
    void SetMyCall(std::string_view call);
    std::string GetPasswort() const;
    void SetPasswort(std::string_view password);
    TPasswortMethode GetVerfahren() const;
    void SetVerfahren(TPasswortMethode method);
    void SetModus(Modus modus);
    // Own call, kind and method from a password stream's name.
    void SetStreamName(std::string_view streamName);

    QComboBox* MyCallCombo() const { return myCallCombo_; }
    QComboBox* ArtCombo() const { return artCombo_; }
    QComboBox* VerfahrenCombo() const { return verfahrenCombo_; }
    QPlainTextEdit* PasswortMemo() const { return passwortMemo_; }
    QPushButton* OkButton() const { return okButton_; }

private:
    void OkPruefen();

    QComboBox* myCallCombo_ = nullptr;
    QComboBox* artCombo_ = nullptr;
    QComboBox* verfahrenCombo_ = nullptr;
    QPlainTextEdit* passwortMemo_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

} // namespace quarn
