#pragma once

#include "foundation/DesignTexts.h"
#include "ui/editoren/EditorDialoge.h"
#include "ui/editoren/KlaengeModell.h"

#include <QWidget>
#include <string_view>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace quarn {

class TKlaenge;

// The sound editor, embedded in its host: the settings page "Klänge" (global mode) or a station's page
// of the station database (station mode). The host calls Init once, SetRufzeichen for each station
// shown, and Apply when the settings are to be stored; nothing is stored before Apply. Schemes are
// loaded into the editor and saved from it with the buttons of the group "Schema".
class TKlaengeForm : public QWidget {
    QUARN_DESIGN_TEXTS(TKlaengeForm)
public:
    explicit TKlaengeForm(TKlaenge& klaenge, QWidget* parent = nullptr,
                          TEditorDialoge dialoge = TEditorDialoge::Programm());

    // Global mode: all twenty events, always "own". Station mode: the events a station may override,
    // each with "Eigener &Klang". Selects the first event.
    void Init(bool global);
    // The station whose settings are edited (station mode); unsaved changes are dropped.
    void SetRufzeichen(std::string_view call);
    void Apply();

    // The buttons of the group "Schema", after their file dialog.
    void SchemaLaden(const QString& file);
    void SchemaSpeichern(const QString& file);

private:
    void Aufbauen();
    void EreignisGewechselt(int index);
    void Zeigen();
    void Speichern();
    void KlangCheckBoxClick();
    void AnsageCheckBoxClick();
    void KlangRadioButtonClick();
    void Durchsuchen();
    void Abspielen();
    void SchemaLadenClick();
    void SchemaSpeichernClick();
    std::uint8_t GewaehltesSignal() const;
    std::uint8_t GewaehlteAnsage() const;

    TKlaenge& klaenge_;
    TKlaengeModell modell_;
    TEditorDialoge dialoge_;
    int aktuell_ = -1;
    bool zeigt_ = false;

    QComboBox* ereignisComboBox_ = nullptr;
    QRadioButton* keinerRadio_ = nullptr;
    QRadioButton* pcRadio_ = nullptr;
    QRadioButton* waveRadio_ = nullptr;
    QLineEdit* waveEdit_ = nullptr;
    QToolButton* durchsuchenButton_ = nullptr;
    QToolButton* abspielenButton_ = nullptr;
    QCheckBox* klangCheckBox_ = nullptr;
    QGroupBox* ansageGroup_ = nullptr;
    QRadioButton* keineAnsageRadio_ = nullptr;
    QRadioButton* stimmeRadio_ = nullptr;
    QRadioButton* telegrafieRadio_ = nullptr;
    QCheckBox* ansageCheckBox_ = nullptr;
};

} // namespace quarn
