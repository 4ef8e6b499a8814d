#pragma once

#include "foundation/DesignTexts.h"
#include "foundation/FormKioU.h"

#include <QString>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace quarn {

// Which parts of a split file go out: one check-box row per part, several rows selectable. Space, or a
// right-button press on a row's check box, checks every selected row when one of them is unchecked, else
// unchecks them all. exec() gives Accepted for "OK"; the caller then reads Zustaende().
class TDateiSendenTeileAuswahlDlg : public TFormKio {
    QUARN_DESIGN_TEXTS(TDateiSendenTeileAuswahlDlg)

public:
    TDateiSendenTeileAuswahlDlg(const QString& dateiname, const std::vector<bool>& auswahl,
                                QWidget* owner = nullptr);

    std::vector<bool> Zustaende() const;
    // Checks or unchecks the selected rows together, as Space does.
    void AuswahlUmschalten();

    QListWidget* Liste() const { return liste_; }
    QPushButton* ButtonOk() const { return ok_; }
    QPushButton* ButtonAbbrechen() const { return abbrechen_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool AufKontrollkaestchen(const QPoint& pos) const;

    QLabel* name_;
    QListWidget* liste_;
    QPushButton* ok_;
    QPushButton* abbrechen_;
};

} // namespace quarn
