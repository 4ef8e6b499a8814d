#pragma once

#include "controls/NumEditU.h"
#include "foundation/DesignTexts.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/FormKioU.h"
#include "ui/DateiSendenModell.h"

#include <QString>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QToolButton;
class QTreeWidget;

namespace quarn {

class IDateiSendenQueue;
class IKanal;
class ISubscriber;
class RegistryStore;
class TConfig;
class TDateiSendenVorlagen;
class TPGP;

// What the wizard works with. The program's own comes from Programm(); tests hand in their own.
struct TDateiSendenUmgebung {
    RegistryStore* store = nullptr; // histories and templates
    TConfig* config = nullptr;      // the PGP comment; none keeps it unsaved
    // Each file or the typed text, handed on at Finish.
    TSendenWeitergabe weitergabe;
    // A PGP context on the GUI thread; raises EPGP (or gives none) when there is no usable engine.
    std::function<std::unique_ptr<TPGP>()> pgp;
    // The one modal message box, shown over the wizard; returns the modal result.
    std::function<int(QWidget* owner, const QString& caption, const QString& text, std::uint32_t buttons)>
        fragen;
    // "&Hinzufügen": the files the operator chose, none when cancelled.
    std::function<std::vector<std::filesystem::path>(QWidget* owner)> dateienWaehlen;
    // F1 to F12 alone go to the main window's channel keys.
    std::function<void(int key)> kanalTaste;

    static TDateiSendenUmgebung Programm();
};

// The wizard through which the operator sends files or typed text on a connected channel: protocol and
// source, the files or the text, splitting into parts with a part choice, mailbox texts before and after
// each file, and PGP signing. Finish hands each file (or the text) on to the send preprocessor. While
// open it shows the connection's send queue and follows the channel's connection. Modeless, on top, one
// per channel; it frees itself when closed and tells its channel.
class TDateiSendenDlg : public TFormKio {
    Q_OBJECT
    QUARN_DESIGN_TEXTS(TDateiSendenDlg)

public:
    enum Seite { SeiteStart, SeiteDateien, SeiteText, SeiteTeile, SeitePgp, kSeiten };

    explicit TDateiSendenDlg(TDateiSendenUmgebung umgebung, QWidget* owner = nullptr);
    ~TDateiSendenDlg() override;
    TDateiSendenDlg(const TDateiSendenDlg&) = delete;
    TDateiSendenDlg& operator=(const TDateiSendenDlg&) = delete;

    // Opened with a text (Windows-1252): the text page with the text, protocol Text.
    void ExecuteText(const std::shared_ptr<IKanal>& kanal, std::string_view text);
    // Opened with files and folders: the regular files among them and below the folders, AutoBIN.
    void ExecuteFiles(const std::shared_ptr<IKanal>& kanal, const std::vector<std::filesystem::path>& namen);
    void Execute(const std::shared_ptr<IKanal>& kanal);

    // The buttons' work, for the buttons and for tests.
    void Weiter();
    void Zurueck();
    void Fertigstellen();
    // Lists the names not listed yet.
    void DateienHinzufuegen(const std::vector<std::filesystem::path>& namen);
    // The part choice of the selected file of the parts list.
    void Eigenschaften();
    // The template pop-up of a mailbox text: 0 before, 1 after; built on first use.
    QMenu* VorlagenMenue(int welche);
    // The template editor for one of the lists; true when it was left with OK.
    bool VorlagenBearbeiten(int welche);

    Seite AktuelleSeite() const;
    bool SeiteAktiv(Seite seite) const { return seiteAktiv_.at(seite); }
    std::uint8_t Protokoll() const;
    const std::vector<TDateiSendenEintrag>& Eintraege() const { return eintraege_; }
    bool HatPgp() const { return static_cast<bool>(pgp_); }

    QPushButton* ButtonZurueck() const { return zurueck_; }
    QPushButton* ButtonWeiter() const { return weiter_; }
    QPushButton* ButtonFertig() const { return fertig_; }
    QPushButton* ButtonAbbrechen() const { return abbrechen_; }
    QRadioButton* RadioProtokoll(std::uint8_t protokoll) const;
    QRadioButton* RadioDateien() const { return radioDateien_; }
    QRadioButton* RadioText() const { return radioText_; }
    QLabel* ProtokollTitel() const { return protokollTitel_; }
    QLabel* ProtokollInfo() const { return protokollInfo_; }
    QStackedWidget* Warteschlange() const { return warteschlange_; }
    QListWidget* WarteschlangenListe() const { return warteschlangenListe_; }
    QListWidget* DateiListe() const { return dateiListe_; }
    QPushButton* ButtonHinzufuegen() const { return hinzufuegen_; }
    QPushButton* ButtonEntfernen() const { return entfernen_; }
    QPlainTextEdit* TextMemo() const { return textMemo_; }
    QCheckBox* Umbruch() const { return umbruch_; }
    QCheckBox* Teilen() const { return teilen_; }
    TCardinalEdit* TeilGroesse() const { return teilGroesse_; }
    QTreeWidget* TeileListe() const { return teileListe_; }
    QPushButton* ButtonEigenschaften() const { return eigenschaften_; }
    QStackedWidget* TeileBlatt() const { return teileBlatt_; }
    QCheckBox* TextVorherAn() const { return vorherAn_; }
    QCheckBox* TextNachherAn() const { return nachherAn_; }
    QPlainTextEdit* TextVorher() const { return vorher_; }
    QPlainTextEdit* TextNachher() const { return nachher_; }
    QPushButton* ButtonVorlagen(int welche) const { return welche == 0 ? vorlagenVorher_ : vorlagenNachher_; }
    QCheckBox* Signieren() const { return signieren_; }
    QComboBox* Schluessel() const { return schluessel_; }
    QLineEdit* Passwort() const { return passwort_; }
    QLineEdit* Kommentar() const { return kommentar_; }
    QLabel* PgpInfo() const { return pgpInfo_; }

