#include "SequencerManger.h"

#include "EClasses.h"
#include "Env.h"
#include "Packages.h"
#include "StringList.h"
#include "UnitLifetime.h"

namespace SequencerManger {

EClasses::TSequencer* Sequencer = nullptr;

namespace {

// Parallel lists: entry i of Values is the decimal start value of sequence i of Names.
TStringList* Names = nullptr;
TStringList* Values = nullptr;
// The package that registered the sequencer (0: none did).
quintptr SequencerPackage = 0;

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

void DeleteSequence(int Index)
{
    Names->Delete(Index);
    Values->Delete(Index);
}

// The sequencer and the sequences a package left registered.
QStringList SweepSequences(quintptr Package)
{
    QStringList left = Env::SweepEntries(Names, Package, QStringLiteral("последовательность"), DeleteSequence);
    left += Env::SweepObject(Sequencer, SequencerPackage, Package, QStringLiteral("генератор ключей"));
    return left;
}

} // namespace

void RegisterSequence(const QString& Name, qint64 Value)
{
    if (Names->IndexOf(Name) >= 0)
        return;
    Names->Add(Name);
    Values->Add(QString::number(Value));
    Env::TrackPackageRegistration(SweepSequences);
}

void UnregisterSequence(const QString& Name)
{
    const int index = Names->IndexOfOwn(Name);
    if (index >= 0)
        DeleteSequence(index);
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
    if (Sequencer)
        return;
    Sequencer = ASequencer;
    SequencerPackage = LoadingPackage();
    Env::TrackPackageRegistration(SweepSequences);
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
