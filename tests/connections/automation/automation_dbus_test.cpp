// The automation objects as other programs reach them over the session bus: the Application and its
// own calls, Connect with every outcome, clients with queues of their own that never wait for one
// another, a client leaving the bus, sending with echo, finding a link by call, and gdbus.
#include "AutomationBusFixture.h"
#include "foundation/GlobalU.h"

#include <QDBusArgument>
#include <QWidget>
#include <gtest/gtest.h>

namespace quarn::test {
namespace {

using AutomationDBusTest = AutomationBusFixture;

QStringList Strings(const QDBusMessage& reply) {
    return reply.arguments().isEmpty() ? QStringList() : reply.arguments().front().toStringList();
}

TEST_F(AutomationDBusTest, ApplicationListsItsOwnCallsAndShowsTheMainWindow) {
    BusClient client(bus.address(), "client");
    const QString app = client.CreateApplication();
    ASSERT_EQ(app, "/org/quarn/Quarn/App/1");
    EXPECT_EQ(client.CreateApplication(), "/org/quarn/Quarn/App/2") << "one Application per call";

    // The event is declared for clients that listen for it.
    const QString xml =
        client.Call(app, "org.freedesktop.DBus.Introspectable", "Introspect").arguments().value(0).toString();
    EXPECT_TRUE(xml.contains("<signal name=\"OnTest\">")) << xml.toStdString();
    EXPECT_TRUE(xml.contains("<property name=\"Visible\" type=\"b\" access=\"readwrite\"/>"));

    const QDBusMessage connections = client.Call(app, kAppInterface, "Connections");
    ASSERT_EQ(BusClient::Error(connections), "");
    EXPECT_EQ(connections.signature(), "ao");
    EXPECT_TRUE(qdbus_cast<QList<QDBusObjectPath>>(connections.arguments().front()).isEmpty());

    const QString calls = BusClient::Path(client.Call(app, kAppInterface, "MyCalls"));
    ASSERT_EQ(calls, app + "/MyCalls/1");
    EXPECT_EQ(client.Property(calls, kMyCallsInterface, "Count").toInt(), 2);
    EXPECT_EQ(client.Property(calls, kMyCallsInterface, "Application").value<QDBusObjectPath>().path(), app);
    EXPECT_EQ(Strings(client.Call(calls, kMyCallsInterface, "All")), QStringList({"DL1ABC", "DB0XYZ"}));
    // An index as a number or as a text holding one.
    for (const QVariant& index : {QVariant(1), QVariant(QStringLiteral("1")), QVariant(1.0)}) {
        const QString item = BusClient::Path(
            client.Call(calls, kMyCallsInterface, "Item", {QVariant::fromValue(QDBusVariant(index))}));
        ASSERT_EQ(item, calls + "/1");
        EXPECT_EQ(client.Property(item, "org.quarn.Quarn.MyCall", "Call").toString(), "DB0XYZ");
    }
    // A number out of range, not a number at all, or a double no int can hold is no index.
    for (const QVariant& index : {QVariant(2), QVariant(-1), QVariant(QStringLiteral("x")), QVariant(qQNaN()),
                                  QVariant(1e300), QVariant(-1e300), QVariant(4294967297.0)}) {
        EXPECT_EQ(BusClient::Error(client.Call(calls, kMyCallsInterface, "Item",
                                               {QVariant::fromValue(QDBusVariant(index))})),
                  BusClient::Failed("buh!"))
            << index.toString().toStdString();
    }

    // The main window is handed over to the GUI thread.
    QWidget window;
    window.setWindowTitle("Quarn Terminal");
    ASSERT_EQ(BusClient::Error(client.Call(app, kAppInterface, "Show")), "");
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(client.Property(app, kAppInterface, "Visible").toBool());
    ASSERT_EQ(BusClient::Error(client.Call(app, kAppInterface, "Hide")), "");
    EXPECT_FALSE(window.isVisible());
    ASSERT_EQ(BusClient::Error(client.SetProperty(app, kAppInterface, "Visible", true)), "");
    EXPECT_TRUE(window.isVisible());
}

TEST_F(AutomationDBusTest, ConnectReportsEveryOutcomeWithItsText) {
    struct Case {
        TConnectResult result;
        ScriptedPort::Outcome outcome;
        const char* error; // empty: the link comes up
    };
    const Case cases[] = {
        {TConnectResult::Connected, ScriptedPort::Outcome::Up, ""},
        {TConnectResult::UnknownError, ScriptedPort::Outcome::Up, "Unknown error"},
        {TConnectResult::DeviceTimeout, ScriptedPort::Outcome::Up, "Device timeout"},
        {TConnectResult::NoDevice, ScriptedPort::Outcome::Up, "No device"},
        {TConnectResult::ChannelConnected, ScriptedPort::Outcome::Up, "Channel already connected"},
        {TConnectResult::NoFreeSsid, ScriptedPort::Outcome::Up, "No unused SSID available"},
        {TConnectResult::DeviceError, ScriptedPort::Outcome::Up, "Device error"},
        {TConnectResult::NoFreeChannel, ScriptedPort::Outcome::Up, "No channel available"},
        {TConnectResult::ModesNotTogether, ScriptedPort::Outcome::Up, "Unhandled error"},
        // Accepted by the TNC, but the link never came up.
        {TConnectResult::Connected, ScriptedPort::Outcome::Fails, "Connection failed"},
        {TConnectResult::Connected, ScriptedPort::Outcome::Busy, "Busy"},
    };
    BusClient client(bus.address(), "client");
    const QString app = client.CreateApplication();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        port->result = c.result;
        port->outcome = c.outcome;
        const QDBusMessage reply =
            client.Call(app, kAppInterface, "Connect", {QStringLiteral("db0abc v db0dig")});
        if (*c.error != 0) {
            EXPECT_EQ(BusClient::Error(reply), BusClient::Failed(c.error));
            continue;
        }
        const QString conn = BusClient::Path(reply);
        ASSERT_TRUE(conn.startsWith(app + "/Conn/")) << BusClient::Error(reply).toStdString();
        EXPECT_EQ(port->lastMyCall, "DL1ABC") << "the first own call";
        EXPECT_EQ(client.Property(conn, kConnInterface, "Call").toString(), "DB0ABC");
        EXPECT_EQ(client.Property(conn, kConnInterface, "Path").toString(), "DB0ABC DB0DIG");
        EXPECT_EQ(client.Property(conn, kConnInterface, "MyCall").toString(), "DL1ABC");
    }
}

TEST_F(AutomationDBusTest, ConnectRefusesAPathTheConnectDialogWouldNotTakeBeforeAnyDeviceSeesIt) {
    struct Case {
        QString path;
        std::string error; // empty: the path goes to the device as `sent`
        const char* sent;
    };
    const std::string longCall = "Invalid path: call sign longer than 6 characters: " + std::string(300, 'A');
    const QString nineDigis = QStringLiteral("DB0ABC D1 D2 D3 D4 D5 D6 D7 D8 D9");
    const Case cases[] = {
        {QString(), "Invalid path: no destination call", ""},
        {QStringLiteral("   "), "Invalid path: no destination call", ""},
        {QStringLiteral("DB0ECH-99"), "Invalid path: SSID not between 0 and 15: DB0ECH-99", ""},
        {QString::fromUtf8("db0€ch"), "Invalid path: a call sign holds only letters A-Z and digits: DB0€CH",
         ""},
        {QString(300, QLatin1Char('a')), longCall, ""},
        {QStringLiteral("DB0ABC DB0DIG-16"), "Invalid path: SSID not between 0 and 15: DB0DIG-16", ""},
        {QStringLiteral("DB0ABC DB0.DIG"),
         "Invalid path: a call sign holds only letters A-Z and digits: DB0.DIG", ""},
        {nineDigis, "Invalid path: more than 8 digipeaters", ""},
        // The dialog's reading: upper case, "-0" and a suffix that is no number dropped, "v" kept.
        {QStringLiteral(" db0abc-0 v db0dig-3 "), "", "DB0ABC V DB0DIG-3"},
        {QStringLiteral("db0abc-x"), "", "DB0ABC"},
        {nineDigis.left(nineDigis.size() - 3), "", "DB0ABC D1 D2 D3 D4 D5 D6 D7 D8"},
    };
    BusClient client(bus.address(), "client");
    const QString app = client.CreateApplication();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        port->lastPath = "(nothing)";
        const QDBusMessage reply = client.Call(app, kAppInterface, "Connect", {c.path});
        if (!c.error.empty()) {
            EXPECT_EQ(BusClient::Error(reply), BusClient::Failed(c.error.c_str()));
            EXPECT_EQ(port->lastPath, "(nothing)") << "the device was asked";
        } else {
            EXPECT_EQ(BusClient::Error(reply), "");
            EXPECT_EQ(port->lastPath, c.sent);
            mine.push_back(port->connection);
        }
    }
}

