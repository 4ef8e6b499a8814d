#pragma once

#include "foundation/DesignTexts.h"
#include "ui/einstellungen/TabForm.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QComboBox;
class QPushButton;
class QTreeWidget;

namespace quarn {

class TCardinalEdit;
class TMyCall;

// The entry of "Ankommende Verbindungen:" for a stored IncomingConnects (anything unknown: "annehmen"),
// and the value an entry stores.
int AnkommendEintrag(int incomingConnects);
int AnkommendWert(int eintrag);
// The channel count the edit's value gives: 1 to 40.
int KanaeleAusEingabe(int value);
// True when `call` is one of `andere` (the calls of the other rows); the registry keeps one entry per
// call, so a second row of the same call would lose its SSIDs at the next start.
bool RufzeichenSchonEingetragen(const std::vector<std::string>& andere, std::string_view call);

// The settings page "Allgemein": the own calls (edited as copies until Apply), the channel and row
// counts, local echo and what happens to incoming connects.
class TEinstellungenAllgemein : public TTabForm {
    Q_OBJECT
    QUARN_DESIGN_TEXTS(TEinstellungenAllgemein)

public:
    explicit TEinstellungenAllgemein(QWidget* parent);
    ~TEinstellungenAllgemein() override;

    void Apply() override;

    // The row commands: edit the selected row, add a new call, drop the selected row.
    void Bearbeiten();
    void Hinzufuegen();
    void Entfernen();

    QTreeWidget& RufzeichenListe() const { return *liste_; }
    TCardinalEdit& KanaeleEdit() const { return *kanaele_; }
    TCardinalEdit& ZeilenEdit() const { return *zeilen_; }
    QCheckBox& EchoBox() const { return *echo_; }
    QComboBox& AnkommendBox() const { return *ankommend_; }

private:
    // Runs the own-call dialog on `call`; `zeile` is the row it belongs to (-1 for a new one).
    bool RufzeichenBearbeiten(TMyCall& call, int zeile);
    void ZeileFuellen(int zeile);
    void ZeilenUebernehmen();

    QTreeWidget* liste_ = nullptr;
    QPushButton* bearbeiten_ = nullptr;
    QPushButton* entfernen_ = nullptr;
    TCardinalEdit* kanaele_ = nullptr;
    TCardinalEdit* zeilen_ = nullptr;
    QCheckBox* echo_ = nullptr;
    QComboBox* ankommend_ = nullptr;
    // One copy per row, in row order.
    std::vector<std::shared_ptr<TMyCall>> calls_;
};

} // namespace quarn
