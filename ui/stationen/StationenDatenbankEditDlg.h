#pragma once

#include "foundation/DesignTexts.h"
#include "foundation/FormKioU.h"

#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

namespace quarn {

// "Neues Rufzeichen...": asks for the call sign of a new station. "Ok" is enabled while something other
// than blanks is typed.
class TStationenDatenbankEditDlg final : public TFormKio {
    QUARN_DESIGN_TEXTS(TStationenDatenbankEditDlg)

public:
    explicit TStationenDatenbankEditDlg(QWidget* owner = nullptr);

    // The call as typed, trimmed and upper-cased; none when only blanks are there.
    std::optional<std::string> Rufzeichen() const;

    QLineEdit* RufzeichenEdit() const { return rufzeichenEdit_; }
    QPushButton* OkButton() const { return okButton_; }

private:
    QLineEdit* rufzeichenEdit_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

} // namespace quarn
