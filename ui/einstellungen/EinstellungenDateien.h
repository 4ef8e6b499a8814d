#pragma once

#include "foundation/DesignTexts.h"
#include "ui/einstellungen/TabForm.h"

#include <QString>
#include <filesystem>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace quarn {

// A folder as the page shows it: without the trailing "/" (the root stays "/").
QString OrdnerAnzeige(const std::filesystem::path& folder);

// Settings page "Dateien": the receive folder and the folder remote stations may read.
class TEinstellungenDateien : public TTabForm {
    Q_OBJECT
    QUARN_DESIGN_TEXTS(TEinstellungenDateien)

public:
    explicit TEinstellungenDateien(QWidget* parent);

    // Writes each changed folder that exists; one that does not is refused with a message and the
    // stored one stays.
    void Apply() override;

    QLineEdit* Empfang() const { return empfang_; }
    QLineEdit* Fernst() const { return fernst_; }
    QPushButton* EmpfangWaehlen() const { return empfangWaehlen_; }
    QPushButton* FernstWaehlen() const { return fernstWaehlen_; }
    QCheckBox* FortschrittFenster() const { return fortschritt_; }

private:
    void Waehlen(QLineEdit* edit, const QString& title);
    // True when the edit names an existing folder; else the refusal is shown.
    bool Pruefen(const QLineEdit* edit);

    QLineEdit* empfang_ = nullptr;
    QLineEdit* fernst_ = nullptr;
    QPushButton* empfangWaehlen_ = nullptr;
    QPushButton* fernstWaehlen_ = nullptr;
    QCheckBox* fortschritt_ = nullptr;
};

} // namespace quarn
