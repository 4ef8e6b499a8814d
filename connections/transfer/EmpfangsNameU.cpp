#include "connections/transfer/EmpfangsNameU.h"

#include "connections/send/DateiSendenU.h"
#include "foundation/FileUtilsU.h"
#include "platform/Codepage.h"

#include <string>

namespace quarn {

std::filesystem::path EmpfangsPfad(const std::filesystem::path& folder, std::string_view name,
                                   std::string_view remoteCall) {
    std::string safe = TDateiSenden::SichererName(name, remoteCall);
    if (safe.empty()) {
        safe = TDateiSenden::SichererName("..", remoteCall);
    }
    // A name the file system cannot hold would keep the data from ever being stored.
    return folder / FitFileName(Cp1252ToUtf8(safe));
}

} // namespace quarn
