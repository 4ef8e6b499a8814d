#pragma once

#include "devices/hostmode/GeraetHostmodeU.h"

#include <memory>
#include <string>

namespace quarn {

class TGeraetHostmodeTFWinParameter : public TGeraetHostmodeParameter {
public:
    std::unique_ptr<TGeraetHostmodeParameter> Kopie() const override;
};

// A host-mode TNC reached through the TFWin driver library, loaded at run time with its five entry
// points. A complete kind, but not entered in the registry of device kinds.
class TGeraetHostmodeTFWin : public TGeraetHostmode {
public:
    static constexpr const char* kBibliothek = "libtfwin32.so";

    TGeraetHostmodeTFWin();
    ~TGeraetHostmodeTFWin() override;

    std::string TypName() const override { return "TFWin"; }
    std::string KlassenName() const override { return "TGeraetHostmodeTFWin"; }
    int EinstellungenSeite(QWidget* parent) override;
    void EinstellungenSchliessen() override;
    void EinstellungenUebernehmen() override;

    bool CommOpen() override;
    bool CommClose() override;
    bool CommWrite(const char* data, std::size_t count, std::size_t& written) override;
    bool CommRead(char* buffer, std::size_t count, std::size_t& read) override;
    void CommPurge() override {}
    bool CommIsOpen() const override;
    std::unique_ptr<TGeraetHostmodeParameter> ParameterErzeugen() const override;
    bool SetTimeouts(bool fast) override { return true; }
    void StatusDetailZeigen() override { SetStatusDetail(""); }

    // The library file to load (the default name when not set).
    void SetBibliothek(std::string path) { bibliothek_ = std::move(path); }

protected:
    bool IstTFWin() const override { return true; }

private:
    struct Library;
    std::string bibliothek_ = kBibliothek;
    std::unique_ptr<Library> library_;
};

} // namespace quarn
