#include "foundation/DlgMessageU.h"

#include "foundation/ProgramGlobals.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <cstdio>

namespace quarn {
namespace {

struct ButtonKind {
    std::uint32_t bit;
    const char* caption;
    int result;
};

constexpr std::array<ButtonKind, 9> kButtonKinds = {{
    {mbYes, QT_TRANSLATE_NOOP("TDlgMessage", "&Ja"), mrYes},
    {mbNo, QT_TRANSLATE_NOOP("TDlgMessage", "&Nein"), mrNo},
    {mbOK, QT_TRANSLATE_NOOP("TDlgMessage", "&Ok"), mrOk},
    {mbCancel, QT_TRANSLATE_NOOP("TDlgMessage", "Abbrechen"), mrCancel},
    {mbAbort, QT_TRANSLATE_NOOP("TDlgMessage", "Abbruch"), mrAbort},
    {mbRetry, QT_TRANSLATE_NOOP("TDlgMessage", "&Wiederholen"), mrRetry},
    {mbIgnore, QT_TRANSLATE_NOOP("TDlgMessage", "&Ignorieren"), mrIgnore},
    {mbAll, QT_TRANSLATE_NOOP("TDlgMessage", "&Alle"), mrAll},
    {mbHelp, QT_TRANSLATE_NOOP("TDlgMessage", "&Hilfe"), mrNone},
}};

// The form's measures: client area 289 x 129, text panel 99 high with a 241 x 73 label, button row 30
// high; buttons 79 x 23, 85 apart.
constexpr int kClientWidth = 289;
constexpr int kTextPanelHeight = 99;
constexpr int kLabelWidth = 241;
constexpr int kLabelHeight = 73;
constexpr int kButtonPanelHeight = 30;
constexpr int kButtonWidth = 79;
constexpr int kButtonHeight = 23;
constexpr int kButtonPitch = 85;
constexpr int kRowMargin = 12;

} // namespace

TDlgMessage::TDlgMessage(const QString& caption, const QString& text, std::uint32_t buttons, QWidget* owner)
    : QDialog(owner), panel1_(new QWidget(this)), panel2_(new QWidget(this)), label_(new QLabel(panel1_)) {
    setWindowTitle(caption);
    setModal(true);
    label_->setObjectName("Label1");
    panel1_->setObjectName("Panel1");
    panel2_->setObjectName("Panel2");
    // Texts may come from remote stations: never interpret them as mark-up.
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_->setText(text);

    for (const ButtonKind& kind : kButtonKinds) {
        if ((buttons & kind.bit) == 0) {
            continue;
        }
        auto* button = new QPushButton(Tr(kind.caption), panel2_);
        button->setAutoDefault(true);
        const int result = kind.result;
        if (result != mrNone) {
            connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        }
        buttons_.push_back(button);
        bits_.push_back(kind.bit);
    }

    // Only buttons actually shown can be the default or the cancel button.
    if ((buttons & mbDefaultNo) != 0) {
        defaultButton_ = ShownButton(mbNo);
    }
    for (std::uint32_t bit : {mbOK, mbYes, mbRetry}) {
        if (defaultButton_ != nullptr || (defaultButton_ = ShownButton(bit)) != nullptr) {
            break;
        }
    }
    if (defaultButton_ == nullptr) {
        const auto closing =
            std::find_if(bits_.begin(), bits_.end(), [](std::uint32_t bit) { return bit != mbHelp; });
        if (closing != bits_.end()) {
            defaultButton_ = buttons_[static_cast<std::size_t>(closing - bits_.begin())];
        }
    }
    for (std::uint32_t bit : {mbCancel, mbNo, mbOK, mbAbort}) {
        if ((cancelButton_ = ShownButton(bit)) != nullptr) {
            break;
        }
    }
    if (defaultButton_ != nullptr) {
        defaultButton_->setDefault(true);
        defaultButton_->setFocus();
    }
    Arrange();
}

QPushButton* TDlgMessage::ShownButton(std::uint32_t bit) const {
    const auto found = std::find(bits_.begin(), bits_.end(), bit);
    return found == bits_.end() ? nullptr : buttons_[static_cast<std::size_t>(found - bits_.begin())];
}

void TDlgMessage::Arrange() {
    const int count = static_cast<int>(buttons_.size());
    const int rowWidth = count * kButtonPitch - 6;
    const int width = std::max(kClientWidth, rowWidth + 2 * kRowMargin);
    const int labelWidth = width - (kClientWidth - kLabelWidth);
    const int labelHeight = std::max(kLabelHeight, label_->heightForWidth(labelWidth));
    const int textPanelHeight = labelHeight + (kTextPanelHeight - kLabelHeight);

    panel1_->setGeometry(0, 0, width, textPanelHeight);
    label_->setGeometry((kClientWidth - kLabelWidth) / 2, (kTextPanelHeight - kLabelHeight) / 2, labelWidth,
                        labelHeight);
    panel2_->setGeometry(0, textPanelHeight, width, kButtonPanelHeight);
    const int first = width / 2 - rowWidth / 2;
    for (int i = 0; i < count; ++i) {
        buttons_[static_cast<std::size_t>(i)]->setGeometry(first + i * kButtonPitch, 0, kButtonWidth,
                                                           kButtonHeight);
    }
    setFixedSize(width, textPanelHeight + kButtonPanelHeight);
}

int TDlgMessage::Run(const QString& caption, const QString& text, std::uint32_t buttons, QWidget* owner) {
    TDlgMessage dialog(caption, text, buttons, owner != nullptr ? owner : QApplication::activeWindow());
    return dialog.exec();
}

void TDlgMessage::reject() {
    done(mrCancel);
}

void TDlgMessage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (cancelButton_ != nullptr) {
            cancelButton_->click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void MeldenVorDemEnde(const QString& caption, const QString& text, QWidget* owner) {
    std::fprintf(stderr, "Quarn: %s\n", text.toUtf8().constData());
    if (!HeadlessPlatform()) {
        TDlgMessage::Run(caption, text, mbOK, owner);
    }
}

} // namespace quarn
