#pragma once

#include "controls/ComboBoxKio.h"

#include "foundation/DesignTexts.h"
#include "foundation/FormKioU.h"
#include "ui/BefehlVerlauf.h"

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace quarn {

class IFunkKanal;
class IKanal;
class RegistryStore;

// What the connect dialog works with. The program's own comes from Programm(); tests hand in fakes.
struct TBefehlConnectUmgebung {
    std::shared_ptr<IKanal> kanal;
    std::vector<std::shared_ptr<IFunkKanal>> ports;
    std::vector<std::string> eigeneRufzeichen;
    RegistryStore* store = nullptr;
    // Makes the channel the current one after a connect.
    std::function<void(int nummer)> kanalAktuell;
    // Channel 0: keeps the destination, own call and port name of unconnected frames.
    std::function<void(const std::string& ziel, const std::string& eigenesRufzeichen,
                       const std::string& port)>
        uiZielSpeichern;
    // Shows a message (caption "Verbinden", OK) over the dialog.
    std::function<void(QWidget* owner, const QString& text)> melden;
    std::function<void()> piepen;

    // The current channel, every radio port of the device set, the own-call list, the program's store
    // and settings.
    static TBefehlConnectUmgebung Programm();
};

// The text shown for a connect result code (its low seven bits count).
QString VerbindenFehlertext(int code);
// What is wrong with a typed path, in the operator's words; empty when nothing is.
QString PfadFehlertext(const TPfadPruefung& pruefung);

// Takes an own call, a destination with optional digipeaters and a radio port, and connects the
// current channel; on channel 0 it sets where unconnected frames go instead. The channel stays
// reserved while the dialog is open.
class TDlgBefehlConnect : public TFormKio {
    QUARN_DESIGN_TEXTS(TDlgBefehlConnect)

public:
    TDlgBefehlConnect(TBefehlConnectUmgebung umgebung, QWidget* owner = nullptr);
    ~TDlgBefehlConnect() override;
    TDlgBefehlConnect(const TDlgBefehlConnect&) = delete;
    TDlgBefehlConnect& operator=(const TDlgBefehlConnect&) = delete;

    // Shows the dialog modal against the program's channel and ports; the result of exec.
    static int Ausfuehren(QWidget* owner);

    bool IsUiModus() const { return uiModus_; }
    TComboBoxKio* CallCombo() const { return callCombo_; }
    TComboBoxKio* MyCallCombo() const { return myCallCombo_; }
    QTreeWidget* PortListe() const { return portListe_; }
    QLabel* LabelStation() const { return labelStation_; }
    QPushButton* ButtonOk() const { return buttonOk_; }
    QPushButton* ButtonCancel() const { return buttonCancel_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Aufbauen();
    void VerlaufLesen();
    void PortsZeigen();
    void OkAktualisieren();
    void ZielGewaehlt(const QString& text);
    void PortWaehlen(int row);
    int PortZeile(const std::string& name) const;
    bool FunktionstasteGedrueckt(int key);
    void OkGeklickt();
    bool Ausfuehren(const std::string& eigenesRufzeichen, const TZielEingabe& ziel);
    void VerlaufSchreiben() const;

    TBefehlConnectUmgebung umgebung_;
    bool uiModus_ = false;
    bool reserviertVorher_ = false;
    std::vector<TZielEintrag> ziele_;

    TComboBoxKio* callCombo_ = nullptr;
    TComboBoxKio* myCallCombo_ = nullptr;
    QTreeWidget* portListe_ = nullptr;
    QLabel* labelStation_ = nullptr;
    QLabel* image_ = nullptr;
    QPushButton* buttonOk_ = nullptr;
    QPushButton* buttonCancel_ = nullptr;
};

} // namespace quarn
