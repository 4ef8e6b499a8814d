#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QWidget;

namespace quarn {

// Where a drag is over the main window.
enum class TDropOrt { Anderswo, KanalKnopf, Konsole, Eingabe };

// What the drop target knows of the point under a drag.
struct TDropLage {
    TDropOrt ort = TDropOrt::Anderswo;
    // The channel number of the button (KanalKnopf only); the monitor's button has 0.
    int knopf = 0;
    bool knopfVerbunden = false;
    bool aktuellVerbunden = false;
};

// The answer to a drag at one point: whether a copy may be dropped there, and the channel that becomes
// current when the drag rests there (none: the hover timer stops and nothing is remembered).
struct TDropAntwort {
    bool annehmen = false;
    std::optional<int> schwebeKanal;
};

// Over a channel's button the drop is taken only when that channel is connected, but resting there
// chooses the channel either way; over a console or an input editor it is taken only while the current
// channel is connected. The monitor's button neither takes nor chooses.
TDropAntwort DropEntscheiden(const TDropLage& lage);

// What a drop brings: the local files (full paths), the URLs that name no local file, and the text.
// Files come first; the text counts only when no file came. The text of the program's own drags is
// taken even though they offer it as a file too.
struct TDropInhalt {
    std::vector<std::filesystem::path> dateien;
    std::vector<QString> fremdeUrls;
    std::optional<std::string> text; // Windows-1252
};
TDropInhalt DropInhaltLesen(const QMimeData& daten);

// The main window as the drop target sees it: the window that takes the drops and its channel toolbar.
class IDropFenster {
public:
    virtual ~IDropFenster() = default;
    virtual QWidget& DropFenster() = 0;
    // The channel number of the channel toolbar's button at a point (global coordinates); none where no
    // channel's button is.
    virtual std::optional<int> KanalKnopfBei(const QPoint& global) const = 0;
    // Clicks the channel's button as the operator would; nothing when it has none.
    virtual void KanalKnopfKlicken(int number) = 0;
};

// The main window's one drop target: files or a text dragged onto the window go to the current channel,
// which opens its send-file wizard with them; resting 200 ms over a channel's button during the drag makes
// that channel current. It takes the window's drag events from its construction (the registration) to
// its destruction (the revocation). GUI thread only.
class TDropTarget : public QObject {
public:
    static constexpr int kSchwebeMs = 200;
    static constexpr int kUebergabeMs = 10;

    explicit TDropTarget(IDropFenster& fenster);
    ~TDropTarget() override;
    TDropTarget(const TDropTarget&) = delete;
    TDropTarget& operator=(const TDropTarget&) = delete;

    static TDropTarget* Instance();

    void DragEnter(QDragEnterEvent& event);
    // `event`'s position is in the window's coordinates.
    void DragOver(QDragMoveEvent& event);
    void DragLeave();
    void Drop(QDropEvent& event);

    // The channel whose button the drag rests over while the hover timer runs.
    std::optional<int> GemerkterKanal() const { return gemerkt_; }
    bool SchwebeLaeuft() const { return hoverTimer_.isActive(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class TArt { Nichts, Text, Dateien };

    TDropLage LageBei(const QPoint& position) const;
    void SchwebeStoppen();
    void SchwebeTick();
    void UebergabeTick();

    IDropFenster& fenster_;
    QTimer hoverTimer_;
    QTimer dropTimer_;
    // The channel number, not its button: the button may be gone when the timer ticks.
    std::optional<int> gemerkt_;
    TArt art_ = TArt::Nichts;
    std::string text_;
    std::vector<std::filesystem::path> dateien_;
};

} // namespace quarn
