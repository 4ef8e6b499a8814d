#pragma once

#include "foundation/DesignTexts.h"
#include "ui/einstellungen/TabForm.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

class QPushButton;
class QTabWidget;

namespace quarn {

// The modeless settings window "Einstellungen": nine tabs, each filled with its page the first time it
// is shown. "Übernehmen" and "OK" apply the pages made so far in tab order; pages never shown apply
// nothing.
class TEinstellungenForm : public QDialog {
    Q_OBJECT
    QUARN_DESIGN_TEXTS(TEinstellungenForm)

public:
    using TSeitenFabrik = std::function<std::unique_ptr<TTabForm>(int index, QWidget* parent)>;

    // Makes the first page at once; a page that cannot be made throws out of here.
    explicit TEinstellungenForm(QWidget* parent = nullptr, TSeitenFabrik fabrik = {});
    ~TEinstellungenForm() override;

    // Apply on every page made so far, in tab order.
    void Uebernehmen();

    QTabWidget& Tabs() const { return *tabs_; }
    // The page of tab `index`, null until it was shown.
    TTabForm* Seite(int index) const;
    QPushButton& OkButton() const { return *okButton_; }
    QPushButton& AbbrechenButton() const { return *abbrechenButton_; }
    QPushButton& UebernehmenButton() const { return *uebernehmenButton_; }

private:
    void SeiteZeigen(int index);
    void SeiteErzeugen(int index);
    void TabGewechselt(int index);

    TSeitenFabrik fabrik_;
    QTabWidget* tabs_ = nullptr;
    std::array<QWidget*, 9> reiter_{};
    std::array<TTabForm*, 9> seiten_{};
    QPushButton* okButton_ = nullptr;
    QPushButton* abbrechenButton_ = nullptr;
    QPushButton* uebernehmenButton_ = nullptr;
    bool wechselt_ = false;
};

} // namespace quarn
