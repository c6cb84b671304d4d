#include "MessageManager.h"

#include "../FreeWatch.h"
#include "DatabaseFixture.h"
#include "Env.h"
#include "Exceptions.h"
#include "NUtilities.h"
#include "Registry.h"
#include "StatusBar.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <thread>

namespace {

using EClasses::TEntity;
using EClasses::TMessageInfo;
using MessageManager::TMessageManager;

// Everything the listeners receive, in arrival order, as "name:text".
using TLog = std::vector<QString>;

class TListener : public TEntity {
public:
    TListener(const QString& Name, TLog& Log) : TEntity(QString(), nullptr), FName(Name), FLog(Log) {}

    void OnMessage(TMessageInfo* Info) override
    {
        OnMainThread = OnMainThread && QThread::currentThread() == qApp->thread();
        LastSender = Info->Sender;
        FLog.push_back(FName + QLatin1Char(':') + Info->Text);
        if (Reaction)
            Reaction(Info);
    }

    std::function<void(TMessageInfo*)> Reaction;
    bool OnMainThread = true;
    TObject* LastSender = nullptr;

private:
    QString FName;
    TLog& FLog;
};

const qint32 MarkerType = 999;
const QString Marker = QStringLiteral("конец");

// Runs the main thread's event loop until Done or ten seconds have passed.
bool ServeUntil(const std::function<bool()>& Done)
{
    QElapsedTimer timer;
    timer.start();
    while (!Done() && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return Done();
}

std::vector<QString> Keys(const TStringList& List)
{
    const QStringList texts = List.ToQStringList();
    return {texts.begin(), texts.end()};
}

class MessageManagerTest : public testing::Test {
protected:
    void SetUp() override
    {
        Manager = std::make_unique<TMessageManager>();
        Manager->Subscribe(&MarkerListener, MarkerType);
    }

    void TearDown() override { Finish(); }

    // Queues a marker behind everything sent so far and serves the worker until it arrives.
    bool DeliverAll()
    {
        Manager->Send(nullptr, MarkerType, Marker);
        const std::size_t expected = ++MarkersSent;
        return ServeUntil([&] { return MarkersSeen() == expected; });
    }

    std::size_t MarkersSeen() const { return std::count(Markers.begin(), Markers.end(), QStringLiteral("marker:") + Marker); }

    void Finish()
    {
        if (!Manager->TThread::Started())
            return;
        Manager->Terminate();
        Manager->WaitFor();
    }

    static void SetDebugSwitch(bool On)
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(QStringLiteral("Software\\Velnor02"), true));
        registry.WriteInteger(QStringLiteral("DebugMessages"), On ? 1 : 0);
        NUtilities::Finalize();
        NUtilities::Initialize();
    }

    TLog Log;
    TLog Markers;
    TListener MarkerListener{QStringLiteral("marker"), Markers};
    std::size_t MarkersSent = 0;
    std::unique_ptr<TMessageManager> Manager;
};

TEST_F(MessageManagerTest, CreatedSuspendedAtTheLowestPriorityWithEmptyLists)
{
    TMessageManager manager;
    EXPECT_FALSE(manager.TThread::Started());
    EXPECT_FALSE(manager.Started);
    EXPECT_EQ(manager.Priority(), tpLowest);
    EXPECT_EQ(manager.SendCount, 0);
    EXPECT_EQ(manager.PendingCount, 0);
    EXPECT_TRUE(manager.Messages->IsEmpty());
    EXPECT_TRUE(manager.MessageTypes->IsEmpty());
    EXPECT_TRUE(manager.Subscriptions->IsEmpty());
}

