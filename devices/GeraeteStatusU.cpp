#include "devices/GeraeteStatusU.h"

#include "devices/GeraetU.h"
#include "devices/GeraeteU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Codepage.h"
#include "platform/Registry.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quarn {

namespace {

constexpr const char* kPositionKey = "\\Software\\Velmoor\\Quarn\\Windows\\GeraeteStatus";

} // namespace

void GeraetSpaltenFuellen(QTreeWidgetItem& item, const TGeraet& geraet) {
    item.setText(1, Cp1252ToQString(geraet.GetStatusDetail()));
    item.setText(2, Cp1252ToQString(geraet.GetStatusText()));
}

class TGeraeteStatusSubscriber final : public ISubscriber {
public:
    explicit TGeraeteStatusSubscriber(TGeraeteStatus* window) : window_(window) {}
    void Notify(void* data) override {
        // Device statuses are announced on the GUI thread already; this keeps it so for any caller.
        Synchronize([this, data] {
            if (window_) {
                window_->Aktualisieren(data);
            }
        });
    }
    void Release() { window_ = nullptr; }

private:
    TGeraeteStatus* window_;
};

TGeraeteStatus::TGeraeteStatus(TGeraete& geraete, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), geraete_(geraete) {
    setWindowTitle(QString::fromUtf8("Quarn - Gerätestatus"));
    liste_ = new QTreeWidget(this);
    liste_->setRootIsDecorated(false);
    liste_->setHeaderLabels(
        {QString::fromUtf8("Gerät"), QStringLiteral("Parameter"), QStringLiteral("Status")});
    liste_->header()->resizeSection(0, 80);
    liste_->header()->resizeSection(1, 84);
    liste_->header()->resizeSection(2, 185);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(liste_);
    resize(80 + 84 + 185 + 8, 160);

    const RegistryStore& store = RegistryStore::Instance();
    const auto x = store.ReadDWord(Hive::CurrentUser, kPositionKey, "X");
    const auto y = store.ReadDWord(Hive::CurrentUser, kPositionKey, "Y");
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1024, 768);
    if (x && y) {
        const int left = std::max(0, std::min(static_cast<int>(*x), screen.right() - width()));
        const int top = std::max(0, std::min(static_cast<int>(*y), screen.bottom() - height()));
        move(left, top);
    } else {
        move(screen.center() - rect().center());
    }
    subscriber_ = std::make_shared<TGeraeteStatusSubscriber>(this);
}

TGeraeteStatus::~TGeraeteStatus() {
    geraete_.Unsubscribe(subscriber_);
    subscriber_->Release();
    RegistryStore& store = RegistryStore::Instance();
    store.WriteDWord(Hive::CurrentUser, kPositionKey, "X", static_cast<std::uint32_t>(std::max(0, x())));
    store.WriteDWord(Hive::CurrentUser, kPositionKey, "Y", static_cast<std::uint32_t>(std::max(0, y())));
}

void TGeraeteStatus::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    setFixedWidth(width());
    if (aktionAnzeige_) {
        aktionAnzeige_(true);
    }
    Aktualisieren(nullptr);
    geraete_.Subscribe(subscriber_);
}

void TGeraeteStatus::hideEvent(QHideEvent* event) {
    geraete_.Unsubscribe(subscriber_);
    if (aktionAnzeige_) {
        aktionAnzeige_(false);
    }
    QWidget::hideEvent(event);
}

void TGeraeteStatus::Aktualisieren(const void* device) {
    const auto& devices = geraete_.Geraete();
    if (!device) {
        liste_->clear();
        for (const std::shared_ptr<TGeraet>& geraet : devices) {
            auto* item = new QTreeWidgetItem(liste_);
            if (geraet) {
                item->setText(0, Cp1252ToQString(geraet->TypName()));
                GeraetSpaltenFuellen(*item, *geraet);
            }
        }
        return;
    }
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].get() == device && static_cast<int>(i) < liste_->topLevelItemCount()) {
            GeraetSpaltenFuellen(*liste_->topLevelItem(static_cast<int>(i)), *devices[i]);
        }
    }
}

} // namespace quarn
