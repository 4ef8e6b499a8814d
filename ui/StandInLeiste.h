#pragma once

#include <QString>

class QToolBar;

namespace quarn {

// How the command toolbar shows its items: the configuration value ToolbarText.
enum class TLeistenText { NurSymbole = 0, TextRechts = 1, TextUnten = 2 };

// The three themes by the names the configuration value ToolbarTheme counts (0, 1, 2).
inline constexpr const char* kThemen[] = {"Default", "OfficeXP", "Stripes"};

// The window's theme switch until themed toolbars paint by it: it only remembers the name chosen.
class TStandInThemaSchalter {
public:
    void SetTheme(const QString& name) { theme_ = name; }
    const QString& Theme() const { return theme_; }

private:
    QString theme_ = kThemen[0];
};

// Icons only, text beside the icon or text below it, on every item of the toolbar.
void LeistenTextSetzen(QToolBar& leiste, TLeistenText modus);

} // namespace quarn