TEST_F(AutomationDBusTest, AddressesAndHandleOfALiveLinkCannotBeWrittenAndTheClientIsToldWhy) {
    BusClient client(bus.address(), "client");
    const QString conn = BusClient::Path(
        client.Call(client.CreateApplication(), kAppInterface, "Connect", {QStringLiteral("DB0ABC")}));
    ASSERT_FALSE(conn.isEmpty());
    const auto& link = port->connection;
    link->Set_Handle(5);
    link->Set_RealPath("DB0ABC");
    const struct {
        const char* property;
        QVariant value;
    } writes[] = {
        {"Call", QStringLiteral("DB0XXX")},     {"MyCall", QStringLiteral("DL9ZZZ")},
        {"Digis", QStringLiteral("DB0DIG")},    {"Path", QStringLiteral("DB0XXX DB0DIG")},
        {"RealPath", QStringLiteral("DB0XXX")}, {"Handle", 77},
    };
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& write : writes) {
            EXPECT_EQ(BusClient::Error(client.SetProperty(conn, kConnInterface, write.property, write.value)),
                      BusClient::Failed((std::string(write.property) +
                                         " can only be changed while the link is being set up")
                                            .c_str()));
        }
        EXPECT_EQ(link->Get_Path(), "DB0ABC");
        EXPECT_EQ(link->Get_MyCall(), "DL1ABC");
        EXPECT_EQ(link->Get_RealPath(), "DB0ABC");
        EXPECT_EQ(link->Get_Handle(), 5);
        // The same once the link is being ended.
        link->SetState(1);
    }
    // Reads, and the errors of the bus's own property rules, are as before.
    EXPECT_EQ(client.Property(conn, kConnInterface, "Handle").toInt(), 5);
    EXPECT_EQ(BusClient::Error(client.SetProperty(conn, kConnInterface, "Nothing", 1)).section(':', 0, 0),
              "org.freedesktop.DBus.Error.UnknownProperty");
}

