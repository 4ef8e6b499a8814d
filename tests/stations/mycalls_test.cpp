// Own call signs: the registry round trip, editing through an update, publishing and the automation
// snapshot with its enumerator.
#include "foundation/DebOutU.h"
#include "foundation/PublisherU.h"
#include "platform/Exception.h"
#include "platform/Registry.h"
#include "stations/MyCallsAuto.h"
#include "stations/MyCallsU.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <stdio.h>

namespace quarn::test {
namespace {

std::string Key(std::string_view call) {
    return std::string(kEigeneRufzeichenKey) + "\\" + std::string(call);
}

class MyCallsTest : public ::testing::Test {
protected:
    std::vector<std::string> StoredCalls() const {
        return store.SubKeyNames(Hive::CurrentUser, kEigeneRufzeichenKey);
    }
    std::optional<std::uint32_t> StoredMask(std::string_view call) const {
        return store.ReadDWord(Hive::CurrentUser, Key(call), "SSIDs");
    }

    TempDir dir;
    RegistryStore store{dir / "registry"};
};

class CountingSubscriber : public ISubscriber {
public:
    void Notify(void* data) override {
        EXPECT_EQ(data, nullptr);
        ++count;
    }
    std::atomic<int> count{0};
};

TEST(MyCall, SsidListTextAndCallSigns) {
    struct Case {
        std::vector<int> ssids;
        const char* text;
    };
    const Case cases[] = {
        {{0, 1, 2, 5, 7, 8}, "0..2, 5, 7..8"},
        {{9}, "9"},
        {{3, 4}, "3..4"},
        {{15, 0, 15, 16, -1}, "0, 15"}, // out of range and repeats dropped, sorted
        {{}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TMyCall("dl1abc", c.ssids).GetSSIDListe(), c.text);
    }
    const TMyCall call("dl1abc", {0, 7});
    EXPECT_EQ(call.Get_Call(), "DL1ABC");
    EXPECT_EQ(call.GetRufzeichen(0), "DL1ABC");
    EXPECT_EQ(call.GetRufzeichen(1), "DL1ABC-7");
    EXPECT_EQ(call.SsidMask(), 0x81u);
    EXPECT_THROW(call.GetRufzeichen(2), EAssertionFailed);
}

TEST_F(MyCallsTest, RegistryIsReadWithItsMasksAndDefaults) {
    store.WriteDWord(Hive::CurrentUser, Key("DB0ABC"), "SSIDs", 0xFFFF);
    store.WriteDWord(Hive::CurrentUser, Key("dl1xyz"), "SSIDs", 0);
    store.CreateKey(Hive::CurrentUser, Key("DL2NOV"));                   // no value
    store.WriteDWord(Hive::CurrentUser, Key("DK3EX"), "SSIDs", 0x10024); // bit 16 is no SSID
    const auto calls = TMyCalls::Create(store);
    ASSERT_EQ(calls->GetCount(), 4);
    EXPECT_EQ(calls->GetItem(0)->GetSSIDListe(), "0..15");
    EXPECT_EQ(calls->GetItem(1)->GetCall(), "DL1XYZ");
    EXPECT_EQ(calls->GetItem(1)->GetSSIDs(), std::vector<int>{0});
    EXPECT_EQ(calls->GetItem(2)->GetSSIDs(), std::vector<int>{0});
    EXPECT_EQ(calls->GetItem(3)->GetSSIDs(), (std::vector<int>{2, 5}));
    EXPECT_EQ(MyCalls(), calls);
}

TEST_F(MyCallsTest, AppliedListIsWrittenAtOnceAndNotifiedAfterTheLockIsLeft) {
    store.WriteDWord(Hive::CurrentUser, Key("DL1OLD"), "SSIDs", 1);
    store.WriteDWord(Hive::CurrentUser, Key("DL1KEEP"), "SSIDs", 1);
    const auto calls = TMyCalls::Create(store);
    const auto subscriber = std::make_shared<CountingSubscriber>();
    calls->Subscribe(subscriber);

    // The subscriber runs on this thread; another thread must get the lock meanwhile.
    class LockProbe : public ISubscriber {
    public:
        explicit LockProbe(TMyCalls& calls) : calls_(calls) {}
        void Notify(void*) override {
            std::thread([this] { count = calls_.GetCount(); }).join();
        }
        TMyCalls& calls_;
        int count = -1;
    };
    const auto probe = std::make_shared<LockProbe>(*calls);
    calls->Subscribe(probe);

    calls->BeginUpdate();
    calls->Clear();
    calls->Add(std::make_shared<TMyCall>("dl1keep", std::vector<int>{0, 3}));
    calls->Add(std::make_shared<TMyCall>("dl9new", std::vector<int>{1}));
    calls->EndUpdate();

    EXPECT_EQ(subscriber->count, 1);
    EXPECT_EQ(probe->count, 2);
    EXPECT_EQ(StoredCalls(), (std::vector<std::string>{"DL1KEEP", "DL9NEW"}));
    EXPECT_EQ(StoredMask("DL1KEEP"), 0x9u);
    EXPECT_EQ(StoredMask("DL9NEW"), 0x2u);

    // What is read next time is what was applied, whether or not the program ends in order.
    const auto again = TMyCalls::Create(store);
    ASSERT_EQ(again->GetCount(), 2);
    EXPECT_EQ(again->GetItem(1)->GetRufzeichen(0), "DL9NEW-1");
}

TEST_F(MyCallsTest, ShutDownLeavesExactlyTheListInTheRegistry) {
    store.WriteDWord(Hive::CurrentUser, Key("dl1abc"), "SSIDs", 1);
    store.WriteDWord(Hive::CurrentUser, Key("DL2GONE"), "SSIDs", 1);
    {
        const auto calls = TMyCalls::Create(store);
        const auto edited = TMyCalls::Create(store);
        edited->BeginUpdate();
        edited->Clear();
        edited->Add(std::make_shared<TMyCall>("DL1ABC", std::vector<int>{4}));
        edited->EndUpdate();
        calls->Assign(*edited);
        EXPECT_NE(calls->GetItem(0), edited->GetItem(0)); // a copy, not the same object
    }
    ASSERT_EQ(StoredCalls().size(), 1u);
    EXPECT_EQ(StoredMask("DL1ABC"), 0x10u);
    EXPECT_EQ(MyCalls(), nullptr);
}

void Apply(TMyCalls& calls, const std::vector<std::pair<std::string, std::vector<int>>>& list) {
    calls.BeginUpdate();
    calls.Clear();
    for (const auto& [call, ssids] : list) {
        calls.Add(std::make_shared<TMyCall>(call, ssids));
    }
    calls.EndUpdate();
}

TEST_F(MyCallsTest, RegistryKeepsTheOrderOfTheListMergesRepeatsAndSkipsUnsafeNames) {
    store.WriteDWord(Hive::CurrentUser, Key("DL1A"), "SSIDs", 1);
    store.WriteDWord(Hive::CurrentUser, Key("dl1b"), "SSIDs", 1);
    const auto calls = TMyCalls::Create(store);
    // The first call goes to the first TNC channels, so the next start must read the same order.
    Apply(*calls, {{"DL1C", {0}}, {"DL1B", {2}}, {"", {1}}, {"A\\B", {3}}, {"DL1A", {0}}, {"dl1c", {4}}});
    EXPECT_EQ(StoredCalls(), (std::vector<std::string>{"DL1C", "DL1B", "DL1A"}));
    EXPECT_EQ(StoredMask("DL1C"), 0x11u);
    EXPECT_FALSE(store.ReadDWord(Hive::CurrentUser, kEigeneRufzeichenKey, "SSIDs").has_value());
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, Key("A")));
}

