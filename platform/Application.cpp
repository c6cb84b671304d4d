#include "Application.h"

#include "Dialogs.h"
#include "Exceptions.h"
#include "Forms.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QThread>
#include <QTranslator>

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

bool LoadQtTranslations()
{
    // Owned by the application object, so it lives exactly as long as the texts are needed.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
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
