#pragma once

#include <QPixmap>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace quarn {

class IKanal;

// The window a channel lives in, as the channel sees it. A channel reaches its window only through this
// seam, so the window behind it can change without the channel changing. Everything here belongs to the
// GUI thread; the window outlives the channel set and every channel.

// The three areas the channels put their widgets on.
enum class TKanalPanel {
    Monitor, // channel 0's console, always shown
    Ausgabe, // the consoles of channels 1..n; only the active one is shown
    Eingabe, // every channel's input editor; only the active one is shown
};

// The actions of the window that the active channel keeps in step.
struct TKanalAktionen {
    bool cut = false;
    bool copy = false;
    bool paste = false;
    bool del = false;
    bool selectAll = false;
    bool pactor = false; // Pactor change-over and break-in
    bool localEchoEnabled = false;
    bool localEchoChecked = false;
    bool captureChecked = false; // a capture file is open
    bool showDosChecked = false;
    bool dosUmlauteChecked = false;
};

// What the send-file wizard opens with: nothing, files and folders, or a text (Windows-1252).
struct TSendenVorgabe {
    enum class Art { Nichts, Dateien, Text };
    Art art = Art::Nichts;
    std::vector<std::filesystem::path> dateien;
    std::string text;
};

// One channel's button on the window's channel toolbar.
class IKanalKnopf {
public:
    virtual ~IKanalKnopf() = default;

    virtual void SetCaption(const QString& caption) = 0;
    virtual QString Caption() const = 0;
    // The long hint: its part before "|" is the short hint.
    virtual void SetHint(const QString& hint) = 0;
    virtual QString Hint() const = 0;
    // 0 plain, 1 connected or active, 2 unseen text.
    virtual void SetImage(int index) = 0;
    virtual int Image() const = 0;
    // The button of the shown channel is down; one button of the toolbar at a time.
    virtual void SetChecked(bool checked) = 0;
    virtual bool Checked() const = 0;
    // The widget the button is shown as, for placing the button's hint below it; null when there is none.
    virtual QWidget* Widget() const { return nullptr; }
};

class IKanalFenster {
public:
    virtual ~IKanalFenster() = default;

    // Puts a channel's widget on one of the three areas, filling it while it is shown. The window takes
    // the widget as a child; the channel still decides when it is shown and deletes it at its release.
    virtual void Einbetten(TKanalPanel panel, QWidget* widget) = 0;

    // Channel toolbar. Buttons made between BeginUpdate and EndUpdate appear together. A button of a
    // channel >= 1 goes before the toolbar's last item, channel 0's at the end; `onClick` runs on the GUI
    // thread when the operator presses it. Dropping the returned button removes it from the toolbar.
    virtual void KanalLeisteBeginUpdate() = 0;
    virtual void KanalLeisteEndUpdate() = 0;
    virtual std::unique_ptr<IKanalKnopf> KanalKnopfErzeugen(int number, std::function<void()> onClick) = 0;

    // Status bar panels by index (0 state, 1 transfer or capture file, 2 bit rate, 3 tries, 4 outstanding,
    // 5 frack, 6 maxframe, 7 link state, 8 own call; the window may have more panels of its own).
    virtual void SetStatusPanel(int index, const QString& text) = 0;
    virtual QString StatusPanel(int index) const = 0;
    // The progress of the active channel's transfer: the bar with its label, or neither.
    virtual void SetFortschritt(bool visible, const QString& label, int percent) = 0;

    // The actions the active channel enables and checks, and the stop action's image (9 while a transfer
    // module runs, else 10).
    virtual void SetAktionen(const TKanalAktionen& actions) = 0;
    virtual void SetStopBild(int image) = 0;

    // The images the consoles show in their gutter.
    virtual std::vector<QPixmap> GutterBilder() const = 0;

    // A connect while the window has finished its start and is not shown asks the desktop for attention.
    virtual bool IsGestartet() const = 0;
    virtual bool IsSichtbar() const = 0;
    virtual void Aufmerksamkeit() = 0;

    // Opens a send-file wizard for the channel and returns it; the wizard frees itself when closed and
    // then tells the channel (SendenDialogGeschlossen).
    virtual QWidget* SendenOeffnen(const std::shared_ptr<IKanal>& kanal, const TSendenVorgabe& vorgabe) = 0;
};

} // namespace quarn