    // Refreshes that the subscribers run on the GUI thread.
    void KanalAktualisieren();
    void QueueAktualisieren();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // DateiSendenSeiten.cpp: the pages and their controls.
    void Aufbauen();
    QWidget* StartSeite();
    QWidget* DateiSeite();
    QWidget* TextSeite();
    QWidget* TeileSeite();
    QWidget* PgpSeite();
    void QuelleGewaehlt();
    void ProtokollGewaehlt();
    void PgpAktualisieren();
    void PgpErzeugen();

    // DateiSendenTeile.cpp: files, parts and mailbox texts.
    std::vector<std::filesystem::path> ListeNamen() const;
    void EintraegeNeu();
    void TeileListeAufbauen();
    void TeileAnzeigen();
    void TeilGroesseVerlassen();
    void TeilenAktualisieren();
    void MailboxAktualisieren();
    TDateiSendenVorlagen& VorlagenListe(int welche);
    void DateienWaehlen();
    void HatInhaltAktualisieren();

    // DateiSendenFertig.cpp
    bool PasswortPruefen();
    void VerlaufSpeichern();
    std::unique_ptr<TStream> DateiOeffnen(const std::filesystem::path& name);

    void SeiteZeigen(Seite seite);
    void KnoepfeAktualisieren();
    void FertigAktualisieren();
    void QueueAbonnieren();
    void Abmelden();
    int Fragen(const QString& caption, const QString& text, std::uint32_t buttons);

    TDateiSendenUmgebung umgebung_;
    std::shared_ptr<IKanal> kanal_;
    std::shared_ptr<ISubscriber> queueSubscriber_;
    std::shared_ptr<ISubscriber> kanalSubscriber_;
    std::weak_ptr<IDateiSendenQueue> abonniert_;
    bool kanalAbonniert_ = false;

    int modus_ = 0; // 0 normal, 1 started with a text, 2 started with files
    std::uint8_t vorgabe_ = 0;
    bool hatInhalt_ = false;
    bool nichtFertig_ = true;
    std::vector<TDateiSendenEintrag> eintraege_;
    std::unique_ptr<TPGP> pgp_;
    std::array<std::unique_ptr<TDateiSendenVorlagen>, 2> vorlagen_;
    std::array<QMenu*, 2> vorlagenMenue_{};
    std::array<bool, kSeiten> seiteAktiv_{true, true, false, true, true};

    QStackedWidget* seiten_ = nullptr;
    QPushButton* zurueck_ = nullptr;
    QPushButton* weiter_ = nullptr;
    QPushButton* fertig_ = nullptr;
    QPushButton* abbrechen_ = nullptr;

    QRadioButton* radioAutobin_ = nullptr;
    QRadioButton* radioBinaer_ = nullptr;
    QRadioButton* radioTextProtokoll_ = nullptr;
    QRadioButton* radioDidadit_ = nullptr;
    QLabel* protokollTitel_ = nullptr;
    QLabel* protokollInfo_ = nullptr;
    QRadioButton* radioDateien_ = nullptr;
    QRadioButton* radioText_ = nullptr;
    QStackedWidget* warteschlange_ = nullptr;
    QListWidget* warteschlangenListe_ = nullptr;

    QListWidget* dateiListe_ = nullptr;
    QPushButton* hinzufuegen_ = nullptr;
    QPushButton* entfernen_ = nullptr;

    QPlainTextEdit* textMemo_ = nullptr;
    QCheckBox* umbruch_ = nullptr;

    QStackedWidget* teileBlatt_ = nullptr;
    QCheckBox* teilen_ = nullptr;
    QLabel* teilGroesseLabel_ = nullptr;
    TCardinalEdit* teilGroesse_ = nullptr;
    QToolButton* teilAuf_ = nullptr;
    QToolButton* teilAb_ = nullptr;
    QLabel* kbLabel_ = nullptr;
    QTreeWidget* teileListe_ = nullptr;
    QPushButton* eigenschaften_ = nullptr;
    QCheckBox* vorherAn_ = nullptr;
    QCheckBox* nachherAn_ = nullptr;
    QPlainTextEdit* vorher_ = nullptr;
    QPlainTextEdit* nachher_ = nullptr;
    QPushButton* vorlagenVorher_ = nullptr;
    QPushButton* vorlagenNachher_ = nullptr;

    QCheckBox* signieren_ = nullptr;
    QLabel* schluesselLabel_ = nullptr;
    QComboBox* schluessel_ = nullptr;
    QLabel* passwortLabel_ = nullptr;
    QLineEdit* passwort_ = nullptr;
    QLabel* pgpInfo_ = nullptr;
    QLabel* kommentarLabel_ = nullptr;
    QLineEdit* kommentar_ = nullptr;
};

} // namespace quarn
