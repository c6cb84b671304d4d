#include "DemoCoreServices.h"

#include "DemoClientExport.h"
#include "DemoSettings.h"
#include "Dialogs.h"
#include "Env.h"

#include <QDateTime>
#include <QFile>
#include <QMap>

#include <cstdio>

namespace DemoCoreServices {

VEL_IMPLEMENT_CLASS(TDemoApplication)
VEL_IMPLEMENT_CLASS(TDemoHelper)
VEL_IMPLEMENT_CLASS(TLogEvent)
VEL_IMPLEMENT_CLASS(TDemoLogger)

namespace {

TDemoApplication Application;
TDemoHelper Helper;
TDemoLogger Logger;

const QMap<QString, QString>& HelpTopics()
{
    static const QMap<QString, QString> topics = {
        {QStringLiteral("TClientsClass"), QStringLiteral("Клиенты: покупатели торгового дома, лица и фирмы.")},
        {QStringLiteral("TGoodsClass"), QStringLiteral("Товары: ассортимент с ценами и поставщиками.")},
        {QStringLiteral("TSuppliersClass"), QStringLiteral("Поставщики: фирмы, у которых закупаются товары.")},
        {QStringLiteral("TWarehousesClass"), QStringLiteral("Склады: остатки каждого товара на каждом складе.")},
        {QStringLiteral("TOrdersClass"), QStringLiteral("Журнал заказов: все заказы клиентов.")},
    };
    return topics;
}

QString EventText(TObject* Event)
{
    if (auto* event = dynamic_cast<TLogEvent*>(Event))
        return event->Text;
    return Event ? Event->ClassName() : QString();
}

} // namespace

bool TDemoApplication::InitApplication()
{
    DemoSettings::ReloadOrderStatuses();
    DemoClientExport::UseReportDirectory();
    return true;
}

bool TDemoApplication::StartApplication()
{
    Started = true;
    Log(QStringLiteral("Приложение запущено"));
    return true;
}

void TDemoApplication::StopApplication()
{
    Started = false;
    Log(QStringLiteral("Приложение остановлено"));
}

void TDemoApplication::CloseApplication()
{
    DemoSettings::ForgetOrderStatuses();
}

void TDemoHelper::ShowHelp(const QString& Topic)
{
    ShowMessage(HelpTopics().value(Topic, QStringLiteral("Справка по теме «%1» отсутствует").arg(Topic)));
}

void TDemoLogger::PostToLog(TObject* Event)
{
    WriteLine(EventText(Event));
}

void TDemoLogger::PostToErrorLog(TObject* Event)
{
    WriteLine(QStringLiteral("Ошибка: ") + EventText(Event));
}

void TDemoLogger::WriteLine(const QString& Line)
{
    const QString stamped = QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss ")) + Line + QLatin1Char('\n');
    QFile file(Env::ProgramFile(QStringLiteral("demo_core.log")));
    if (file.open(QIODevice::Append | QIODevice::Text)) {
        file.write(stamped.toUtf8());
        return;
    }
    std::fputs(stamped.toLocal8Bit().constData(), stderr);
}

void Log(const QString& Text)
{
    if (!LoggerMain::Logger)
        return;
    TLogEvent event(Text);
    LoggerMain::Logger->PostToLog(&event);
}

void RegisterServices()
{
    Env::RegisterApplication(&Application);
    Env::RegisterHelper(&Helper);
    LoggerMain::RegisterLogger(&Logger);
}

void UnregisterServices()
{
    if (LoggerMain::Logger == &Logger)
        LoggerMain::UnRegisterLogger(&Logger);
    if (Env::Help == &Helper)
        Env::UnregisterHelper();
    if (Env::EntityApplication == &Application)
        Env::UnregisterApplication(&Application);
}

} // namespace DemoCoreServices
