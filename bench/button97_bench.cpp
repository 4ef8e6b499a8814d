// The GUI thread's time for a mouse move over the hot 97-style button: the event passes the hook
// registry's application filter and reaches the button, which is hot already. For scale: a mouse sends
// some 60 to 1,000 moves a second.
#include "controls/Button97.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

void BM_MouseMoveOverHotButton(benchmark::State& state) {
    QWidget form;
    form.resize(400, 60);
    std::vector<quarn::TButton97*> buttons;
    for (int i = 0; i < 12; ++i) {
        auto* button = new quarn::TButton97(&form);
        button->move(4 + i * 30, 4);
        button->SetCaption("K");
        buttons.push_back(button);
    }
    form.show();
    QApplication::setActiveWindow(&form);
    QApplication::processEvents();
    quarn::TButton97* hot = buttons[3];
    int step = 0;
    const auto move = [&] {
        const QPointF at(5 + (step++ % 10), 9);
        QMouseEvent event(QEvent::MouseMove, at, hot->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(hot, &event);
    };
    move();
    if (quarn::TButton97::HotButton() != hot) {
        state.SkipWithError("the button did not become hot");
        return;
    }
    for (auto _ : state) {
        move();
    }
    QApplication::processEvents();
}
BENCHMARK(BM_MouseMoveOverHotButton)->Unit(benchmark::kMicrosecond);

} // namespace
