#include "connections/automation/AutomationDBusObjects.h"

#include "connections/automation/ApplicationU.h"
#include "connections/automation/AutomationConnect.h"
#include "connections/automation/AutomationHub.h"
#include "foundation/InterfacesU.h"
#include "platform/Codepage.h"
#include "stations/MyCallsAuto.h"

#include <QDBusMessage>
#include <QMetaProperty>
#include <any>
#include <climits>
#include <cmath>

namespace quarn {
namespace {

// Texts on the bus are Unicode; inside they are Windows-1252 bytes.
std::string Bytes(const QString& text) {
    return QStringToCp1252(text);
}
QString Text(std::string_view bytes) {
    return Cp1252ToQString(bytes);
}

// Runs a call that answers at once: its exception becomes the client's error. Property reads and
// writes come through TDBusProperties, which sets the context as a call does.
template <class F> auto Guarded(QDBusContext& context, F function) -> decltype(function()) {
    try {
        return function();
    } catch (const std::exception& error) {
        if (context.calledFromDBus()) {
            context.sendErrorReply(QString::fromLatin1(kAutomationError),
                                   QString::fromStdString(AutomationErrorText(error)));
        }
    }
    return decltype(function())();
}

// The state of a link while it is being set up ("Verbinde...").
constexpr int kStateVerbinde = 2;

// The device fills in calls, paths and handle while it sets the link up and relies on them from then
// on: a later write would leave a link that nobody can end, saved under a handle it never had.
void NurBeimVerbinden(const IVerbindung& connection, std::string_view property) {
    if (connection.GetState() != kStateVerbinde) {
        throw EAutomationError(std::string(property) + " can only be changed while the link is being set up");
    }
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
    case QMetaType::Double: {
        // A cast of NaN or of a number beyond int is undefined: such an index is simply not found.
        const double number = std::trunc(value.toDouble());
        return std::isfinite(number) && number >= INT_MIN && number <= INT_MAX
                   ? std::any(static_cast<int>(number))
                   : std::any();
    }
    default:
        return {};
    }
}

} // namespace

// ---- properties ----

TDBusProperties::TDBusProperties(QObject* object, QDBusContext& context, QString interface)
    : QDBusAbstractAdaptor(object), object_(object), context_(context), interface_(std::move(interface)) {}

int TDBusProperties::Find(const QString& interface, const QString& name) {
    if (!interface.isEmpty() && interface != interface_) {
        context_.sendErrorReply(QDBusError::UnknownInterface, QStringLiteral("No interface ") + interface);
        return -1;
    }
    const int index = object_->metaObject()->indexOfProperty(name.toUtf8().constData());
    if (index < QObject::staticMetaObject.propertyCount()) {
        context_.sendErrorReply(QDBusError::UnknownProperty, QStringLiteral("No property ") + name);
        return -1;
    }
    return index;
}

QDBusVariant TDBusProperties::Get(const QString& interface, const QString& name) {
    const int index = Find(interface, name);
    if (index < 0) {
        return {};
    }
    // A getter that fails has answered the client already.
    return QDBusVariant(object_->metaObject()->property(index).read(object_));
}

void TDBusProperties::Set(const QString& interface, const QString& name, const QDBusVariant& value) {
    const int index = Find(interface, name);
    if (index < 0) {
        return;
    }
    const QMetaProperty property = object_->metaObject()->property(index);
    if (!property.isWritable()) {
        context_.sendErrorReply(QDBusError::PropertyReadOnly,
                                QStringLiteral("Property ") + name + QStringLiteral(" is read-only"));
        return;
    }
    QVariant converted = value.variant();
    if (converted.metaType() != property.metaType() && !converted.convert(property.metaType())) {
        context_.sendErrorReply(QDBusError::InvalidArgs,
                                QStringLiteral("Wrong type for property ") + name);
        return;
    }
    // A setter that refuses the value answers the client itself.
    property.write(object_, converted);
}

QVariantMap TDBusProperties::GetAll(const QString& interface) {
    if (!interface.isEmpty() && interface != interface_) {
        context_.sendErrorReply(QDBusError::UnknownInterface, QStringLiteral("No interface ") + interface);
        return {};
    }
    QVariantMap values;
    const QMetaObject* meta = object_->metaObject();
    for (int index = QObject::staticMetaObject.propertyCount(); index < meta->propertyCount(); ++index) {
        if (context_.isDelayedReply()) {
            break; // a getter failed and answered
        }
        values.insert(QString::fromLatin1(meta->property(index).name()), meta->property(index).read(object_));
    }
    return values;
}

// ---- factory ----

TDBusFactory::TDBusFactory(TAutomationHub& hub) : hub_(hub) {}

QDBusObjectPath TDBusFactory::CreateApplication() {
    return Guarded(
        *this, [&] { return hub_.CreateApplication(calledFromDBus() ? message().service() : QString()); });
}

// ---- Application ----

TDBusApplication::TDBusApplication(TAutomationHub& hub, int id, std::shared_ptr<TApplication> client)
    : hub_(hub), id_(id), client_(std::move(client)) {
    new TDBusProperties(this, *this, QStringLiteral("org.quarn.Quarn.Application"));
}

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
    : QObject(parent), hub_(hub), client_(std::move(client)), connection_(std::move(connection)) {
    new TDBusProperties(this, *this, QStringLiteral("org.quarn.Quarn.Connection"));
}

template <class F> auto TDBusConnection::Guard(F function) -> decltype(function()) {
    return Guarded(*this, std::move(function));
}

QString TDBusConnection::Call() {
    return Guard([&] { return Text(connection_->Get_Call()); });
}
void TDBusConnection::SetCall(const QString& call) {
    Guard([&] {
        NurBeimVerbinden(*connection_, "Call");
        connection_->Set_Call(Bytes(call));
    });
}
QString TDBusConnection::MyCall() {
    return Guard([&] { return Text(connection_->Get_MyCall()); });
}
void TDBusConnection::SetMyCall(const QString& call) {
    Guard([&] {
        NurBeimVerbinden(*connection_, "MyCall");
        connection_->Set_MyCall(Bytes(call));
    });
}
QString TDBusConnection::Digis() {
    return Guard([&] { return Text(connection_->Get_Digis()); });
}
void TDBusConnection::SetDigis(const QString& digis) {
    Guard([&] {
        NurBeimVerbinden(*connection_, "Digis");
        connection_->Set_Digis(Bytes(digis));
    });
}
QString TDBusConnection::Path() {
    return Guard([&] { return Text(connection_->Get_Path()); });
}
void TDBusConnection::SetPath(const QString& path) {
    Guard([&] {
        NurBeimVerbinden(*connection_, "Path");
        connection_->Set_Path(Bytes(path));
    });
}
QString TDBusConnection::RealPath() {
    return Guard([&] { return Text(connection_->Get_RealPath()); });
}
void TDBusConnection::SetRealPath(const QString& path) {
    Guard([&] {
        NurBeimVerbinden(*connection_, "RealPath");
        connection_->Set_RealPath(Bytes(path));
    });
}
int TDBusConnection::Handle() {
    return Guard([&] { return static_cast<int>(connection_->Get_Handle()); });
}
void TDBusConnection::SetHandle(int handle) {
    Guard([&] {
        NurBeimVerbinden(*connection_, "Handle");
        connection_->Set_Handle(handle);
    });
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
