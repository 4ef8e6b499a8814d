#include "ui/HauptPanele.h"

#include "foundation/ProgramGlobals.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPalette>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace quarn {

// A splitter panel: a dock for a toolbar that is dragged up and down with the left button, lit while it
// moves.
class THauptSplitter : public QFrame {
public:
    THauptSplitter(const char* name, THauptPanele& panele) : QFrame(&panele), panele_(panele) {
        setObjectName(name);
        setCursor(Qt::SizeVerCursor);
        setAutoFillBackground(true);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 2, 0, 2);
        layout->setSpacing(0);
    }

    // At least the splitter minimum; else what its toolbar needs.
    int Hoehe() const { return std::max(THauptLayout::kSplitterMin, layout()->sizeHint().height()); }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) {
            return;
        }
        anker_ = event->globalPosition().toPoint().y();
        ziehen_ = true;
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, palette.color(QPalette::Highlight));
        setPalette(palette);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!ziehen_) {
            return;
        }
        const int y = event->globalPosition().toPoint().y();
        const int vorher = pos().y();
        panele_.Ziehen(*this, y - anker_);
        // The anchor moves only as far as the splitter did, so a drag past a limit does not pile up.
        anker_ += pos().y() - vorher;
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton || !ziehen_) {
            return;
        }
        ziehen_ = false;
        setPalette(QPalette());
    }
    void childEvent(QChildEvent* event) override {
        QFrame::childEvent(event);
        if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildRemoved) {
            panele_.SplitterHoeheGeaendert();
        }
    }
    bool event(QEvent* event) override {
        if (event->type() == QEvent::LayoutRequest) {
            panele_.SplitterHoeheGeaendert();
        }
        return QFrame::event(event);
    }

private:
    THauptPanele& panele_;
    int anker_ = 0;
    bool ziehen_ = false;
};

namespace {

constexpr int kGutterBreite = 13;

TPanelKio* MakePanel(const char* name, QWidget* parent) {
    auto* panel = new TPanelKio(parent);
    panel->setObjectName(name);
    panel->SetBevelOuter(TBevelCut::bvNone);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return panel;
}

// A colour mixed from two palette roles, `anteil` of the first.
QColor Mischen(const QColor& a, const QColor& b, double anteil) {
    const auto mix = [anteil](int x, int y) {
        return static_cast<int>(std::lround(anteil * x + (1 - anteil) * y));
    };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

} // namespace

THauptPanele::THauptPanele(QWidget* parent) : TPanelKio(parent) {
    setObjectName("ClientPanel");
    SetBevelOuter(TBevelCut::bvNone);
    ausgabe_ = MakePanel("AusgabePanel", this);
    splitter1_ = new THauptSplitter("ResizePanel1", *this);
    eingabe_ = new TPanelKio(this);
    eingabe_->setObjectName("EingabePanel");
    eingabe_->SetBevelOuter(TBevelCut::bvNone);
    auto* eingabeLayout = new QHBoxLayout(eingabe_);
    eingabeLayout->setContentsMargins(0, 0, 0, 0);
    eingabeLayout->setSpacing(0);
    // The gutter beside the input editors continues the consoles' gutter, its line their edge.
    auto* gutter = new TPanelKio(eingabe_);
    gutter->setObjectName("EditorGutterPanel");
    gutter->SetBevelOuter(TBevelCut::bvNone);
    gutter->setFixedWidth(kGutterBreite);
    const QPalette system = QApplication::palette();
    // A screen of few colours cannot show the mixed shades: plain system colours there.
    const bool wenigeFarben = ColorCapability() == 0;
    QPalette gutterPalette = gutter->palette();
    gutterPalette.setColor(QPalette::Window, wenigeFarben ? system.color(QPalette::Midlight)
                                                          : Mischen(system.color(QPalette::Light),
                                                                    system.color(QPalette::Button), 0.8));
    gutter->setPalette(gutterPalette);
    auto* gutterLayout = new QHBoxLayout(gutter);
    gutterLayout->setContentsMargins(0, 0, 0, 0);
    gutterLayout->addStretch(1);
    auto* linie = new QFrame(gutter);
    linie->setObjectName("EditorGutterLine");
    linie->setFixedWidth(1);
    linie->setAutoFillBackground(true);
    QPalette linienPalette = linie->palette();
    linienPalette.setColor(QPalette::Window, wenigeFarben ? system.color(QPalette::Shadow)
                                                          : Mischen(system.color(QPalette::Dark),
                                                                    system.color(QPalette::Button), 0.6));
    linie->setPalette(linienPalette);
    gutterLayout->addWidget(linie);
    eingabeLayout->addWidget(gutter);
    eingabeInhalt_ = MakePanel("EingabeInhalt", eingabe_);
    eingabeLayout->addWidget(eingabeInhalt_, 1);
    splitter2_ = new THauptSplitter("ResizePanel2", *this);
    monitor_ = MakePanel("MonitorPanel", this);

    layout_.splitter1 = splitter1_->Hoehe();
    layout_.splitter2 = splitter2_->Hoehe();
    layout_.eingabe = 90;
    layout_.monitor = 280;
}

QWidget* THauptPanele::Splitter1() const {
    return splitter1_;
}

QWidget* THauptPanele::Splitter2() const {
    return splitter2_;
}

void THauptPanele::SetKanalLeiste(QToolBar* leiste) {
    splitter2_->layout()->addWidget(leiste);
    SplitterHoeheGeaendert();
}

void THauptPanele::GespeicherteHoehen(int monitor, int eingabe) {
    gespeichert_ = std::pair(monitor, eingabe);
}

void THauptPanele::Ziehen(const THauptSplitter& splitter, int dy) {
    if (&splitter == splitter1_) {
        Splitter1Ziehen(layout_, dy);
    } else {
        Splitter2Ziehen(layout_, dy);
    }
    Anordnen();
}

void THauptPanele::SplitterHoeheGeaendert() {
    if (splitter1_ == nullptr || splitter2_ == nullptr) {
        return; // still being built
    }
    const THauptLayout vorher = layout_;
    Splitter1HoeheSetzen(layout_, splitter1_->Hoehe());
    Splitter2HoeheSetzen(layout_, splitter2_->Hoehe());
    if (!(layout_ == vorher)) {
        Anordnen();
    }
}

void THauptPanele::resizeEvent(QResizeEvent* event) {
    TPanelKio::resizeEvent(event);
    ClientHoeheSetzen(layout_, height());
    if (gespeichert_ && height() > 0) {
        GespeicherteHoehenAnwenden(layout_, height(), gespeichert_->first, gespeichert_->second);
        gespeichert_.reset();
    }
    Anordnen();
}

void THauptPanele::Anordnen() {
    const int breite = width();
    ausgabe_->setGeometry(0, 0, breite, layout_.ausgabe);
    splitter1_->setGeometry(0, layout_.Splitter1Oben(), breite, layout_.splitter1);
    eingabe_->setGeometry(0, layout_.EingabeOben(), breite, layout_.eingabe);
    splitter2_->setGeometry(0, layout_.Splitter2Oben(), breite, layout_.splitter2);
    monitor_->setGeometry(0, layout_.MonitorOben(), breite, layout_.monitor);
}

} // namespace quarn
