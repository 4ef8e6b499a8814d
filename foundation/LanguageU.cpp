#include "foundation/LanguageU.h"

#include "foundation/DebOutU.h"
#include "foundation/LanguageDialogs.h"
#include "foundation/ProgramGlobals.h"
#include "foundation/VersionInfo.h"
#include "platform/Exception.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QResource>
#include <QTranslator>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>

namespace quarn {
namespace {

constexpr const char* kKey = "\\Software\\Velmoor\\Quarn";
constexpr const char* kValue = "Sprache";
constexpr const char* kExtension = ".qvl";

QString Upper(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size())).toUpper();
}

bool SameCode(std::string_view a, std::string_view b) {
    return Upper(a) == Upper(b);
}

struct BundleEntry {
    std::string code;
    std::filesystem::path path;
};

// Every "<program>-<code>.qvl" of the folder, the prefix and extension matched without regard to case.
std::vector<BundleEntry> ListBundles(const LanguageFiles& files) {
    std::vector<BundleEntry> bundles;
    const QString prefix = QString::fromStdString(files.programName + "-");
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(files.folder, error)) {
        std::error_code ignored;
        if (!entry.is_regular_file(ignored)) {
            continue;
        }
        const QString name = QString::fromStdString(entry.path().filename().string());
        if (!name.startsWith(prefix, Qt::CaseInsensitive) ||
            !name.endsWith(kExtension, Qt::CaseInsensitive)) {
            continue;
        }
        const QString code =
            name.mid(prefix.size(), name.size() - prefix.size() - qsizetype(std::strlen(kExtension)));
        if (!code.isEmpty()) {
            bundles.push_back({code.toStdString(), entry.path()});
        }
    }
    std::sort(bundles.begin(), bundles.end(),
              [](const BundleEntry& a, const BundleEntry& b) { return a.path < b.path; });
    return bundles;
}

// A root of its own for every mapping, so that two mappings of one file never shadow each other.
QString NewRoot(const char* purpose) {
    static std::atomic<int> serial{0};
    return QString("/quarn-%1-%2").arg(purpose).arg(++serial);
}

// A bundle mapped into the resource tree at `root` while this object lives.
class MappedBundle {
public:
    MappedBundle(std::filesystem::path path, QString root)
        : path_(QString::fromStdString(path.string())), root_(std::move(root)) {
        mapped_ = QResource::registerResource(path_, root_);
    }
    ~MappedBundle() {
        if (mapped_) {
            QResource::unregisterResource(path_, root_);
        }
    }
    MappedBundle(const MappedBundle&) = delete;
    MappedBundle& operator=(const MappedBundle&) = delete;

    bool mapped() const { return mapped_; }
    QString File(const char* name) const { return ":" + root_ + "/" + name; }

private:
    QString path_;
    QString root_;
    bool mapped_ = false;
};

// The translation in use and the bundle it lives in (the translator reads the bundle's memory).
struct LoadedLanguage {
    std::string code;
    std::unique_ptr<MappedBundle> bundle;
    std::unique_ptr<QTranslator> translator;

    ~LoadedLanguage() {
        if (translator) {
            QCoreApplication::removeTranslator(translator.get());
        }
    }
};

std::unique_ptr<LoadedLanguage>& Loaded() {
    static std::unique_ptr<LoadedLanguage> loaded;
    return loaded;
}

std::unique_ptr<LoadedLanguage> LoadBundle(const std::filesystem::path& path, const std::string& code) {
    auto language = std::make_unique<LoadedLanguage>();
    language->code = code;
    language->bundle = std::make_unique<MappedBundle>(path, NewRoot("language"));
    if (!language->bundle->mapped()) {
        return nullptr;
    }
    language->translator = std::make_unique<QTranslator>();
    if (!language->translator->load(language->bundle->File("translation.qm"))) {
        language->translator.reset();
        return nullptr;
    }
    return language;
}

void TellVersionMismatch(const LanguageOptions& options) {
    DebOutObj("SprachenU", "LoadLanguage", "FEHLER: Version der Sprachdatei passt nicht.");
    if (options.interactive) {
        TSprachenVersionForm form;
        form.exec();
    } else {
        std::fprintf(stderr, "Quarn: %s\n",
                     "Cannot load the selected language. The version of the language resource does not match "
                     "the main program.");
    }
}

} // namespace

LanguageFiles LanguageFiles::OfProgram() {
    const QFileInfo program(QCoreApplication::applicationFilePath());
    return {program.absolutePath().toStdString(), program.completeBaseName().toStdString()};
}

LanguageOptions LanguageOptions::OfProgram() {
    return {&RegistryStore::Instance(), LanguageFiles::OfProgram(), QLocale::system(), !HeadlessPlatform()};
}

