#include "ui/InfoSlogans.h"

#include "platform/Exception.h"

#include <QCoreApplication>
#include <array>

namespace quarn {
namespace {

// Translated with the About box's texts.
#define QUARN_SLOGAN(text) QT_TRANSLATE_NOOP("TDlgInfo", text)

constexpr std::array<const char*, kSloganAnzahl> kSlogans = {
    QUARN_SLOGAN("Packet-Radio: die Post, die durch die Luft geht."),
    QUARN_SLOGAN("73 und gute Verbindungen!"),
    QUARN_SLOGAN("Wer sendet, der findet."),
    QUARN_SLOGAN("Jedes Bit kommt an, früher oder später."),
    QUARN_SLOGAN("AX.25: Geduld in Paketen."),
    QUARN_SLOGAN("Mit Quarn bleibt kein Kanal unbeobachtet."),
    QUARN_SLOGAN("Vierzig Kanäle, ein Terminal."),
    QUARN_SLOGAN("Der Digipeater wartet nicht ewig."),
    QUARN_SLOGAN("Zuhören ist die halbe Verbindung."),
    QUARN_SLOGAN("Erst hören, dann senden."),
    QUARN_SLOGAN("Ein gutes QSO beginnt mit einem klaren Rufzeichen."),
    QUARN_SLOGAN("Die Antenne ist der beste Verstärker."),
    QUARN_SLOGAN("Auch 1200 Baud bringen ans Ziel."),
    QUARN_SLOGAN("Datei verschickt? AutoBIN rechnet nach."),
    QUARN_SLOGAN("Die Mailbox vergisst nichts."),
    QUARN_SLOGAN("Funk verbindet, auch ohne Kabel."),
    QUARN_SLOGAN("Wo kein Netz ist, da ist Packet."),
    QUARN_SLOGAN("Hostmode: der TNC spricht, Quarn versteht."),
    QUARN_SLOGAN("Connect, Text, Disconnect, und dazwischen ein Gespräch."),
    QUARN_SLOGAN("Kurze Pakete, lange Reichweite."),
    QUARN_SLOGAN("Jeder Knoten ein Freund."),
    QUARN_SLOGAN("Der Monitor sieht alles."),
    QUARN_SLOGAN("Die Prüfsumme sagt: alles heil angekommen."),
    QUARN_SLOGAN("Ein Terminal für lange Funkabende."),
    QUARN_SLOGAN("Vom Shack in die Welt."),
    QUARN_SLOGAN("Ruhig bleiben, der Frame kommt wieder."),
    QUARN_SLOGAN("Gut gefiltert ist halb gelesen."),
    QUARN_SLOGAN("Danke fürs Mitfunken!"),
};

#undef QUARN_SLOGAN

} // namespace

TSloganWahl SloganWaehlen(std::optional<std::uint32_t> gespeichert) {
    const int index = static_cast<int>(gespeichert.value_or(0) % kSloganAnzahl);
    return {index, static_cast<std::uint32_t>(index) + 1};
}

int NaechsterSlogan(int index) {
    return (index + 1) % kSloganAnzahl;
}

QString SloganText(int index) {
    QUARN_ASSERT(index >= 0 && index < kSloganAnzahl, "DlgInfoU");
    return QCoreApplication::translate("TDlgInfo", kSlogans[static_cast<std::size_t>(index)]);
}

} // namespace quarn
