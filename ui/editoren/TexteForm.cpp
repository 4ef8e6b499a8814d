#include "ui/editoren/TexteForm.h"

#include "controls/MemoKio.h"
#include "platform/Codepage.h"
#include "platform/Exception.h"
#include "stations/TextKindInfo.h"
#include "stations/TexteU.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QVBoxLayout>

namespace quarn {
namespace {

constexpr const char* kUnit = "TexteForm";

} // namespace

TTextSpeicherArt TextSpeicherArt(bool vorherStandardtext, std::string_view text) {
    const bool leer = text.find_first_not_of("\r\n ") == std::string_view::npos;
    return vorherStandardtext && leer ? TTextSpeicherArt::Loeschen : TTextSpeicherArt::Speichern;
}

std::string MemoZuText(const QString& memo) {
    QString text = memo;
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return QStringToCp1252(text);
}

QString TextZuMemo(std::string_view text) {
    QString memo = Cp1252ToQString(text);
    memo.remove(QLatin1Char('\n'));
    memo.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return memo;
}

TTexteForm::TTexteForm(TTexte& texte, QWidget* parent) : QWidget(parent), texte_(texte) {
    setObjectName(QStringLiteral("TexteForm"));
    auto* group = new QGroupBox(Tr("Texte"), this);
    textTypCombobox_ = new QComboBox(group);
    textTypCombobox_->setObjectName(QStringLiteral("TextTypCombobox"));
    vorherCheckBox_ = new QCheckBox(Tr("&Vorher Standardtext senden"), group);
    vorherCheckBox_->setObjectName(QStringLiteral("VorherCheckBox"));
    textMemo_ = new TMemoKio(group);
    textMemo_->setObjectName(QStringLiteral("TextMemo"));
    textMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(textTypCombobox_);
    groupLayout->addWidget(vorherCheckBox_);
    groupLayout->addWidget(textMemo_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(group);
    connect(textTypCombobox_, &QComboBox::currentIndexChanged, this, &TTexteForm::TextTypComboboxChange);
}

void TTexteForm::Init(bool global) {
    global_ = global;
    vorherCheckBox_->setVisible(!global);
    call_.clear();
    aktuell_ = -1;
    eintraege_.clear();
    {
        const QSignalBlocker blocker(textTypCombobox_);
        textTypCombobox_->clear();
        for (int kind = 0; kind < kTextKindCount; ++kind) {
            const TTextKindInfo info = TextKindInfo(kind);
            if (global || !info.NurGlobal) {
                Eintrag eintrag;
                eintrag.kind = kind;
                eintraege_.push_back(std::move(eintrag));
                textTypCombobox_->addItem(info.Name, kind);
            }
        }
        textTypCombobox_->setCurrentIndex(-1);
    }
    textTypCombobox_->setCurrentIndex(eintraege_.empty() ? -1 : 0);
}

void TTexteForm::SetCall(std::string_view call) {
    call_ = std::string(call);
    for (Eintrag& eintrag : eintraege_) {
        eintrag.geladen = false;
    }
    Zeigen();
}

TTexteForm::Eintrag& TTexteForm::Geladen(int index) {
    QUARN_ASSERT(index >= 0 && index < static_cast<int>(eintraege_.size()), kUnit);
    Eintrag& eintrag = eintraege_[static_cast<std::size_t>(index)];
    // Without a station yet there is nothing of its own to read; an empty call would mean the global one.
    if (!eintrag.geladen && (global_ || !call_.empty())) {
        texte_.Load(global_ ? std::string_view() : std::string_view(call_), eintrag.kind,
                    eintrag.vorherStandardtext, eintrag.text);
        eintrag.geladen = true;
    }
    return eintrag;
}

void TTexteForm::Speichern() {
    if (aktuell_ < 0) {
        return;
    }
    Eintrag& eintrag = Geladen(aktuell_);
    eintrag.text = MemoZuText(textMemo_->toPlainText());
    eintrag.vorherStandardtext = !global_ && vorherCheckBox_->isChecked();
}

void TTexteForm::Zeigen() {
    if (aktuell_ < 0) {
        return;
    }
    const Eintrag& eintrag = Geladen(aktuell_);
    textMemo_->SetText(TextZuMemo(eintrag.text));
    vorherCheckBox_->setChecked(!global_ && eintrag.vorherStandardtext);
}

void TTexteForm::TextTypComboboxChange(int index) {
    Speichern();
    aktuell_ = index;
    Zeigen();
}

void TTexteForm::Save() {
    Speichern();
    if (!global_ && call_.empty()) {
        return;
    }
    const std::string_view call = global_ ? std::string_view() : std::string_view(call_);
    for (const Eintrag& eintrag : eintraege_) {
        if (!eintrag.geladen) {
            continue;
        }
        const bool vorher = !global_ && eintrag.vorherStandardtext;
        if (TextSpeicherArt(vorher, eintrag.text) == TTextSpeicherArt::Loeschen) {
            texte_.Delete(call, eintrag.kind);
        } else {
            texte_.Save(call, eintrag.kind, vorher, eintrag.text);
        }
    }
}

} // namespace quarn
