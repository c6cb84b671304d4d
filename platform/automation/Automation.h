#pragma once
// Late-bound automation: objects whose methods and properties are called by name.
//
// An automation server registers a factory under its program id ("Excel.Application");
// CreateOleObject(ProgId) asks the latest registration of that id for a new object and
// returns it in a TOleVariant, on which methods are called and properties got and put by
// name, with string (also by reference), integer and double arguments:
//
//   TOleVariant excel = CreateOleObject("Excel.Application");
//   excel.Call("WorkBooks").Call("Add");
//   excel.Get("Sheets", 1).Get("Cells", 3, 2).Put("Value", QStringLiteral("text"));
//
// Names ignore letter case. An unknown program id, an unknown name, or wrong arguments raise
// EOleError with a message for the user; whatever a server raises reaches the caller as it is.
// Arguments are passed on the stack and results are shared, so a call costs little more than
// the server's own work.

#include "AutomationObjects.h"

#include <QString>

#include <functional>
#include <memory>

using TAutomationFactory = std::function<std::shared_ptr<TAutomationObject>()>;

// The latest registration of a program id wins; unregistering brings back the one before.
void RegisterAutomationServer(const QString& ProgId, TAutomationFactory Factory);
void UnregisterAutomationServer(const QString& ProgId);
// A new object of the server registered under ProgId; raises EOleError for an unknown id.
TOleVariant CreateOleObject(const QString& ProgId);
