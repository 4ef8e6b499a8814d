#pragma once

#include "foundation/DesignTexts.h"
#include "foundation/FormKioU.h"
#include "foundation/VersionInfo.h"
#include "platform/Registry.h"
#include "ui/FensterZiehen.h"

#include <array>

class QLabel;
class QStackedWidget;
class QTextBrowser;
class QToolBar;

namespace quarn {

class TPanelKio;
class TUrlLabel;

// The About box: a frameless white window in a black frame with four pages (version with the picture and
// a slogan, release notes, licence, links), a closing toolbar at the top and the page toolbar at the
// bottom. Every opening shows the next slogan, counted in the current user's value "Slogan"; a private
// build shows its notice there instead and leaves the count alone. Esc, Enter and Space close it; it is
// moved by dragging any point that is no control of its own.
class TDlgInfo : public TFormKio {
    QUARN_DESIGN_TEXTS(TDlgInfo)

public:
    static constexpr int kWidth = 420;
    static constexpr int kHeight = 340;
    static constexpr int kSeiten = 4;
    static constexpr int kSchliessenTag = 5;
    // The key that holds the slogan count, in the current user's hive.
    static constexpr const char* kSloganKey = "\\Software\\Velmoor\\Quarn";
    static constexpr const char* kSloganWert = "Slogan";

    explicit TDlgInfo(QWidget* owner = nullptr, bool privateBuild = PrivateBuild(),
                      RegistryStore& store = RegistryStore::Instance());

    // The page of the page toolbar's item with this tag (1 to 4).
    void SeiteZeigen(int tag);
    // 1 to 4.
    int Seite() const;
    int SloganIndex() const { return slogan_; }

    QLabel* Zeile1() const { return zeile1_; }
    QLabel* Zeile2() const { return zeile2_; }
    QLabel* ImageTitel() const { return imageTitel_; }
    QWidget* SeitenWidget(int tag) const;
    QTextBrowser* Releasenotes() const { return releasenotes_; }
    QTextBrowser* Lizenz() const { return lizenz_; }
    TUrlLabel* Web() const { return web_; }
    TUrlLabel* EMail() const { return eMail_; }
    TPanelKio* PanelOben() const { return panelOben_; }
    TPanelKio* PanelUnten() const { return panelUnten_; }
    QToolBar* Schliessleiste() const { return schliessleiste_; }
    QToolBar* Seitenleiste() const { return seitenleiste_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QWidget* SeiteVersion();
    QWidget* SeiteText(const char* name, const QString& resource, QTextBrowser*& browser);
    QWidget* SeiteLinks();
    void LeistenBauen();
    void SloganZeigen(int index);

    const bool privateBuild_;
    int slogan_ = 0;
    TFensterZiehen ziehen_{*this};
    QStackedWidget* seiten_ = nullptr;
    QLabel* imageTitel_ = nullptr;
    QLabel* zeile1_ = nullptr;
    QLabel* zeile2_ = nullptr;
    QTextBrowser* releasenotes_ = nullptr;
    QTextBrowser* lizenz_ = nullptr;
    TUrlLabel* web_ = nullptr;
    TUrlLabel* eMail_ = nullptr;
    TPanelKio* panelOben_ = nullptr;
    TPanelKio* panelUnten_ = nullptr;
    QToolBar* schliessleiste_ = nullptr;
    QToolBar* seitenleiste_ = nullptr;
};

} // namespace quarn
