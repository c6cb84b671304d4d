#include "SequencerManger.h"

#include "EClasses.h"
#include "Env.h"
#include "Exceptions.h"
#include "StatusBar.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Records what the manager hands it.
class TTestSequencer : public EClasses::TSequencer {
public:
    qint64 NextValue(const QString&) override { return 0; }
    qint64 CurrentValue(const QString&) override { return 0; }
    void StartSequences(TStringList* Names, TStringList* Values) override
    {
        StartedNames = Names->ToQStringList();
        StartedValues = Values->ToQStringList();
        StatusAtStart = Env::MessagePanel->Text();
    }
    void InitializeSequence(const QString& Name, qint64 Value) override
    {
        Initialized.append(Name + QLatin1Char('=') + QString::number(Value));
    }
    void StopSequences() override
    {
        ++Stops;
        StatusAtStop = Env::MessagePanel->Text();
    }

    QStringList StartedNames, StartedValues, Initialized;
    QString StatusAtStart, StatusAtStop;
    int Stops = 0;
};

class SequencerMangerTest : public testing::Test {
protected:
    // A fresh lifetime of the unit, with a status panel to watch.
    void SetUp() override
    {
        SequencerManger::Finalize();
        SequencerManger::Initialize();
        FStatusBar = std::make_unique<TStatusBar>(nullptr, nullptr);
        FStatusBar->AddPanel();
        Env::MessagePanel = FStatusBar->AddPanel();
    }
    void TearDown() override
    {
        SequencerManger::UnregisterSequencer();
        Env::MessagePanel = nullptr;
    }

    std::unique_ptr<TStatusBar> FStatusBar;
};

TEST_F(SequencerMangerTest, TheFirstSequencerWinsAndGetsTheCallsForwarded)
{
    TTestSequencer first, second;
    SequencerManger::InitializeSequence(QStringLiteral("ДОГОВОР"), 5);
    SequencerManger::RegisterSequencer(&first);
    SequencerManger::RegisterSequencer(&second);
    EXPECT_EQ(SequencerManger::Sequencer, &first);
    SequencerManger::InitializeSequence(QStringLiteral("ДОГОВОР"), -9000000000);
    EXPECT_EQ(first.Initialized, QStringList{QStringLiteral("ДОГОВОР=-9000000000")});
    EXPECT_TRUE(second.Initialized.isEmpty());

    SequencerManger::UnregisterSequencer();
    EXPECT_EQ(SequencerManger::Sequencer, nullptr);
    SequencerManger::RegisterSequencer(&second);
    EXPECT_EQ(SequencerManger::Sequencer, &second);
}

TEST_F(SequencerMangerTest, SequenceListsStayParallelAndKeepTheFirstStartValue)
{
    TTestSequencer sequencer;
    SequencerManger::RegisterSequencer(&sequencer);
    SequencerManger::RegisterSequence(QStringLiteral("A"), 1);
    SequencerManger::RegisterSequence(QStringLiteral("B"), 2);
    SequencerManger::RegisterSequence(QStringLiteral("C"), -3);
    SequencerManger::RegisterSequence(QStringLiteral("b"), 200);
    SequencerManger::UnregisterSequence(QStringLiteral("b"));
    SequencerManger::UnregisterSequence(QStringLiteral("нет такой"));
    SequencerManger::RegisterSequence(QStringLiteral("D"), 9000000000);

    SequencerManger::StartSequencer();
    EXPECT_EQ(sequencer.StartedNames, (QStringList{QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("D")}));
    EXPECT_EQ(sequencer.StartedValues, (QStringList{QStringLiteral("1"), QStringLiteral("-3"), QStringLiteral("9000000000")}));
    EXPECT_EQ(sequencer.StatusAtStart, QStringLiteral("Запуск сиквенсера"));

    SequencerManger::RegisterSequence(QStringLiteral("A"), 100);
    SequencerManger::StartSequencer();
    EXPECT_EQ(sequencer.StartedValues.first(), QStringLiteral("1"));

    SequencerManger::StopSequencer();
    EXPECT_EQ(sequencer.Stops, 1);
    EXPECT_EQ(sequencer.StatusAtStop, QStringLiteral("Остановка сиквенсера"));
    SequencerManger::StartSequencer();
    EXPECT_TRUE(sequencer.StartedNames.isEmpty());
    EXPECT_TRUE(sequencer.StartedValues.isEmpty());
}

TEST_F(SequencerMangerTest, StoppingWithoutASequencerStillForgetsTheSequences)
{
    SequencerManger::RegisterSequence(QStringLiteral("A"), 1);
    SequencerManger::StartSequencer();
    EXPECT_EQ(Env::MessagePanel->Text(), QStringLiteral("Запуск сиквенсера"));
    SequencerManger::StopSequencer();
    EXPECT_EQ(Env::MessagePanel->Text(), QStringLiteral("Остановка сиквенсера"));

    TTestSequencer sequencer;
    SequencerManger::RegisterSequencer(&sequencer);
    SequencerManger::StartSequencer();
    EXPECT_TRUE(sequencer.StartedNames.isEmpty());
}

} // namespace
