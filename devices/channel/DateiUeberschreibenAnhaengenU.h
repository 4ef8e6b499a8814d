#pragma once

#include "foundation/FormKioU.h"

#include <QString>

class QLabel;
class QPushButton;

namespace quarn {

// Asks whether an existing file is overwritten or the text appended to it. exec() gives mrYes for
// "&Überschreiben", mrNo for "&Anhängen" (the default button) and mrCancel for "Abbrechen" or the frame.
class TDateiUeberschreibenAnhaengenForm : public TFormKio {
public:
    explicit TDateiUeberschreibenAnhaengenForm(QWidget* owner = nullptr);

    void SetText(const QString& text);
    const QLabel* Label() const { return label_; }
    QPushButton* Ueberschreiben() const { return ueberschreiben_; }
    QPushButton* Anhaengen() const { return anhaengen_; }
    QPushButton* Abbrechen() const { return abbrechen_; }

    // The question for a file name, shown modally; mrYes, mrNo or mrCancel.
    static int Fragen(const QString& dateiName, QWidget* owner = nullptr);

private:
    QLabel* label_;
    QPushButton* ueberschreiben_;
    QPushButton* anhaengen_;
    QPushButton* abbrechen_;
};

} // namespace quarn
