// velquarin: set up, tune and watch servo drives over a serial port or a CAN bus.
#include "res/ProgramIcon.h"
#include "shell/frame/BrantovelixApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(ProgramIcon());
    if (!theApp.InitInstance())
        return 1;
    const int code = app.exec();
    theApp.ExitInstance();
    return code;
}
