// Painting a full 80 x 50 console view off-screen: every row full of text with a colour change every
// eight cells, a selection over ten rows, the gutter with images. For scale: a 9,600 baud radio link
// brings about 1,200 bytes, some fifteen full lines, a second.
#include "console/ConsoleU.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

constexpr int kCols = 80;
constexpr int kRows = 50;

void FillConsole(quarn::TConsole& console) {
    for (int row = 0; row < kRows; ++row) {
        for (int part = 0; part < kCols / 8; ++part) {
            console.SetTextAttr(static_cast<std::uint8_t>((row + part) % 16));
            console.Write(std::string("Text") + static_cast<char>('A' + row % 26) + "-" +
                          std::to_string(part % 10) + " ");
        }
    }
}

void BM_PaintFullView(benchmark::State& state) {
    quarn::TConsole console;
    console.SetCols(kCols);
    console.SetRows(kRows);
    console.SetActive(true);
    console.show();
    const QSize view(console.GutterWidth() + kCols * console.Cell().width, kRows * console.Cell().height);
    console.resize(console.size() + (view - console.viewport()->size()));
    QApplication::processEvents();
    QPixmap mark(10, 10);
    mark.fill(Qt::darkYellow);
    console.SetGutterImages({QPixmap(), mark});
    FillConsole(console);
    for (int row = 0; row < kRows; row += 5) {
        console.SetGutterImage(1, row);
    }
    console.Buffer().Marks().selStart = {20, 10};
    console.Buffer().Marks().selEnd = {40, 19};
    QImage image(view, QImage::Format_RGB32);
    const QRect all(QPoint(0, 0), view);
    for (auto _ : state) {
        QPainter painter(&image);
        console.PaintView(painter, all);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["cells"] = benchmark::Counter(static_cast<double>(kCols * kRows) * state.iterations(),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PaintFullView)->Unit(benchmark::kMicrosecond);

} // namespace
