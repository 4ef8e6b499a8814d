#pragma once

#include "foundation/DesignTexts.h"

#include <QString>
#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QComboBox;

namespace quarn {

class TMemoKio;
class TTexte;

// What the text editor does with one kind when it stores: a station text that is blank (carriage
// returns, line feeds, blanks) and is sent after the global one is removed, so the station gets the
// global text alone; anything else is saved.
enum class TTextSpeicherArt { Speichern, Loeschen };
TTextSpeicherArt TextSpeicherArt(bool vorherStandardtext, std::string_view text);

// The memo's text as stored (lines joined by CR LF, Windows-1252) and back (a stored CR is a line
// break; line feeds were dropped when it was loaded).
std::string MemoZuText(const QString& memo);
QString TextZuMemo(std::string_view text);

// The editor of the stored texts, embedded in its host: the settings page "Texte" (global mode) or the
// page "Texte" of the station database (station mode). The host calls Init once, SetCall for each
// station shown, and Save when the texts are to be stored; nothing is stored before Save.
class TTexteForm : public QWidget {
    QUARN_DESIGN_TEXTS(TTexteForm)
public:
    explicit TTexteForm(TTexte& texte, QWidget* parent = nullptr);

    // Global mode: all fourteen kinds, without "&Vorher Standardtext senden". Station mode: the kinds a
    // station may have. Selects the first.
    void Init(bool global);
    // The station whose texts are edited; unsaved changes are dropped.
    void SetCall(std::string_view call);
    void Save();

private:
    struct Eintrag {
        int kind = 0;
        bool geladen = false;
        std::string text;
        bool vorherStandardtext = false;
    };

    void TextTypComboboxChange(int index);
    void Speichern();
    void Zeigen();
    Eintrag& Geladen(int index);

    TTexte& texte_;
    bool global_ = true;
    std::string call_;
    int aktuell_ = -1;
    std::vector<Eintrag> eintraege_;

    QComboBox* textTypCombobox_ = nullptr;
    QCheckBox* vorherCheckBox_ = nullptr;
    TMemoKio* textMemo_ = nullptr;
};

} // namespace quarn
