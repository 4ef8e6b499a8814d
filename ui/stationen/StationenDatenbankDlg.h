#pragma once

#include "foundation/DesignTexts.h"
#include "foundation/FormKioU.h"
#include "ui/stationen/StationenSeite.h"

#include <QListView>
#include <QModelIndex>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace quarn {

class IStationenDatenbankEintrag;
class TStationenDatenbank;
class TStationenListe;

// What the station window takes from the program. Every member has a default that suits the program.
struct TStationenDlgUmgebung {
    // The own call signs the password dialog offers; empty: the program's own-call list.
    std::function<std::vector<std::string>()> eigeneRufzeichen;
    // The global rule for incoming connects (1..3); empty: the settings' rule.
    std::function<int()> globaleRegel;
    // The warning sound; empty: QApplication::beep.
    std::function<void()> piepen;
    // Makes the editor page of a slot; empty, or a null page: the slot shows a disabled empty page.
    std::function<std::unique_ptr<IStationenSeite>(TStationenSeite slot)> seiten;
};

// The station list: typing searches by prefix from the current row, wrapping; Insert, Delete and F2 are
// passed on.
class TStationenListView final : public QListView {
public:
    explicit TStationenListView(QWidget* parent = nullptr) : QListView(parent) {}

    std::function<void()> onInsert;
    std::function<void()> onDelete;
    std::function<void()> onF2;

    void keyboardSearch(const QString& search) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString suche_;
    qint64 letzteTaste_ = 0;
};

// "Stationen-Datenbank": the stations of the database, one shown at a time with its pages. Modeless; the
// main window keeps the one instance.
class TStationenDatenbankDlg final : public TFormKio {
    QUARN_DESIGN_TEXTS(TStationenDatenbankDlg)

public:
    static constexpr int kSeitenAnzahl = 5; // Allgemein, Passwörter, Texte, Fernsteuerung, Klänge

    explicit TStationenDatenbankDlg(TStationenDatenbank& datenbank, TStationenDlgUmgebung umgebung = {},
                                    QWidget* owner = nullptr);
    ~TStationenDatenbankDlg() override;

    // The call of the station shown; empty when none is.
    const std::string& GezeigteStation() const { return gezeigt_; }
    bool HatEintrag() const { return eintrag_ != nullptr; }
    // Selects and shows the station of this row (storing the one shown before).
    void Auswaehlen(int row);

    // The buttons' work.
    void Hinzufuegen();
    void Entfernen();
    void Schliessen();
    void PasswortHinzufuegen();
    void PasswortBearbeiten();
    void PasswortEntfernen();

    TStationenListView* RufzeichenListView() const { return listView_; }
    const TStationenListe& Liste() const { return *liste_; }
    QTabWidget* Seiten() const { return seiten_; }
    QWidget* Seite(int index) const { return seitenInhalt_.at(static_cast<std::size_t>(index)); }
    QLabel* Kopf() const { return kopf_; }
    QLineEdit* NameEdit() const { return nameEdit_; }
    QComboBox* TypCombobox() const { return typCombobox_; }
    QPlainTextEdit* NotizenMemo() const { return notizenMemo_; }
    QCheckBox* FirewallCheckbox() const { return firewallCheckbox_; }
    QLabel* FirewallLabel() const { return firewallLabel_; }
    QComboBox* FirewallCombobox() const { return firewallCombobox_; }
    QTreeWidget* PasswortListview() const { return passwortListview_; }
    QPushButton* SchliessenButton() const { return schliessenButton_; }
    QPushButton* HinzufuegenButton() const { return hinzufuegenButton_; }
    QPushButton* EntfernenButton() const { return entfernenButton_; }

private:
    QWidget* AllgemeinBauen();
    QWidget* PasswoerterBauen();
    QWidget* EditorBauen(TStationenSeite slot);
    void AktuelleGeaendert(const QModelIndex& current);
    void Speichern();
    void Zeigen(const std::string& call);
    void SeitenAktiv(bool aktiv);
    void PasswoerterFuellen();
    void FirewallGeklickt(bool checked);
    void SeiteWechseln(int schritt);
    void Piepen() const;
    int GlobaleRegel() const;

    TStationenDatenbank& datenbank_;
    TStationenDlgUmgebung umgebung_;
    TStationenListe* liste_ = nullptr;
    TStationenListView* listView_ = nullptr;
    QTabWidget* seiten_ = nullptr;
    std::array<QWidget*, kSeitenAnzahl> seitenInhalt_{};
    std::vector<std::unique_ptr<IStationenSeite>> editoren_;
    QLabel* kopf_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    QComboBox* typCombobox_ = nullptr;
    QPlainTextEdit* notizenMemo_ = nullptr;
    QCheckBox* firewallCheckbox_ = nullptr;
    QLabel* firewallLabel_ = nullptr;
    QComboBox* firewallCombobox_ = nullptr;
    QTreeWidget* passwortListview_ = nullptr;
    QPushButton* schliessenButton_ = nullptr;
    QPushButton* hinzufuegenButton_ = nullptr;
    QPushButton* entfernenButton_ = nullptr;
    std::string gezeigt_;
    std::shared_ptr<IStationenDatenbankEintrag> eintrag_;
};

} // namespace quarn
