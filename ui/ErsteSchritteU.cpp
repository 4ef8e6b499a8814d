#include "ui/ErsteSchritteU.h"

#include "controls/PanelKio.h"

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <utility>

namespace quarn {

QPoint ErsteSchritteOrt(const QRect& arbeitsflaeche, const QSize& groesse) {
    return {arbeitsflaeche.x() + arbeitsflaeche.width() - groesse.width(),
            arbeitsflaeche.y() + arbeitsflaeche.height() - groesse.height()};
}

TErsteSchritte::TErsteSchritte(QWidget* owner, std::function<void()> geschlossen)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint), geschlossen_(std::move(geschlossen)) {
    setObjectName("ErsteSchritte");
    setWindowTitle(Tr("Quarn - Erste Schritte"));
    setAttribute(Qt::WA_DeleteOnClose);
    // A note beside the work: it does not take the focus from the main window.
    setAttribute(Qt::WA_ShowWithoutActivating);

    const QPalette tooltip = QGuiApplication::palette();
    panel_ = new TPanelKio(this);
    panel_->setObjectName("Panel");
    panel_->SetBevelOuter(TBevelCut::bvNone);
    panel_->SetBorderWidth(4);
    QPalette panelFarben = panel_->palette();
    panelFarben.setColor(QPalette::Window, tooltip.color(QPalette::ToolTipBase));
    panel_->setPalette(panelFarben);

    text_ = new QTextBrowser(panel_);
    text_->setObjectName("RichEdit");
    text_->setFrameShape(QFrame::NoFrame);
    text_->setOpenExternalLinks(true);
    QPalette textFarben = text_->palette();
    textFarben.setColor(QPalette::Base, tooltip.color(QPalette::ToolTipBase));
    textFarben.setColor(QPalette::Text, tooltip.color(QPalette::ToolTipText));
    text_->setPalette(textFarben);
    QFile seite(QStringLiteral(":/ErsteSchritte"));
    if (seite.open(QIODevice::ReadOnly)) {
        text_->setHtml(QString::fromUtf8(seite.readAll()));
    }

    auto* panelLayout = new QVBoxLayout(panel_);
    panelLayout->setContentsMargins(6, 6, 2, 6);
    panelLayout->addWidget(text_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel_);

    resize(kGroesse);
    Platzieren(kGroesse);
}

void TErsteSchritte::Platzieren(const QSize& aussen) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(ErsteSchritteOrt(screen->availableGeometry(), aussen));
    }
}

void TErsteSchritte::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The frame is known once the window is shown: the whole window goes into the corner.
    if (!platziert_ && !event->spontaneous()) {
        platziert_ = true;
        Platzieren(frameGeometry().size());
    }
}

void TErsteSchritte::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted() && geschlossen_) {
        // Once only: a window closed twice tells its owner once.
        std::exchange(geschlossen_, nullptr)();
    }
}

void TErsteSchritte::mousePressEvent(QMouseEvent* event) {
    if (ziehen_.Druck(*event)) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TErsteSchritte::mouseMoveEvent(QMouseEvent* event) {
    if (!ziehen_.Bewegung(*event)) {
        QWidget::mouseMoveEvent(event);
    }
}

void TErsteSchritte::mouseReleaseEvent(QMouseEvent* event) {
    if (!ziehen_.Loslassen(*event)) {
        QWidget::mouseReleaseEvent(event);
    }
}

} // namespace quarn
