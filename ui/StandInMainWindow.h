#pragma once

#include "platform/FontFile.h"
#include "ui/StandInFenster.h"

#include <QPointer>
#include <filesystem>
#include <memory>

namespace quarn {

class ScopedConfig;
class TConfig;
class TConnectionsList;
class TDlgSplash;
class TGeraete;
class TKanaele;
class TKlaenge;
class TMyCalls;
class TRemoteCommandManager;
class TTexte;
class TStationenDatenbank;

// A plain window in the place of the program's main window until that is built. Its construction builds
// the program's singletons in the main window's order (showing the splash meanwhile, closed with
// "Bereit."), its destruction frees them in the shut-down order; in between the channels live on it. When
// the real main window comes, it replaces this class (and its use in main), it does not extend it.
class TStandInMainWindow : public TStandInFenster {
public:
    // Raises EProgrammEnde (after telling the user and freeing what was built) when the terminal font file,
    // the station database or a channel's console buffer cannot be opened.
    explicit TStandInMainWindow(std::filesystem::path fontFile = ProgramFontFileName());
    ~TStandInMainWindow() override;
    TStandInMainWindow(const TStandInMainWindow&) = delete;
    TStandInMainWindow& operator=(const TStandInMainWindow&) = delete;

protected:
    void closeEvent(QCloseEvent* event) override;
    // Key preview: every key for a widget of this window goes to the current channel first.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Aufbauen();
    void LadeSchrift();
    void ErzeugeDatenbank(bool check);
    [[noreturn]] void StartFehler(const QString& text);
    void Abbauen() noexcept;
    void SplashStatus(const QString& text);
    void BindActions();

    const std::filesystem::path fontFile_;
    bool fontLoaded_ = false;
    QPointer<TDlgSplash> splash_;
    bool initFehler_ = false;
    bool previousDirty_ = false;
    // Freed in the reverse of this order, by Abbauen.
    std::unique_ptr<TConfig> config_;
    std::unique_ptr<ScopedConfig> scopedConfig_;
    std::unique_ptr<TKlaenge> klaenge_;
    std::unique_ptr<TTexte> texte_;
    std::unique_ptr<TRemoteCommandManager> remoteCommands_;
    std::unique_ptr<TConnectionsList> connectionsList_;
    std::unique_ptr<TStationenDatenbank> datenbank_;
    std::shared_ptr<TMyCalls> myCalls_;
    std::unique_ptr<TKanaele> kanaele_;
    std::unique_ptr<TGeraete> geraete_;
};

} // namespace quarn
