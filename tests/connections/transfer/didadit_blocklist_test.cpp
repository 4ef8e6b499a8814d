// The held-range list of a DIDADIT reception: merging, the gap requests and the index file.
#include "connections/transfer/DidaditReceiveBlockListU.h"
#include "support/FileContents.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

namespace fs = std::filesystem;
using TBereich = TDidaditReceiveBlockList::TBereich;

constexpr std::string_view kDigest = "23B04F232D6CBB9BB9640804DAF7F5C2";

TEST(DidaditBlockList, MergesIntoSortedDisjointNonAdjacentRanges) {
    const struct {
        const char* name;
        std::vector<std::pair<std::int64_t, std::int64_t>> adds;
        std::vector<TBereich> ranges;
    } cases[] = {
        {"in order, adjacent", {{0, 100}, {100, 100}}, {{0, 199}}},
        {"gap kept", {{0, 100}, {101, 10}}, {{0, 99}, {101, 110}}},
        {"before the first", {{500, 10}, {0, 10}}, {{0, 9}, {500, 509}}},
        {"fills a gap and joins both", {{0, 10}, {20, 10}, {10, 10}}, {{0, 29}}},
        {"overlaps several", {{0, 5}, {10, 5}, {20, 5}, {30, 5}, {3, 20}}, {{0, 24}, {30, 34}}},
        {"inside an existing one", {{0, 100}, {10, 5}}, {{0, 99}}},
        {"touches the next from before", {{10, 5}, {5, 5}}, {{5, 14}}},
        {"one byte", {{7, 1}}, {{7, 7}}},
    };
    for (const auto& c : cases) {
        TDidaditReceiveBlockList list{fs::path()};
        std::int64_t held = 0;
        for (const auto& [offset, length] : c.adds) {
            held = list.Add(offset, length);
        }
        EXPECT_EQ(list.Bereiche(), c.ranges) << c.name;
        EXPECT_EQ(held, list.Gehalten()) << c.name;
    }
}

TEST(DidaditBlockList, RequestsTheGapsWithinTheCapacityAndTheTail) {
    TDidaditReceiveBlockList list{fs::path()};
    list.SetGroesse(5000);
    EXPECT_EQ(list.GetRequests(10), (std::vector<TDidaditRequest>{{0, 5000}})) << "nothing held";

    list.Add(0, 1000);
    list.Add(3000, 1000);
    EXPECT_EQ(list.GetRequests(10), (std::vector<TDidaditRequest>{{1000, 2000}, {4000, 1000}}));
    EXPECT_EQ(list.GetRequests(1), (std::vector<TDidaditRequest>{{1000, 2000}}));
    EXPECT_TRUE(list.GetRequests(0).empty());

    list.Add(1000, 2000);
    list.Add(4000, 1000);
    EXPECT_TRUE(list.GetRequests(10).empty());
    EXPECT_TRUE(list.Komplett());

    TDidaditReceiveBlockList leading{fs::path()};
    leading.SetGroesse(100);
    leading.Add(50, 50);
    EXPECT_EQ(leading.GetRequests(5), (std::vector<TDidaditRequest>{{0, 50}}));
    EXPECT_FALSE(leading.Komplett());
}

TEST(DidaditBlockList, IndexRoundTripsAndIsRewrittenWhole) {
    TempDir folder;
    TDidaditReceiveBlockList list{folder.path()};
    list.SetGroesse(10000);
    list.Add(0, 100);
    list.Add(200, 100);
    list.Add(400, 100);
    ASSERT_TRUE(list.WriteIndexFile(kDigest));
    EXPECT_EQ(ReadFile(folder / "23B04F232D6CBB9BB9640804DAF7F5C2.qvi"),
              "[Blocks]\r\n0000=0,99\r\n0001=200,299\r\n0002=400,499\r\n");

    // Fewer ranges after merging: no key of the longer write may survive.
    list.Add(100, 300);
    ASSERT_TRUE(list.WriteIndexFile(kDigest));
    EXPECT_EQ(ReadFile(folder / "23B04F232D6CBB9BB9640804DAF7F5C2.qvi"), "[Blocks]\r\n0000=0,499\r\n");

    TDidaditReceiveBlockList read{folder.path()};
    read.SetGroesse(10000);
    EXPECT_EQ(read.ReadIndexFile(kDigest), 500);
    EXPECT_EQ(read.Bereiche(), (std::vector<TBereich>{{0, 499}}));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1)
        << "no temporary file left";
}

