#pragma once

#include <QWidget>
#include <functional>
#include <memory>

class QTreeWidget;
class QTreeWidgetItem;

namespace quarn {

class TGeraet;
class TGeraete;
class TGeraeteStatusSubscriber;

// The parameter and status columns (1 and 2) of a device's row, as every device list shows them.
void GeraetSpaltenFuellen(QTreeWidgetItem& item, const TGeraet& geraet);

// The small tool window listing every device with its parameters and status. It follows the device
// set while shown; the main window's action is told when it is shown or hidden.
class TGeraeteStatus : public QWidget {
public:
    explicit TGeraeteStatus(TGeraete& geraete, QWidget* parent = nullptr);
    ~TGeraeteStatus() override;

    // Called with true when the window is shown, false when hidden (the action's check mark).
    void SetAktionAnzeige(std::function<void(bool shown)> display) { aktionAnzeige_ = std::move(display); }
    QTreeWidget* Liste() const { return liste_; }

    // Rebuilds every row (device null) or updates the row of one device.
    void Aktualisieren(const void* device);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TGeraete& geraete_;
    QTreeWidget* liste_ = nullptr;
    std::shared_ptr<TGeraeteStatusSubscriber> subscriber_;
    std::function<void(bool)> aktionAnzeige_;
};

} // namespace quarn
