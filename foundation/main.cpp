#include "foundation/StartupU.h"

#include <QApplication>

int main(int argc, char** argv) {
    // The application comes first: everything the start-up does may need it.
    QApplication application(argc, argv);
    return quarn::RunProgram(application);
}
