#include "SequencerManger.h"

#include "EClasses.h"
#include "Env.h"
#include "StringList.h"
#include "UnitLifetime.h"

namespace SequencerManger {

EClasses::TSequencer* Sequencer = nullptr;

namespace {

// Parallel lists: entry i of Values is the decimal start value of sequence i of Names.
TStringList* Names = nullptr;
TStringList* Values = nullptr;


void InitializeUnit()
{
    Sequencer = nullptr;
    Names = new TStringList;
    Values = new TStringList;
}

void FinalizeUnit()
{
    delete Names;
    Names = nullptr;
    delete Values;
    Values = nullptr;
}

TUnitLifetime Lifetime(InitializeUnit, FinalizeUnit);

} // namespace

void RegisterSequence(const QString& Name, qint64 Value)
{
    if (Names->IndexOf(Name) >= 0)
        return;
    Names->Add(Name);
    Values->Add(QString::number(Value));
}

void UnregisterSequence(const QString& Name)
{
    const int index = Names->IndexOf(Name);
    if (index < 0)
        return;
    Names->Delete(index);
    Values->Delete(index);
}

void InitializeSequence(const QString& Name, qint64 Value)
{
    if (Sequencer)
        Sequencer->InitializeSequence(Name, Value);
}

void StartSequencer()
{
    Env::ShowProgress(QStringLiteral("Запуск сиквенсера"));
    if (Sequencer)
        Sequencer->StartSequences(Names, Values);
}

void StopSequencer()
{
    Env::ShowProgress(QStringLiteral("Остановка сиквенсера"));
    if (Sequencer)
        Sequencer->StopSequences();
    Names->Clear();
    Values->Clear();
}

void RegisterSequencer(EClasses::TSequencer* ASequencer)
{
    if (!Sequencer)
        Sequencer = ASequencer;
}

void UnregisterSequencer()
{
    Sequencer = nullptr;
}

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace SequencerManger
