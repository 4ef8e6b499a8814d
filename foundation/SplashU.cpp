#include "foundation/SplashU.h"

#include "foundation/VersionInfo.h"

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace quarn {
namespace {

constexpr int kFrameWidth = 2;

QPixmap LoadLogo() {
    // A logo that is missing or cannot be decoded leaves the picture empty.
    QImage logo;
    if (!logo.load(":/Logo")) {
        return {};
    }
    return QPixmap::fromImage(logo, Qt::ThresholdDither | Qt::AvoidDither);
}

} // namespace

QPointer<TDlgSplash> TDlgSplash::Open(QWidget* owner) {
    // Owned by `owner` as its Qt child, or by itself once CloseDelayed runs.
    QPointer<TDlgSplash> splash(new TDlgSplash(owner));
    splash->show();
    splash->repaint();
    return splash;
}

TDlgSplash::TDlgSplash(QWidget* owner)
    : TFormKio(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("DlgSplash");
    setWindowTitle("Quarn");
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(kFrameWidth);
    frame->setGeometry(0, 0, kWidth, kHeight);

    auto* layout = new QVBoxLayout(frame);
    image_ = new QLabel(frame);
    image_->setObjectName("Image");
    image_->setAlignment(Qt::AlignCenter);
    image_->setPixmap(LoadLogo());
    labelVersion_ = new QLabel(QString::fromStdString(ProgramVersion()), frame);
    labelVersion_->setObjectName("LabelVersion");
    labelNzw_ = new QLabel(Tr("Nicht zur Weitergabe bestimmt"), frame);
    labelNzw_->setObjectName("LabelNzw");
    QFont bold = labelNzw_->font();
    bold.setBold(true);
    labelNzw_->setFont(bold);
    QPalette red = labelNzw_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    labelNzw_->setPalette(red);
    labelNzw_->setVisible(PrivateBuild());
    labelStatus_ = new QLabel(frame);
    labelStatus_->setObjectName("LabelStatus");
    layout->addWidget(image_, 1);
    layout->addWidget(labelVersion_);
    layout->addWidget(labelNzw_);
    layout->addWidget(labelStatus_);

    // A window not shown yet has no place of its own to centre on.
    const QRect area = owner != nullptr && owner->isVisible() ? owner->frameGeometry()
                       : screen() != nullptr                  ? screen()->availableGeometry()
                                                              : QRect(0, 0, kWidth, kHeight);
    move(area.center() - rect().center());
    Loaded();
}

void TDlgSplash::SetStatus(const QString& text) {
    labelStatus_->setText(text);
    repaint();
}

void TDlgSplash::CloseDelayed() {
    setAttribute(Qt::WA_DeleteOnClose);
    QTimer::singleShot(kCloseDelayMs, this, [this] { close(); });
}

} // namespace quarn
