#pragma once

#include "connections/send/DateiSendenVorlagenU.h"
#include "foundation/DesignTexts.h"
#include "foundation/FormKioU.h"

class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTextBrowser;

namespace quarn {

// Edits a copy of one template list: the list shows each text on one line, the memo the selected one
// (every change goes into the copy at once). "OK" saves the copy; the caller takes it back with Vorlagen().
class TDateiSendenVorlagenDlg : public TFormKio {
    QUARN_DESIGN_TEXTS(TDateiSendenVorlagenDlg)

public:
    static constexpr int kMaxVorlagen = 100;

    explicit TDateiSendenVorlagenDlg(const TDateiSendenVorlagen& vorlagen, QWidget* owner = nullptr);

    const TDateiSendenVorlagen& Vorlagen() const { return kopie_; }
    // Appends an empty template and selects it; false when the list is full.
    bool Hinzufuegen();
    void Entfernen();

    QListWidget* Liste() const { return liste_; }
    QPlainTextEdit* Memo() const { return memo_; }
    QTextBrowser* Hilfe() const { return hilfe_; }
    QPushButton* ButtonHinzufuegen() const { return hinzufuegen_; }
    QPushButton* ButtonEntfernen() const { return entfernen_; }
    QPushButton* ButtonOk() const { return ok_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ListeFuellen(int auswahl);
    void Beschriften(int index);
    void Gewaehlt();
    void MemoGeaendert();
    void Knoepfe();

    TDateiSendenVorlagen kopie_;
    QTextBrowser* hilfe_;
    QListWidget* liste_;
    QPlainTextEdit* memo_;
    QPushButton* hinzufuegen_;
    QPushButton* entfernen_;
    QPushButton* ok_;
    QPushButton* abbrechen_;
    bool fuellen_ = false;
};

} // namespace quarn
