// The program velnor07.

#include "Application.h"
#include "MenuReport.h"
#include "Program.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // The program ends when its main window closes, not when its last window does.
    application.setQuitOnLastWindowClosed(false);
    if (!Application::LoadQtTranslations())
        std::fputs("velnor07: нет русских переводов Qt (qtbase_ru.qm, пакет qt6-translations-l10n): "
                   "кнопки стандартных диалогов будут на английском\n",
                   stderr);
    MenuReport::PrepareIfAsked();
    return Program::Run();
}
