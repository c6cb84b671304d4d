#pragma once
// The one logger of a session. A plug-in package registers a descendant of TLogger that
// overrides both posting operations; packages that want to log call Logger->PostToLog or
// Logger->PostToErrorLog with an object describing the event. As with the wizards, a package
// need not call Initialize() before it registers its logger.

#include "Object.h"

namespace LoggerMain {

class TLogger : public TObject {
    VEL_DECLARE_CLASS(TLogger, TObject)
public:
    TLogger() = default;
    // The base operations only say that a descendant must override them.
    virtual void PostToLog(TObject* Event);
    virtual void PostToErrorLog(TObject* Event);
};

// The registered logger, or null.
extern TLogger* Logger;

// A non-null logger replaces any earlier one (the last registration wins).
void RegisterLogger(TLogger* ALogger);
// Clears the logger, whichever logger is passed.
void UnRegisterLogger(TLogger* ALogger);

void Initialize();
void Finalize();

} // namespace LoggerMain
