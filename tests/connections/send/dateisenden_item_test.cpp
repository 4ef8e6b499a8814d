// The send item's own values: the display name made safe, the texts around a file, progress and its
// notifications, and what happens to the stream's file when the item goes.
#include "DateiSendenSubscriber.h"
#include "connections/send/DateiSendenU.h"
#include "connections/FakeModulVerbindung.h"
#include "foundation/FileStreamKioU.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace quarn::test {
namespace {

std::shared_ptr<TDateiSenden> MakeItem() {
    return std::make_shared<TDateiSenden>(std::make_shared<FakeModulVerbindung>());
}

TEST(DateiSenden, DisplayNameKeepsTheNamePartAndReplacesWhatNoFileNameMayHold) {
    struct Case {
        std::string given;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"C:\\Daten\\bericht.txt", "bericht.txt"},
        {"/home/op/log/bericht.txt", "bericht.txt"},
        {"mixed/dir\\name.bin", "name.bin"},
        {"a\"b*c:d<e>f?g|h.txt", "a_b_c_d_e_f_g_h.txt"},
        {std::string("tab\tnul") + '\0' + "x", "tab_nul_x"},
        {"\x1f\x7f\x80\x81\xa0\xa1\xfe\xff", "__\x80__\xa1\xfe_"},
        {"Gr\xfc\xdf"
         "e.txt",
         "Gr\xfc\xdf"
         "e.txt"},
        // "." and ".." would name the receive folder or its parent.
        {".", "DL1ABC.dat"},
        {"..", "DL1ABC.dat"},
        {"C:\\x\\..", "DL1ABC.dat"},
        {"../..", "DL1ABC.dat"},
        {"...", "..."},
        {"..txt", "..txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        const auto item = MakeItem();
        item->SetAnzeigename(c.given);
        EXPECT_EQ(item->GetAnzeigename(), c.expected);
    }
}

TEST(DateiSenden, EmptyDisplayNameComesFromTheFileNameUnderTheSameRules) {
    const auto item = MakeItem();
    item->SetDateiname("/tmp/spool/bake?.txt");
    item->SetAnzeigename("");
    EXPECT_EQ(item->GetAnzeigename(), "bake_.txt");

    const auto folder = MakeItem();
    folder->SetDateiname("/tmp/spool/..");
    EXPECT_EQ(folder->GetAnzeigename(), "DL1ABC.dat");

    // A local UTF-8 name is sent as Windows-1252.
    const auto umlaut = MakeItem();
    umlaut->SetDateiname("/tmp/Gr\xc3\xbc\xc3\x9f"
                         "e.txt");
    EXPECT_EQ(umlaut->GetAnzeigename(), "Gr\xfc\xdf"
                                        "e.txt");
}

TEST(DateiSenden, TextsAroundTheFileAreTrimmedAndEndInOneCr) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"SP DL1ABC @ DB0ABC\r\n", "SP DL1ABC @ DB0ABC\r"},
        {"  ***end  ", "***end\r"},
        {"", ""},
        {" \r\n\t ", ""},
        {"^Z", "^Z\r"},
    };
    for (const auto& [given, expected] : cases) {
        SCOPED_TRACE(given);
        const auto item = MakeItem();
        item->SetTextVorher(given);
        item->SetTextNachher(given);
        EXPECT_EQ(item->GetTextVorher(), expected);
        EXPECT_EQ(item->GetTextNachher(), expected);
    }
}

TEST(DateiSenden, PercentFollowsThePositionOnlyWhileRunningAndNotifiesOnChange) {
    const auto item = MakeItem();
    const auto subscriber = std::make_shared<CountingSubscriber>();
    item->Subscribe(subscriber);
    const std::int64_t big = std::int64_t(6) << 30; // beyond 32 bits
    item->SetGroesse(big);
    EXPECT_EQ(subscriber->count, 0) << "not running";
    item->SetPosition(big / 2);
    EXPECT_EQ(item->GetProzent(), 0.0F) << "not running";

    item->Starten();
    EXPECT_EQ(subscriber->count, 1);
    EXPECT_EQ(subscriber->last, static_cast<IDateiSenden*>(item.get()));
    EXPECT_EQ(item->GetPosition(), 0);
    item->SetPosition(big / 4);
    EXPECT_FLOAT_EQ(item->GetProzent(), 25.0F);
    EXPECT_EQ(subscriber->count, 2);
    item->SetPosition(big / 4);
    EXPECT_EQ(subscriber->count, 2) << "unchanged position";
    item->SetPosition(big / 4 + 1);
    EXPECT_EQ(subscriber->count, 2) << "percent too small to change";
    item->SetPosition(big + 10);
    EXPECT_EQ(item->GetProzent(), 100.0F);
    item->SetGroesse(0);
    EXPECT_EQ(subscriber->count, 4) << "size change while running";
    item->SetPosition(5);
    EXPECT_EQ(item->GetProzent(), 0.0F) << "no size";

    item->SetZustand(2);
    EXPECT_EQ(subscriber->count, 6) << "a state set always notifies";
    item->Beenden();
    EXPECT_EQ(item->GetZustand(), 0);
    EXPECT_EQ(subscriber->count, 7) << "the end is told, so a channel lets the transfer go";
    item->Release();
    item->SetZustand(1);
    EXPECT_EQ(subscriber->count, 7) << "released: subscribers gone";
}

TEST(DateiSenden, ProtocolSetTwiceIsStillStored) {
    const auto item = MakeItem();
    item->SetProtokoll(2);
    item->SetProtokoll(5);
    EXPECT_EQ(item->GetProtokoll(), 5);
}

TEST(DateiSenden, TemporaryStreamFileGoesWithTheItemOthersStay) {
    TempDir dir;
    for (const bool temporary : {true, false}) {
        SCOPED_TRACE(temporary);
        const auto path = dir / (temporary ? "kopie.tmp" : "original.txt");
        std::ofstream(path) << "data";
        {
            auto stream = std::make_unique<TFileStreamKio>();
            stream->SetFileName(path);
            stream->SetMode(fmOpenRead);
            stream->Open();
            stream->SetTemporary(temporary);
            const auto item = MakeItem();
            item->SetStream(std::move(stream));
            ASSERT_NE(item->GetStream(), nullptr);
            item->Release();
        }
        EXPECT_EQ(std::filesystem::exists(path), !temporary);
    }
}

} // namespace
} // namespace quarn::test
