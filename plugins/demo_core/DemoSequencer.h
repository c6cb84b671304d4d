#pragma once
// The key generator of the sample application: one sequence per entity table, kept in table
// KLYUCHI (NAZVANIE = the table, ZNACHENIE = the last key issued for it).

#include "EClasses.h"

namespace DemoSequencer {

class TKeySequencer : public EClasses::TSequencer {
    VEL_DECLARE_CLASS(TKeySequencer, EClasses::TSequencer)
public:
    TKeySequencer() = default;

    // Issues the key after the last one issued for the table and records it.
    qint64 NextValue(const QString& Name) override;
    // The last key issued for the table (0 when none was).
    qint64 CurrentValue(const QString& Name) override;
    // Makes sure every named sequence has its row, starting at its value.
    void StartSequences(TStringList* Names, TStringList* Values) override;
    // Sets the last key issued for the table.
    void InitializeSequence(const QString& Name, qint64 Value) override;
    // Keys are recorded as they are issued: there is nothing left to write.
    void StopSequences() override {}
};

// The next key for a table from the session's sequencer; raises Exception without one.
qint64 NextKey(const QString& Table);

// The tables whose keys the package's sequencer issues.
void RegisterSequences(const QStringList& Tables);
void UnregisterSequences(const QStringList& Tables);

} // namespace DemoSequencer
