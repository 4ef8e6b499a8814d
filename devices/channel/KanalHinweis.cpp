// The hints a channel shows over its console and its button.
#include "devices/channel/KanalHinweis.h"

#include <QCoreApplication>
#include <QTimeZone>
#include <cctype>

namespace quarn {
namespace {

constexpr int kMaxWort = 11;

bool IstRufzeichenZeichen(char c) {
    const auto u = static_cast<unsigned char>(c);
    return c == '-' || (u < 0x80 && std::isalnum(u) != 0);
}

QString Tr(const char* text) {
    return QCoreApplication::translate("TKanal", text);
}

QString Anzahl(qint64 count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(Tr(count == 1 ? one : many));
}

} // namespace

std::string RufzeichenWort(std::string_view zeile, int spalte) {
    if (spalte < 0 || static_cast<std::size_t>(spalte) >= zeile.size() ||
        !IstRufzeichenZeichen(zeile[spalte])) {
        return {};
    }
    std::size_t first = static_cast<std::size_t>(spalte);
    while (first > 0 && IstRufzeichenZeichen(zeile[first - 1])) {
        --first;
    }
    std::size_t last = static_cast<std::size_t>(spalte) + 1;
    while (last < zeile.size() && IstRufzeichenZeichen(zeile[last])) {
        ++last;
    }
    std::string word(zeile.substr(first, std::min<std::size_t>(last - first, kMaxWort)));
    for (char& c : word) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return word;
}

QString ZeilenAlterHinweis(std::uint32_t zeitStempel, const QDateTime& jetzt) {
    if (zeitStempel == 0) {
        return {};
    }
    // Both moments as local wall-clock seconds, the way the console stamps its lines.
    const QDateTime zeile = QDateTime::fromSecsSinceEpoch(zeitStempel, QTimeZone::utc());
    const QDateTime lokal(jetzt.date(), jetzt.time(), QTimeZone::utc());
    // A clock set back gives no negative age.
    const qint64 alter = std::max<qint64>(0, zeile.secsTo(lokal));

    QString prefix;
    const qint64 tage = zeile.date().daysTo(lokal.date());
    if (tage == 0) {
        prefix = Tr("Heute") + QStringLiteral(", ");
    } else if (tage == 1) {
        prefix = Tr("Gestern") + QStringLiteral(", ");
    }

    const qint64 d = alter / 86400;
    const qint64 h = alter / 3600 % 24;
    const qint64 m = alter / 60 % 60;
    const qint64 s = alter % 60;
    QString age;
    if (d > 0) {
        age += Anzahl(d, "Tag", "Tagen") + QStringLiteral(", ");
    }
    if (d > 0 || h > 0) {
        age += Anzahl(h, "Stunde", "Stunden") + QStringLiteral(", ");
    }
    if (d > 0 || h > 0 || m > 0) {
        age += Anzahl(m, "Minute", "Minuten") + QStringLiteral(", ");
    }
    age += Anzahl(s, "Sekunde", "Sekunden");

    const QString wann = zeile.toString(QStringLiteral("dd.MM.yyyy, hh:mm:ss"));
    return QStringLiteral("%1%2\r(%3 %4)").arg(prefix, wann, Tr("vor"), age);
}

QString KurzerHinweis(const QString& hinweis) {
    return hinweis.section(QLatin1Char('|'), 0, 0);
}

} // namespace quarn
