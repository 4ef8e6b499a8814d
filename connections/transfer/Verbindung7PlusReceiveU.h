#pragma once

#include "connections/ZeilenEmpfangU.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace quarn {

class IDateiSenden;

// The header fields of a 7plus start line, taken by column.
struct T7PlusKopf {
    int teil = -1;    // -1 when not a number
    int anzahl = -1;  // -1 likewise
    std::string name; // as announced, trimmed
    int zeilen = 0;   // lines the part is expected to hold
};
T7PlusKopf Lies7PlusKopf(std::string_view header);
// The extension of the stored part: ".7pl" for a single part (and for a part number that cannot be
// read), else ".p" with the part number in two upper-case hexadecimal digits.
std::string SiebenPlusEndung(const T7PlusKopf& kopf);

// Stores one 7plus part as it is received, after a line beginning with " go_7+. ", in the receive
// folder under the announced name with the part's extension. The part is not decoded.
class TVerbindung7PlusReceive : public TZeilenEmpfang {
public:
    TVerbindung7PlusReceive(std::shared_ptr<TVerbindungAbstract> owner,
                            std::shared_ptr<IVerbindungFuerModul> connection);

    std::string GetClassName() const override;

protected:
    void Init() override;
    void ReceiveData() override;
    void Terminated(int reason) override;
    void FortschrittBeenden() override;

private:
    void Zeile(const std::string& line);

    std::string zeile_;
    T7PlusKopf kopf_;
    std::int64_t empfangen_ = 0;
    std::shared_ptr<IDateiSenden> fortschritt_;
};

} // namespace quarn
