#pragma once
// The application object's services: processing pending window messages, posting window
// messages to a form by its handle, and the default error box for anything that escapes an
// event handler.

#include <QEvent>
#include <QString>
#include <QtGlobal>

class QWidget;

#include <exception>

namespace Application {

// A window message posted to a form: a custom event numbered like the message.
class TWindowMessageEvent : public QEvent {
public:
    explicit TWindowMessageEvent(int Message);
    int Message() const { return FMessage; }
    static QEvent::Type EventType();

private:
    int FMessage;
};

// Lets the application handle every pending event (painting, posted messages, timers).
void ProcessMessages();

// Posts Message to the form behind Handle; it is handled once control returns to the event
// loop. A handle that belongs to no form (any more) is ignored. Safe from any thread.
void PostMessage(quintptr Handle, int Message);

// Makes Qt's own dialogs and standard buttons speak Russian like the rest of the program:
// installs Qt's Russian translations from Qt's translation folder (Debian package
// qt6-translations-l10n). Returns false when they are not there; Qt's texts then stay English.
bool LoadQtTranslations();

// Holds the user's input back while it lives: mouse clicks, keys, the wheel and context
// menu requests are dropped before they reach any widget, except widgets of a modal dialog
// that is open meanwhile (a message box shown during the work still answers). Painting,
// timers and posted messages go on. Long operations that let pending messages run (to paint
// a progress text) hold one, so that no click or key can start other work in their middle.
// Locks nest; the input comes back when the last one ends.
class TUserInputLock {
public:
    TUserInputLock();
    ~TUserInputLock();
    TUserInputLock(const TUserInputLock&) = delete;
    TUserInputLock& operator=(const TUserInputLock&) = delete;

    static bool Held();
    // Widget and its children take the user's input even while a lock holds it back (the
    // button that stops the work), until Shut is called for it.
    static void Admit(const QWidget* Widget);
    static void Shut(const QWidget* Widget);
};

// The default error box: the message of the exception in a modal error box.
void ShowException(std::exception_ptr Error);

// Runs Handler the way the event loop runs an event handler: whatever it throws is shown in
// the default error box and the program goes on. Returns whether it ended normally.
template <class F>
bool Guarded(F&& Handler)
{
    try {
        Handler();
        return true;
    } catch (...) {
        ShowException(std::current_exception());
        return false;
    }
}

} // namespace Application
