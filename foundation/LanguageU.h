#pragma once

#include "platform/Registry.h"

#include <QLocale>
#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// The user interface is German and built in. Other languages come as bundles beside the program file,
// "<program name>-<code>.qvl": a Qt binary resource bundle (rcc -binary) holding "translation.qm" and
// "version", the file version of the program the translation was made for ("1.2.0.345"). The choice is the
// text value "Sprache" of the user's "\Software\Velmoor\Quarn"; "DE" means the built-in texts.

inline constexpr const char* kBuiltInLanguage = "DE";

// Where the bundles lie and the name they start with.
struct LanguageFiles {
    std::filesystem::path folder;
    std::string programName;

    // Beside the running program file, named after it.
    static LanguageFiles OfProgram();
};

// Everything a start-up language choice depends on.
struct LanguageOptions {
    RegistryStore* store = nullptr;
    LanguageFiles files;
    QLocale locale;
    // False on a headless platform: no dialog is shown there, since nobody could answer it.
    bool interactive = true;

    static LanguageOptions OfProgram();
};

// "Deutsch", "English", "Français", "Español" (the code compared without regard to case), any other
// code as "unknown (<CODE>)".
QString LanguageName(std::string_view code);

// The chooser's codes: "DE" first, then one for each bundle found, in name order; codes differing only
// in case (and a bundle for "DE") are listed once.
std::vector<std::string> AvailableLanguages(const LanguageFiles& files);
// The bundle of a code, whatever the case of its file name (an exact match is preferred); empty when none.
std::filesystem::path FindLanguageFile(const LanguageFiles& files, std::string_view code);
// The version a bundle was made for; nothing when it is not a bundle or holds no version.
std::optional<std::string> LanguageBundleVersion(const std::filesystem::path& bundle);
// True when the code's bundle was made for this program's file version (all four numbers); a missing
// bundle or version differs.
bool VersionMatches(const LanguageFiles& files, std::string_view code);

// The language a start without a stored choice takes from the user's locale: "DE" for German and for
// the C/POSIX locale (no language given), "EN" for English; empty for any other, which asks the user.
std::string LanguageOfLocale(const QLocale& locale);

// Chooses the language at start and, unless it is German, loads its bundle and installs its translation
// for the whole program (replacing one loaded before). Returns the code in effect ("DE" for built-in).
// A bundle of another version is refused with a notice; one that cannot be loaded is passed over.
std::string LoadLanguage(const LanguageOptions& options);
// Removes the loaded translation, if any.
void UnloadLanguage();
// The code of the loaded bundle, "DE" when the built-in texts are in use.
std::string CurrentLanguage();

// Shows the chooser with `code` preselected. On OK writes the chosen code to "Sprache", sets `code` and
// returns it; with `restartNotice` and a code other than the stored one tells that it takes effect at
// the next start. Returns empty when the chooser was closed without OK.
std::string ChooseLanguage(bool restartNotice, std::string& code, const LanguageOptions& options);

} // namespace quarn
