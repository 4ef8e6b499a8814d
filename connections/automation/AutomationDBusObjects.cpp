#include "connections/automation/AutomationDBusObjects.h"

#include "connections/automation/ApplicationU.h"
#include "connections/automation/AutomationConnect.h"
#include "connections/automation/AutomationHub.h"
#include "foundation/InterfacesU.h"
#include "platform/Codepage.h"
#include "stations/MyCallsAuto.h"

#include <QDBusMessage>
#include <any>

namespace quarn {
namespace {

// Texts on the bus are Unicode; inside they are Windows-1252 bytes.
std::string Bytes(const QString& text) {
    return QStringToCp1252(text);
}
QString Text(std::string_view bytes) {
    return Cp1252ToQString(bytes);
}

// Runs a call that answers at once: its exception becomes the client's error.
// A property write has no call to answer: `failed` tells the caller instead.
template <class F>
auto Guarded(QDBusContext& context, F function, bool* failed = nullptr) -> decltype(function()) {
    try {
        return function();
    } catch (const std::exception& error) {
        if (context.calledFromDBus()) {
            context.sendErrorReply(QString::fromLatin1(kAutomationError),
                                   QString::fromStdString(AutomationErrorText(error)));
        } else if (failed != nullptr) {
            *failed = true;
        }
    }
    return decltype(function())();
}

// An index as the client sent it, in the form the own-call collection reads.
std::any Index(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString().toStdString();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar: {
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        return ok && number >= INT_MIN && number <= INT_MAX ? std::any(static_cast<int>(number)) : std::any();
    }
    case QMetaType::Double:
        return static_cast<int>(value.toDouble());
    default:
        return {};
    }
}

} // namespace

// ---- factory ----

TDBusFactory::TDBusFactory(TAutomationHub& hub) : hub_(hub) {}

QDBusObjectPath TDBusFactory::CreateApplication() {
    return Guarded(
        *this, [&] { return hub_.CreateApplication(calledFromDBus() ? message().service() : QString()); });
}

// ---- Application ----

TDBusApplication::TDBusApplication(TAutomationHub& hub, int id, std::shared_ptr<TApplication> client)
    : hub_(hub), id_(id), client_(std::move(client)) {}

QString TDBusApplication::Path() const {
    return QString::fromLatin1(kAutomationRoot) + QLatin1String("/App/") + QString::number(id_);
}

bool TDBusApplication::Visible() {
    return Guarded(*this, [&] { return client_->Get_Visible(); });
}

void TDBusApplication::SetVisible(bool visible) {
    Guarded(*this, [&] { client_->Set_Visible(visible); });
}

void TDBusApplication::Show() {
    Guarded(*this, [&] { client_->Show(); });
}

void TDBusApplication::Hide() {
    Guarded(*this, [&] { client_->Hide(); });
}

