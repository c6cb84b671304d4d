#pragma once
// The message manager: entities post typed text messages into a queue; a worker thread takes
// them one at a time, oldest first, and hands each over to the main thread, where every
// entity subscribed to its type receives it in OnMessage.
//
// Threads. Send, Subscribe, UnSubscribe, RegisterMessageType, Start and Stop are called on
// the main thread; the hand-over procedures run there too, called by the worker through
// Synchronize. The queue and the subscriber lists are shared with the worker: every access
// to them holds one lock, which is never held while an entity or a dialog is called, so a
// subscriber may Send, Subscribe or UnSubscribe from inside OnMessage. The worker sleeps
// while the queue is empty; Send and Terminate wake it.
//
// Subscribers. An entity is called only while it is subscribed: once UnSubscribe has
// removed its last subscription it receives nothing more, not even the rest of a message
// whose delivery has begun. So an entity that unsubscribes before it is destroyed is never
// called afterwards.

#include "EClasses.h"
#include "StringList.h"
#include "Thread.h"

#include <QString>
#include <QtGlobal>

#include <condition_variable>
#include <mutex>
#include <unordered_set>
#include <vector>

namespace MessageManager {

using EClasses::TEntity;
using EClasses::TMessageInfo;

class TMessageManager : public TThread {
    VEL_DECLARE_CLASS(TMessageManager, TThread)
public:
    // Created suspended, at the lowest priority above idle; Start lets it run.
    TMessageManager();
    // Ends a worker that still runs (clearing the queue), then frees the lists and whatever
    // is still queued.
    ~TMessageManager() override;

    // Shows the start in Env::MessagePanel, marks the manager started and resumes the thread.
    void Start();
    // Shows the stop in Env::MessagePanel. The caller has terminated and waited for the thread.
    void Stop();

    // Registers a type once, with an empty subscriber list.
    void RegisterMessageType(qint32 MessageType);
    // Appends Entity to the type's subscribers (registering the type); twice means twice.
    void Subscribe(TEntity* Entity, qint32 MessageType);
    // Removes the first subscription of Entity to the type, if any.
    void UnSubscribe(TEntity* Entity, qint32 MessageType);
    // Removes every subscription of Entity, to every type. A destroyed entity calls it.
    void UnSubscribeAll(TEntity* Entity);
    // Queues a message of a registered type under the number of this call; an unregistered
    // type is reported as a debug message and queues nothing, but uses its number up.
    void Send(TEntity* Sender, qint32 MessageType, const QString& Text);

    // Hand-over procedures: run on the main thread by the worker.
    void Check();
    // Calls Target.OnMessage(CurrentMessage) while Target is subscribed to the message's type.
    void SendMessageToObject();
    void MShowMessage();
    // Marks the manager stopped and empties the queue (freeing its messages), the types and
    // the subscriptions.
    void ClearMessages();
    void ShowMessageEx();
    void ShowMessageEx1();
    void ShowMessageEx3();

    qint32 PendingCount = 0;
    qint32 SendCount = 0;
    TEntity* Target = nullptr;
    TMessageInfo* CurrentMessage = nullptr;
    QString AlertText;
    // (decimal send number, owned TMessageInfo), oldest first.
    TStringList* Messages;
    // Registered types as decimal text.
    TStringList* MessageTypes;
    // (decimal type, owned TStringList of ("", TEntity) subscriber entries).
    TStringList* Subscriptions;
    bool Started = false;
    // Unused; kept false.
    bool Reserved1 = false;
    bool Reserved2 = false;

protected:
    void Execute() override;
    void TerminatedSet() override;

private:
    // Sleeps until a message is queued or the thread is told to terminate.
    void WaitForMessages();
    void DeliverHead();
    void DeliverTo(TEntity* Subscriber, TMessageInfo* Message);
    void RemoveHead();
    // Hands a procedure of this object over to the main thread.
    void HandOver(void (TMessageManager::*Procedure)());

    // These expect the lock to be held.
    TStringList* SubscriberList(qint32 MessageType) const;
    void AddMessageType(qint32 MessageType);
    std::vector<TEntity*> SubscribersOf(qint32 MessageType) const;
    void FreeQueue();
    void FreeSubscriptions();

    // Every entity that has subscribed since the lists were last emptied: a destroyed entity
    // that never subscribed (almost every one) is passed over without scanning the lists.
    std::unordered_set<TEntity*> FSubscribed;
    mutable std::mutex FLock;
    std::condition_variable FQueueChanged;
};

} // namespace MessageManager