TEST_F(MessageManagerTest, DeliversInSendingOrderToEverySubscriberInSubscriptionOrder)
{
    TListener first(QStringLiteral("A"), Log), second(QStringLiteral("B"), Log);
    Manager->Subscribe(&first, 7);
    Manager->Subscribe(&second, 7);
    Manager->Subscribe(&second, 8);
    Manager->Send(&first, 7, QStringLiteral("1"));
    Manager->Send(&second, 8, QStringLiteral("2"));
    Manager->Send(&second, 7, QStringLiteral("3"));

    Manager->Start();
    ASSERT_TRUE(DeliverAll());

    EXPECT_EQ(Log, (TLog{"A:1", "B:1", "B:2", "A:3", "B:3"}));
    EXPECT_EQ(first.LastSender, &second);
    EXPECT_TRUE(first.OnMainThread && second.OnMainThread);
}

TEST_F(MessageManagerTest, ADoubleSubscriptionReceivesTwiceUntilOneUnSubscribe)
{
    TListener twice(QStringLiteral("T"), Log);
    Manager->Subscribe(&twice, 3);
    Manager->Subscribe(&twice, 3);
    Manager->Start();

    Manager->Send(nullptr, 3, QStringLiteral("x"));
    ASSERT_TRUE(DeliverAll());
    Manager->UnSubscribe(&twice, 3);
    Manager->Send(nullptr, 3, QStringLiteral("y"));
    ASSERT_TRUE(DeliverAll());
    Manager->UnSubscribe(&twice, 3);
    Manager->UnSubscribe(&twice, 3);
    Manager->UnSubscribe(&twice, 4);
    Manager->Send(nullptr, 3, QStringLiteral("z"));
    ASSERT_TRUE(DeliverAll());

    EXPECT_EQ(Log, (TLog{"T:x", "T:x", "T:y"}));
    EXPECT_EQ(Manager->MessageTypes->IndexOf(QStringLiteral("4")), -1);
}

TEST_F(MessageManagerTest, AnUnregisteredTypeQueuesNothingButUsesUpItsSendNumber)
{
    SetDebugSwitch(true);
    Manager->RegisterMessageType(5);
    Manager->RegisterMessageType(5);
    Manager->Send(nullptr, 5, QStringLiteral("a"));
    Manager->Send(nullptr, -6, QStringLiteral("b"));
    Manager->Send(nullptr, 5, QStringLiteral("c"));
    SetDebugSwitch(false);

    EXPECT_EQ(Manager->SendCount, 3);
    EXPECT_EQ(Keys(*Manager->Messages), (std::vector<QString>{"1", "3"}));
    EXPECT_EQ(Manager->Messages->ObjectAs<TMessageInfo>(1)->Text, QStringLiteral("c"));
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>{QStringLiteral("Тип сообщения-6 не зарегистрирован")});
    EXPECT_EQ(Keys(*Manager->MessageTypes), (std::vector<QString>{"999", "5"}));
    EXPECT_EQ(Keys(*Manager->Subscriptions), (std::vector<QString>{"999", "5"}));

    // Type 5 has no subscribers: its messages are dropped in turn and the marker behind
    // them still arrives.
    Manager->Start();
    ASSERT_TRUE(DeliverAll());
    EXPECT_TRUE(Log.empty());
}

TEST_F(MessageManagerTest, AFailingSubscriberIsReportedAndTheOthersStillReceive)
{
    TListener failing(QStringLiteral("F"), Log), other(QStringLiteral("O"), Log);
    failing.Reaction = [](TMessageInfo*) { throw EDatabaseError(QStringLiteral("сбой")); };
    Manager->Subscribe(&failing, 1);
    Manager->Subscribe(&other, 1);
    Manager->Send(nullptr, 1, QStringLiteral("1"));
    Manager->Send(nullptr, 1, QStringLiteral("2"));

    Manager->Start();
    ASSERT_TRUE(DeliverAll());

    EXPECT_EQ(Log, (TLog{"F:1", "O:1", "F:2", "O:2"}));
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
        (std::vector<QString>{QStringLiteral("Ошибка передачи сообщения"), QStringLiteral("Ошибка передачи сообщения")}));
}