TEST_F(MyCallsTest, CallsTheCallSignRuleRefusesAreTracedAndTheRestOfTheListIsKept) {
    // "I" + call must fit one host-mode frame: 255 bytes of call text with its SSID suffix at most.
    const std::string longest(253, 'Y');
    store.WriteDWord(Hive::CurrentUser, Key(longest), "SSIDs", 0x8000); // only as "YYY...-15"
    std::vector<std::string> lines;
    const ScopedTraceCapture capture([&](std::string_view line) { lines.emplace_back(line); });
    const auto calls = TMyCalls::Create(store);
    EXPECT_EQ(calls->GetCount(), 0);
    EXPECT_FALSE(calls->Add(std::make_shared<TMyCall>("DL1ABC-16")));
    Apply(*calls,
          {{"DL1A", {0}}, {std::string(300, 'X'), {0}}, {longest, {0, 15}}, {"DL1B", {3}}, {longest, {1}}});
    ASSERT_EQ(calls->GetCount(), 3);
    EXPECT_EQ(calls->GetItem(1)->GetCall(), "DL1B");
    EXPECT_EQ(calls->GetItem(2)->GetRufzeichen(0), longest + "-1");
    EXPECT_EQ(StoredCalls(), (std::vector<std::string>{"DL1A", "DL1B", longest}));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("FEHLER: Rufzeichen") != std::string::npos;
                            }),
              4);
}

