#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

namespace quarn {

// The call-sign-like word of a console row around a column: the run of letters, digits and "-" that
// holds the column, at most 11 characters from where it starts. Empty when the column is not on one.
std::string RufzeichenWort(std::string_view zeile, int spalte);

// The hint over a console line's gutter: when the line was written and how long ago, e.g.
// "Heute, 11.12.2026, 00:10:05\r(vor 1 Stunde, 5 Minuten, 3 Sekunden)". `zeitStempel` is the line's
// local time in seconds since 1970 (0: none, no hint); `jetzt` the local time now.
QString ZeilenAlterHinweis(std::uint32_t zeitStempel, const QDateTime& jetzt);

// The short part of a button hint: its text before "|".
QString KurzerHinweis(const QString& hinweis);

} // namespace quarn
