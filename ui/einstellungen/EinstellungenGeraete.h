#pragma once

#include "foundation/DesignTexts.h"
#include "ui/einstellungen/TabForm.h"

#include <memory>
#include <vector>

class QPushButton;
class QToolButton;
class QTreeWidget;

namespace quarn {

class TGeraet;
class TGeraete;
class TEinstellungenGeraeteSubscriber;

// The settings page "Geräte": the device set in its order with each device's parameters and status.
// Devices added here exist from their making but join the set only at Apply (and go with the page when
// never applied); removed ones keep running until Apply. Closing the page drops every edit its devices
// still hold unapplied.
class TEinstellungenGeraete : public TTabForm {
    Q_OBJECT
    QUARN_DESIGN_TEXTS(TEinstellungenGeraete)

public:
    explicit TEinstellungenGeraete(QWidget* parent);
    ~TEinstellungenGeraete() override;

    void Apply() override;

    void Eigenschaften();
    void Hinzufuegen();
    void Entfernen();
    // Swaps the selected row with the one `richtung` (-1 up, +1 down) from it.
    void Verschieben(int richtung);

    // The devices in row order.
    const std::vector<std::shared_ptr<TGeraet>>& Zeilen() const { return zeilen_; }
    QTreeWidget& Liste() const { return *liste_; }
    QPushButton& HinzufuegenButton() const { return *hinzufuegen_; }

    // Refreshes the parameter and status of `device`'s row (every row for null).
    void Aktualisieren(const void* device);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ZeileEinfuegen(int zeile, const std::shared_ptr<TGeraet>& geraet);
    void ZeileWaehlen(int zeile);
    void KnoepfePruefen();
    int GewaehlteZeile() const;

    TGeraete* geraete_;
    QTreeWidget* liste_ = nullptr;
    QPushButton* eigenschaften_ = nullptr;
    QPushButton* hinzufuegen_ = nullptr;
    QPushButton* entfernen_ = nullptr;
    QToolButton* hoch_ = nullptr;
    QToolButton* runter_ = nullptr;
    std::vector<std::shared_ptr<TGeraet>> zeilen_;
    std::vector<std::shared_ptr<TGeraet>> hinzugefuegt_;
    std::vector<std::shared_ptr<TGeraet>> entfernt_;
    std::shared_ptr<TEinstellungenGeraeteSubscriber> subscriber_;
    bool gezeigt_ = false;
};

} // namespace quarn
