#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

namespace quarn {

class IMyCall;
class IVerbindung;
class TApplication;
class TAutomationHub;
class TMyCallsAuto;

// The objects a client sees on the bus. Each lives on the automation thread and forwards to the
// program's own objects; a call that may wait (Connect, WaitForText, ReceiveText, ReceiveBytes)
// answers later from a worker, so it holds up neither the bus nor another client. Failures reach the
// client as org.quarn.Quarn.Error.Failed with the program's text.

// Answers org.freedesktop.DBus.Properties for the object it belongs to. The bus library's own answer to
// a refused write is "Internal error"; here the object's setter reports its failure itself, so the client
// gets the service's error name and the program's text, as for any other call. The object must be
// registered with its adaptors exported.
class TDBusProperties : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.DBus.Properties")
    // The bus library lists the standard interface already.
    Q_CLASSINFO("D-Bus Introspection", "")

public:
    TDBusProperties(QObject* object, QDBusContext& context, QString interface);

public Q_SLOTS:
    QDBusVariant Get(const QString& interface, const QString& name);
    void Set(const QString& interface, const QString& name, const QDBusVariant& value);
    QVariantMap GetAll(const QString& interface);

private:
    // The property, or -1 after the error reply.
    int Find(const QString& interface, const QString& name);

    QObject* const object_;
    QDBusContext& context_;
    const QString interface_;
};

// /org/quarn/Quarn: makes one Application per call, owned by the caller's bus connection.
class TDBusFactory : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quarn.Quarn.Factory")

public:
    explicit TDBusFactory(TAutomationHub& hub);

public Q_SLOTS:
    QDBusObjectPath CreateApplication();

private:
    TAutomationHub& hub_;
};

// /org/quarn/Quarn/App/<n>
class TDBusApplication : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quarn.Quarn.Application")
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)

public:
    TDBusApplication(TAutomationHub& hub, int id, std::shared_ptr<TApplication> client);

    int Id() const { return id_; }
    QString Path() const;
    const std::shared_ptr<TApplication>& Client() const { return client_; }
    bool Visible();
    void SetVisible(bool visible);

public Q_SLOTS:
    void Show();
    void Hide();
    QDBusObjectPath MyCalls();
    QList<QDBusObjectPath> Connections();
    QDBusObjectPath Connect(const QString& path);
    QDBusObjectPath FindConnection(const QString& call);
    void Release();

Q_SIGNALS:
    // Declared for clients that listen for it; nothing raises it.
    void OnTest(const QString& param1, int param2);

private:
    TAutomationHub& hub_;
    const int id_;
    const std::shared_ptr<TApplication> client_;
    int nextMyCalls_ = 1;
};

// .../MyCalls/<k>: a snapshot of the own calls.
class TDBusMyCalls : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quarn.Quarn.MyCalls")
    Q_PROPERTY(int Count READ Count)
    Q_PROPERTY(QDBusObjectPath Application READ Application)

public:
    TDBusMyCalls(QString path, QString applicationPath, std::shared_ptr<TMyCallsAuto> calls, QObject* parent);
    int Count() const;
    QDBusObjectPath Application() const;
    QString Path() const { return path_; }

public Q_SLOTS:
    QDBusObjectPath Item(const QDBusVariant& index);
    QStringList All();

private:
    const QString path_;
    const QString applicationPath_;
    const std::shared_ptr<TMyCallsAuto> calls_;
};

// .../MyCalls/<k>/<i>
class TDBusMyCall : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quarn.Quarn.MyCall")
    Q_PROPERTY(QString Call READ Call)

public:
    TDBusMyCall(std::shared_ptr<IMyCall> call, QObject* parent);
    QString Call() const;

private:
    const std::shared_ptr<IMyCall> call_;
};

// .../Conn/<serial>: a connection as one client sees it (its own queue of received text). Its calls,
// paths and handle can be written only while the link is being set up: afterwards the device owns them.
class TDBusConnection : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quarn.Quarn.Connection")
    Q_PROPERTY(QString Call READ Call WRITE SetCall)
    Q_PROPERTY(QString MyCall READ MyCall WRITE SetMyCall)
    Q_PROPERTY(QString Digis READ Digis WRITE SetDigis)
    Q_PROPERTY(QString Path READ Path WRITE SetPath)
    Q_PROPERTY(QString RealPath READ RealPath WRITE SetRealPath)
    Q_PROPERTY(int Handle READ Handle WRITE SetHandle)

public:
    TDBusConnection(TAutomationHub& hub, std::shared_ptr<TApplication> client,
                    std::shared_ptr<IVerbindung> connection, QObject* parent);

    const std::shared_ptr<IVerbindung>& Connection() const { return connection_; }

    QString Call();
    void SetCall(const QString& call);
    QString MyCall();
    void SetMyCall(const QString& call);
    QString Digis();
    void SetDigis(const QString& digis);
    QString Path();
    void SetPath(const QString& path);
    QString RealPath();
    void SetRealPath(const QString& path);
    int Handle();
    void SetHandle(int handle);

public Q_SLOTS:
    void Disconnect();
    void SendText(const QString& text);
    void SendTextLine(const QString& text);
    void WaitForText(const QString& text);
    QString ReceiveText();
    void SendBytes(const QByteArray& bytes);
    QByteArray ReceiveBytes();

private:
    // Runs a call that answers at once; its exception becomes the client's error.
    template <class F> auto Guard(F function) -> decltype(function());

    TAutomationHub& hub_;
    const std::shared_ptr<TApplication> client_;
    const std::shared_ptr<IVerbindung> connection_;
};

} // namespace quarn
