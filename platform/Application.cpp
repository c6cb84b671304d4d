#include "Application.h"

#include "Dialogs.h"
#include "Exceptions.h"
#include "Forms.h"

#include <QCoreApplication>
#include <QThread>

namespace Application {

TWindowMessageEvent::TWindowMessageEvent(int Message)
    : QEvent(EventType()), FMessage(Message)
{
}

QEvent::Type TWindowMessageEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void ProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void PostMessage(quintptr Handle, int Message)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    // Handles are resolved on the main thread only, where forms are created and destroyed.
    if (QThread::currentThread() != application->thread()) {
        QMetaObject::invokeMethod(application, [Handle, Message] { PostMessage(Handle, Message); }, Qt::QueuedConnection);
        return;
    }
    if (TForm* form = TForm::FindByHandle(Handle))
        QCoreApplication::postEvent(form, new TWindowMessageEvent(Message));
}

void ShowException(std::exception_ptr Error)
{
    MessageBox(ApplicationTitle(), ExceptionMessage(Error), TMsgDlgType::mtError, mbOK);
}

} // namespace Application
