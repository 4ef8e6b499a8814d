#pragma once

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

// .../Conn/<serial>: a connection as one client sees it (its own queue of received text). Made as
// TDBusConnectionObject.
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

protected:
    // Set by a property write the connection refused.
    bool writeFailed_ = false;

private:
    TAutomationHub& hub_;
    const std::shared_ptr<TApplication> client_;
    const std::shared_ptr<IVerbindung> connection_;
};

// A property write has no reply of its own to carry the error: the refused write is reported to the
// bus as a failed one, which answers the client with an error.
class TDBusConnectionObject final : public TDBusConnection {
public:
    using TDBusConnection::TDBusConnection;
    int qt_metacall(QMetaObject::Call call, int id, void** arguments) override;
};

} // namespace quarn