TEST(DidaditBlockList, ReadsTheRecordedIndex) {
    TempDir folder;
    // As another program wrote it: LF only, blanks around the equals sign, another section first.
    WriteFile(folder / "23B04F232D6CBB9BB9640804DAF7F5C2.qvi", "[Other]\n0000=7,8\n[Blocks]\n0000=0,2999\n");
    TDidaditReceiveBlockList list{folder.path()};
    list.SetGroesse(5000);
    EXPECT_EQ(list.ReadIndexFile(kDigest), 3000);
    EXPECT_EQ(list.GetRequests(10), (std::vector<TDidaditRequest>{{3000, 2000}}));

    TDidaditReceiveBlockList missing{folder.path()};
    missing.SetGroesse(5000);
    missing.Add(0, 10);
    EXPECT_EQ(missing.ReadIndexFile("00000000000000000000000000000000"), 0);
    EXPECT_TRUE(missing.Bereiche().empty()) << "reading clears";
}

TEST(DidaditBlockList, AMalformedValueStopsTheRead) {
    const struct {
        const char* name;
        const char* index;
        std::int64_t resume;
    } cases[] = {
        {"no comma", "[Blocks]\r\n0000=0,99\r\n0001=200\r\n0002=400,499\r\n", 100},
        {"comma first", "[Blocks]\r\n0000=,99\r\n", 0},
        {"not a number", "[Blocks]\r\n0000=0,99\r\n0001=2x0,299\r\n", 100},
        {"last before first", "[Blocks]\r\n0000=0,99\r\n0001=300,200\r\n", 100},
        {"past the file", "[Blocks]\r\n0000=0,99\r\n0001=200,5000\r\n", 100},
        {"negative", "[Blocks]\r\n0000=-5,99\r\n", 0},
        {"key missing", "[Blocks]\r\n0000=0,99\r\n0002=200,299\r\n", 100},
        {"unsorted but valid", "[Blocks]\r\n0000=200,299\r\n0001=0,99\r\n", 300},
    };
    for (const auto& c : cases) {
        TempDir folder;
        WriteFile(folder / "23B04F232D6CBB9BB9640804DAF7F5C2.qvi", c.index);
        TDidaditReceiveBlockList list{folder.path()};
        list.SetGroesse(5000);
        EXPECT_EQ(list.ReadIndexFile(kDigest), c.resume) << c.name;
    }
}

TEST(DidaditBlockList, AnEmptyListDeletesItsIndexAndACompleteOneKeepsIt) {
    TempDir folder;
    const fs::path index = folder / "23B04F232D6CBB9BB9640804DAF7F5C2.qvi";
    TDidaditReceiveBlockList list{folder.path()};
    list.SetGroesse(300);
    list.Add(0, 100);
    ASSERT_TRUE(list.WriteIndexFile(kDigest));
    ASSERT_TRUE(fs::exists(index));
    // The complete file still waits to be stored; its next offer must start at its end.
    list.Add(100, 200);
    ASSERT_TRUE(list.WriteIndexFile(kDigest));
    EXPECT_EQ(list.ReadIndexFile(kDigest), 300);

    WriteFile(index, "[Blocks]\r\n0000=0,99\r\n");
    list.Clear();
    ASSERT_TRUE(list.WriteIndexFile(kDigest));
    EXPECT_FALSE(fs::exists(index));
}

} // namespace
} // namespace quarn::test
