#include "foundation/SharedEnums.h"

#include <QCoreApplication>
#include <QtGlobal>

namespace quarn {

namespace {

// One translation context for these tables, so that a language's catalogue holds each word once.
constexpr const char* kContext = "SharedEnums";

const char* const kStationTypeNames[] = {
    QT_TRANSLATE_NOOP("SharedEnums", "Automatisch"), QT_TRANSLATE_NOOP("SharedEnums", "Digi"),
    QT_TRANSLATE_NOOP("SharedEnums", "Mailbox"),     QT_TRANSLATE_NOOP("SharedEnums", "Convers"),
    QT_TRANSLATE_NOOP("SharedEnums", "Terminal"),    QT_TRANSLATE_NOOP("SharedEnums", "Cluster"),
};

const char* const kPasswortMethodeNames[] = {"BayCom", "MD5", "DieBox"};

const char* const kPasswortArtNames[] = {
    QT_TRANSLATE_NOOP("SharedEnums", "Benutzer"),
    QT_TRANSLATE_NOOP("SharedEnums", "Sysop"),
};

const char* const kGeraetStatusTexts[] = {
    QT_TRANSLATE_NOOP("SharedEnums", "Bereit"),
    QT_TRANSLATE_NOOP("SharedEnums", "Init"),
    QT_TRANSLATE_NOOP("SharedEnums", "Fehler"),
    QT_TRANSLATE_NOOP("SharedEnums", "Inaktiv"),
};

template <std::size_t N> const char* Lookup(const char* const (&table)[N], int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= N) {
        return nullptr;
    }
    return table[index];
}

template <std::size_t N> QString Translated(const char* const (&table)[N], int index) {
    const char* source = Lookup(table, index);
    return source ? QCoreApplication::translate(kContext, source) : QString();
}

static_assert(std::size(kStationTypeNames) == static_cast<std::size_t>(TStationType::st_last) + 1);
static_assert(std::size(kPasswortMethodeNames) == kPasswortMethodeCount);
static_assert(std::size(kPasswortArtNames) == kPasswortArtCount);
static_assert(std::size(kGeraetStatusTexts) == static_cast<std::size_t>(TGeraetStatus::Inaktiv) + 1);

} // namespace

QString StationTypeName(int kind) {
    if (!Lookup(kStationTypeNames, kind)) {
        return QStringLiteral("[undef]");
    }
    return Translated(kStationTypeNames, kind);
}

QString PasswortMethodeName(int method) {
    const char* name = Lookup(kPasswortMethodeNames, method);
    return name ? QString::fromLatin1(name) : QString();
}

QString PasswortArtName(int kind) {
    return Translated(kPasswortArtNames, kind);
}

QString GeraetStatusText(int status) {
    return Translated(kGeraetStatusTexts, status);
}

} // namespace quarn
