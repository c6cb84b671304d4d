#include "MessageManager.h"

#include "Dialogs.h"
#include "Env.h"
#include "NUtilities.h"

namespace MessageManager {

VEL_IMPLEMENT_CLASS(TMessageManager)

namespace {

QString TypeKey(qint32 MessageType)
{
    return QString::number(MessageType);
}


} // namespace

TMessageManager::TMessageManager()
    : Messages(new TStringList),
      MessageTypes(new TStringList),
      Subscriptions(new TStringList)
{
    SetPriority(tpLowest);
}

TMessageManager::~TMessageManager()
{
    // The worker sleeps on this object's signal: it must end while the object is whole.
    if (TThread::Started()) {
        Terminate();
        WaitFor();
    }
    std::lock_guard lock(FLock);
    FreeQueue();
    MessageTypes->Clear();
    FreeSubscriptions();
    delete Messages;
    delete MessageTypes;
    delete Subscriptions;
}

void TMessageManager::Start()
{
    Env::ShowProgress(QStringLiteral("Запущен центр пересылки сообщений"));
    Started = true;
    TThread::Start();
}

void TMessageManager::Stop()
{
    Env::ShowProgress(QStringLiteral("Останавливливается обработка сообщений"));
    Env::ShowProgress(QStringLiteral("Остановлен центр пересылки сообщений"));
}

void TMessageManager::RegisterMessageType(qint32 MessageType)
{
    std::lock_guard lock(FLock);
    AddMessageType(MessageType);
}

void TMessageManager::Subscribe(TEntity* Entity, qint32 MessageType)
{
    std::lock_guard lock(FLock);
    AddMessageType(MessageType);
    SubscriberList(MessageType)->AddObject(QString(), Entity);
    FSubscribed.insert(Entity);
}

void TMessageManager::UnSubscribe(TEntity* Entity, qint32 MessageType)
{
    std::lock_guard lock(FLock);
    TStringList* subscribers = SubscriberList(MessageType);
    if (!subscribers)
        return;
    const int index = subscribers->IndexOfObject(Entity);
    if (index >= 0)
        subscribers->Delete(index);
}

void TMessageManager::UnSubscribeAll(TEntity* Entity)
{
    std::lock_guard lock(FLock);
    if (FSubscribed.erase(Entity) == 0)
        return;
    for (int i = 0; i < Subscriptions->Count(); ++i) {
        auto* subscribers = Subscriptions->ObjectAs<TStringList>(i);
        for (int index = subscribers->IndexOfObject(Entity); index >= 0; index = subscribers->IndexOfObject(Entity))
            subscribers->Delete(index);
    }
}

void TMessageManager::Send(TEntity* Sender, qint32 MessageType, const QString& Text)
{
    {
        std::lock_guard lock(FLock);
        ++SendCount;
        if (MessageTypes->IndexOf(TypeKey(MessageType)) >= 0) {
            Messages->AddObject(QString::number(SendCount), new TMessageInfo(Sender, MessageType, Text));
            FQueueChanged.notify_all();
            return;
        }
    }
    NUtilities::ShowDebugMessage(
        QStringLiteral("Тип сообщения") + TypeKey(MessageType) + QStringLiteral(" не зарегистрирован"), 0, 0, 0);
}

void TMessageManager::Check()
{
    std::lock_guard lock(FLock);
    PendingCount = Messages->Count();
}

void TMessageManager::SendMessageToObject()
{
    bool subscribed = false;
    {
        std::lock_guard lock(FLock);
        const TStringList* subscribers = SubscriberList(CurrentMessage->MessageType);
        subscribed = subscribers && subscribers->IndexOfObject(Target) >= 0;
    }
    if (subscribed)
        Target->OnMessage(CurrentMessage);
}

void TMessageManager::MShowMessage()
{
    ShowMessage(AlertText);
}

void TMessageManager::ClearMessages()
{
    std::lock_guard lock(FLock);
    Started = false;
    PendingCount = 0;
    FreeQueue();
    for (int i = MessageTypes->Count() - 1; i >= 0; --i)
        MessageTypes->Delete(i);
    FreeSubscriptions();
}

// The three are kept for plug-ins that hand them over: there is nothing to show.
void TMessageManager::ShowMessageEx()
{
}

void TMessageManager::ShowMessageEx1()
{
}

void TMessageManager::ShowMessageEx3()
{
}

void TMessageManager::Execute()
{
    while (!Terminated()) {
        WaitForMessages();
        if (Terminated())
            break;
        HandOver(&TMessageManager::Check);
        if (PendingCount > 0)
            DeliverHead();
    }
    HandOver(&TMessageManager::ShowMessageEx1);
    HandOver(&TMessageManager::ClearMessages);
}

void TMessageManager::TerminatedSet()
{
    // Taking the lock orders the terminated flag before the sleeper's next look at it.
    std::lock_guard lock(FLock);
    FQueueChanged.notify_all();
}

void TMessageManager::WaitForMessages()
{
    std::unique_lock lock(FLock);
    FQueueChanged.wait(lock, [this] { return Terminated() || !Messages->IsEmpty(); });
}

void TMessageManager::DeliverHead()
{
    TMessageInfo* head = nullptr;
    std::vector<TEntity*> subscribers;
    {
        std::lock_guard lock(FLock);
        head = Messages->ObjectAs<TMessageInfo>(0);
        subscribers = SubscribersOf(head->MessageType);
    }
    for (TEntity* subscriber : subscribers)
        DeliverTo(subscriber, head);
    RemoveHead();
}

void TMessageManager::DeliverTo(TEntity* Subscriber, TMessageInfo* Message)
{
    Target = Subscriber;
    CurrentMessage = Message;
    // The error is caught on the main thread, so its message box is shown there.
    Synchronize([this] {
        try {
            SendMessageToObject();
        } catch (...) {
            ShowMessage(QStringLiteral("Ошибка передачи сообщения"));
        }
    });
}

void TMessageManager::RemoveHead()
{
    try {
        std::lock_guard lock(FLock);
        delete Messages->Objects(0);
        Messages->Delete(0);
    } catch (...) {
        AlertText = QStringLiteral("Проблемы");
        HandOver(&TMessageManager::MShowMessage);
    }
}

void TMessageManager::HandOver(void (TMessageManager::*Procedure)())
{
    Synchronize([this, Procedure] { (this->*Procedure)(); });
}

TStringList* TMessageManager::SubscriberList(qint32 MessageType) const
{
    const int index = Subscriptions->IndexOf(TypeKey(MessageType));
    return index < 0 ? nullptr : Subscriptions->ObjectAs<TStringList>(index);
}

void TMessageManager::AddMessageType(qint32 MessageType)
{
    const QString key = TypeKey(MessageType);
    if (MessageTypes->IndexOf(key) >= 0)
        return;
    MessageTypes->Add(key);
    Subscriptions->AddObject(key, new TStringList);
}

std::vector<TEntity*> TMessageManager::SubscribersOf(qint32 MessageType) const
{
    std::vector<TEntity*> entities;
    if (const TStringList* subscribers = SubscriberList(MessageType))
        for (int i = 0; i < subscribers->Count(); ++i)
            entities.push_back(static_cast<TEntity*>(subscribers->Objects(i)));
    return entities;
}

void TMessageManager::FreeQueue()
{
    for (int i = Messages->Count() - 1; i >= 0; --i) {
        delete Messages->Objects(i);
        Messages->Delete(i);
    }
}

void TMessageManager::FreeSubscriptions()
{
    FSubscribed.clear();
    for (int i = Subscriptions->Count() - 1; i >= 0; --i) {
        delete Subscriptions->Objects(i);
        Subscriptions->Delete(i);
    }
}

} // namespace MessageManager
