#pragma once

// A channel that only knows whether it is occupied and reserved; everything else does nothing.
#include "foundation/InterfacesU.h"

namespace quarn::test {

class FakeKanal : public IKanal {
public:
    explicit FakeKanal(int number, bool unoccupied = true) : number_(number), unoccupied_(unoccupied) {}

    bool IsFrei() const override { return unoccupied_ && !reserved_; }
    bool IsUnbelegt() const override { return unoccupied_; }
    bool IsVerbunden() const override { return !unoccupied_; }
    bool GetReserviert() const override { return reserved_; }
    void SetReserviert(bool reserved) override { reserved_ = reserved; }
    int GetNummer() const override { return number_; }

    void SetAktiv(bool) override {}
    std::shared_ptr<IVerbindung> GetVerbindung() const override { return nullptr; }
    void SetFont(const QFont&) override {}
    void KeyPress(int&, unsigned) override {}
    void MonitorAusgabe(std::string_view, std::string_view, bool) override {}
    int Ausgabe(int, std::string_view) override { return 0; }
    void Senden() override {}
    void SendenDateien(const std::vector<std::filesystem::path>&) override {}
    void SendenText(std::string_view) override {}
    void SendenDialogGeschlossen() override {}
    void Release() override {}
    void Speichern() override {}
    void SetShowDOS(bool) override {}
    bool GetShowDOS() const override { return false; }
    void SetDosUmlaute(bool) override {}
    bool GetDosUmlaute() const override { return false; }
    void EditCut() override {}
    void EditCopy() override {}
    void EditPaste() override {}
    void EditDelete() override {}
    void EditSelectAll() override {}
    void BoxRead(bool, bool) override {}
    void BoxErase(bool, bool) override {}
    void BoxUncheck(bool) override {}
    void BoxRun() override {}
    void StatusbarAktualisieren(bool) override {}
    void FarbenUebernehmen() override {}
    void ClearConsole() override {}
    std::string GetHint() const override { return {}; }
    void HintZeigen() override {}
    void PactorChangeOver() override {}
    void PactorBreakIn() override {}
    void SetZeilen(int) override {}

private:
    int number_;
    bool unoccupied_;
    bool reserved_ = false;
};

} // namespace quarn::test
