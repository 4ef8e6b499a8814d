#include "ui/DlgInfoU.h"

#include "controls/PanelKio.h"
#include "controls/UrlLabel.h"
#include "ui/InfoSlogans.h"

#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

namespace quarn {
namespace {

const QColor kHellgrau(0xE0, 0xE0, 0xE0);
const QColor kNavy(0x00, 0x00, 0x80);
constexpr const char* kTag = "Tag";

constexpr struct {
    const char* caption;
    int tag;
} kSeitenItems[] = {
    {QT_TRANSLATE_NOOP("TDlgInfo", "&Version"), 1},
    {QT_TRANSLATE_NOOP("TDlgInfo", "&Hinweise"), 2},
    {QT_TRANSLATE_NOOP("TDlgInfo", "&Lizenzvertrag"), 3},
    {QT_TRANSLATE_NOOP("TDlgInfo", "Li&nks"), 4},
};

void SetFarbe(QWidget& widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(role, colour);
    widget.setPalette(palette);
}

// Esc, Enter and Space with no modifier close the box; the number pad's Enter counts as Enter.
bool IsSchliessTaste(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier) {
        return false;
    }
    switch (key.key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        return true;
    default:
        return false;
    }
}

QString ResourceText(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

TDlgInfo::TDlgInfo(QWidget* owner, bool privateBuild, RegistryStore& store)
    : TFormKio(owner, Qt::Dialog | Qt::FramelessWindowHint), privateBuild_(privateBuild) {
    setObjectName("DlgInfo");
    setWindowTitle(Tr("Info über Quarn"));
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    SetFarbe(*this, QPalette::Window, Qt::white);

    // The black frame panel round everything.
    auto* rahmen = new QFrame(this);
    rahmen->setObjectName("PanelRahmen");
    rahmen->setFrameStyle(QFrame::Box | QFrame::Plain);
    rahmen->setLineWidth(1);
    SetFarbe(*rahmen, QPalette::WindowText, Qt::black);
    rahmen->setGeometry(rect());

    seiten_ = new QStackedWidget(rahmen);
    seiten_->setObjectName("Notebook");
    seiten_->addWidget(SeiteVersion());
    seiten_->addWidget(SeiteText("Page2", QStringLiteral(":/ReleaseNotes"), releasenotes_));
    releasenotes_->setObjectName("RicheditReleasenotes");
    seiten_->addWidget(SeiteText("Page3", QStringLiteral(":/Lizenz"), lizenz_));
    lizenz_->setObjectName("RicheditLizenz");
    seiten_->addWidget(SeiteLinks());
    LeistenBauen();

    auto* layout = new QVBoxLayout(rahmen);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(panelOben_);
    layout->addWidget(seiten_, 1);
    layout->addWidget(panelUnten_);

    if (privateBuild_) {
        zeile1_->setText(Tr("Nicht zur Weitergabe bestimmt"));
        QFont bold = zeile1_->font();
        bold.setBold(true);
        zeile1_->setFont(bold);
        SetFarbe(*zeile1_, QPalette::WindowText, Qt::red);
    } else {
        SetFarbe(*zeile1_, QPalette::WindowText, Qt::gray);
        const TSloganWahl wahl = SloganWaehlen(store.ReadDWord(Hive::CurrentUser, kSloganKey, kSloganWert));
        SloganZeigen(wahl.index);
        // Each opening shows the next one; a store that cannot be written leaves the count as it was.
        store.WriteDWord(Hive::CurrentUser, kSloganKey, kSloganWert, wahl.naechsterWert);
    }

    // The box's keys and Zeile1's hidden click reach it whichever control has the focus.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
    SeiteZeigen(1);
    Loaded();
}

QWidget* TDlgInfo::SeiteVersion() {
    auto* seite = new QWidget;
    seite->setObjectName("Page1");
    imageTitel_ = new QLabel(seite);
    imageTitel_->setObjectName("ImageTitel");
    imageTitel_->setAlignment(Qt::AlignCenter);
    // The same picture as the splash screen.
    imageTitel_->setPixmap(QPixmap(QStringLiteral(":/Logo")));
    zeile1_ = new QLabel(seite);
    zeile1_->setObjectName("Zeile1");
    zeile1_->setAlignment(Qt::AlignCenter);
    zeile2_ = new QLabel(Tr("Version %1").arg(QString::fromStdString(ProgramVersion())), seite);
    zeile2_->setObjectName("Zeile2");
    zeile2_->setAlignment(Qt::AlignCenter);
    QFont bold = zeile2_->font();
    bold.setBold(true);
    zeile2_->setFont(bold);
    auto* hersteller =
        new QLabel(Tr("Velmoor \u00B7 freie Software unter der GNU GPL, Version 3 oder später"), seite);
    hersteller->setObjectName("ZeileHersteller");
    hersteller->setAlignment(Qt::AlignCenter);
    QFont klein = hersteller->font();
    klein.setPointSizeF(klein.pointSizeF() * 0.85);
    hersteller->setFont(klein);
    SetFarbe(*hersteller, QPalette::WindowText, QColor(0x60, 0x60, 0x60));

    auto* layout = new QVBoxLayout(seite);
    layout->setContentsMargins(8, 12, 8, 8);
    layout->addWidget(imageTitel_);
    layout->addSpacing(8);
    layout->addWidget(zeile1_);
    layout->addStretch(1);
    layout->addWidget(zeile2_);
    layout->addWidget(hersteller);
    return seite;
}

QWidget* TDlgInfo::SeiteText(const char* name, const QString& resource, QTextBrowser*& browser) {
    auto* seite = new QWidget;
    seite->setObjectName(QString::fromLatin1(name));
    browser = new QTextBrowser(seite);
    browser->setReadOnly(true);
    browser->setFrameShape(QFrame::NoFrame);
    browser->setOpenExternalLinks(true);
    browser->setHtml(ResourceText(resource));
    auto* layout = new QVBoxLayout(seite);
    layout->setContentsMargins(8, 6, 2, 2);
    layout->addWidget(browser);
    return seite;
}

QWidget* TDlgInfo::SeiteLinks() {
    auto* seite = new QWidget;
    seite->setObjectName("Page4");
    auto* titel = new QLabel(Tr("Quarn im Netz"), seite);
    QFont bold = titel->font();
    bold.setBold(true);
    titel->setFont(bold);

    const auto link = [seite](const QString& caption, const QString& url) {
        auto* label = new TUrlLabel(seite);
        label->setText(caption);
        label->SetUrl(url);
        label->setToolTip(url);
        QFont underlined = label->font();
        underlined.setUnderline(true);
        label->setFont(underlined);
        SetFarbe(*label, QPalette::WindowText, kNavy);
        return label;
    };
    web_ = link(Tr("Web"), QStringLiteral("https://www.velmoor.example/quarn/"));
    web_->setObjectName("LabelWeb");
    eMail_ = link(Tr("eMail"), QStringLiteral("mailto:quarn@velmoor.example"));
    eMail_->setObjectName("LabelEMail");

    auto* layout = new QGridLayout(seite);
    layout->setContentsMargins(24, 20, 24, 12);
    layout->setHorizontalSpacing(16);
    layout->setVerticalSpacing(10);
    layout->addWidget(titel, 0, 0, 1, 2);
    layout->addWidget(web_, 1, 0);
    layout->addWidget(new QLabel(Tr("Neuigkeiten, Hilfe und die neueste Version"), seite), 1, 1);
    layout->addWidget(eMail_, 2, 0);
    layout->addWidget(new QLabel(Tr("Fehlerberichte, Fragen und Wünsche"), seite), 2, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(3, 1);
    return seite;
}

void TDlgInfo::LeistenBauen() {
    const auto panel = [this](const char* name) {
        auto* result = new TPanelKio;
        result->setObjectName(QString::fromLatin1(name));
        return result;
    };
    const auto leiste = [](TPanelKio& panel, const char* name) {
        auto* result = new QToolBar(&panel);
        result->setObjectName(QString::fromLatin1(name));
        result->setMovable(false);
        result->setFloatable(false);
        // The panel's face shows through: its colour tells the page.
        result->setStyleSheet(QStringLiteral("QToolBar { background: transparent; border: none; }"));
        return result;
    };

    panelOben_ = panel("PanelOben");
    schliessleiste_ = leiste(*panelOben_, "ToolbarSchliessen");
    schliessleiste_->setIconSize(QSize(12, 12));
    QAction* schliessen =
        schliessleiste_->addAction(style()->standardIcon(QStyle::SP_TitleBarCloseButton), Tr("Schließen"));
    schliessen->setObjectName("ItemSchliessen");
    schliessen->setProperty(kTag, kSchliessenTag);
    connect(schliessen, &QAction::triggered, this, &QDialog::accept);
    auto* oben = new QHBoxLayout(panelOben_);
    oben->setContentsMargins(2, 2, 2, 2);
    oben->addStretch(1);
    oben->addWidget(schliessleiste_);

    panelUnten_ = panel("PanelUnten");
    seitenleiste_ = leiste(*panelUnten_, "ToolbarSeiten");
    seitenleiste_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* gruppe = new QActionGroup(seitenleiste_);
    for (const auto& item : kSeitenItems) {
        QAction* action = seitenleiste_->addAction(Tr(item.caption));
        action->setObjectName(QStringLiteral("ItemSeite%1").arg(item.tag));
        action->setProperty(kTag, item.tag);
        action->setCheckable(true);
        gruppe->addAction(action);
        connect(action, &QAction::triggered, this, [this, tag = item.tag] { SeiteZeigen(tag); });
    }
    auto* unten = new QHBoxLayout(panelUnten_);
    unten->setContentsMargins(4, 3, 4, 3);
    unten->addStretch(1);
    unten->addWidget(seitenleiste_);
    unten->addStretch(1);
}

void TDlgInfo::SeiteZeigen(int tag) {
    if (tag < 1 || tag > kSeiten) {
        return;
    }
    seiten_->setCurrentIndex(tag - 1);
    // The version page is all white; the text pages sit between grey bars.
    const bool weiss = tag == 1;
    for (TPanelKio* panel : {panelOben_, panelUnten_}) {
        SetFarbe(*panel, QPalette::Window, weiss ? QColor(Qt::white) : kHellgrau);
        panel->SetBevelOuter(weiss ? TBevelCut::bvNone : TBevelCut::bvRaised);
    }
    for (QAction* action : seitenleiste_->actions()) {
        action->setChecked(action->property(kTag).toInt() == tag);
    }
}

int TDlgInfo::Seite() const {
    return seiten_->currentIndex() + 1;
}

QWidget* TDlgInfo::SeitenWidget(int tag) const {
    return seiten_->widget(tag - 1);
}

void TDlgInfo::SloganZeigen(int index) {
    slogan_ = index;
    zeile1_->setText(SloganText(index));
}

bool TDlgInfo::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && IsSchliessTaste(*static_cast<QKeyEvent*>(event))) {
        accept();
        return true;
    }
    if (watched == zeile1_ && event->type() == QEvent::MouseButtonPress && !privateBuild_) {
        const auto& mouse = *static_cast<QMouseEvent*>(event);
        const Qt::KeyboardModifiers modifiers = mouse.modifiers() & (Qt::ControlModifier | Qt::ShiftModifier |
                                                                     Qt::AltModifier | Qt::MetaModifier);
        if (mouse.button() == Qt::RightButton && modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
            SloganZeigen(NaechsterSlogan(slogan_));
            return true;
        }
    }
    return TFormKio::eventFilter(watched, event);
}

// A press that no control took comes up to the box: the picture, the labels, the pages and the toolbar
// panels are its caption. The links keep their own click.
void TDlgInfo::mousePressEvent(QMouseEvent* event) {
    if (dynamic_cast<TUrlLabel*>(childAt(event->position().toPoint())) == nullptr && ziehen_.Druck(*event)) {
        event->accept();
        return;
    }
    TFormKio::mousePressEvent(event);
}

void TDlgInfo::mouseMoveEvent(QMouseEvent* event) {
    if (!ziehen_.Bewegung(*event)) {
        TFormKio::mouseMoveEvent(event);
    }
}

void TDlgInfo::mouseReleaseEvent(QMouseEvent* event) {
    if (!ziehen_.Loslassen(*event)) {
        TFormKio::mouseReleaseEvent(event);
    }
}

} // namespace quarn
