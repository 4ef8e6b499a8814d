#pragma once

#include "foundation/DesignTexts.h"
#include "foundation/FormKioU.h"

#include <optional>

class QListWidget;
class QPushButton;

namespace quarn {

struct TGeraetKlasse;

// "Gerät hinzufügen": the registered device kinds by name, the first chosen; "&Hinzufügen" or a double
// click takes the chosen one.
class TEinstellungenGeraetHinzufuegenForm : public TFormKio {
    QUARN_DESIGN_TEXTS(TEinstellungenGeraetHinzufuegenForm)
public:
    explicit TEinstellungenGeraetHinzufuegenForm(QWidget* owner = nullptr);

    // Runs the dialog; the chosen kind, or none when cancelled.
    std::optional<TGeraetKlasse> Run();
    // The kind chosen in the list, none without one.
    std::optional<TGeraetKlasse> Gewaehlt() const;

    QListWidget& Liste() const { return *liste_; }
    QPushButton& HinzufuegenButton() const { return *hinzufuegen_; }

private:
    QListWidget* liste_ = nullptr;
    QPushButton* hinzufuegen_ = nullptr;
};

} // namespace quarn
