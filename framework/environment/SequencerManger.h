#pragma once
// The key generator ("sequencer") of a session and the named key sequences it serves. A
// plug-in package registers the one sequencer and its sequences while it is loaded; the
// shell starts the sequencer at session start and stops it at session stop, which also
// forgets the sequences (packages register them anew when they are loaded again).

#include <QString>
#include <QtGlobal>

namespace EClasses {
class TSequencer;
} // namespace EClasses

namespace SequencerManger {

// The registered sequencer, or null.
extern EClasses::TSequencer* Sequencer;

// Adds a sequence with its start value unless the name is taken (the first value stays).
void RegisterSequence(const QString& Name, qint64 Value);
// Removes the sequence, if any.
void UnregisterSequence(const QString& Name);
// Forwards to the sequencer, if one is registered.
void InitializeSequence(const QString& Name, qint64 Value);
// Shows the status, then hands the sequence names and start values to the sequencer.
void StartSequencer();
// Shows the status, stops the sequencer, then forgets all sequences (with or without a
// sequencer). The sequencer's exceptions pass to the caller.
void StopSequencer();
// The first registration wins.
void RegisterSequencer(EClasses::TSequencer* ASequencer);
void UnregisterSequencer();

void Initialize();
void Finalize();

} // namespace SequencerManger