TEST_F(AutomationDBusTest, ConnectWithoutPortOrOwnCallFailsAndAWaitEndsWithItsConnection) {
    BusClient client(bus.address(), "client");
    const QString app = client.CreateApplication();

    ports.clear();
    EXPECT_EQ(BusClient::Error(client.Call(app, kAppInterface, "Connect", {QStringLiteral("DB0ABC")})),
              BusClient::Failed("No device"));
    ports = {port};

    myCalls->BeginUpdate();
    myCalls->Clear();
    myCalls->EndUpdate();
    EXPECT_EQ(BusClient::Error(client.Call(app, kAppInterface, "Connect", {QStringLiteral("DB0ABC")})),
              BusClient::Failed("No MyCall"));
    myCalls->BeginUpdate();
    myCalls->Add(std::make_shared<TMyCall>("DL1ABC"));
    myCalls->EndUpdate();

    // A link that stays in "Verbinde..." until its connection is released does not hold the caller.
    port->outcome = ScriptedPort::Outcome::Stays;
    QDBusPendingCall pending = client.Start(app, kAppInterface, "Connect", {QStringLiteral("DB0ABC")});
    ASSERT_TRUE(PumpFor([&] { return port->connection != nullptr; }));
    EXPECT_FALSE(PumpFor([&] { return pending.isFinished(); }, 300))
        << "waits while the link is being set up";
    port->connection->Release();
    EXPECT_EQ(BusClient::Error(BusClient::Finish(pending)), BusClient::Failed("Connection failed"));

    // Nor when the program quits meanwhile.
    port->connection.reset();
    pending = client.Start(app, kAppInterface, "Connect", {QStringLiteral("DB0ABC")});
    ASSERT_TRUE(PumpFor([&] { return port->connection != nullptr; }));
    QuitEvent().Set();
    const QDBusMessage quitted = BusClient::Finish(pending);
    QuitEvent().Reset();
    EXPECT_EQ(BusClient::Error(quitted), BusClient::Failed("Connection failed"));
}

