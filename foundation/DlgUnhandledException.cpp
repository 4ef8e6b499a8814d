#include "foundation/DlgUnhandledException.h"

#include "foundation/ImmediateExit.h"
#include "foundation/StartupU.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarn {
namespace {

void MakeBold(QWidget* widget) {
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

} // namespace

TDlgUnhandledException::TDlgUnhandledException(QWidget* parent)
    : QDialog(parent), label1_(new QLabel(this)), label2_(new QLabel(this)), label3_(new QLabel(this)),
      button1_(new QPushButton(this)), button2_(new QPushButton(this)), button3_(new QPushButton(this)) {
    setWindowTitle(Tr("Uuups..."));
    setModal(true);
    resize(385, 226);
    setMinimumSize(385, 226);

    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setText(Tr("Folgender Fehler ist aufgetreten:"));

    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->setTextFormat(Qt::PlainText);
    label2_->setWordWrap(true);
    label2_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label2_->setMinimumSize(349, 73);
    label2_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    MakeBold(label2_);

    label3_->setObjectName(QStringLiteral("Label3"));
    label3_->setWordWrap(true);
    label3_->setText(Tr("Dieser Fehler kann sich negativ auf den weiteren Ablauf von Quarn auswirken. "
                        "Es wird daher empfohlen, Quarn möglichst bald zu beenden und neu zu starten."));

    button1_->setObjectName(QStringLiteral("Button1"));
    button1_->setText(Tr("Fehler &ignorieren"));
    button1_->setAutoDefault(false);
    button2_->setObjectName(QStringLiteral("Button2"));
    button2_->setText(Tr("Quarn &beenden"));
    button2_->setDefault(true);
    MakeBold(button2_);
    button3_->setObjectName(QStringLiteral("Button3"));
    button3_->setText(Tr("Fehlermeldung in die Zwischenablage &kopieren"));
    button3_->setAutoDefault(false);

    auto* buttons = new QGridLayout;
    buttons->addWidget(button1_, 0, 0);
    buttons->addWidget(button2_, 0, 1);
    buttons->addWidget(button3_, 1, 0, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1_);
    layout->addWidget(label2_, 1);
    layout->addWidget(label3_);
    layout->addLayout(buttons);

    connect(button1_, &QPushButton::clicked, this, &QDialog::accept);
    // No shut-down step runs: the state may be broken, and "Dirty" stays set for the next start. Batched
    // changes already made are written first.
    connect(button2_, &QPushButton::clicked, this, [] { ImmediateExit(kExitFailure); });
    connect(button3_, &QPushButton::clicked, this, &TDlgUnhandledException::CopyToClipboard);
}

void TDlgUnhandledException::SetReport(const std::string& header, const std::string& message) {
    report_ = QString::fromStdString(header) + QLatin1Char('\r') + QString::fromStdString(message);
    // A label breaks lines only at LF.
    QString shown = report_;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    label2_->setText(shown);
}

QString TDlgUnhandledException::ClipboardText() const {
    QString text;
    text.reserve(report_.size() + 8);
    for (qsizetype i = 0; i < report_.size(); ++i) {
        text.append(report_[i]);
        // A CR that already has its LF keeps just that one.
        if (report_[i] == QLatin1Char('\r') &&
            (i + 1 == report_.size() || report_[i + 1] != QLatin1Char('\n'))) {
            text.append(QLatin1Char('\n'));
        }
    }
    return text + QStringLiteral("\r\n");
}

void TDlgUnhandledException::CopyToClipboard() {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->setText(ClipboardText());
    }
}

void TDlgUnhandledException::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        button2_->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace quarn
