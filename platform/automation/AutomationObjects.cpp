#include "AutomationObjects.h"

namespace {

QString KindName(const TOleVariant& Value)
{
    if (Value.IsString())
        return QStringLiteral("строка");
    if (Value.IsInteger())
        return QStringLiteral("целое число");
    if (Value.IsDouble())
        return QStringLiteral("число");
    if (Value.IsObject())
        return QStringLiteral("объект");
    return QStringLiteral("пустое значение");
}

[[noreturn]] void RaiseWrongKind(const TOleVariant& Value, const char* Expected)
{
    throw EOleError(QStringLiteral("Несоответствие типов: ожидается %1, передано значение вида «%2»")
                        .arg(QString::fromUtf8(Expected), KindName(Value)));
}

} // namespace

TOleVariant TOleVariant::ByRef(QString& Value)
{
    TOleVariant result;
    result.FValue = &Value;
    return result;
}

QString TOleVariant::AsString() const
{
    if (const auto* text = std::get_if<QString>(&FValue))
        return *text;
    if (const auto* reference = std::get_if<QString*>(&FValue))
        return **reference;
    RaiseWrongKind(*this, "строка");
}

qint32 TOleVariant::AsInteger() const
{
    if (const auto* number = std::get_if<qint32>(&FValue))
        return *number;
    RaiseWrongKind(*this, "целое число");
}

double TOleVariant::AsDouble() const
{
    if (const auto* number = std::get_if<double>(&FValue))
        return *number;
    if (const auto* number = std::get_if<qint32>(&FValue))
        return *number;
    RaiseWrongKind(*this, "число");
}

const std::shared_ptr<TAutomationObject>& TOleVariant::AsObject() const
{
    const auto* object = std::get_if<std::shared_ptr<TAutomationObject>>(&FValue);
    if (!object || !*object)
        RaiseWrongKind(*this, "объект автоматизации");
    return *object;
}

void TAutomationObject::UnknownName(const QString& Name)
{
    throw EOleError(QStringLiteral("Неизвестное имя «%1»: объект автоматизации не поддерживает этот метод или свойство").arg(Name));
}

void TAutomationObject::WrongArguments(const QString& Name)
{
    throw EOleError(QStringLiteral("Неверные аргументы при обращении к «%1»").arg(Name));
}

void TAutomationObject::CheckArgumentCount(const QString& Name, TOleArguments Arguments, size_t Count)
{
    if (Arguments.size() != Count)
        WrongArguments(Name);
}
