// The station-database window with 5,000 stations: from its creation to the first painted list (goal:
// under 100 ms), a prefix search over all names (goal: under 1 ms), and going on to the next station,
// the shown one stored and the next one loaded, without and with the text, remote-command and sound
// editors on their pages (goal: under 20 ms).
#include "BenchHome.h"
#include "connections/remote/RemoteCommandManagerU.h"
#include "platform/AudioSink.h"
#include "platform/CompoundStorage.h"
#include "stations/KlaengeU.h"
#include "stations/StationenDatenbankU.h"
#include "stations/TexteU.h"
#include "ui/stationen/StationenDatenbankDlg.h"
#include "ui/stationen/StationenEditorSeiten.h"
#include "ui/stationen/StationenListe.h"

#include <QApplication>
#include <QEvent>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace quarn;
namespace fs = std::filesystem;

constexpr int kStations = 5000;

std::string Call(int i) {
    return "DL" + std::to_string(1000 + i) + "-" + std::to_string(i % 16);
}

// The database of kStations used stations, opened once for all runs.
TStationenDatenbank& Datenbank() {
    static const bench::BenchHome home("stationen-fenster-bench");
    static const std::unique_ptr<TStationenDatenbank> datenbank = [] {
        const fs::path folder = fs::path(std::getenv("XDG_DATA_HOME")) / "Database";
        fs::create_directories(folder);
        {
            auto compound = CompoundFile::Create(TStationenDatenbank::DatabaseFile(folder), false);
            for (int i = 0; i < kStations; ++i) {
                auto station = compound->Root()->CreateStorage(Call(i));
                station->CreateStream("N")->Write("Station " + std::to_string(i));
                station->CreateStream("C")->Write(std::string(600, 'c'));
                station->CreateStream("T")->Write(std::string("\x02\x01", 2));
                station->CreateStream("PUBDB0ABC")->Write("secret");
                station->CreateStream("PSMDB0ABC")->Write("secret");
            }
            compound->Commit();
        }
        TStationenDatenbankOptions options;
        options.folder = folder;
        options.legacyFile = folder / "none-S.DAT";
        options.flushDelay = std::chrono::hours(1); // the file is written at the end only
        return std::make_unique<TStationenDatenbank>(false, options);
    }();
    return *datenbank;
}

TStationenDlgUmgebung Umgebung() {
    TStationenDlgUmgebung umgebung;
    umgebung.eigeneRufzeichen = [] { return std::vector<std::string>{"DB0ABC"}; };
    umgebung.globaleRegel = [] { return 1; };
    umgebung.piepen = [] {};
    return umgebung;
}

struct ErsteMalung : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
        gemalt |= event->type() == QEvent::Paint;
        return false;
    }
    bool gemalt = false;
};

void BM_FensterBisZurGemaltenListe(benchmark::State& state) {
    TStationenDatenbank& datenbank = Datenbank();
    for (auto _ : state) {
        TStationenDatenbankDlg dlg(datenbank, Umgebung());
        ErsteMalung malung;
        dlg.RufzeichenListView()->viewport()->installEventFilter(&malung);
        dlg.show();
        while (!malung.gemalt) {
            QApplication::processEvents();
        }
        state.PauseTiming();
        dlg.close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FensterBisZurGemaltenListe)->Unit(benchmark::kMillisecond);

void BM_PrefixSucheUeberAlle(benchmark::State& state) {
    TStationenDatenbank& datenbank = Datenbank();
    std::vector<std::string> namen;
    datenbank.GetRufzeichenListe(namen);
    const TStationenListe liste(std::move(namen));
    // No name fits: every name is looked at once, the worst case.
    for (auto _ : state) {
        benchmark::DoNotOptimize(StationSuchen(liste.Namen(), "dl9", kStations / 2));
    }
}
BENCHMARK(BM_PrefixSucheUeberAlle)->Unit(benchmark::kMicrosecond);

void BM_NaechsteStation(benchmark::State& state) {
    TStationenDatenbankDlg dlg(Datenbank(), Umgebung());
    dlg.show();
    QApplication::processEvents();
    int row = 0;
    for (auto _ : state) {
        row = (row + 1) % kStations;
        dlg.Auswaehlen(row);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_NaechsteStation)->Unit(benchmark::kMillisecond);

// Every station has a greeting, a remote right and a connect sound of its own; each editor stores what it
// shows and loads the next station's.
void BM_NaechsteStationMitEditoren(benchmark::State& state) {
    TStationenDatenbank& datenbank = Datenbank();
    TTexte texte;
    TRemoteCommandManager fernsteuerung;
    TKlaenge klaenge(RegistryStore::Instance(), MakeSilentAudioSink());
    std::vector<std::string> namen;
    datenbank.GetRufzeichenListe(namen);
    for (const std::string& call : namen) {
        texte.SaveStation(call, 0, false, "Hallo " + call + "\r\nwillkommen.");
        fernsteuerung.SetAllowedStation(call, "dir", true);
        klaenge.SaveStation(call, 2, 0, "/usr/share/sounds/connect.wav", 3);
    }
    TStationenDlgUmgebung umgebung = Umgebung();
    umgebung.seiten = StationenEditorSeiten({&texte, &fernsteuerung, &klaenge});
    TStationenDatenbankDlg dlg(datenbank, std::move(umgebung));
    dlg.show();
    QApplication::processEvents();
    int row = 0;
    for (auto _ : state) {
        row = (row + 1) % kStations;
        dlg.Auswaehlen(row);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_NaechsteStationMitEditoren)->Unit(benchmark::kMillisecond);

} // namespace
