#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quarn {
namespace {

constexpr std::string_view kRoot = "\\Software\\Velmoor\\Quarn";

std::string Key(std::string_view subKey) {
    return std::string(kRoot) + std::string(subKey);
}

// A settings object over a store of its own in a fresh folder.
class ConfigTest : public ::testing::Test {
protected:
    std::unique_ptr<TConfig> Make(const std::string& version = "1.0.0", int colorCapability = 2) {
        return std::make_unique<TConfig>(store_, version, [colorCapability] { return colorCapability; });
    }
    std::optional<std::string> Stored(std::string_view subKey, std::string_view name) {
        return store_.ReadString(Hive::CurrentUser, Key(subKey), name);
    }
    void Store(std::string_view subKey, std::string_view name, std::string_view text) {
        ASSERT_TRUE(store_.WriteString(Hive::CurrentUser, Key(subKey), name, text));
    }
    void StoreNumber(std::string_view subKey, std::string_view name, std::uint32_t value) {
        ASSERT_TRUE(store_.WriteDWord(Hive::CurrentUser, Key(subKey), name, value));
    }

    test::TempDir folder_;
    RegistryStore store_{folder_.path()};
};

// One row per accessor: where it is stored, its default on an empty store, and one value written
// through its setter together with what the store then holds.
struct Setting {
    const char* subKey;
    const char* name;
    std::function<std::string(const TConfig&)> get;
    std::string defaultValue;
    std::function<void(TConfig&)> set; // empty for getters without a setter
    std::string setValue;
    RegType type;
    std::string stored;
};

std::string Bool(bool value) {
    return value ? "true" : "false";
}

std::vector<Setting> Settings() {
    using C = const TConfig&;
    const auto S = RegType::String;
    const auto D = RegType::DWord;
    return {
        {"", "SplashScreen", [](C c) { return Bool(c.GetSplashScreen()); }, "true", {}, "", S, ""},
        {"\\PGP", "CollectPublicKeys", [](C c) { return Bool(c.GetCollectPublicKeys()); }, "true",
         [](TConfig& c) { c.SetCollectPublicKeys(false); }, "false", S, "0"},
        {"\\PGP", "DetailedOutput", [](C c) { return Bool(c.GetDetailedOutput()); }, "false",
         [](TConfig& c) { c.SetDetailedOutput(true); }, "true", S, "1"},
        {"\\PGP", "Comment", [](C c) { return c.GetComment(); }, "",
         [](TConfig& c) { c.SetComment("Quarn"); }, "Quarn", S, "Quarn"},
        {"\\SID", "SendSID", [](C c) { return Bool(c.GetSendSID()); }, "true",
         [](TConfig& c) { c.SetSendSID(false); }, "false", S, "0"},
        {"\\SID", "HideSentSID", [](C c) { return Bool(c.GetHideSentSID()); }, "true",
         [](TConfig& c) { c.SetHideSentSID(false); }, "false", S, "0"},
        {"\\SID", "HideReceivedSID", [](C c) { return Bool(c.GetHideReceivedSID()); }, "true",
         [](TConfig& c) { c.SetHideReceivedSID(false); }, "false", S, "0"},
        {"", "Font", [](C c) { return c.GetFont(); }, "08x12", [](TConfig& c) { c.SetFont("10x18"); },
         "10x18", S, "10x18"},
        {"", "HighColor", [](C c) { return Bool(c.GetHighColor()); }, "true",
         [](TConfig& c) { c.SetHighColor(false); }, "false", S, "0"},
        {"", "Timestamp", [](C c) { return Bool(c.GetTimestamp()); }, "false", {}, "", S, ""},
        {"", "IncomingConnects", [](C c) { return std::to_string(c.GetIncomingConnects()); }, "1",
         [](TConfig& c) { c.SetIncomingConnects(3); }, "3", S, "3"},
        {"", "Channels", [](C c) { return std::to_string(c.GetChannels()); }, "8",
         [](TConfig& c) { c.SetChannels(12); }, "12", D, "12"},
        {"\\Colors", "00", [](C c) { return std::to_string(c.GetColor(0)); }, std::to_string(0xFFFFFF),
         [](TConfig& c) { c.SetColor(0, 0x123456); }, std::to_string(0x123456), D, std::to_string(0x123456)},
        {"\\Colors", "12", [](C c) { return std::to_string(c.GetColor(12)); }, std::to_string(0x606060),
         [](TConfig& c) { c.SetColor(12, 0x80000005); }, std::to_string(0x80000005), D,
         std::to_string(0x80000005)},
        {"\\Windows\\Main", "InputHeight", [](C c) { return std::to_string(c.GetInputHeight()); }, "64",
         [](TConfig& c) { c.SetInputHeight(100); }, "100", D, "100"},
        {"\\Windows\\Main", "MonitorHeight", [](C c) { return std::to_string(c.GetMonitorHeight()); }, "64",
         [](TConfig& c) { c.SetMonitorHeight(-3); }, "-3", D, std::to_string(0xFFFFFFFDu)},
        {"\\Toolbar", "Theme", [](C c) { return std::to_string(c.GetToolbarTheme()); }, "1",
         [](TConfig& c) { c.SetToolbarTheme(2); }, "2", D, "2"},
        {"\\Toolbar", "Text", [](C c) { return std::to_string(c.GetToolbarText()); }, "1",
         [](TConfig& c) { c.SetToolbarText(0); }, "0", D, "0"},
        {"", "LocalEcho", [](C c) { return Bool(c.GetLocalEcho()); }, "true",
         [](TConfig& c) { c.SetLocalEcho(false); }, "false", S, "0"},
        {"", "Dirty", [](C c) { return Bool(c.GetDirty()); }, "false", [](TConfig& c) { c.SetDirty(true); },
         "true", S, "1"},
        {"", "ForceDatabaseCheck", [](C c) { return Bool(c.GetForceDatabaseCheck()); }, "false",
         [](TConfig& c) { c.SetForceDatabaseCheck(true); }, "true", S, "1"},
        {"\\UI", "Destination", [](C c) { return c.GetDestination(); }, "",
         [](TConfig& c) { c.SetDestination("MAIL"); }, "MAIL", S, "MAIL"},
        {"\\UI", "Port", [](C c) { return c.GetPort(); }, "", [](TConfig& c) { c.SetPort("HM01"); }, "HM01",
         S, "HM01"},
        {"\\UI", "MyCall", [](C c) { return c.GetMyCall(); }, "", [](TConfig& c) { c.SetMyCall("DL1ABC-2"); },
         "DL1ABC-2", S, "DL1ABC-2"},
        {"", "ConsoleRows", [](C c) { return std::to_string(c.GetConsoleRows()); }, "1250",
         [](TConfig& c) { c.SetConsoleRows(5000); }, "5000", D, "5000"},
    };
}

TEST_F(ConfigTest, EveryAccessorHasItsDefaultAndStorageRule) {
    auto config = Make();
    for (const Setting& setting : Settings()) {
        SCOPED_TRACE(setting.name);
        EXPECT_EQ(setting.get(*config), setting.defaultValue);
        if (!setting.set) {
            continue;
        }
        setting.set(*config);
        EXPECT_EQ(setting.get(*config), setting.setValue);
        const std::string key = Key(setting.subKey);
        ASSERT_EQ(store_.ValueType(Hive::CurrentUser, key, setting.name), setting.type);
        const std::string stored =
            setting.type == RegType::String
                ? store_.ReadString(Hive::CurrentUser, key, setting.name).value_or("?")
                : std::to_string(store_.ReadDWord(Hive::CurrentUser, key, setting.name).value());
        EXPECT_EQ(stored, setting.stored);
    }
    // A second object over the same store sees every written value.
    config.reset();
    config = Make();
    for (const Setting& setting : Settings()) {
        if (setting.set) {
            EXPECT_EQ(setting.get(*config), setting.setValue) << setting.name;
        }
    }
}

TEST_F(ConfigTest, MissingKeysAreCreatedByTheFirstSetter) {
    auto config = Make();
    EXPECT_FALSE(store_.KeyExists(Hive::CurrentUser, Key("\\Windows\\Main")));
    config->SetInputHeight(80);
    EXPECT_TRUE(store_.KeyExists(Hive::CurrentUser, Key("\\Windows\\Main")));
}

TEST_F(ConfigTest, StoredValuesThatAreNotWhatTheyShouldBeGiveDefaults) {
    Store("", "SplashScreen", "yes"); // non-empty but not "1": false
    Store("", "LocalEcho", "");       // empty: the default
    StoreNumber("", "Dirty", 1);      // a boolean of the wrong type: the default
    Store("", "Channels", "12");      // a number stored as a string: the default
    Store("\\Toolbar", "Theme", "2");
    auto config = Make();
    EXPECT_FALSE(config->GetSplashScreen());
    EXPECT_TRUE(config->GetLocalEcho());
    EXPECT_FALSE(config->GetDirty());
    EXPECT_EQ(config->GetChannels(), 8);
    EXPECT_EQ(config->GetToolbarTheme(), 1);
}

TEST_F(ConfigTest, MonitorFlagsAreReadOnceAndWrittenBackAtTheEnd) {
    const struct {
        const char* stored;
        std::int32_t flags;
    } cases[] = {{nullptr, 350}, {"1", 350}, {"abc", 350}, {"", 350}, {"12x", 350}, {"0", 0}, {"94", 94}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(missing)");
        store_.DeleteValue(Hive::CurrentUser, Key(""), "Monitor");
        if (c.stored != nullptr) {
            Store("", "Monitor", c.stored);
        }
        EXPECT_EQ(Make()->GetMonitorFlags(), c.flags);
    }
    auto config = Make();
    config->SetMonitorFlags(0x1DE);
    EXPECT_EQ(config->GetMonitorFlags(), 0x1DE);
    EXPECT_EQ(Stored("", "Monitor"), "94") << "only the destructor writes";
    config.reset();
    EXPECT_EQ(Stored("", "Monitor"), "478");
}

TEST_F(ConfigTest, FontIsCheckedOnReadAndCached) {
    const struct {
        const char* stored;
        const char* font;
    } cases[] = {
        {"08X12", "08x12"}, {"10x18", "10x18"}, {"07x09", "07x09"}, {"", "08x12"}, {"12x24", "08x12"}};
    for (const auto& c : cases) {
        Store("", "Font", c.stored);
        EXPECT_EQ(Make()->GetFont(), c.font) << c.stored;
    }
    auto config = Make();
    EXPECT_EQ(config->GetFont(), "08x12");
    Store("", "Font", "10x18");
    EXPECT_EQ(config->GetFont(), "08x12") << "the first read is cached";
    config->SetFont("99x99"); // the setter does not check
    EXPECT_EQ(config->GetFont(), "99x99");
    EXPECT_EQ(Stored("", "Font"), "99x99");
}

TEST_F(ConfigTest, IncomingConnectsRule) {
    const struct {
        const char* stored;
        std::int32_t rule;
    } reads[] = {{"0", 1}, {"1", 1}, {"2", 2}, {"3", 3}, {"4", 1}, {" 2", 1}, {"", 1}};
    auto config = Make();
    for (const auto& r : reads) {
        Store("", "IncomingConnects", r.stored);
        EXPECT_EQ(config->GetIncomingConnects(), r.rule) << r.stored;
    }
    const struct {
        std::int32_t rule;
        const char* stored;
    } writes[] = {{0, ""}, {1, "1"}, {2, "2"}, {3, "3"}, {4, ""}, {-1, ""}};
    for (const auto& w : writes) {
        config->SetIncomingConnects(w.rule);
        EXPECT_EQ(Stored("", "IncomingConnects"), w.stored) << w.rule;
    }
}

TEST_F(ConfigTest, ChannelsAndConsoleRowsAreClampedToTheSettingsRange) {
    const struct {
        const char* name;
        std::uint32_t stored;
        std::int32_t read;
    } cases[] = {
        {"Channels", 0, 1},
        {"Channels", 0xFFFFFFFB /* -5 */, 1},
        {"Channels", 40, 40},
        {"Channels", 41, 40},
        {"ConsoleRows", 0, 500},
        {"ConsoleRows", 499, 500},
        {"ConsoleRows", 30000, 30000},
        {"ConsoleRows", 30001, 30000},
    };
    auto config = Make();
    for (const auto& c : cases) {
        StoreNumber("", c.name, c.stored);
        const std::int32_t read =
            std::string(c.name) == "Channels" ? config->GetChannels() : config->GetConsoleRows();
        EXPECT_EQ(read, c.read) << c.name << " " << c.stored;
    }
}

TEST_F(ConfigTest, ColourIndexIsTakenModulo128AndMustBeInTheTable) {
    auto config = Make();
    EXPECT_EQ(config->GetColor(128 + 3), 0x00009Fu);
    config->SetColor(128 + 7, 0x010203);
    EXPECT_EQ(store_.ReadDWord(Hive::CurrentUser, Key("\\Colors"), "07"), 0x010203u);
    for (int index = 0; index < 13; ++index) {
        if (index != 7) {
            EXPECT_EQ(config->GetColor(index), TConfig::DefaultColors[static_cast<std::size_t>(index)])
                << index;
        }
    }
    EXPECT_THROW(config->GetColor(13), EAssertionFailed);
    EXPECT_THROW(config->SetColor(127, 0), EAssertionFailed);
}

TEST_F(ConfigTest, HighColorDefaultFollowsTheColourCapability) {
    EXPECT_TRUE(Make("1.0.0", 2)->GetHighColor());
    EXPECT_FALSE(Make("1.0.0", 1)->GetHighColor());
    EXPECT_FALSE(Make("1.0.0", 0)->GetHighColor());
}

TEST_F(ConfigTest, FirstStepsKeyComesFromTheVersion) {
    const struct {
        const char* version;
        bool changed;
        const char* key;
        const char* note;
    } runs[] = {
        {"1.0.0", true, "10", "nothing stored yet"},
        {"1.0.0", false, "10", "same version again"},
        {"1.0.7", false, "10", "only the first and third characters count"},
        {"1.2.0", true, "12", "new version"},
        {"1.", true, "00", "fewer than three characters"},
        {"", false, "00", "fewer than three characters"},
        {"1.2", true, "12", "three characters are enough"},
        {"1.2.0 beta", false, "12", "same key"},
    };
    for (const auto& run : runs) {
        EXPECT_EQ(Make(run.version)->FirstStepsChanged(), run.changed) << run.version << ": " << run.note;
        EXPECT_EQ(Stored("", "First steps"), run.key) << run.version << ": " << run.note;
    }
    Store("", "First steps", "12");
    EXPECT_FALSE(Make("1.2.5")->FirstStepsChanged());
    Store("", "First steps", "12 ");
    EXPECT_TRUE(Make("1.2.5")->FirstStepsChanged()) << "compared exactly";
}

TEST(ConfigFailures, WritesThatFailAreTracedAndANumberWithoutKeyRaises) {
    test::TempDir folder;
    std::ofstream(folder / "file") << "not a folder";
    RegistryStore store(folder / "file" / "registry"); // nothing can be written below a regular file
    std::vector<std::string> lines;
    ScopedTraceCapture capture([&](std::string_view line) { lines.emplace_back(line); });

    TConfig config(store, "1.0.0", [] { return 2; });
    config.SetComment("x");
    config.SetDirty(true);
    EXPECT_FALSE(config.GetDirty());
    try {
        config.SetChannels(4);
        FAIL() << "no exception";
    } catch (const ERegistryException& error) {
        EXPECT_STREQ(error.what(), "Can not open key");
        EXPECT_EQ(error.className(), "ERegistryException");
    }
    std::vector<std::string> failures;
    for (const std::string& line : lines) {
        const auto at = line.find("TConfig.");
        if (at != std::string::npos && line.find(": FEHLER: ", at) != std::string::npos) {
            failures.push_back(line.substr(at, line.find(':', at) - at));
        }
    }
    EXPECT_EQ(failures, (std::vector<std::string>{"TConfig.Create", "TConfig.SetComment", "TConfig.SetDirty",
                                                  "TConfig.SetChannels"}));
}

TEST(ConfigGlobal, ScopedConfigPublishesTheOneObject) {
    test::TempDir folder;
    RegistryStore store(folder.path());
    TConfig config(store, "1.0.0", [] { return 2; });
    EXPECT_EQ(Config(), nullptr);
    {
        ScopedConfig published(config);
        EXPECT_EQ(Config(), &config);
        EXPECT_THROW(ScopedConfig second(config), EAssertionFailed);
        EXPECT_EQ(Config(), &config);
    }
    EXPECT_EQ(Config(), nullptr);
}

} // namespace
} // namespace quarn
