#pragma once
// Event handler types shared by the controls, menus and forms.

#include <functional>

class TObject;

// A plain notification: the object that raised the event is passed as the sender.
using TNotifyEvent = std::function<void(TObject* Sender)>;
