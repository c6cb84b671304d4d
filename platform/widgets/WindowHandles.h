#pragma once
// The window handles of the living forms. A form takes a handle when it is made and gives it
// back when it is destroyed; handles are never reused, so a stale one finds nothing. Window
// messages are posted to the window a handle names. Only the main thread adds, removes and
// looks up handles.

#include <QtGlobal>

class QObject;

namespace WindowHandles {

// A new handle for Window.
quintptr Add(QObject* Window);
void Remove(quintptr Handle);
// The window with that handle, or nullptr.
QObject* Find(quintptr Handle);

} // namespace WindowHandles
