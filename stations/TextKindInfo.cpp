#include "stations/TextKindInfo.h"

#include "platform/Exception.h"

#include <QCoreApplication>
#include <array>

namespace quarn {

namespace {

constexpr const char* kUnit = "TexteU";
constexpr int kFirstModule = 4;

struct KindRow {
    const char* name;
    bool nurGlobal;
};

constexpr std::array<KindRow, kFirstModule> kFixedKinds = {{
    {QT_TRANSLATE_NOOP("TTexte", "Begrüßung"), false},
    {QT_TRANSLATE_NOOP("TTexte", "Abschied (//Q)"), false},
    {QT_TRANSLATE_NOOP("TTexte", "Info über die Station (//I)"), true},
    {QT_TRANSLATE_NOOP("TTexte", "Neuigkeiten (//NE)"), false},
}};

constexpr const char* kModuleName = QT_TRANSLATE_NOOP("TTexte", "Textbaustein %d (Strg+%d)");

// Fills the "%d" of a (translated) pattern in order; the pattern is never used as a printf format, so a
// translation cannot bring in other conversions.
QString FillNumbers(QString pattern, int first, int second) {
    const int at = pattern.indexOf(QLatin1String("%d"));
    if (at >= 0) {
        pattern.replace(at, 2, QString::number(first));
    }
    const int next = pattern.indexOf(QLatin1String("%d"), at < 0 ? 0 : at + QString::number(first).size());
    if (next >= 0) {
        pattern.replace(next, 2, QString::number(second));
    }
    return pattern;
}

} // namespace

TTextKindInfo TextKindInfo(int kind) {
    if (kind < 0 || kind >= kTextKindCount) {
        return {};
    }
    if (kind < kFirstModule) {
        const KindRow& row = kFixedKinds[static_cast<std::size_t>(kind)];
        return TTextKindInfo{QCoreApplication::translate("TTexte", row.name), kind, row.nurGlobal};
    }
    const int module = kind - kFirstModule + 1;
    return TTextKindInfo{FillNumbers(QCoreApplication::translate("TTexte", kModuleName), module, module % 10),
                         kind, false};
}

int TextKindForDigit(int digit) {
    QUARN_ASSERT(digit >= 0 && digit <= 9, kUnit);
    return (digit + 9) % 10 + kFirstModule;
}

} // namespace quarn
