// The text, remote-command and sound editors as pages of the station window, each in its station mode.
#include "ui/stationen/StationenEditorSeiten.h"

#include "ui/editoren/KlaengeForm.h"
#include "ui/editoren/RemoteCommandsForm.h"
#include "ui/editoren/TexteForm.h"

#include <QPushButton>

namespace quarn {
namespace {

// In the station window Enter belongs to no page: a scheme button taken as the window's default would
// open its file dialog on any Enter in the list.
template <class Form> std::unique_ptr<Form> OhneVorgabeKnopf(std::unique_ptr<Form> form) {
    for (QPushButton* button : form->template findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
    }
    return form;
}

// The window frees the page object before its own widgets, so the form goes with its page even after the
// window took it into a tab.
class TTexteSeite final : public IStationenSeite {
public:
    explicit TTexteSeite(TTexte& texte) : form_(OhneVorgabeKnopf(std::make_unique<TTexteForm>(texte))) {
        form_->Init(false);
    }
    QWidget* Page() override { return form_.get(); }
    void LoadStation(const std::string& call) override { form_->SetCall(call); }
    void Apply() override { form_->Save(); }

private:
    std::unique_ptr<TTexteForm> form_;
};

class TFernsteuerungSeite final : public IStationenSeite {
public:
    explicit TFernsteuerungSeite(TRemoteCommandManager& manager)
        : form_(OhneVorgabeKnopf(std::make_unique<TRemoteCommandsForm>(manager))) {
        form_->SetGlobal(false);
    }
    QWidget* Page() override { return form_.get(); }
    void LoadStation(const std::string& call) override { form_->SetCall(call); }
    void Apply() override { form_->Apply(); }

private:
    std::unique_ptr<TRemoteCommandsForm> form_;
};

class TKlaengeSeite final : public IStationenSeite {
public:
    explicit TKlaengeSeite(TKlaenge& klaenge)
        : form_(OhneVorgabeKnopf(std::make_unique<TKlaengeForm>(klaenge))) {
        form_->Init(false);
    }
    QWidget* Page() override { return form_.get(); }
    void LoadStation(const std::string& call) override { form_->SetRufzeichen(call); }
    void Apply() override { form_->Apply(); }

private:
    std::unique_ptr<TKlaengeForm> form_;
};

} // namespace

std::unique_ptr<IStationenSeite> StationenEditorSeite(TStationenSeite slot,
                                                      const TStationenDienste& dienste) {
    switch (slot) {
    case TStationenSeite::Texte:
        return dienste.texte ? std::make_unique<TTexteSeite>(*dienste.texte) : nullptr;
    case TStationenSeite::Fernsteuerung:
        return dienste.fernsteuerung ? std::make_unique<TFernsteuerungSeite>(*dienste.fernsteuerung)
                                     : nullptr;
    case TStationenSeite::Klaenge:
        return dienste.klaenge ? std::make_unique<TKlaengeSeite>(*dienste.klaenge) : nullptr;
    }
    return nullptr;
}

std::function<std::unique_ptr<IStationenSeite>(TStationenSeite)>
StationenEditorSeiten(TStationenDienste dienste) {
    return [dienste](TStationenSeite slot) { return StationenEditorSeite(slot, dienste); };
}

} // namespace quarn
