// The program velnor07.

#include "Program.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // The program ends when its main window closes, not when its last window does.
    application.setQuitOnLastWindowClosed(false);
    return Program::Run();
}
