#pragma once
// Late-bound automation objects: values passed to and returned by automation calls, and the
// server side of an object whose methods and properties are called by name (automation
// servers make them). Names ignore letter case; an unknown name or wrong arguments
// raise EOleError with a message for the user.

#include "Exceptions.h"

#include <QString>

#include <memory>
#include <span>
#include <variant>

VEL_EXCEPTION_KIND(EOleError, Exception)

class TAutomationObject;

// A value passed to or returned by an automation call: empty, a string, a string passed by
// reference (the server may change the caller's string), a 32-bit integer, a double, a
// Boolean, or an automation object.
class TOleVariant {
public:
    TOleVariant() = default;
    TOleVariant(const QString& Value) : FValue(Value) {}
    TOleVariant(const char* Value) : FValue(QString::fromUtf8(Value)) {}
    TOleVariant(qint32 Value) : FValue(Value) {}
    TOleVariant(double Value) : FValue(Value) {}
    TOleVariant(bool Value) : FValue(Value) {}
    TOleVariant(std::shared_ptr<TAutomationObject> Object) : FValue(std::move(Object)) {}
    // A string passed by reference: the caller keeps it alive for the call.
    static TOleVariant ByRef(QString& Value);

    bool IsEmpty() const { return std::holds_alternative<std::monostate>(FValue); }
    bool IsString() const { return std::holds_alternative<QString>(FValue) || std::holds_alternative<QString*>(FValue); }
    bool IsInteger() const { return std::holds_alternative<qint32>(FValue); }
    bool IsDouble() const { return std::holds_alternative<double>(FValue); }
    bool IsObject() const { return std::holds_alternative<std::shared_ptr<TAutomationObject>>(FValue); }
    bool IsByRef() const { return std::holds_alternative<QString*>(FValue); }
    // The value as that kind; raise EOleError when it is of another kind (an integer is also a double).
    QString AsString() const;
    qint32 AsInteger() const;
    double AsDouble() const;
    const std::shared_ptr<TAutomationObject>& AsObject() const;

    // Method call, property get and property put on the object this value holds; a value
    // that holds no object raises EOleError.
    template <class... A>
    TOleVariant Call(const QString& Name, const A&... Arguments) const;
    template <class... A>
    TOleVariant Get(const QString& Name, const A&... Arguments) const;
    template <class... A>
    void Put(const QString& Name, const TOleVariant& Value, const A&... Arguments) const;

private:
    std::variant<std::monostate, QString, QString*, qint32, double, bool, std::shared_ptr<TAutomationObject>> FValue;
};

enum class TInvokeKind { Method, PropertyGet, PropertyPut };

using TOleArguments = std::span<const TOleVariant>;

// The server side of an automation object.
class TAutomationObject {
public:
    virtual ~TAutomationObject() = default;
    // Runs the method or property Name. For a property put the value is the last argument.
    // Raises EOleError for a name the object does not know or arguments it does not take.
    virtual TOleVariant Invoke(const QString& Name, TInvokeKind Kind, TOleArguments Arguments) = 0;

protected:
    // The usual refusals, for servers to raise.
    [[noreturn]] static void UnknownName(const QString& Name);
    [[noreturn]] static void WrongArguments(const QString& Name);
    // Raises unless Arguments has Count entries.
    static void CheckArgumentCount(const QString& Name, TOleArguments Arguments, size_t Count);
};

template <class... A>
TOleVariant TOleVariant::Call(const QString& Name, const A&... Arguments) const
{
    const TOleVariant arguments[] = {TOleVariant(Arguments)..., TOleVariant()};
    return AsObject()->Invoke(Name, TInvokeKind::Method, TOleArguments(arguments, sizeof...(A)));
}

template <class... A>
TOleVariant TOleVariant::Get(const QString& Name, const A&... Arguments) const
{
    const TOleVariant arguments[] = {TOleVariant(Arguments)..., TOleVariant()};
    return AsObject()->Invoke(Name, TInvokeKind::PropertyGet, TOleArguments(arguments, sizeof...(A)));
}

template <class... A>
void TOleVariant::Put(const QString& Name, const TOleVariant& Value, const A&... Arguments) const
{
    const TOleVariant arguments[] = {TOleVariant(Arguments)..., Value};
    AsObject()->Invoke(Name, TInvokeKind::PropertyPut, TOleArguments(arguments, sizeof...(A) + 1));
}
