#include "NavigatorManager.h"

#include "EClasses.h"
#include "Env.h"
#include "NUtilities.h"

#include <QGuiApplication>
#include <QScreen>

namespace NavigatorManager {

EClasses::TNavigator* CurrentNavigator = nullptr;

namespace {

void Debug(const QString& Text)
{
    NUtilities::ShowDebugMessage(Text, 0, 0, 0);
}

} // namespace

void StartNavigator()
{
    Debug(QStringLiteral("Попытка запустить навигатор"));
    if (Env::Navigators->Count() == 0)
        return;
    CurrentNavigator = dynamic_cast<EClasses::TNavigator*>(Env::Navigators->Objects(0));
    if (!CurrentNavigator)
        return;
    const int screenHeight = QGuiApplication::primaryScreen()->geometry().height();
    CurrentNavigator->SetBounds(1, 80, 150, screenHeight - 107);
    Debug(QStringLiteral("Попытка инициализации навигатора"));
    CurrentNavigator->Initialize();
    Debug(QStringLiteral("Отображение навигатора"));
    CurrentNavigator->Show();
}

void StopNavigator()
{
    if (!CurrentNavigator)
        return;
    CurrentNavigator->Hide();
    CurrentNavigator->Unplug();
}

bool CheckUnsavedObject()
{
    return true;
}

} // namespace NavigatorManager
