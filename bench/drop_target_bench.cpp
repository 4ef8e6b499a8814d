// A file manager drops 1,000 files on the main window's console: the time from the drop until the current
// channel's send-file wizard lists them all (the target's 10 ms hand-off included). The whole program
// runs with its main window on the offscreen platform; the files are real, in a temporary folder.
#include "bench/BenchHome.h"
#include "foundation/QuarnApplication.h"
#include "ui/DateiSendenDlgU.h"
#include "ui/DateiSendenModell.h"
#include "ui/Hauptfenster.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kFiles = 1000;

quarn::TDateiSendenDlg* Wizard(const QWidget& window) {
    return window.findChild<quarn::TDateiSendenDlg*>();
}

void BM_DropOfFilesUntilTheWizardListsThem(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "drop_bench_files";
    std::filesystem::create_directories(folder);
    QList<QUrl> urls;
    for (int i = 0; i < kFiles; ++i) {
        const std::filesystem::path file = folder / ("Datei " + std::to_string(i) + ".txt");
        std::ofstream(file) << "Inhalt " << i;
        urls.push_back(QUrl::fromLocalFile(QString::fromStdString(file.string())));
    }
    QMimeData data;
    data.setUrls(urls);

    quarn::THauptfenster window(QUARN_FONT_FILE);
    window.resize(1000, 700);
    window.show();
    QCoreApplication::processEvents();
    QWidget* console = window.findChild<QWidget*>("Console01");
    const QPoint point = console->mapTo(&window, console->rect().center());

    for (auto _ : state) {
        QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &enter);
        QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &drop);
        while (Wizard(window) == nullptr || Wizard(window)->Eintraege().size() != kFiles) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        state.PauseTiming();
        Wizard(window)->ButtonAbbrechen()->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["files"] = kFiles;
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_DropOfFilesUntilTheWizardListsThem)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    const quarn::bench::BenchHome home("drop_target_bench");
    quarn::TQuarnApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
