// The station window: its list, the choice of the station shown, adding and removing stations.
#include "ui/stationen/StationenDatenbankDlg.h"

#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/InterfacesU.h"
#include "platform/Codepage.h"
#include "stations/StationenDatenbankU.h"
#include "ui/stationen/StationenDatenbankEditDlg.h"
#include "ui/stationen/StationenListe.h"

#include <QApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quarn {
namespace {

constexpr const char* kClass = "TStationenDatenbankDlg";

} // namespace

void TStationenListView::keyboardSearch(const QString& search) {
    if (search.isEmpty() || model() == nullptr) {
        return;
    }
    const auto* liste = static_cast<const TStationenListe*>(model());
    const qint64 jetzt = QDateTime::currentMSecsSinceEpoch();
    const bool weiter = !suche_.isEmpty() && jetzt - letzteTaste_ <= QApplication::keyboardInputInterval();
    letzteTaste_ = jetzt;
    suche_ = weiter ? suche_ + search : search;
    // A new search starts below the current row, so the same letter again goes on to the next station;
    // a longer prefix may keep the current one.
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    const int start = weiter ? std::max(current, 0) : current + 1;
    const int row = StationSuchen(liste->Namen(), QStringToCp1252(suche_), start);
    if (row >= 0) {
        setCurrentIndex(model()->index(row, 0));
    }
}

void TStationenListView::keyPressEvent(QKeyEvent* event) {
    const auto weitergeben = [event](const std::function<void()>& handler) {
        if (handler) {
            handler();
        }
        event->accept();
    };
    if (event->modifiers() == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_Insert:
            return weitergeben(onInsert);
        case Qt::Key_Delete:
            return weitergeben(onDelete);
        case Qt::Key_F2:
            // A station's call names its storage: it cannot be edited in place.
            return weitergeben(onF2);
        default:
            break;
        }
    }
    QListView::keyPressEvent(event);
}

TStationenDatenbankDlg::TStationenDatenbankDlg(TStationenDatenbank& datenbank, TStationenDlgUmgebung umgebung,
                                               QWidget* owner)
    : TFormKio(owner, Qt::Window), datenbank_(datenbank), umgebung_(std::move(umgebung)) {
    setObjectName("StationenDatenbankDlg");
    setWindowTitle(Tr("Stationen-Datenbank"));
    setModal(false);

    std::vector<std::string> namen;
    datenbank_.GetRufzeichenListe(namen);
    liste_ = new TStationenListe(std::move(namen), this);
    listView_ = new TStationenListView(this);
    listView_->setObjectName("RufzeichenListView");
    listView_->setUniformItemSizes(true);
    listView_->setSelectionMode(QAbstractItemView::SingleSelection);
    listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listView_->setModel(liste_);
    listView_->onInsert = [this] { Hinzufuegen(); };
    listView_->onDelete = [this] { Entfernen(); };
    listView_->onF2 = [this] { Piepen(); };
    connect(listView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { AktuelleGeaendert(current); });
    auto* listenKopf = new QLabel(Tr("Stationen"), this);
    listenKopf->setObjectName("StationenKopf");
    listenKopf->setFrameShape(QFrame::StyledPanel);
    listenKopf->setMargin(2);

    hinzufuegenButton_ = new QPushButton(Tr("&Hinzuf."), this);
    hinzufuegenButton_->setObjectName("HinzufuegenButton");
    entfernenButton_ = new QPushButton(Tr("&Entf."), this);
    entfernenButton_->setObjectName("EntfernenButton");
    schliessenButton_ = new QPushButton(Tr("&Schließen"), this);
    schliessenButton_->setObjectName("SchliessenButton");
    // Enter in the list or a field presses no button.
    for (QPushButton* button : {hinzufuegenButton_, entfernenButton_, schliessenButton_}) {
        button->setAutoDefault(false);
    }
    connect(hinzufuegenButton_, &QPushButton::clicked, this, [this] { Hinzufuegen(); });
    connect(entfernenButton_, &QPushButton::clicked, this, [this] { Entfernen(); });
    connect(schliessenButton_, &QPushButton::clicked, this, [this] { Schliessen(); });

    kopf_ = new QLabel(this);
    kopf_->setObjectName("KopfLabel");
    QFont fett = kopf_->font();
    fett.setBold(true);
    kopf_->setFont(fett);
    seiten_ = new QTabWidget(this);
    seiten_->setObjectName("PageControl");
    seiten_->addTab(AllgemeinBauen(), Tr("Allgemein"));
    seiten_->addTab(PasswoerterBauen(), Tr("Passwörter"));
    seiten_->addTab(EditorBauen(TStationenSeite::Texte), Tr("Texte"));
    seiten_->addTab(EditorBauen(TStationenSeite::Fernsteuerung), Tr("Fernsteuerung"));
    seiten_->addTab(EditorBauen(TStationenSeite::Klaenge), Tr("Klänge"));
    for (int index = 0; index < kSeitenAnzahl; ++index) {
        seitenInhalt_[static_cast<std::size_t>(index)] = seiten_->widget(index);
    }

    // Ctrl+Tab walks the pages also while the list has the focus.
    for (const QKeySequence& vor : {QKeySequence(Qt::CTRL | Qt::Key_Tab)}) {
        connect(new QShortcut(vor, this), &QShortcut::activated, this, [this] { SeiteWechseln(1); });
    }
    for (const QKeySequence& zurueck : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                                        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)}) {
        connect(new QShortcut(zurueck, this), &QShortcut::activated, this, [this] { SeiteWechseln(-1); });
    }

    auto* links = new QVBoxLayout;
    links->setSpacing(0);
    links->addWidget(listenKopf);
    links->addWidget(listView_, 1);
    auto* listenKnoepfe = new QHBoxLayout;
    listenKnoepfe->setContentsMargins(0, 6, 0, 0);
    listenKnoepfe->addWidget(hinzufuegenButton_);
    listenKnoepfe->addWidget(entfernenButton_);
    links->addLayout(listenKnoepfe);
    auto* rechts = new QVBoxLayout;
    rechts->addWidget(kopf_);
    rechts->addWidget(seiten_, 1);
    auto* schliessenZeile = new QHBoxLayout;
    schliessenZeile->addStretch();
    schliessenZeile->addWidget(schliessenButton_);
    rechts->addLayout(schliessenZeile);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(links, 0);
    layout->addLayout(rechts, 1);
    listView_->setFixedWidth(150);
    resize(640, 460);
    Loaded();

    SeitenAktiv(false);
    kopf_->setText(Tr("Einstellungen für %1:").arg(QString()));
    if (liste_->rowCount() > 0) {
        Auswaehlen(0);
    }
    listView_->setFocus();
}

