#pragma once

// A private session bus (its own dbus-daemon) with the automation server on it, own calls in a private
// registry, the connections list, the GUI hand-off, and bus clients that call the way other programs do.
#include "VerbindungTestFixture.h"
#include "connections/automation/ApplicationU.h"
#include "connections/automation/AutomationConnect.h"
#include "connections/automation/AutomationServer.h"
#include "stations/MyCallsU.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace quarn::test {

inline constexpr const char* kBusName = "org.quarn.Quarn";
inline constexpr const char* kAppInterface = "org.quarn.Quarn.Application";
inline constexpr const char* kConnInterface = "org.quarn.Quarn.Connection";
inline constexpr const char* kMyCallsInterface = "org.quarn.Quarn.MyCalls";

// A dbus-daemon of our own; its address is empty when it could not be started.
class PrivateBus {
public:
    explicit PrivateBus(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
        daemon_.setProcessEnvironment(environment);
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                       QStringLiteral("--print-address=1")});
        if (!daemon_.waitForStarted(5000)) {
            return;
        }
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {
        }
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus() {
        daemon_.terminate();
        if (!daemon_.waitForFinished(3000)) {
            daemon_.kill();
            daemon_.waitForFinished(3000);
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const QString& address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

// Runs the GUI loop until `done` or `limitMs` have passed.
template <typename Done> bool PumpFor(Done done, int limitMs = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// One program on the bus, with a connection of its own (its own unique name).
class BusClient {
public:
    BusClient(const QString& address, const QString& name)
        : name_(name), bus_(QDBusConnection::connectToBus(address, name)) {}
    ~BusClient() { Leave(); }
    BusClient(const BusClient&) = delete;
    BusClient& operator=(const BusClient&) = delete;

    bool IsConnected() const { return bus_.isConnected(); }
    QString UniqueName() const { return bus_.baseService(); }
    // The connection closes when its last handle goes, so this client's handle goes first.
    void Leave() {
        bus_ = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(name_);
    }

    // Starts a call without waiting; the long time-out of the waiting calls.
    QDBusPendingCall Start(const QString& path, const char* interface, const char* method,
                           const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QString::fromLatin1(kBusName), path, QString::fromLatin1(interface), QString::fromLatin1(method));
        message.setArguments(arguments);
        return bus_.asyncCall(message, 600000);
    }
    // A call, answered while the GUI loop runs (the server may need the GUI thread meanwhile).
    QDBusMessage Call(const QString& path, const char* interface, const char* method,
                      const QVariantList& arguments = {}) {
        return Finish(Start(path, interface, method, arguments));
    }
    static QDBusMessage Finish(QDBusPendingCall call, int limitMs = 15000) {
        PumpFor([&] { return call.isFinished(); }, limitMs);
        return call.reply();
    }
    // A call to the bus itself (org.freedesktop.DBus).
    QDBusMessage CallDaemon(const char* method, const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QString::fromLatin1(method));
        message.setArguments(arguments);
        return Finish(bus_.asyncCall(message));
    }
    QVariant Property(const QString& path, const char* interface, const char* name) {
        const QDBusMessage reply = Call(path, "org.freedesktop.DBus.Properties", "Get",
                                        {QString::fromLatin1(interface), QString::fromLatin1(name)});
        return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
                   ? reply.arguments().front().value<QDBusVariant>().variant()
                   : QVariant();
    }
    QDBusMessage SetProperty(const QString& path, const char* interface, const char* name,
                             const QVariant& value) {
        return Call(path, "org.freedesktop.DBus.Properties", "Set",
                    {QString::fromLatin1(interface), QString::fromLatin1(name),
                     QVariant::fromValue(QDBusVariant(value))});
    }
    QString CreateApplication() {
        const QDBusMessage reply =
            Call(QStringLiteral("/org/quarn/Quarn"), "org.quarn.Quarn.Factory", "CreateApplication");
        return Path(reply);
    }

    // The object path a reply carries, empty for an error.
    static QString Path(const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            return {};
        }
        return reply.arguments().front().value<QDBusObjectPath>().path();
    }
    // "name: text" of an error reply, empty for a reply.
    static QString Error(const QDBusMessage& reply) {
        return reply.type() == QDBusMessage::ErrorMessage
                   ? reply.errorName() + QLatin1String(": ") + reply.errorMessage()
                   : QString();
    }
    static QString Failed(const char* text) {
        return QStringLiteral("org.quarn.Quarn.Error.Failed: ") + QString::fromUtf8(text);
    }

private:
    QString name_;
    QDBusConnection bus_;
};

