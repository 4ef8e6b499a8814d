#pragma once

#include <QFont>

#include <string>
#include <string_view>
#include <vector>

namespace quarn {

class RegistryStore;

// The texts the send dialog offers before and after a file, kept as the string values of one key of
// the current user's configuration. A newer template version adds the program's default texts that
// the list lacks, once; texts the user deleted stay deleted until the next version.
class TDateiSendenVorlagen {
public:
    // Reads the key (creating it); merges the defaults when the key's stored version is not `version`.
    TDateiSendenVorlagen(std::string key, int version, const std::vector<std::string>& defaults);
    TDateiSendenVorlagen(std::string key, int version, const std::vector<std::string>& defaults,
                         RegistryStore& store);
    TDateiSendenVorlagen(const TDateiSendenVorlagen& other) = default;
    TDateiSendenVorlagen& operator=(const TDateiSendenVorlagen& other) = delete;

    int GetCount() const { return static_cast<int>(vorlagen_.size()); }
    void SetCount(int count);
    std::string GetVorlage(int index) const;
    void SetVorlage(int index, std::string_view text);
    // Key and all texts.
    void Assign(const TDateiSendenVorlagen& other);
    // Replaces the key's named values with the non-empty texts, named 00, 01, ...
    void Save();
    // A one-line caption for a menu: at most `width` pixels in `font`, shortened in the middle with "...".
    QString Kurztext(int index, int width, const QFont& font) const;

    const std::string& Key() const { return key_; }

private:
    RegistryStore* store_;
    std::string key_;
    std::vector<std::string> vorlagen_;
};

} // namespace quarn
