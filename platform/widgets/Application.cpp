#include "Application.h"

#include "Dialogs.h"
#include "Exceptions.h"
#include "WindowHandles.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QThread>
#include <QTranslator>
#include <QWidget>

namespace Application {

namespace {

bool IsUserInput(QEvent::Type Type)
{
    switch (Type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Shortcut:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

// Whether Receiver belongs to the modal dialog the user is answering now.
bool InActiveModal(const QWidget* Receiver)
{
    const QWidget* modal = QApplication::activeModalWidget();
    return modal && (Receiver == modal || modal->isAncestorOf(Receiver));
}

// Drops user input to widgets while a lock is held.
class TInputFilter : public QObject {
public:
    int LockCount = 0;
    QList<const QWidget*> Admitted;

    bool eventFilter(QObject* Receiver, QEvent* Event) override
    {
        if (LockCount == 0 || !IsUserInput(Event->type()) || !Receiver->isWidgetType())
            return false;
        const auto* widget = static_cast<QWidget*>(Receiver);
        return !InActiveModal(widget) && !IsAdmitted(widget);
    }

private:
    bool IsAdmitted(const QWidget* Widget) const
    {
        for (const QWidget* admitted : Admitted)
            if (Widget == admitted || admitted->isAncestorOf(Widget))
                return true;
        return false;
    }
};

TInputFilter& InputFilter()
{
    static TInputFilter* filter = [] {
        auto* made = new TInputFilter;
        if (QCoreApplication* application = QCoreApplication::instance())
            application->installEventFilter(made);
        return made;
    }();
    return *filter;
}

} // namespace

TUserInputLock::TUserInputLock()
{
    ++InputFilter().LockCount;
}

TUserInputLock::~TUserInputLock()
{
    --InputFilter().LockCount;
}

bool TUserInputLock::Held()
{
    return InputFilter().LockCount > 0;
}

void TUserInputLock::Admit(const QWidget* Widget)
{
    InputFilter().Admitted.append(Widget);
}

void TUserInputLock::Shut(const QWidget* Widget)
{
    InputFilter().Admitted.removeOne(Widget);
}

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
    if (QObject* window = WindowHandles::Find(Handle))
        QCoreApplication::postEvent(window, new TWindowMessageEvent(Message));
}

void ShowException(std::exception_ptr Error)
{
    MessageBox(ApplicationTitle(), ExceptionMessage(Error), TMsgDlgType::mtError, mbOK);
}

} // namespace Application
