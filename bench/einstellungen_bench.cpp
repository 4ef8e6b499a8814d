// The settings window in the whole program on the offscreen platform: from the settings action to the
// first page painted, and every tab's page made in turn. Pages the build does not have yet are plain
// pages; the figure grows as they come.
#include "bench/BenchHome.h"
#include "foundation/QuarnApplication.h"
#include "ui/Hauptfenster.h"
#include "ui/einstellungen/EinstellungenU.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>
#include <QTabWidget>
#include <benchmark/benchmark.h>

namespace {

// Notes a paint of the first page.
class PaintWaechter : public QObject {
public:
    bool gemalt = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->objectName() == "EinstellungenAllgemein") {
            gemalt = true;
        }
        return false;
    }
};

quarn::TEinstellungenForm* Fenster(const quarn::THauptfenster& window) {
    return qobject_cast<quarn::TEinstellungenForm*>(window.EinstellungenFenster());
}

void Schliessen(quarn::THauptfenster& window) {
    Fenster(window)->AbbrechenButton().click();
    while (Fenster(window) != nullptr) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

void BM_ActionToFirstPaintedPage(benchmark::State& state) {
    quarn::THauptfenster window(QUARN_FONT_FILE);
    window.show();
    QCoreApplication::processEvents();
    PaintWaechter waechter;
    qApp->installEventFilter(&waechter);
    for (auto _ : state) {
        waechter.gemalt = false;
        window.Action("ActionSettings")->trigger();
        while (!waechter.gemalt) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        state.PauseTiming();
        Schliessen(window);
        state.ResumeTiming();
    }
    qApp->removeEventFilter(&waechter);
}
BENCHMARK(BM_ActionToFirstPaintedPage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AllNinePagesMade(benchmark::State& state) {
    quarn::THauptfenster window(QUARN_FONT_FILE);
    window.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        window.Action("ActionSettings")->trigger();
        quarn::TEinstellungenForm& form = *Fenster(window);
        for (int index = 1; index < form.Tabs().count(); ++index) {
            form.Tabs().setCurrentIndex(index);
        }
        QCoreApplication::processEvents();
        state.PauseTiming();
        Schliessen(window);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AllNinePagesMade)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    const quarn::bench::BenchHome home("einstellungen_bench");
    quarn::TQuarnApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