TEST_F(AutomationDBusTest, TwoClientsHaveQueuesOfTheirOwnAndNeverWaitForEachOther) {
    const auto link = OpenLink("DB0ABC");
    BusClient a(bus.address(), "a");
    BusClient b(bus.address(), "b");
    const QString connA = BusClient::Path(
        a.Call(a.CreateApplication(), kAppInterface, "FindConnection", {QStringLiteral("DB0ABC")}));
    const QString connB = BusClient::Path(
        b.Call(b.CreateApplication(), kAppInterface, "FindConnection", {QStringLiteral("DB0ABC")}));
    ASSERT_FALSE(connA.isEmpty());
    ASSERT_FALSE(connB.isEmpty());

    // A waits for a text that comes over several pieces; B reads meanwhile.
    QDBusPendingCall waitA = a.Start(connA, kConnInterface, "WaitForText", {QStringLiteral("Password:")});
    QDBusPendingCall readB = b.Start(connB, kConnInterface, "ReceiveText");
    // Both are attached once their first call runs: text from then on reaches both queues.
    ASSERT_TRUE(PumpFor([&] {
        link->EmpfangeText("Pass");
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        return readB.isFinished();
    }));
    EXPECT_EQ(BusClient::Finish(readB).arguments().value(0).toString(), "Pass");
    EXPECT_FALSE(waitA.isFinished()) << "B's read did not wait for A";
    link->EmpfangeText("word");
    link->EmpfangeText(": \xE4rger");
    EXPECT_EQ(BusClient::Error(BusClient::Finish(waitA)), "");
    EXPECT_EQ(a.Call(connA, kConnInterface, "ReceiveText").arguments().value(0).toString(),
              QString::fromUtf8(" ärger"))
        << "the rest after the match, bytes mapped through Windows-1252";

    // A leaves the bus while it waits for more: its Application goes, the wait ends with it, and B
    // keeps its queue.
    QDBusPendingCall stillWaiting = a.Start(connA, kConnInterface, "ReceiveText");
    EXPECT_FALSE(PumpFor([&] { return stillWaiting.isFinished(); }, 200));
    const int before = Applications().Count();
    ASSERT_EQ(TApplication::InstanceCount(), 2);
    a.Leave();
    ASSERT_TRUE(PumpFor([&] { return Applications().Count() == before - 1; }));
    EXPECT_TRUE(PumpFor([] { return TApplication::InstanceCount() == 1; }, 5000)) << "A's wait has ended";
    link->EmpfangeText("more");
    QString receivedB;
    do {
        receivedB = b.Call(connB, kConnInterface, "ReceiveText").arguments().value(0).toString();
    } while (receivedB == "Pass");
    EXPECT_EQ(receivedB, "word");
    // A's slot is free again: B and fifteen more clients fit on the link.
    std::vector<std::shared_ptr<TApplication>> others;
    for (int i = 0; i < 15; ++i) {
        others.push_back(TApplication::Create());
        EXPECT_NO_THROW(others.back()->Attach(link)) << i;
    }
    EXPECT_THROW(TApplication::Create()->Attach(link), EAutomationError);
}

TEST_F(AutomationDBusTest, SendTextAndSendTextLineReachTheTypedQueueWithEcho) {
    const auto link = OpenLink("DB0ABC");
    const auto channel = std::make_shared<RecordingKanal>();
    link->SetKanal(channel);
    link->SetLocalEcho(true);
    BusClient client(bus.address(), "client");
    const QString conn = BusClient::Path(
        client.Call(client.CreateApplication(), kAppInterface, "FindConnection", {QStringLiteral("DB0ABC")}));

    ASSERT_EQ(BusClient::Error(client.Call(conn, kConnInterface, "SendText", {QString::fromUtf8("Grüße")})),
              "");
    ASSERT_EQ(BusClient::Error(client.Call(conn, kConnInterface, "SendTextLine", {QStringLiteral("dir")})),
              "");
    ASSERT_EQ(BusClient::Error(client.Call(conn, kConnInterface, "SendBytes", {QByteArray("a\0b", 3)})), "");
    TStringQueue& typed = link->GetTypedTextQueue();
    ASSERT_EQ(typed.Count(), 3);
    EXPECT_EQ(typed.PopString(), "Gr\xFC\xDF"
                                 "e");
    EXPECT_EQ(typed.PopString(), "dir\r");
    EXPECT_EQ(typed.PopString(), std::string("a\0b", 3));
    EXPECT_TRUE(channel->Has("Gesendet Gr\xFC\xDF"
                             "e"));
    EXPECT_TRUE(channel->Has("Gesendet dir\r"));
}

TEST_F(AutomationDBusTest, SendingOnAReleasedLinkAnswersConnectionReleased) {
    const auto link = OpenLink("DB0ABC");
    BusClient client(bus.address(), "client");
    const QString conn = BusClient::Path(
        client.Call(client.CreateApplication(), kAppInterface, "FindConnection", {QStringLiteral("DB0ABC")}));
    ASSERT_FALSE(conn.isEmpty());
    link->Release();
    EXPECT_EQ(BusClient::Error(client.Call(conn, kConnInterface, "SendText", {QStringLiteral("x")})),
              BusClient::Failed("Connection released"));
    EXPECT_EQ(BusClient::Error(client.Call(conn, kConnInterface, "SendTextLine", {QStringLiteral("x")})),
              BusClient::Failed("Connection released"));
    EXPECT_EQ(BusClient::Error(client.Call(conn, kConnInterface, "SendBytes", {QByteArray("x")})),
              BusClient::Failed("Connection released"));
    EXPECT_TRUE(link->GetTypedTextQueue().IsEmpty());
}

