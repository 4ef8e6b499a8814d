// The main window's panel heights under resizing and the two splitter drags.
#include "ui/HauptLayout.h"

#include <gtest/gtest.h>

namespace quarn {
namespace {

// output, splitter 1, input, splitter 2, monitor
THauptLayout L(int ausgabe, int s1, int eingabe, int s2, int monitor) {
    return THauptLayout{ausgabe, s1, eingabe, s2, monitor};
}

struct DragCase {
    const char* name;
    THauptLayout vorher;
    int dy;
    THauptLayout nachher;
};

TEST(HauptLayout, Splitter1DragKeepsEveryMinimum) {
    const DragCase cases[] = {
        {"down within the input", L(100, 6, 50, 20, 100), 10, L(110, 6, 40, 20, 100)},
        {"up grows the input", L(100, 6, 50, 20, 100), -30, L(70, 6, 80, 20, 100)},
        {"up past the output minimum", L(100, 6, 50, 20, 100), -500, L(4, 6, 146, 20, 100)},
        {"input at 16 pushes the monitor", L(100, 6, 50, 20, 100), 60, L(160, 6, 16, 20, 74)},
        {"down past every minimum", L(100, 6, 50, 20, 100), 999, L(230, 6, 16, 20, 4)},
        {"all at minima: no move", L(4, 6, 16, 20, 4), 50, L(4, 6, 16, 20, 4)},
    };
    for (const DragCase& c : cases) {
        THauptLayout layout = c.vorher;
        Splitter1Ziehen(layout, c.dy);
        EXPECT_EQ(layout, c.nachher) << c.name;
        EXPECT_EQ(layout.Summe(), c.vorher.Summe()) << c.name;
    }
}

TEST(HauptLayout, Splitter2DragKeepsEveryMinimum) {
    const DragCase cases[] = {
        {"down grows the input", L(100, 6, 50, 20, 100), 30, L(100, 6, 80, 20, 70)},
        {"down past the monitor minimum", L(100, 6, 50, 20, 100), 500, L(100, 6, 146, 20, 4)},
        {"up takes the output first", L(100, 6, 50, 20, 100), -40, L(60, 6, 50, 20, 140)},
        {"up past the output minimum takes the input", L(100, 6, 50, 20, 100), -110, L(4, 6, 36, 20, 210)},
        {"up past every minimum", L(100, 6, 50, 20, 100), -999, L(4, 6, 16, 20, 230)},
    };
    for (const DragCase& c : cases) {
        THauptLayout layout = c.vorher;
        Splitter2Ziehen(layout, c.dy);
        EXPECT_EQ(layout, c.nachher) << c.name;
        EXPECT_EQ(layout.Summe(), c.vorher.Summe()) << c.name;
    }
}

TEST(HauptLayout, OutputTakesResizesAndSplitterHeights) {
    THauptLayout layout = L(100, 6, 50, 20, 100);
    ClientHoeheSetzen(layout, 300);
    EXPECT_EQ(layout, L(124, 6, 50, 20, 100));
    ClientHoeheSetzen(layout, 50); // too small: the output keeps its minimum
    EXPECT_EQ(layout, L(4, 6, 50, 20, 100));
    ClientHoeheSetzen(layout, 300);
    Splitter2HoeheSetzen(layout, 40); // a taller toolbar in splitter 2
    EXPECT_EQ(layout, L(104, 6, 50, 40, 100));
    Splitter1HoeheSetzen(layout, 0); // a splitter never goes below 4
    EXPECT_EQ(layout, L(106, 4, 50, 40, 100));
}

TEST(HauptLayout, SavedHeightsApplyOnlyWhenTheyFit) {
    struct Case {
        int monitor, eingabe;
        THauptLayout nachher;
    };
    const Case cases[] = {
        {150, 80, L(94, 6, 80, 20, 150)},
        {3, 3, L(174, 6, 50, 20, 100)},    // 3 or less: kept
        {300, 80, L(144, 6, 80, 20, 100)}, // monitor as tall as the client: kept
        {200, 100, L(74, 6, 50, 20, 200)}, // input not below client minus monitor: kept
    };
    for (const Case& c : cases) {
        THauptLayout layout = L(174, 6, 50, 20, 100);
        GespeicherteHoehenAnwenden(layout, 300, c.monitor, c.eingabe);
        EXPECT_EQ(layout, c.nachher) << c.monitor << "/" << c.eingabe;
    }
}

} // namespace
} // namespace quarn
