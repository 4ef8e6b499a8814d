#include "connections/send/DateiSendenVorlagenU.h"

#include "platform/Codepage.h"
#include "platform/Exception.h"
#include "platform/Registry.h"

#include <QFontMetrics>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

namespace quarn {

namespace {

bool GleichOhneGross(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

TDateiSendenVorlagen::TDateiSendenVorlagen(std::string key, int version,
                                           const std::vector<std::string>& defaults)
    : TDateiSendenVorlagen(std::move(key), version, defaults, RegistryStore::Instance()) {}

TDateiSendenVorlagen::TDateiSendenVorlagen(std::string key, int version,
                                           const std::vector<std::string>& defaults, RegistryStore& store)
    : store_(&store), key_(std::move(key)) {
    store_->CreateKey(Hive::CurrentUser, key_);
    for (const std::string& name : store_->ValueNames(Hive::CurrentUser, key_)) {
        if (name.empty()) {
            continue; // the version
        }
        if (auto text = store_->ReadString(Hive::CurrentUser, key_, name); text && !text->empty()) {
            vorlagen_.push_back(std::move(*text));
        }
    }
    const std::string versionText = std::to_string(version);
    if (store_->ReadString(Hive::CurrentUser, key_, "") == versionText) {
        return;
    }
    store_->WriteString(Hive::CurrentUser, key_, "", versionText);
    for (const std::string& text : defaults) {
        const bool known = std::any_of(vorlagen_.begin(), vorlagen_.end(),
                                       [&](const std::string& have) { return GleichOhneGross(have, text); });
        if (!known) {
            vorlagen_.push_back(text);
        }
    }
    Save();
}

void TDateiSendenVorlagen::SetCount(int count) {
    vorlagen_.resize(static_cast<std::size_t>(std::max(count, 0)));
}

std::string TDateiSendenVorlagen::GetVorlage(int index) const {
    QUARN_ASSERT(index >= 0 && index < GetCount(), "DateiSendenVorlagenU");
    return vorlagen_[static_cast<std::size_t>(index)];
}

void TDateiSendenVorlagen::SetVorlage(int index, std::string_view text) {
    QUARN_ASSERT(index >= 0 && index < GetCount(), "DateiSendenVorlagenU");
    vorlagen_[static_cast<std::size_t>(index)] = std::string(text);
}

void TDateiSendenVorlagen::Assign(const TDateiSendenVorlagen& other) {
    store_ = other.store_;
    key_ = other.key_;
    vorlagen_ = other.vorlagen_;
}

void TDateiSendenVorlagen::Save() {
    for (const std::string& name : store_->ValueNames(Hive::CurrentUser, key_)) {
        if (!name.empty()) {
            store_->DeleteValue(Hive::CurrentUser, key_, name);
        }
    }
    int written = 0;
    for (const std::string& text : vorlagen_) {
        if (text.empty()) {
            continue;
        }
        char name[16];
        std::snprintf(name, sizeof name, "%2.2d", written);
        // A failing write leaves this text out; the next one takes its name.
        if (store_->WriteString(Hive::CurrentUser, key_, name, text)) {
            ++written;
        }
    }
}

QString TDateiSendenVorlagen::Kurztext(int index, int width, const QFont& font) const {
    const std::string text = GetVorlage(index);
    std::string kurz;
    int zeichenInFolge = 0;
    for (char raw : text) {
        const auto c = static_cast<unsigned char>(raw == '\r' ? ' ' : raw);
        // Letters of Windows-1252 above 191 count as letters, bar the multiplication and division signs.
        const bool buchstabe = std::isalnum(c) != 0 || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
        if (buchstabe) {
            kurz += static_cast<char>(c);
            zeichenInFolge = 0;
        } else if (c == ' ') {
            if (!kurz.empty() && kurz.back() != ' ') {
                kurz += ' ';
            }
            zeichenInFolge = 0;
        } else if (c > 32 && ++zeichenInFolge <= 3) {
            // Long rows of dashes or stars say nothing in a menu.
            kurz += static_cast<char>(c);
        }
    }
    if (!kurz.empty() && kurz.back() == ' ') {
        kurz.pop_back();
    }
    QString caption = Cp1252ToQString(kurz);
    const QFontMetrics metrics(font);
    const QString ellipsis = QStringLiteral("...");
    bool gekuerzt = false;
    while (!caption.isEmpty() && metrics.horizontalAdvance(caption) >
                                     width - (gekuerzt ? metrics.horizontalAdvance(ellipsis) : 0)) {
        caption.remove(caption.size() / 2, 1);
        gekuerzt = true;
    }
    if (gekuerzt) {
        caption.insert(caption.size() / 2, ellipsis);
    }
    return caption;
}

} // namespace quarn
