#pragma once

#include "devices/flexnet/GeraetFlexnetU.h"

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;

namespace quarn {

// The settings dialog of a FlexNet device: the kernel's state and channels, and which kernel to use.
// It shows and returns values; the device decides what to do with them.
class TGeraetFlexnetDialog : public QDialog {
public:
    explicit TGeraetFlexnetDialog(QWidget* parent);

    void SetKopf(const std::string& text);
    void SetKanaele(const std::vector<std::string>& lines);
    void SetEinstellungen(const TFlexnetEinstellungen& settings);
    TFlexnetEinstellungen Einstellungen() const;

    QLabel* Kopf() const { return kopf_; }
    QListWidget* Kanaele() const { return kanaele_; }
    QComboBox* KernelBox() const { return kernel_; }
    QLineEdit* HostFeld() const { return host_; }
    QSpinBox* PortFeld() const { return port_; }

private:
    void ModemFelderSchalten();

    QLabel* kopf_ = nullptr;
    QListWidget* kanaele_ = nullptr;
    QComboBox* kernel_ = nullptr;
    QLineEdit* host_ = nullptr;
    QSpinBox* port_ = nullptr;
};

} // namespace quarn