QString LanguageName(std::string_view code) {
    const QString upper = Upper(code);
    if (upper == "DE") {
        return "Deutsch";
    }
    if (upper == "EN") {
        return "English";
    }
    if (upper == "FR") {
        return QString::fromUtf8("Français");
    }
    if (upper == "ES") {
        return QString::fromUtf8("Español");
    }
    return QString("unknown (%1)").arg(upper);
}

std::vector<std::string> AvailableLanguages(const LanguageFiles& files) {
    std::vector<std::string> codes{kBuiltInLanguage};
    for (const BundleEntry& bundle : ListBundles(files)) {
        const bool listed = std::any_of(codes.begin(), codes.end(),
                                        [&](const std::string& code) { return SameCode(code, bundle.code); });
        if (!listed) {
            codes.push_back(bundle.code);
        }
    }
    return codes;
}

std::filesystem::path FindLanguageFile(const LanguageFiles& files, std::string_view code) {
    std::filesystem::path found;
    for (const BundleEntry& bundle : ListBundles(files)) {
        if (bundle.code == code) {
            return bundle.path;
        }
        if (found.empty() && SameCode(bundle.code, code)) {
            found = bundle.path;
        }
    }
    return found;
}

std::optional<std::string> LanguageBundleVersion(const std::filesystem::path& bundle) {
    const MappedBundle mapped(bundle, NewRoot("language-check"));
    if (!mapped.mapped()) {
        return std::nullopt;
    }
    QFile file(mapped.File("version"));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return QString::fromUtf8(file.readAll()).trimmed().toStdString();
}

bool VersionMatches(const LanguageFiles& files, std::string_view code) {
    const std::filesystem::path bundle = FindLanguageFile(files, code);
    if (bundle.empty()) {
        return false;
    }
    const std::optional<std::string> version = LanguageBundleVersion(bundle);
    if (!version) {
        return false;
    }
    const std::optional<FileVersion> made = ParseFileVersion(*version);
    return made && *made == ProgramFileVersion();
}

std::string LanguageOfLocale(const QLocale& locale) {
    switch (locale.language()) {
    case QLocale::German:
    case QLocale::C: // no language given at all: the program's own
        return kBuiltInLanguage;
    case QLocale::English:
        return "EN";
    default:
        return {};
    }
}

std::string LoadLanguage(const LanguageOptions& options) {
    QUARN_ASSERT(options.store != nullptr, "SprachenU");
    std::string code = options.store->ReadString(Hive::CurrentUser, kKey, kValue).value_or("");
    if (code.empty()) {
        code = LanguageOfLocale(options.locale);
    }
    if (code.empty()) {
        if (options.interactive) {
            ChooseLanguage(false, code, options);
        }
        if (code.empty()) {
            code = kBuiltInLanguage;
        }
    }
    DebOutObj("SprachenU", "LoadLanguage", code);
    if (SameCode(code, kBuiltInLanguage)) {
        UnloadLanguage();
        return kBuiltInLanguage;
    }
    const std::filesystem::path bundle = FindLanguageFile(options.files, code);
    if (bundle.empty()) {
        DebOutObj("SprachenU", "LoadLanguage", "Sprachdatei nicht gefunden.");
        return CurrentLanguage();
    }
    if (!VersionMatches(options.files, code)) {
        TellVersionMismatch(options);
        return CurrentLanguage();
    }
    std::unique_ptr<LoadedLanguage> language = LoadBundle(bundle, code);
    if (!language) {
        DebOutObj("SprachenU", "LoadLanguage", "Sprachdatei nicht ladbar.");
        return CurrentLanguage();
    }
    // The new translation goes in before the old one leaves, so no text falls back in between.
    QCoreApplication::installTranslator(language->translator.get());
    Loaded() = std::move(language);
    return code;
}

void UnloadLanguage() {
    Loaded().reset();
}

std::string CurrentLanguage() {
    return Loaded() ? Loaded()->code : std::string(kBuiltInLanguage);
}

std::string ChooseLanguage(bool restartNotice, std::string& code, const LanguageOptions& options) {
    QUARN_ASSERT(options.store != nullptr, "SprachenU");
    const std::string stored = options.store->ReadString(Hive::CurrentUser, kKey, kValue).value_or("");
    TSprachenForm form(AvailableLanguages(options.files), code.empty() ? stored : code);
    if (form.exec() != QDialog::Accepted || form.SelectedCode().empty()) {
        return {};
    }
    const std::string chosen = form.SelectedCode();
    options.store->WriteString(Hive::CurrentUser, kKey, kValue, chosen);
    if (restartNotice && !SameCode(chosen, stored)) {
        TSprachenNeustartForm notice;
        notice.exec();
    }
    code = chosen;
    return chosen;
}

} // namespace quarn