QDBusObjectPath TDBusApplication::MyCalls() {
    return Guarded(*this, [&] {
        const auto snapshot = std::static_pointer_cast<TMyCallsAuto>(client_->Get_MyCalls());
        const QString path = Path() + QLatin1String("/MyCalls/") + QString::number(nextMyCalls_++);
        auto* calls = new TDBusMyCalls(path, Path(), snapshot, this);
        hub_.Bus().registerObject(path, calls,
                                  QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
        for (int index = 0; index < snapshot->Get_Count(); ++index) {
            auto* call = new TDBusMyCall(snapshot->Item(index), calls);
            hub_.Bus().registerObject(path + QLatin1Char('/') + QString::number(index), call,
                                      QDBusConnection::ExportAllProperties);
        }
        return QDBusObjectPath(path);
    });
}

QList<QDBusObjectPath> TDBusApplication::Connections() {
    // The collection of connections has no implementation: nothing, and no error.
    return {};
}

QDBusObjectPath TDBusApplication::Connect(const QString& path) {
    setDelayedReply(true);
    hub_.ConnectBlocking(message(), id_, client_, Bytes(path));
    return {};
}

QDBusObjectPath TDBusApplication::FindConnection(const QString& call) {
    return Guarded(*this, [&] {
        const std::shared_ptr<IVerbindung> connection = client_->FindConnection(Bytes(call));
        return connection ? hub_.ConnectionPath(*this, connection) : QDBusObjectPath(QStringLiteral("/"));
    });
}

void TDBusApplication::Release() {
    // The answer goes before the object does.
    hub_.RemoveApplication(id_);
}

// ---- own calls ----

TDBusMyCalls::TDBusMyCalls(QString path, QString applicationPath, std::shared_ptr<TMyCallsAuto> calls,
                           QObject* parent)
    : QObject(parent), path_(std::move(path)), applicationPath_(std::move(applicationPath)),
      calls_(std::move(calls)) {}

int TDBusMyCalls::Count() const {
    return calls_->Get_Count();
}

QDBusObjectPath TDBusMyCalls::Application() const {
    return QDBusObjectPath(applicationPath_);
}

QDBusObjectPath TDBusMyCalls::Item(const QDBusVariant& index) {
    return Guarded(*this, [&] {
        const std::any value = Index(index.variant());
        calls_->Item(value); // raises for an index out of range
        return QDBusObjectPath(path_ + QLatin1Char('/') + QString::number(AutomationIndex(value)));
    });
}

QStringList TDBusMyCalls::All() {
    QStringList calls;
    for (int index = 0; index < calls_->Get_Count(); ++index) {
        calls.append(Text(calls_->Item(index)->Get_Call()));
    }
    return calls;
}

TDBusMyCall::TDBusMyCall(std::shared_ptr<IMyCall> call, QObject* parent)
    : QObject(parent), call_(std::move(call)) {}

QString TDBusMyCall::Call() const {
    return Text(call_->Get_Call());
}

// ---- connection ----

TDBusConnection::TDBusConnection(TAutomationHub& hub, std::shared_ptr<TApplication> client,
                                 std::shared_ptr<IVerbindung> connection, QObject* parent)
    : QObject(parent), hub_(hub), client_(std::move(client)), connection_(std::move(connection)) {}

template <class F> auto TDBusConnection::Guard(F function) -> decltype(function()) {
    return Guarded(*this, std::move(function), &writeFailed_);
}

int TDBusConnectionObject::qt_metacall(QMetaObject::Call call, int id, void** arguments) {
    writeFailed_ = false;
    const int result = TDBusConnection::qt_metacall(call, id, arguments);
    // A refused write is reported as a failed write, which the bus passes on as an error.
    if (call == QMetaObject::WriteProperty && writeFailed_) {
        *static_cast<int*>(arguments[2]) = 0;
    }
    return result;
}

QString TDBusConnection::Call() {
    return Guard([&] { return Text(connection_->Get_Call()); });
}
void TDBusConnection::SetCall(const QString& call) {
    Guard([&] { connection_->Set_Call(Bytes(call)); });
}
QString TDBusConnection::MyCall() {
    return Guard([&] { return Text(connection_->Get_MyCall()); });
}
void TDBusConnection::SetMyCall(const QString& call) {
    Guard([&] { connection_->Set_MyCall(Bytes(call)); });
}
QString TDBusConnection::Digis() {
    return Guard([&] { return Text(connection_->Get_Digis()); });
}
void TDBusConnection::SetDigis(const QString& digis) {
    Guard([&] { connection_->Set_Digis(Bytes(digis)); });
}
QString TDBusConnection::Path() {
    return Guard([&] { return Text(connection_->Get_Path()); });
}
void TDBusConnection::SetPath(const QString& path) {
    Guard([&] { connection_->Set_Path(Bytes(path)); });
}
QString TDBusConnection::RealPath() {
    return Guard([&] { return Text(connection_->Get_RealPath()); });
}
void TDBusConnection::SetRealPath(const QString& path) {
    Guard([&] { connection_->Set_RealPath(Bytes(path)); });
}
int TDBusConnection::Handle() {
    return Guard([&] { return static_cast<int>(connection_->Get_Handle()); });
}
void TDBusConnection::SetHandle(int handle) {
    Guard([&] { connection_->Set_Handle(handle); });
}

void TDBusConnection::Disconnect() {
    Guard([&] { connection_->Disconnect(); });
}

void TDBusConnection::SendText(const QString& text) {
    Guard([&] { connection_->SendText(Bytes(text)); });
}

void TDBusConnection::SendTextLine(const QString& text) {
    Guard([&] { connection_->SendTextLine(Bytes(text)); });
}

void TDBusConnection::SendBytes(const QByteArray& bytes) {
    Guard([&] {
        connection_->SendText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    });
}

void TDBusConnection::WaitForText(const QString& text) {
    setDelayedReply(true);
    hub_.RunBlocking(message(), [client = client_, connection = connection_, wanted = Bytes(text)] {
        client->WaitForText(connection, wanted);
        return QVariant();
    });
}

QString TDBusConnection::ReceiveText() {
    setDelayedReply(true);
    hub_.RunBlocking(message(), [client = client_, connection = connection_] {
        return QVariant(Text(client->ReceiveText(connection)));
    });
    return {};
}

QByteArray TDBusConnection::ReceiveBytes() {
    setDelayedReply(true);
    hub_.RunBlocking(message(), [client = client_, connection = connection_] {
        const std::string piece = client->ReceiveText(connection);
        return QVariant(QByteArray(piece.data(), static_cast<qsizetype>(piece.size())));
    });
    return {};
}

} // namespace quarn