TEST_F(MyCallsTest, AFailedWriteRemovesNoCall) {
    const auto calls = TMyCalls::Create(store);
    Apply(*calls, {{"DL1OLD", {0}}});
    // Root may write anywhere: a plain file in place of the store's folder makes every write fail. What
    // the store's writer still had to do is done first, or it would make the folder again.
    ASSERT_TRUE(store.Flush());
    const std::filesystem::path folder = store.folder();
    const std::filesystem::path away = dir / "away";
    std::filesystem::rename(folder, away);
    { std::ofstream(folder) << "in the way"; }
    Apply(*calls, {{"DL9NEW", {0}}});
    EXPECT_FALSE(calls->Speichern());
    EXPECT_EQ(StoredCalls(), std::vector<std::string>{"DL1OLD"});
    // The store's writer retries the failed write in the background and would make the folder again
    // between a remove and a rename: the two trade places in one step.
    ASSERT_EQ(::renameat2(AT_FDCWD, away.c_str(), AT_FDCWD, folder.c_str(), RENAME_EXCHANGE), 0);
    std::filesystem::remove(away);
    EXPECT_TRUE(calls->Speichern());
    EXPECT_EQ(StoredCalls(), std::vector<std::string>{"DL9NEW"});
}

TEST_F(MyCallsTest, AutomationSnapshotItemsAndEnumerator) {
    const auto calls = TMyCalls::Create(store);
    calls->BeginUpdate();
    calls->Add(std::make_shared<TMyCall>("DL1A"));
    calls->Add(std::make_shared<TMyCall>("DL1B"));
    calls->Add(std::make_shared<TMyCall>("DL1C"));
    calls->EndUpdate();
    const auto automation = std::make_shared<TMyCallsAuto>(nullptr, *calls);
    calls->BeginUpdate();
    calls->Clear();
    calls->EndUpdate();
    ASSERT_EQ(automation->Get_Count(), 3); // later changes are not seen

    EXPECT_EQ(automation->Item(std::any(std::string("1")))->Get_Call(), "DL1B");
    for (const std::any& bad : {std::any(3), std::any(-1), std::any(std::string("x")), std::any(2.5)}) {
        try {
            automation->Item(bad);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& error) {
            EXPECT_STREQ(error.what(), "buh!");
        }
    }

    const auto items = automation->NewEnum();
    std::vector<std::any> got;
    EXPECT_TRUE(items->Next(2, got));
    const auto clone = items->Clone();
    EXPECT_FALSE(items->Next(5, got));
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(std::any_cast<std::shared_ptr<IMyCall>>(got[2])->Get_Call(), "DL1C");

    std::vector<std::any> fromClone;
    EXPECT_TRUE(clone->Next(1, fromClone));
    EXPECT_EQ(std::any_cast<std::shared_ptr<IMyCall>>(fromClone[0])->Get_Call(), "DL1C");

    items->Reset();
    EXPECT_FALSE(items->Skip(3)); // past the end: nothing more until Reset
    got.clear();
    EXPECT_FALSE(items->Next(1, got));
    EXPECT_TRUE(got.empty());
    items->Reset();
    EXPECT_TRUE(items->Skip(1));
    EXPECT_TRUE(items->Next(1, got));
    EXPECT_EQ(std::any_cast<std::shared_ptr<IMyCall>>(got[0])->Get_Call(), "DL1B");
}

} // namespace
} // namespace quarn::test
