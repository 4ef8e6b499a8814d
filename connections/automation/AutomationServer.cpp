#include "connections/automation/AutomationServer.h"

#include "connections/automation/AutomationHub.h"
#include "foundation/AutomationStartMode.h"
#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "foundation/ProgramGlobals.h"
#include "foundation/SingleInstance.h"
#include "foundation/StartupU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Event.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <cstdio>

namespace quarn {
namespace {

constexpr std::string_view kClass = "TAutomationServer";
// Workers still waiting when the server closes get this long; the rest end with their connection.
constexpr int kWorkerLimitMs = 2000;

std::unique_ptr<TAutomationServer> programServer;

const char* ResultName(TAutomationServer::TResult result) {
    switch (result) {
    case TAutomationServer::TResult::Started:
        return "Started";
    case TAutomationServer::TResult::NoBus:
        return "NoBus";
    case TAutomationServer::TResult::NameTaken:
        return "NameTaken";
    case TAutomationServer::TResult::Failed:
        break;
    }
    return "Failed";
}

bool MainWindowVisible() {
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle() == QLatin1String(kMainWindowTitle) && widget->isVisible()) {
            return true;
        }
    }
    return false;
}

} // namespace

TAutomationServer::TAutomationServer(const QString& address) {
    static std::atomic<int> serial{0};
    connectionName_ = QStringLiteral("quarn-automation-%1").arg(serial.fetch_add(1));
    QDBusConnection bus = address.isEmpty()
                              ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_)
                              : QDBusConnection::connectToBus(address, connectionName_);
    if (!bus.isConnected()) {
        DebOutObj(kClass, "Create", "FEHLER: no bus: " + bus.lastError().message().toStdString());
        result_ = TResult::NoBus;
        return;
    }
    thread_.setObjectName(QStringLiteral("Automation"));
    thread_.start();
    hub_ = new TAutomationHub(bus);
    hub_->moveToThread(&thread_);
    bool opened = false;
    RunOnHub([&] { opened = hub_->Open(); });
    // The objects are in place before the name is: a client the bus started the program for calls at
    // once.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> owned =
        opened ? bus.interface()->registerService(QString::fromLatin1(kAutomationBusName),
                                                  QDBusConnectionInterface::DontQueueService,
                                                  QDBusConnectionInterface::DontAllowReplacement)
               : QDBusReply<QDBusConnectionInterface::RegisterServiceReply>();
    if (!opened) {
        result_ = TResult::Failed;
    } else if (!owned.isValid() || owned.value() != QDBusConnectionInterface::ServiceRegistered) {
        DebOutObj(kClass, "Create", "the bus name is owned by another copy");
        result_ = TResult::NameTaken;
    } else {
        result_ = TResult::Started;
    }
    DebOutObj(kClass, "Create", ResultName(result_));
}

TAutomationServer::~TAutomationServer() {
    if (hub_ != nullptr) {
        RunOnHub([this] {
            hub_->Close();
            hub_->WaitForWorkers(kWorkerLimitMs);
        });
        thread_.quit();
        thread_.wait();
        // Its thread has ended: nothing else touches it now.
        delete hub_;
        hub_ = nullptr;
    }
    QDBusConnection bus(connectionName_);
    if (bus.isConnected() && result_ == TResult::Started) {
        bus.interface()->unregisterService(QString::fromLatin1(kAutomationBusName));
    }
    QDBusConnection::disconnectFromBus(connectionName_);
}

void TAutomationServer::SetRemovedHandler(std::function<void(int)> handler) {
    if (hub_ != nullptr) {
        RunOnHub([&] { hub_->SetRemovedHandler(std::move(handler)); });
    }
}

void TAutomationServer::RunOnHub(const std::function<void()>& task) {
    Event done(EventReset::Manual, false);
    QMetaObject::invokeMethod(
        hub_,
        [&] {
            task();
            done.Set();
        },
        Qt::QueuedConnection);
    // The hub's calls may be waiting for the GUI thread (Show, Visible): those run meanwhile.
    if (IsGuiThread()) {
        WaitPumping({done}, kInfinite);
    } else {
        done.Wait(kInfinite);
    }
}

void StartAutomationServer() {
    DebOutObj(kClass, "StartMode", StartModeName(StartMode()));
    auto server = std::make_unique<TAutomationServer>();
    const bool forAutomation = StartMode() == TStartMode::Automation;
    switch (server->Result()) {
    case TAutomationServer::TResult::Started:
        break;
    case TAutomationServer::TResult::NoBus:
        if (forAutomation) {
            std::fprintf(stderr, "Quarn: %s\n", kNoSessionBusText);
            if (!HeadlessPlatform()) {
                QMessageBox::critical(nullptr, QStringLiteral("Quarn"), QString::fromUtf8(kNoSessionBusText));
            }
            throw EProgrammEnde(kExitNoSessionBus, kClass, "StartAutomationServer", kNoSessionBusText);
        }
        return; // the terminal runs on without automation
    case TAutomationServer::TResult::NameTaken:
        if (forAutomation) {
            throw EProgrammEnde(kExitAnotherCopy, kClass, "StartAutomationServer",
                                "another copy serves the bus");
        }
        return;
    case TAutomationServer::TResult::Failed:
        return;
    }
    if (forAutomation) {
        server->SetRemovedHandler([](int remaining) {
            if (remaining > 0) {
                return;
            }
            QMetaObject::invokeMethod(
                qApp,
                [] {
                    if (!MainWindowVisible()) {
                        DebOutObj(kClass, "Removed", "the last client has gone: the program ends");
                        QuitEvent().Set();
                        QApplication::closeAllWindows();
                        QApplication::quit();
                    }
                },
                Qt::QueuedConnection);
        });
    }
    programServer = std::move(server);
}

void StopAutomationServer() {
    programServer.reset();
}

} // namespace quarn