// A radio port whose connects end as a test says: the code, and for an accepted connect what the link
// does next (comes up, stays in "Verbinde...", ends normally or busy).
class ScriptedPort final : public IFunkKanal {
public:
    enum class Outcome { Up, Stays, Fails, Busy };

    explicit ScriptedPort(std::shared_ptr<FakeGeraet> device, RegistryStore& store)
        : device_(std::move(device)), store_(store) {}

    std::string GetBezeichnung() const override { return "Port"; }
    void SetBezeichnung(std::string_view) override {}
    void SetNummer(int) override {}
    int GetNummer() const override { return 0; }
    TConnectResult VerbindeKurz(std::string&, std::string&, std::shared_ptr<IKanal>&) override {
        return TConnectResult::UnknownError;
    }
    TConnectResult Verbinde(std::string& path, std::string& myCall, std::shared_ptr<IVerbindung>& connection,
                            std::shared_ptr<IKanal>&) override {
        lastPath = path;
        lastMyCall = myCall;
        if (result != TConnectResult::Connected) {
            return result;
        }
        auto made = TVerbindung::Create(device_, &store_);
        made->Set_Path(path);
        made->Set_MyCall(myCall);
        made->SetAusgehend(true);
        connection = made;
        this->connection = made;
        // The device reports the outcome a little later, on a thread of its own.
        if (outcome != Outcome::Stays) {
            std::thread([made, outcome = outcome] {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                if (outcome == Outcome::Up) {
                    made->SetState(3);
                } else {
                    made->Getrennt(outcome == Outcome::Busy ? 2 : 0);
                }
            }).detach();
        }
        return TConnectResult::Connected;
    }
    bool IsFlexnet() const override { return false; }
    std::string GetName() const override { return "Port"; }
    void SetName(std::string_view) override {}
    bool SendUI(std::string_view, std::string_view, std::string_view) override { return false; }

    TConnectResult result = TConnectResult::Connected;
    Outcome outcome = Outcome::Up;
    std::string lastPath;
    std::string lastMyCall;
    std::shared_ptr<TVerbindung> connection;

private:
    std::shared_ptr<FakeGeraet> device_;
    RegistryStore& store_;
};

class AutomationBusFixture : public VerbindungFixture {
protected:
    void SetUp() override {
        VerbindungFixture::SetUp();
        ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon could not be started";
        // Two own calls, the first is the one Connect uses.
        myCalls = TMyCalls::Create(store);
        myCalls->BeginUpdate();
        myCalls->Add(std::make_shared<TMyCall>("DL1ABC", std::vector<int>{0, 1}));
        myCalls->Add(std::make_shared<TMyCall>("DB0XYZ"));
        myCalls->EndUpdate();
        SetAutomationPortSource([this] { return ports; });
        ports = {port};
        server = std::make_unique<TAutomationServer>(bus.address());
        ASSERT_TRUE(server->IsRunning());
    }
    void TearDown() override {
        // Released links end the waits still running for clients, so the server closes at once.
        if (port->connection) {
            mine.push_back(port->connection);
        }
        for (const auto& connection : mine) {
            connection->Release();
        }
        server.reset();
        SetAutomationPortSource({});
        port->connection.reset();
        mine.clear();
        myCalls.reset();
        VerbindungFixture::TearDown();
        EXPECT_TRUE(PumpFor([] { return TApplication::InstanceCount() == 0; }, 5000))
            << TApplication::InstanceCount() << " client objects still alive";
    }

    // A connection of the fake device in the connections list, as a running link is.
    std::shared_ptr<TVerbindung> OpenLink(const char* path) {
        auto connection = Make();
        connection->Set_Path(path);
        connection->SetState(3);
        connections.Add(connection);
        mine.push_back(connection);
        return connection;
    }

    PrivateBus bus;
    std::shared_ptr<TMyCalls> myCalls;
    std::shared_ptr<ScriptedPort> port = std::make_shared<ScriptedPort>(device, store);
    std::vector<std::shared_ptr<IFunkKanal>> ports;
    std::unique_ptr<TAutomationServer> server;
    std::vector<std::shared_ptr<TVerbindung>> mine;
};

} // namespace quarn::test
