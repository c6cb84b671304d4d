#pragma once
// The session services of the sample application: the application object, the help object
// and the logger.

#include "EClasses.h"
#include "LoggerMain.h"

namespace DemoCoreServices {

// Loads the order statuses when the session starts and forgets them when it closes.
class TDemoApplication : public EClasses::TEntityApplication {
    VEL_DECLARE_CLASS(TDemoApplication, EClasses::TEntityApplication)
public:
    TDemoApplication() = default;
    bool InitApplication() override;
    bool StartApplication() override;
    void StopApplication() override;
    void CloseApplication() override;

    bool Started = false;
};

// Help on the application's topics: a topic is an entity class name.
class TDemoHelper : public EClasses::THelper {
    VEL_DECLARE_CLASS(TDemoHelper, EClasses::THelper)
public:
    TDemoHelper() = default;
    void ShowHelp(const QString& Topic) override;
};

// An event for the log: its text is what is written.
class TLogEvent : public TObject {
    VEL_DECLARE_CLASS(TLogEvent, TObject)
public:
    explicit TLogEvent(const QString& Text) : Text(Text) {}
    QString Text;
};

// Writes one line per event to demo_core.log beside the program (Env::ProgramFile), or to
// the standard error stream when that file cannot be opened. A TLogEvent is written as its text,
// any other object as its class name.
class TDemoLogger : public LoggerMain::TLogger {
    VEL_DECLARE_CLASS(TDemoLogger, LoggerMain::TLogger)
public:
    TDemoLogger() = default;
    void PostToLog(TObject* Event) override;
    void PostToErrorLog(TObject* Event) override;

private:
    void WriteLine(const QString& Line);
};

// Writes to the session's logger, if one is registered.
void Log(const QString& Text);

void RegisterServices();
void UnregisterServices();

} // namespace DemoCoreServices