TStationenDatenbankDlg::~TStationenDatenbankDlg() = default;

void TStationenDatenbankDlg::Piepen() const {
    if (umgebung_.piepen) {
        umgebung_.piepen();
    } else {
        QApplication::beep();
    }
}

void TStationenDatenbankDlg::Auswaehlen(int row) {
    if (row < 0 || row >= liste_->rowCount()) {
        return;
    }
    const QModelIndex index = liste_->index(row, 0);
    listView_->setCurrentIndex(index);
    listView_->scrollTo(index);
}

void TStationenDatenbankDlg::AktuelleGeaendert(const QModelIndex& current) {
    Speichern();
    if (!current.isValid()) {
        gezeigt_.clear();
        SeitenAktiv(false);
        return;
    }
    Zeigen(liste_->Name(current.row()));
}

void TStationenDatenbankDlg::SeiteWechseln(int schritt) {
    const int count = seiten_->count();
    seiten_->setCurrentIndex((seiten_->currentIndex() + schritt + count) % count);
}

void TStationenDatenbankDlg::Hinzufuegen() {
    TStationenDatenbankEditDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const std::optional<std::string> call = dialog.Rufzeichen();
    if (!call) {
        return;
    }
    DebOutObj(kClass, "HinzufuegenClick", *call);
    // The list is what the window saw when it opened: a station made since (a remote "//name", another
    // window) must be found, not emptied by creating it again.
    if (!datenbank_.GetEintrag(*call) && !datenbank_.CreateEintrag(*call)) {
        TDlgMessage::Run(Tr("Stationen-Datenbank"),
                         Tr("Die Station \"%1\" kann nicht angelegt werden.").arg(Cp1252ToQString(*call)),
                         mbOK, this);
        return;
    }
    const int row = liste_->Einfuegen(*call);
    if (listView_->currentIndex().row() == row) {
        // Already the current row (it may have been gone and is made again): shown afresh.
        Speichern();
        Zeigen(*call);
    } else {
        Auswaehlen(row);
    }
    listView_->setFocus();
}

void TStationenDatenbankDlg::Entfernen() {
    const QModelIndex current = listView_->currentIndex();
    if (!current.isValid()) {
        return;
    }
    if (TDlgMessage::Run(Tr("Entfernen"), Tr("Station wirklich entfernen?"), mbYes | mbNo, this) != mrYes) {
        return;
    }
    const int row = current.row();
    const std::string call = liste_->Name(row);
    eintrag_.reset();
    // Refused while some connection holds the station: it stays. One gone already leaves only its row.
    if (!datenbank_.DeleteEintrag(call) && datenbank_.GetEintrag(call)) {
        Piepen();
        Zeigen(call);
        return;
    }
    gezeigt_.clear();
    liste_->Entfernen(row);
    if (liste_->rowCount() == 0) {
        SeitenAktiv(false);
        kopf_->setText(Tr("Einstellungen für %1:").arg(QString()));
        return;
    }
    Auswaehlen(std::min(row, liste_->rowCount() - 1));
}

void TStationenDatenbankDlg::Schliessen() {
    Speichern();
    close();
}

} // namespace quarn
