#include "foundation/DlgMessageU.h"
#include "foundation/DlgUnhandledException.h"
#include "foundation/LanguageDialogs.h"
#include "foundation/LanguageU.h"
#include "foundation/SplashU.h"
#include "platform/Registry.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace quarn {
namespace {

namespace fs = std::filesystem;

constexpr const char* kKey = "\\Software\\Velmoor\\Quarn";
const fs::path kBundles = QUARN_TEST_LANGUAGE_DIR;

QString Greeting() {
    return QCoreApplication::translate("LanguageTest", "Guten Tag");
}

// Answers every modal dialog that opens while it lives and remembers which ones it saw.
class ModalAnswerer {
public:
    explicit ModalAnswerer(std::function<void(QDialog&)> answer = {}) : answer_(std::move(answer)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start(5);
    }
    const std::vector<std::string>& seen() const { return seen_; }

private:
    void Look() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            last_ = nullptr;
            return;
        }
        if (dialog == last_) {
            return;
        }
        last_ = dialog;
        seen_.push_back(dialog->objectName().toStdString());
        if (answer_) {
            answer_(*dialog);
        }
        if (dialog->isVisible()) {
            dialog->accept();
        }
    }

    std::function<void(QDialog&)> answer_;
    QTimer timer_;
    QDialog* last_ = nullptr;
    std::vector<std::string> seen_;
};

// Picks the entry of `name` in the chooser.
std::function<void(QDialog&)> Pick(const QString& name) {
    return [name](QDialog& dialog) {
        if (auto* chooser = dynamic_cast<TSprachenForm*>(&dialog)) {
            const auto items = chooser->ListView()->findItems(name, Qt::MatchExactly);
            ASSERT_EQ(items.size(), 1);
            chooser->ListView()->setCurrentItem(items.front());
            chooser->OkButton()->click();
        }
    };
}

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        Install("current.qvl", "quarn-en.qvl");
        Install("current.qvl", "QUARN-Fr.QVL");
        Install("current.qvl", "quarn-xx.qvl");
        Install("next.qvl", "quarn-es.qvl");
        // Not bundles of this program: other names, no code, a folder.
        Install("current.qvl", "other-EN.qvl");
        Install("current.qvl", "quarn-.qvl");
        Install("current.qvl", "quarn.qvl");
        fs::create_directory(folder_ / "quarn-dir.qvl");
    }
    void TearDown() override { UnloadLanguage(); }

    void Install(const char* bundle, const char* name) { fs::copy_file(kBundles / bundle, folder_ / name); }

    LanguageOptions Options(const QLocale& locale = QLocale(QLocale::French), bool interactive = true) {
        return {&store_, {folder_.path(), "quarn"}, locale, interactive};
    }
    void Store(const char* code) { store_.WriteString(Hive::CurrentUser, kKey, "Sprache", code); }
    std::optional<std::string> Stored() const {
        return store_.ReadString(Hive::CurrentUser, kKey, "Sprache");
    }

    test::TempDir folder_;
    test::TempDir settings_;
    RegistryStore store_{settings_.path()};
};

TEST(LanguageName, NamesTheKnownCodesWhateverTheirCase) {
    const std::pair<const char*, QString> cases[] = {
        {"DE", "Deutsch"}, {"en", "English"}, {"Fr", "Français"}, {"es", "Español"}, {"xx", "unknown (XX)"}};
    for (const auto& [code, name] : cases) {
        EXPECT_EQ(LanguageName(code), name) << code;
    }
}

TEST(LanguageOfLocale, TakesGermanAndEnglishAndTheCLocaleIsGerman) {
    const std::pair<QLocale, std::string> cases[] = {{QLocale("de_DE"), "DE"},
                                                     {QLocale("de_AT"), "DE"},
                                                     {QLocale("en_GB"), "EN"},
                                                     {QLocale::c(), "DE"},
                                                     {QLocale("fr_FR"), ""}};
    for (const auto& [locale, code] : cases) {
        EXPECT_EQ(LanguageOfLocale(locale), code) << locale.name().toStdString();
    }
}

TEST_F(LanguageTest, ListsEveryBundleOnceWhateverTheCaseOfItsName) {
    const std::vector<std::string> expected{"DE", "Fr", "en", "es", "xx"};
    EXPECT_EQ(AvailableLanguages(Options().files), expected);
    EXPECT_EQ(FindLanguageFile(Options().files, "EN"), folder_ / "quarn-en.qvl");
    EXPECT_EQ(FindLanguageFile(Options().files, "fr"), folder_ / "QUARN-Fr.QVL");
    EXPECT_EQ(FindLanguageFile(Options().files, "IT"), fs::path());
}

TEST_F(LanguageTest, LoadsTheStoredLanguageFromAFileNamedInAnotherCase) {
    Store("EN");
    EXPECT_EQ(LoadLanguage(Options()), "EN");
    EXPECT_EQ(Greeting(), "Good day");
    EXPECT_EQ(CurrentLanguage(), "EN");

    UnloadLanguage();
    EXPECT_EQ(Greeting(), "Guten Tag");
}

