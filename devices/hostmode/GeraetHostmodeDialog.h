#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QPlainTextEdit;

namespace quarn {

// The settings dialog of a host-mode device: port and baud rate (serial kind only) and the INIT and
// DEINIT lists. It shows and returns values; the device decides what to do with them.
class TGeraetHostmodeDialog : public QDialog {
public:
    // `serial` adds the port and baud-rate boxes; the caption and page name follow the kind.
    TGeraetHostmodeDialog(QWidget* parent, bool serial);

    void SetWerte(int comPort, int baudrate, const std::vector<std::string>& init,
                  const std::vector<std::string>& deinit);
    // The port from the one digit at position 4 of the chosen text, 1 when it is none.
    int ComPort() const;
    // The chosen rate, 38400 when the text is not a number.
    int Baudrate() const;
    std::vector<std::string> InitListe() const;
    std::vector<std::string> DeinitListe() const;

    QComboBox* AnschlussBox() const { return anschluss_; }
    QComboBox* BaudrateBox() const { return baudrate_; }
    QPlainTextEdit* InitMemo() const { return init_; }

private:
    QComboBox* anschluss_ = nullptr;
    QComboBox* baudrate_ = nullptr;
    QPlainTextEdit* init_ = nullptr;
    QPlainTextEdit* deinit_ = nullptr;
};

} // namespace quarn
