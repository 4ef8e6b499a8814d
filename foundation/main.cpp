#include "foundation/StartupU.h"
#include "ui/Hauptfenster.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv) {
    // The application comes first: everything the start-up does may need it.
    QApplication application(argc, argv);
    return quarn::RunProgram(application, [] { return std::make_unique<quarn::THauptfenster>(); });
}
