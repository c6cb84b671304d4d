#include "DemoSequencer.h"

#include "DemoRecords.h"
#include "Exceptions.h"
#include "SequencerManger.h"

namespace DemoSequencer {

VEL_IMPLEMENT_CLASS(TKeySequencer)

using DemoRecords::ExecSQL;
using DemoRecords::QueryValue;

namespace {

QMap<QString, QVariant> NameParam(const QString& Name)
{
    return {{QStringLiteral("NAZVANIE"), Name}};
}

bool SequenceExists(const QString& Name)
{
    return !QueryValue(QStringLiteral("select ID from KLYUCHI where NAZVANIE = :NAZVANIE"), NameParam(Name)).isNull();
}

void AddSequence(const QString& Name, qint64 Value)
{
    const qint64 id = QueryValue(QStringLiteral("select coalesce(max(ID), 0) + 1 from KLYUCHI"), {}).toLongLong();
    ExecSQL(QStringLiteral("insert into KLYUCHI (ID, NAZVANIE, ZNACHENIE) values (:ID, :NAZVANIE, :ZNACHENIE)"),
        {{QStringLiteral("ID"), id}, {QStringLiteral("NAZVANIE"), Name}, {QStringLiteral("ZNACHENIE"), Value}});
}

void EnsureSequence(const QString& Name, qint64 Value)
{
    if (!SequenceExists(Name))
        AddSequence(Name, Value);
}

} // namespace

qint64 TKeySequencer::NextValue(const QString& Name)
{
    EnsureSequence(Name, 0);
    ExecSQL(QStringLiteral("update KLYUCHI set ZNACHENIE = ZNACHENIE + 1 where NAZVANIE = :NAZVANIE"), NameParam(Name));
    return CurrentValue(Name);
}

qint64 TKeySequencer::CurrentValue(const QString& Name)
{
    return QueryValue(QStringLiteral("select ZNACHENIE from KLYUCHI where NAZVANIE = :NAZVANIE"), NameParam(Name)).toLongLong();
}

void TKeySequencer::StartSequences(TStringList* Names, TStringList* Values)
{
    for (int i = 0; i < Names->Count(); ++i)
        EnsureSequence(Names->Strings(i), Values->Strings(i).toLongLong());
}

void TKeySequencer::InitializeSequence(const QString& Name, qint64 Value)
{
    EnsureSequence(Name, Value);
    ExecSQL(QStringLiteral("update KLYUCHI set ZNACHENIE = :ZNACHENIE where NAZVANIE = :NAZVANIE"),
        {{QStringLiteral("ZNACHENIE"), Value}, {QStringLiteral("NAZVANIE"), Name}});
}

qint64 NextKey(const QString& Table)
{
    if (!SequencerManger::Sequencer)
        throw Exception(QStringLiteral("Генератор ключей не зарегистрирован"));
    return SequencerManger::Sequencer->NextValue(Table);
}

void RegisterSequences(const QStringList& Tables)
{
    for (const QString& table : Tables)
        SequencerManger::RegisterSequence(table, 0);
}

void UnregisterSequences(const QStringList& Tables)
{
    for (const QString& table : Tables)
        SequencerManger::UnregisterSequence(table);
}

} // namespace DemoSequencer
