// The link label with a 2 kB caption of 20 links, 400 pixels wide: a whole layout and paint (a new
// caption), a link lighting up under the mouse (its repaint included), and the hit test of a mouse move.
#include "controls/LinkLabel.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int kWidth = 400;
constexpr int kLinks = 20;

// About 2,000 characters: twenty sentences, each with one link.
QString Caption(int variant) {
    QString caption;
    for (int i = 0; i < kLinks; ++i) {
        caption += QString::fromUtf8("Für Station %1 gelten eigene Texte und Klänge, die Sie "
                                     "in der <link>Stationendatenbank %1</link> ändern. ")
                       .arg(i + variant * 100);
    }
    return caption;
}

struct Label {
    Label() {
        label.resize(kWidth, 17);
        label.SetHotLinks(true);
        label.SetCaption(Caption(0));
        label.show();
        QApplication::processEvents();
    }
    QPoint LinkCentre(int number) const {
        TLinkNodeFinder finder(label, number);
        const quarn::TLinkRect& rect = finder.link->Rects().front();
        return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
    void Move(QPoint point) {
        QMouseEvent move(QEvent::MouseMove, point, label.mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&label, &move);
    }
    struct TLinkNodeFinder {
        TLinkNodeFinder(const quarn::TLinkLabel& label, int number) {
            quarn::TTopLevelNodeEnumerator links(label.Tree()->Root(), quarn::TNodeType::Link);
            while (links.HasMoreNodes()) {
                auto& node = static_cast<quarn::TLinkNode&>(links.NextNode());
                if (node.number == number) {
                    link = &node;
                }
            }
        }
        quarn::TLinkNode* link = nullptr;
    };
    quarn::TLinkLabel label;
};

void BM_LayoutAndPaint(benchmark::State& state) {
    Label fixture;
    const QString captions[] = {Caption(0), Caption(1)};
    QImage image(fixture.label.width(), 600, QImage::Format_RGB32);
    int turn = 0;
    for (auto _ : state) {
        fixture.label.SetCaption(captions[++turn % 2]); // parse, measure, lay out
        fixture.label.render(&image);                   // paint all
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["height"] = fixture.label.height();
    state.counters["chars"] = static_cast<double>(captions[0].size());
}
BENCHMARK(BM_LayoutAndPaint)->Unit(benchmark::kMicrosecond);

void BM_PaintLaidOut(benchmark::State& state) {
    Label fixture;
    QImage image(fixture.label.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        fixture.label.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintLaidOut)->Unit(benchmark::kMicrosecond);

// The mouse goes from one link to another: the old one returns to normal, the new one lights up, and
// the window repaints what changed.
void BM_HotLinkChange(benchmark::State& state) {
    Label fixture;
    const QPoint first = fixture.LinkCentre(3);
    const QPoint second = fixture.LinkCentre(12);
    // What the label asks to repaint: the text of both links.
    QRegion changed;
    for (const int number : {3, 12}) {
        for (const quarn::TLinkRect& rect : Label::TLinkNodeFinder(fixture.label, number).link->Rects()) {
            changed += QRect(QPoint(rect.left, rect.top), QPoint(rect.right, rect.bottom));
        }
    }
    int turn = 0;
    for (auto _ : state) {
        fixture.Move(++turn % 2 ? first : second);
        fixture.label.repaint(changed);
    }
}
BENCHMARK(BM_HotLinkChange)->Unit(benchmark::kMicrosecond);

// A mouse move inside the same link: the hit test and the event, nothing to repaint.
void BM_MouseMoveHitTest(benchmark::State& state) {
    Label fixture;
    const QPoint centre = fixture.LinkCentre(19);
    fixture.Move(centre);
    int turn = 0;
    for (auto _ : state) {
        fixture.Move(centre + QPoint(++turn % 2, 0));
    }
}
BENCHMARK(BM_MouseMoveHitTest)->Unit(benchmark::kNanosecond);

void BM_LinkAtPoint(benchmark::State& state) {
    Label fixture;
    const QPoint points[] = {fixture.LinkCentre(19), QPoint(1, 1),
                             QPoint(kWidth - 2, fixture.label.height() - 2)};
    int turn = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fixture.label.LinkAt(points[++turn % 3]));
    }
}
BENCHMARK(BM_LinkAtPoint)->Unit(benchmark::kNanosecond);

} // namespace
