#include "Automation.h"

#include "ExcelServer.h"

#include <map>
#include <vector>

namespace {

// Registrations by program id in lower case, the latest last. Our own spreadsheet server
// answers "Excel.Application" unless another server is registered over it.
std::map<QString, std::vector<TAutomationFactory>>& Servers()
{
    static std::map<QString, std::vector<TAutomationFactory>> servers{
        {QStringLiteral("excel.application"), {ExcelServer::NewApplication}}};
    return servers;
}

} // namespace

void RegisterAutomationServer(const QString& ProgId, TAutomationFactory Factory)
{
    Servers()[ProgId.toLower()].push_back(std::move(Factory));
}

void UnregisterAutomationServer(const QString& ProgId)
{
    auto found = Servers().find(ProgId.toLower());
    if (found == Servers().end())
        return;
    found->second.pop_back();
    if (found->second.empty())
        Servers().erase(found);
}

TOleVariant CreateOleObject(const QString& ProgId)
{
    auto found = Servers().find(ProgId.toLower());
    if (found == Servers().end())
        throw EOleError(QStringLiteral("Недопустимая строка с указанием класса: сервер автоматизации «%1» не зарегистрирован").arg(ProgId));
    std::shared_ptr<TAutomationObject> object = found->second.back()();
    if (!object)
        throw EOleError(QStringLiteral("Сервер автоматизации «%1» не создал объект").arg(ProgId));
    return TOleVariant(std::move(object));
}
