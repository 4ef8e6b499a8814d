#include "foundation/QuarnApplication.h"
#include "foundation/StartupU.h"
#include "ui/Hauptfenster.h"

#include <memory>

int main(int argc, char** argv) {
    // The application comes first: everything the start-up does may need it.
    quarn::TQuarnApplication application(argc, argv);
    return quarn::RunProgram(application, [] { return std::make_unique<quarn::THauptfenster>(); });
}
