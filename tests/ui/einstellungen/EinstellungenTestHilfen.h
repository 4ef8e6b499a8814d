#pragma once

// What the settings tests share: a device kind that records what the settings page does to it, and the
// answer to the modal windows a page opens.
#include "devices/GeraetU.h"
#include "devices/GeraeteU.h"
#include "foundation/DlgMessageU.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarn::test {

inline const QString kScreenshots = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");

inline void Screenshot(QWidget& widget, const char* name) {
    ASSERT_TRUE(QDir().mkpath(kScreenshots));
    EXPECT_TRUE(widget.grab().save(kScreenshots + name)) << name;
}

// A device whose thread runs until stopped and shows its baud rate as its parameter; its own settings
// dialog is a pretend one that edits the rate to 9600.
class EinstellGeraet : public TGeraet {
public:
    std::atomic<int> baud{1200};
    std::optional<int> bearbeitet;
    int deInits = 0;
    int schliessen = 0;

    void Run() override {
        SetStatusDetail("COM1, " + std::to_string(baud.load()));
        SetStatus(TGeraetStatus::Bereit);
        while (Warte(10)) {
        }
    }
    // Windows-1252, as device texts are.
    std::string TypName() const override { return "Testger\xE4t"; }
    std::string KlassenName() const override { return "TGeraetEinstellTest"; }
    void DeInit() override {
        ++deInits;
        TGeraet::DeInit();
    }
    void Save() override {
        TGeraet::Save();
        RegistryStore::Instance().WriteString(Hive::LocalMachine, GetRegistryKey(), "", KlassenName());
    }
    int EinstellungenSeite(QWidget*) override {
        bearbeitet = 9600;
        SetStatusDetail("COM1, 9600");
        return 1;
    }
    void EinstellungenSchliessen() override {
        ++schliessen;
        bearbeitet.reset();
    }
    void EinstellungenUebernehmen() override {
        if (bearbeitet) {
            baud = *bearbeitet;
            bearbeitet.reset();
        }
        if (!HasThread()) {
            Init();
        }
    }
    int GetFunkKanaele(std::vector<std::shared_ptr<IFunkKanal>>&, int) override { return 0; }
    TConnectResult Verbinde(const std::shared_ptr<IFunkKanal>&, std::string&, std::shared_ptr<IVerbindung>&,
                            const std::shared_ptr<IKanal>&, std::string&) override {
        return TConnectResult::DeviceError;
    }
    void Trenne(const std::shared_ptr<IVerbindung>&) override {}
    void Restore() override {}
    bool SendUI(const std::shared_ptr<IFunkKanal>&, std::string_view, std::string_view,
                std::string_view) override {
        return false;
    }
};

inline void EinstellGeraetRegistrieren() {
    static const bool done = [] {
        RegistriereGeraet(
            {"TGeraetEinstellTest", "Testger\xE4t", [] { return std::make_shared<EinstellGeraet>(); }});
        return true;
    }();
    (void)done;
}

// Answers every modal window that comes up, once each, from a timer; keeps the message boxes' texts.
class Antworten {
public:
    explicit Antworten(std::function<void(QWidget&)> answer) : answer_(std::move(answer)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == last_) {
                return;
            }
            last_ = modal;
            if (const auto* box = qobject_cast<TDlgMessage*>(modal)) {
                meldungen.push_back(box->Label()->text());
            }
            answer_(*modal);
        });
        timer_.start(5);
    }
    std::vector<QString> meldungen;

private:
    std::function<void(QWidget&)> answer_;
    QPointer<QWidget> last_;
    QTimer timer_;
};

// Clicks the message box's button with this caption (without its "&").
inline void Klicke(QWidget& modal, const QString& caption) {
    auto* box = qobject_cast<TDlgMessage*>(&modal);
    ASSERT_NE(box, nullptr) << "no message box";
    for (QPushButton* button : box->Buttons()) {
        if (button->text().remove('&') == caption) {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "no button " << caption.toStdString();
    box->reject();
}

} // namespace quarn::test