TEST_F(MessageManagerTest, ChangesMadeInsideOnMessageTakeEffectSafely)
{
    TListener sender(QStringLiteral("S"), Log), late(QStringLiteral("L"), Log), leaving(QStringLiteral("G"), Log);
    sender.Reaction = [&](TMessageInfo* Info) {
        if (Info->Text == QStringLiteral("first")) {
            Manager->Send(&sender, 1, QStringLiteral("echo"));
            Manager->Subscribe(&late, 1);
        }
        if (Info->Text == QStringLiteral("second"))
            Manager->UnSubscribe(&leaving, 1);
    };
    Manager->Subscribe(&sender, 1);
    Manager->Subscribe(&leaving, 1);
    Manager->Send(nullptr, 1, QStringLiteral("first"));
    Manager->Send(nullptr, 1, QStringLiteral("second"));

    Manager->Start();
    ASSERT_TRUE(DeliverAll());
    ASSERT_TRUE(DeliverAll());

    // The echo queues behind "second"; a subscriber added during a message gets the next
    // one; one removed during a message is not called for the rest of it.
    EXPECT_EQ(Log, (TLog{"S:first", "G:first", "S:second", "L:second", "S:echo", "L:echo"}));
}

TEST_F(MessageManagerTest, TerminationFreesEverythingStillQueuedAndEmptiesTheLists)
{
    TListener listener(QStringLiteral("A"), Log);
    Manager->Subscribe(&listener, 2);
    std::vector<const void*> queued;
    for (int i = 0; i < 20; ++i) {
        Manager->Send(nullptr, 2, QString::number(i));
        queued.push_back(Manager->Messages->Objects(i));
    }
    TestSupport::TFreeWatch watch(queued);

    Manager->Start();
    EXPECT_TRUE(Manager->Started);
    Manager->Terminate();
    Manager->WaitFor();

    // Only a message whose delivery had begun may still arrive.
    EXPECT_LE(Log.size(), 1u);
    EXPECT_EQ(watch.FreedCount(), 20);
    EXPECT_FALSE(Manager->Started);
    EXPECT_EQ(Manager->PendingCount, 0);
    EXPECT_TRUE(Manager->Messages->IsEmpty());
    EXPECT_TRUE(Manager->MessageTypes->IsEmpty());
    EXPECT_TRUE(Manager->Subscriptions->IsEmpty());
}

TEST_F(MessageManagerTest, DestroyingANeverStartedManagerFreesItsQueue)
{
    Manager->Send(nullptr, MarkerType, QStringLiteral("1"));
    Manager->Send(nullptr, MarkerType, QStringLiteral("2"));
    TestSupport::TFreeWatch watch({Manager->Messages->Objects(0), Manager->Messages->Objects(1), Manager->Subscriptions->Objects(0)});
    Manager.reset();
    EXPECT_EQ(watch.FreedCount(), 3);
    Manager = std::make_unique<TMessageManager>();
}

TEST_F(MessageManagerTest, StartAndStopShowTheirProgressInTheMessagePanel)
{
    TStatusBar bar(nullptr, nullptr);
    TStatusPanel* panel = bar.AddPanel();
    Env::MessagePanel = panel;
    std::vector<QString> painted;
    // A pending event sees the text while Start or Stop lets the application process events.
    auto seeText = [&] { QMetaObject::invokeMethod(qApp, [&] { painted.push_back(panel->Text()); }, Qt::QueuedConnection); };

    seeText();
    Manager->Start();
    EXPECT_TRUE(Manager->Started);
    Finish();
    seeText();
    Manager->Stop();
    Env::MessagePanel = nullptr;

    EXPECT_EQ(painted, (std::vector<QString>{QStringLiteral("Запущен центр пересылки сообщений"),
                           QStringLiteral("Останавливливается обработка сообщений")}));
    EXPECT_EQ(panel->Text(), QStringLiteral("Остановлен центр пересылки сообщений"));

    // Without a panel Start and Stop only process events.
    TMessageManager quiet;
    quiet.Start();
    quiet.Terminate();
    quiet.WaitFor();
    quiet.Stop();
    EXPECT_FALSE(quiet.Started);
}

} // namespace