TEST_F(LanguageTest, RefusesABundleOfAnotherVersionWithTheNotice) {
    EXPECT_TRUE(VersionMatches(Options().files, "en"));
    EXPECT_FALSE(VersionMatches(Options().files, "es"));
    std::ofstream(folder_ / "quarn-it.qvl") << "not a bundle";
    EXPECT_FALSE(VersionMatches(Options().files, "it"));

    Store("es");
    const ModalAnswerer answerer;
    EXPECT_EQ(LoadLanguage(Options()), "DE");
    EXPECT_EQ(answerer.seen(), std::vector<std::string>{"SprachenVersionForm"});
    EXPECT_EQ(Greeting(), "Guten Tag");
}

TEST_F(LanguageTest, WithoutAStoredChoiceTheLocaleDecidesWithoutAsking) {
    for (const QLocale& locale : {QLocale("de_DE"), QLocale::c()}) {
        const ModalAnswerer answerer;
        EXPECT_EQ(LoadLanguage(Options(locale)), "DE");
        EXPECT_TRUE(answerer.seen().empty());
    }
    EXPECT_EQ(LoadLanguage(Options(QLocale("en_US"))), "EN");
    EXPECT_EQ(Greeting(), "Good day");
    EXPECT_FALSE(Stored());
}

TEST_F(LanguageTest, AnUnknownLocaleAsksOnlyWhereSomeoneCanAnswer) {
    {
        const ModalAnswerer answerer;
        EXPECT_EQ(LoadLanguage(Options(QLocale("fr_FR"), false)), "DE");
        EXPECT_TRUE(answerer.seen().empty());
    }
    const ModalAnswerer answerer(Pick("English"));
    EXPECT_EQ(LoadLanguage(Options(QLocale("fr_FR"))), "en");
    EXPECT_EQ(answerer.seen(), std::vector<std::string>{"SprachenForm"});
    EXPECT_EQ(Stored(), "en");
    EXPECT_EQ(Greeting(), "Good day");
}

TEST_F(LanguageTest, TheRestartNoticeFollowsOnlyANewChoice) {
    Store("DE");
    std::string code = "DE";
    {
        const ModalAnswerer answerer(Pick("Deutsch"));
        EXPECT_EQ(ChooseLanguage(true, code, Options()), "DE");
        EXPECT_EQ(answerer.seen(), std::vector<std::string>{"SprachenForm"});
    }
    const ModalAnswerer answerer(Pick("unknown (XX)"));
    EXPECT_EQ(ChooseLanguage(true, code, Options()), "xx");
    EXPECT_EQ(code, "xx");
    EXPECT_EQ(Stored(), "xx");
    EXPECT_EQ(answerer.seen(), (std::vector<std::string>{"SprachenForm", "SprachenNeustartForm"}));
}

// Each form's texts come from the bundle under the form's own name, as every later form's do.
TEST_F(LanguageTest, TheMessageBoxTheReportAndTheSplashSpeakTheLoadedLanguage) {
    Store("EN");
    ASSERT_EQ(LoadLanguage(Options()), "EN");

    const TDlgMessage box("Quarn", "Text", 0x1FF);
    std::vector<std::string> captions;
    for (const QPushButton* button : box.Buttons()) {
        captions.push_back(button->text().toStdString());
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"&Yes", "&No", "&OK", "Cancel", "Abort", "&Retry",
                                                  "&Ignore", "&All", "&Help"}));

    const TDlgUnhandledException report;
    EXPECT_EQ(report.windowTitle().toStdString(), "Oops...");
    const std::pair<const char*, std::string> reportTexts[] = {
        {"Label1", "The following error occurred:"},
        {"Label3", "This error may affect how Quarn goes on. Please end Quarn and start it again soon."},
        {"Button1", "&Ignore error"},
        {"Button2", "&Quit Quarn"},
        {"Button3", "&Copy the report to the clipboard"},
    };
    for (const auto& [name, text] : reportTexts) {
        const QWidget* child = report.findChild<QWidget*>(name);
        ASSERT_NE(child, nullptr) << name;
        EXPECT_EQ(child->property("text").toString().toStdString(), text) << name;
    }

    const std::unique_ptr<TDlgSplash> splash(TDlgSplash::Open(nullptr).data());
    EXPECT_EQ(splash->LabelNzw()->text().toStdString(), "Not for distribution");
}

TEST(SprachenForm, NeedsASelectionToBeLeft) {
    TSprachenForm form({"DE", "EN"}, "");
    form.show();
    EXPECT_FALSE(form.OkButton()->isEnabled());
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());

    form.ListView()->setCurrentItem(form.ListView()->topLevelItem(1));
    EXPECT_TRUE(form.OkButton()->isEnabled());
    EXPECT_EQ(form.SelectedCode(), "EN");
    EXPECT_TRUE(form.close());
}

TEST(SprachenForm, PreselectsTheStoredCodeWhateverItsCase) {
    const TSprachenForm form({"DE", "EN", "Fr"}, "fr");
    EXPECT_EQ(form.SelectedCode(), "Fr");
    EXPECT_EQ(form.ListView()->headerItem()->text(0), "Sprache");
}

} // namespace
} // namespace quarn
