// The toolbar kit's menus: from the press that opens a pop-up to its first paint (the window made,
// laid out, placed, shown and painted; no animation), and the layout of a 40-item pop-up, with the
// view's measuring and alone. A frame at 60 Hz is 16 ms.
#include "toolbars/items/TTKItems.h"
#include "toolbars/items/TTKLayout.h"
#include "toolbars/items/TTKPopupSeam.h"
#include "toolbars/items/TTKPopupWindow.h"

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace quarn;

void Fill(TTKCustomItem& root, int count) {
    for (int i = 0; i < count; ++i) {
        auto* item = root.AddNew<TTKItem>(QStringLiteral("&Eintrag %1\tStrg+%2").arg(i).arg(i % 10));
        if (i % 8 == 7)
            root.AddNew<TTKSeparatorItem>();
        item->SetEnabled(i % 5 != 3);
    }
}

void BM_PressToFirstPaint(benchmark::State& state) {
    TTKRootItem root;
    Fill(root, 12);
    QImage target(400, 400, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        TTKSubmenuRequest request;
        request.point = QPoint(100, 100);
        request.selectFirst = true;
        const std::unique_ptr<TTKPopupWindow> window(ShowSubmenuWindow(root, request));
        QPainter painter(&target);
        window->View().Paint(painter);
        benchmark::DoNotOptimize(target.bits());
    }
}
BENCHMARK(BM_PressToFirstPaint)->Unit(benchmark::kMicrosecond);

void BM_ViewLayout40(benchmark::State& state) {
    TTKRootItem root;
    Fill(root, 40);
    QWidget window;
    TTKView view(nullptr, nullptr, &root, &window, false, false, false);
    for (auto _ : state) {
        view.MarkLayoutStale();
        view.ValidatePositions();
        benchmark::DoNotOptimize(view.TotalSize());
    }
}
BENCHMARK(BM_ViewLayout40)->Unit(benchmark::kMicrosecond);

void BM_ComputeLayout40(benchmark::State& state) {
    TTKLayoutInput in;
    in.popup = true;
    in.largestHeight = 600;
    for (int i = 0; i < 40; ++i) {
        TTKLayoutEntry e;
        e.size = QSize(120 + i % 7 * 9, 20);
        in.entries.push_back(e);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeLayout(in).size);
}
BENCHMARK(BM_ComputeLayout40)->Unit(benchmark::kMicrosecond);

} // namespace
