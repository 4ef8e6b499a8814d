#pragma once

#include "connections/VerbindungAbstractU.h"
#include "foundation/regex/RegExpressionU.h"
#include "foundation/SharedEnums.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quarn {

class TPGPCheck;

// The handler that runs for the whole life of a link: typed text out, received text assembled into
// lines and shown, the station identification answered, the remote station's kind recognised, login
// prompts answered, PGP blocks checked, "//" lines handed to the remote commands, node hops followed and
// the transfer handlers started (nested on this thread) for received start lines and queued jobs.
class TVerbindungStandard : public TVerbindungAbstract {
public:
    TVerbindungStandard(std::shared_ptr<TVerbindungAbstract> owner,
                        std::shared_ptr<IVerbindungFuerModul> connection);
    ~TVerbindungStandard() override;

    std::string GetClassName() const override;
    void Release() override;

    static constexpr std::string_view kKeineFernsteuerung = "Keine Auswertung von Fernsteuerbefehlen.";
    static constexpr std::string_view kDateiNichtLesbar = "Datei kann nicht gelesen werden.";

protected:
    void Init() override;
    void ReceiveData() override;
    void SendData() override;
    void SendFile() override;

private:
    // Station identification on one received piece; the piece loses what was taken from it.
    void Kennung(std::string& piece);
    // One complete line, ending in CR.
    void Zeile(const std::string& line);
    bool PasswortVerarbeiten(const std::string& line, TPasswortArt art);
    void PasswortDieBox(const std::string& line);
    void SendeAntwort(std::string_view text);
    void ArtAusDatenbank();
    void SetArt(TStationType art);
    TStationType Art() const;
    std::string EigenerCall() const;

    std::string zeile_;
    int markierung_ = -1;
    bool ersteZeile_ = false;
    std::unique_ptr<TPGPCheck> pgp_;
    bool kennungErledigt_ = false;
    bool kennungSammeln_ = false;
    std::string kennung_;
    bool verstecken_ = false;
    TStationType gemerkt_ = TStationType::st_unknown;
    std::optional<TRegExpression> boxListe_;
    int dieBoxZeilen_ = 0;
    bool freigegeben_ = false;
};

} // namespace quarn