TEST_F(AutomationDBusTest, FindConnectionIgnoresCaseAndReceiveTextAttachesTheFinder) {
    const auto link = OpenLink("DB0ABC-7");
    BusClient client(bus.address(), "client");
    const QString app = client.CreateApplication();
    EXPECT_EQ(BusClient::Path(client.Call(app, kAppInterface, "FindConnection", {QStringLiteral("nobody")})),
              "/");
    const QString conn =
        BusClient::Path(client.Call(app, kAppInterface, "FindConnection", {QStringLiteral("db0abc-7")}));
    ASSERT_TRUE(conn.startsWith(app + "/Conn/"));
    EXPECT_EQ(client.Property(conn, kConnInterface, "Call").toString(), "DB0ABC-7");
    EXPECT_EQ(
        BusClient::Path(client.Call(app, kAppInterface, "FindConnection", {QStringLiteral("DB0ABC-7")})),
        conn)
        << "one object per link and client";

    QDBusPendingCall read = client.Start(conn, kConnInterface, "ReceiveBytes");
    ASSERT_TRUE(PumpFor([&] {
        link->EmpfangeText(std::string("x\0y", 3));
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        return read.isFinished();
    }));
    EXPECT_EQ(BusClient::Finish(read).arguments().value(0).toByteArray(), QByteArray("x\0y", 3));

    // A released link answers its waiting client with the error, and later calls too.
    QDBusPendingCall waiting = client.Start(conn, kConnInterface, "WaitForText", {QStringLiteral("never")});
    EXPECT_FALSE(PumpFor([&] { return waiting.isFinished(); }, 200));
    link->Release();
    EXPECT_EQ(BusClient::Error(BusClient::Finish(waiting)), BusClient::Failed("Connection released"));
    EXPECT_EQ(BusClient::Error(client.Call(conn, kConnInterface, "ReceiveText")),
              BusClient::Failed("Connection released"));
}

TEST_F(AutomationDBusTest, ReleaseAndLeavingTheBusRemoveTheApplicationAndItsObjects) {
    BusClient client(bus.address(), "client");
    const QString first = client.CreateApplication();
    const QString second = client.CreateApplication();
    ASSERT_EQ(Applications().Count(), 2);
    ASSERT_EQ(BusClient::Error(client.Call(first, kAppInterface, "Release")), "");
    EXPECT_EQ(Applications().Count(), 1);
    EXPECT_TRUE(BusClient::Error(client.Call(first, kAppInterface, "MyCalls"))
                    .startsWith("org.freedesktop.DBus.Error.UnknownObject"));
    client.Leave();
    EXPECT_TRUE(PumpFor([] { return Applications().Count() == 0; }));
    BusClient other(bus.address(), "other");
    EXPECT_TRUE(BusClient::Error(other.Call(second, kAppInterface, "MyCalls"))
                    .startsWith("org.freedesktop.DBus.Error.UnknownObject"));
}

TEST_F(AutomationDBusTest, GdbusCreatesAnApplicationThatGoesWhenGdbusEnds) {
    const QString gdbus = QStandardPaths::findExecutable("gdbus");
    if (gdbus.isEmpty()) {
        GTEST_SKIP() << "gdbus is not installed (package libglib2.0-bin)";
    }
    QProcess process;
    process.start(gdbus, {"call", "--address", bus.address(), "--dest", kBusName, "--object-path",
                          "/org/quarn/Quarn", "--method", "org.quarn.Quarn.Factory.CreateApplication"});
    ASSERT_TRUE(PumpFor([&] { return process.state() == QProcess::NotRunning; }));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(process.readAllStandardOutput().trimmed(), "(objectpath '/org/quarn/Quarn/App/1',)");
    EXPECT_TRUE(PumpFor([] { return Applications().Count() == 0; })) << "gdbus left the bus";
}

TEST_F(AutomationDBusTest, ASecondServerOnTheSameBusFindsTheNameTaken) {
    const TAutomationServer second(bus.address());
    EXPECT_EQ(second.Result(), TAutomationServer::TResult::NameTaken);
}

TEST(AutomationServerTest, NoBusAtTheAddressIsReported) {
    const TAutomationServer server(QStringLiteral("unix:path=/nonexistent/quarn-test-bus"));
    EXPECT_EQ(server.Result(), TAutomationServer::TResult::NoBus);
}

} // namespace
} // namespace quarn::test
