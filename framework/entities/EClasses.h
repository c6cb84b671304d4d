#pragma once
// The entity unit: the base classes through which plug-in packages hook into the framework
// and the shell program.

#include "Forms.h"
#include "StringList.h"

#include <QString>
#include <QtGlobal>

class TMenuItem;

namespace EClasses {

// Not used by the framework; kept for plug-ins.
enum StatePicture { ptOpened, ptClosed };

// The one application object of a session (first registration wins).
class TEntityApplication : public TObject {
    VEL_DECLARE_CLASS(TEntityApplication, TObject)
public:
    TEntityApplication() = default;
    virtual bool InitApplication() = 0;
    virtual bool StartApplication() = 0;
    virtual void StopApplication() = 0;
    virtual void CloseApplication() = 0;
};

// A wizard, called by name.
class TEntityWizard : public TObject {
    VEL_DECLARE_CLASS(TEntityWizard, TObject)
public:
    TEntityWizard() = default;
    virtual qint32 Execute() = 0;
};

// The one help object; the framework never calls it.
class THelper : public TObject {
    VEL_DECLARE_CLASS(THelper, TObject)
public:
    THelper() = default;
    // Shows help on a topic; plug-ins agree on the topic's meaning.
    virtual void ShowHelp(const QString& Topic) = 0;
};

// The key generator: serves the named key sequences registered for the session.
class TSequencer : public TObject {
    VEL_DECLARE_CLASS(TSequencer, TObject)
public:
    // The next key of a sequence; the framework never calls it.
    virtual qint64 NextValue(const QString& Name) = 0;
    // The current key of a sequence; the framework never calls it.
    virtual qint64 CurrentValue(const QString& Name) = 0;
    virtual void StartSequences(TStringList* Names, TStringList* Values) = 0;
    virtual void InitializeSequence(const QString& Name, qint64 Value) = 0;
    virtual void StopSequences() = 0;

    qint32 Tag = 0;
};

// A cartridge of the copy service: copies one kind of object; the framework never calls it.
class TCopyCartridge : public TObject {
    VEL_DECLARE_CLASS(TCopyCartridge, TObject)
public:
    TCopyCartridge() = default;
    virtual bool CanCopy(TObject* Source) = 0;
    virtual TObject* Copy(TObject* Source) = 0;
    virtual QString Description() = 0;
};

// The registry of copy cartridges (one instance, Env::CopyService).
class TCopyService : public TObject {
    VEL_DECLARE_CLASS(TCopyService, TObject)
public:
    TCopyService();
    ~TCopyService() override;

    // Appends the cartridge unless the name (in any letter case) is taken; true when appended.
    bool RegisterCopyCartridge(const QString& Name, TCopyCartridge* Cartridge);
    // Removes the first entry of that name; true when there was one.
    bool UnRegisterCopyCartridge(const QString& Name, TCopyCartridge* Cartridge);
    TCopyCartridge* GetCopyCartridge(const QString& Name) const;

    TStringList* Cartridges;
};

// A service menu entry: the item and the caption of the top-level menu it goes into.
class TServiceInfo : public TObject {
    VEL_DECLARE_CLASS(TServiceInfo, TObject)
public:
    TServiceInfo(const QString& MenuName, TMenuItem* MenuItem);
    TMenuItem* MenuItem;
    QString MenuName;
};

// A classificator's refresh procedure.
class TRefreshProcedure : public TObject {
    VEL_DECLARE_CLASS(TRefreshProcedure, TObject)
public:
    using TProcedure = void (*)();
    explicit TRefreshProcedure(TProcedure Proc) : Proc(Proc) {}
    TProcedure Proc;
};

// Declared for plug-ins; the framework does not use it.
class TSubsribtionInfo : public TObject {
    VEL_DECLARE_CLASS(TSubsribtionInfo, TObject)
public:
    TSubsribtionInfo() = default;
};

// The main property form: the shell's settings dialog derives from it.
class TOptionForm : public TForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TOptionForm, TForm)
public:
    using TForm::TForm;
    virtual bool ActivatePage(const QString& PageName) = 0;
};

// The shell's main window derives from it; Terminate ends the current work session.
class TMainForm : public TForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TMainForm, TForm)
public:
    using TForm::TForm;
    virtual void Terminate() = 0;
};

// Declared for plug-in matching forms; the framework does not use it.
class TSopostavForm : public TForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TSopostavForm, TForm)
public:
    using TForm::TForm;
};

} // namespace EClasses
