#pragma once
// The entity unit: the base classes through which plug-in packages hook into the framework
// and the shell program.

#include "Forms.h"
#include "StringList.h"

#include <QIcon>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <vector>

class QWidget;
class TDataSet;
class TMenuItem;
class TQuery;
class TTable;
class TTreeNode;

namespace ContextManager {
class TContext;
} // namespace ContextManager

namespace EClasses {

using ContextManager::TContext;

class TEntityForm;
class TMessageInfo;

// One (ID, name) pair of a child list.
class TEntityChild : public TObject {
    VEL_DECLARE_CLASS(TEntityChild, TObject)
public:
    TEntityChild(qint64 ID, const QString& Name) : ID(ID), Name(Name) {}
    qint64 ID;
    QString Name;
};

// The (ID, name) pairs a class or container node lists, in insertion order; owns its items.
class TEntityChildList : public TObject {
    VEL_DECLARE_CLASS(TEntityChildList, TObject)
public:
    TEntityChildList() = default;
    ~TEntityChildList() override;

    void AddChild(qint64 ID, const QString& Name);
    int Count() const { return static_cast<int>(FItems.size()); }
    qint64 GetID(int Index) const;
    void SetID(int Index, qint64 ID);
    QString GetName(int Index) const;
    void SetName(int Index, const QString& Name);
    // Position of the first child with that ID, or -1.
    qint32 IndexByID(qint64 ID) const;
    void DeleteChild(int Index);
    // Frees and removes all children, the last first.
    void Clear();
    // Removes all children and frees them on a thread of its own: a million rows take a
    // noticeable time to free, which work the user stopped should not wait for.
    void ClearInBackground();

private:
    // The children are kept as plain rows: a list of a hundred thousand costs no object per row.
    struct TRow {
        qint64 ID;
        QString Name;
    };
    const TRow& Row(int Index) const;
    std::vector<TRow> FItems;
};

// A member an entity owns that is made on first use and freed with the entity: the
// navigator makes entities by the hundred thousand, and most of them never use their
// journals or lists. It reads like the pointer it stands for (NewTable->Open(),
// TStringList* list = AuxList1).
template <class T, T* (*Make)(), void (*Free)(T*)>
class TMadeOnDemand {
public:
    TMadeOnDemand() = default;
    TMadeOnDemand(const TMadeOnDemand&) = delete;
    TMadeOnDemand& operator=(const TMadeOnDemand&) = delete;
    ~TMadeOnDemand()
    {
        if (FObject)
            Free(FObject);
    }

    T* Get() const
    {
        if (!FObject)
            FObject = Make();
        return FObject;
    }
    // The object when it was made, else null (without making it).
    T* IfMade() const { return FObject; }
    T* operator->() const { return Get(); }
    operator T*() const { return Get(); }

private:
    mutable T* FObject = nullptr;
};

// A journal table: owned by Env::FormOwner and on the session database as they are when it
// is made; closed before it is freed.
TTable* NewJournalTable();
void FreeJournalTable(TTable* Table);
using TJournalTable = TMadeOnDemand<TTable, NewJournalTable, FreeJournalTable>;

// A list with attached objects; the entity frees the objects of AuxList1 and AuxList2.
TStringList* NewEntityList();
void FreeEntityList(TStringList* List);
using TEntityList = TMadeOnDemand<TStringList, NewEntityList, FreeEntityList>;

// The object a navigator node carries. Plug-ins derive from the three kinds below and
// register their classes by name; the navigator creates them through class references.
class TEntity : public TObject {
    VEL_DECLARE_CLASS(TEntity, TObject)
public:
    // The class-node constructor (the first constructor family).
    TEntity(const QString& Condition, TDataSet* DataSet);
    ~TEntity() override;
    // How many entities exist now: a session that ended with more than it started with
    // left entities of its packages behind.
    static qint64 LiveCount();

    virtual void AddToDeleted(const QString& TableName, qint64 ID);
    virtual void AddToNew(const QString& TableName, qint64 ID);
    virtual void OnChangeContext(TContext* OldContext, TContext* NewContext);
    virtual void Show();
    virtual void OnMessage(TMessageInfo* Info);
    virtual void Refresh();
    virtual bool IsVisible();
    virtual void AfterCreate();
    virtual void CopyQuery();

    void SetContext(TContext* NewContext);
    TContext* GetContext() const { return Context; }

    template <class Self>
    static void DeclareConstructors(TMetaClass& Meta)
    {
        if constexpr (std::is_constructible_v<Self, QString, TDataSet*>)
            Meta.AddConstructor<TEntity, QString, TDataSet*>(std::function<TEntity*(QString, TDataSet*)>(
                [](QString condition, TDataSet* dataSet) { return new Self(condition, dataSet); }));
    }

    QString Extra;
    TEntityList AuxList1;
    TDataSet* DataSet;
    TEntityList AuxList2;
    QString Condition;
    TEntityForm* Form = nullptr;
    QString ParentCondition;
    TContext* Context;
    TContext* PreviousContext;
    TContext* InheritedContext;
    TJournalTable DeletedTable;
    TJournalTable NewTable;
    QString TableName;
    TTreeNode* Node = nullptr;
    TEntityList Queries;
    // Last, so that the flags of the derived kinds share its padding: the navigator makes
    // entities by the hundred thousand.
    bool UserFlag;

private:
    static std::atomic<qint64> FLiveCount;
    // The entity table a journal belongs to: the argument, or this entity's own table.
    QString JournalBaseName(const QString& ArgumentTableName) const;
};

// A node that stands for a whole class of objects: a database table.
class TEntityClass : public TEntity {
    VEL_DECLARE_CLASS(TEntityClass, TEntity)
public:
    TEntityClass(const QString& Condition, TDataSet* DataSet);

    virtual void GetChildList(TEntityChildList* List);
    virtual void AddInstance(const QString& ClassName, const QString& Name, qint64 ID, TTreeNode* ParentNode);
    virtual void AddInstanceAsSubChild(const QString& ClassName, const QString& SubClassName, const QString& Name,
        qint64 ID, TTreeNode* Node);
    virtual void AddInstanceAsChildOf(const QString& ClassName, const QString& ParentClassName, const QString& Name,
        const QString& Reserved, qint64 ID, TTreeNode* Node);
    virtual void DeleteInstance(const QString& ClassName, qint64 ID);
    virtual qint64 GetNewPrimaryKey();
};

// A node that stands for one object (one row).
class TEntityInstance : public TEntity {
    VEL_DECLARE_CLASS(TEntityInstance, TEntity)
public:
    // The instance constructor (the family this class introduces).
    TEntityInstance(qint64 ID, const QString& Name);
    // The inherited class-node constructor: no ID, no name.
    TEntityInstance(const QString& Condition, TDataSet* DataSet);

    virtual void Load();
    virtual void Save();

    template <class Self>
    static void DeclareConstructors(TMetaClass& Meta)
    {
        if constexpr (std::is_constructible_v<Self, qint64, QString>)
            Meta.AddConstructor<TEntityInstance, qint64, QString>(std::function<TEntityInstance*(qint64, QString)>(
                [](qint64 id, QString name) { return new Self(id, name); }));
        TEntity::DeclareConstructors<Self>(Meta);
    }

    // The two flags side by side, in the padding behind TEntity's last flag.
    bool Found = false;
    bool Modified = false;
    qint64 ID = 0;
    QString Name;
};

// A node that groups the rows of a child table that belong to one parent object.
class TEntityContainer : public TEntity {
    VEL_DECLARE_CLASS(TEntityContainer, TEntity)
public:
    // The container constructor: Params configures the children (raises ERangeError when empty
    // or malformed).
    TEntityContainer(qint64 ID, const QString& Name, const QString& Params);
    // The inherited class-node constructor.
    TEntityContainer(const QString& Condition, TDataSet* DataSet);

    virtual void GetChildList(TEntityChildList* List);

    template <class Self>
    static void DeclareConstructors(TMetaClass& Meta)
    {
        if constexpr (std::is_constructible_v<Self, qint64, QString, QString>)
            Meta.AddConstructor<TEntityContainer, qint64, QString, QString>(
                std::function<TEntityContainer*(qint64, QString, QString)>(
                    [](qint64 id, QString name, QString params) { return new Self(id, name, params); }));
        TEntity::DeclareConstructors<Self>(Meta);
    }

    qint64 ID = 0;
    QString CT;
    QString DT;
    QString FK;
    QString CK;

private:
    // The "!" form: pairs key "=" value, each closed by "&".
    void ReadKeyValueParams(const QString& Pairs);
};

// Creating entities from a class reference, through the constructor family each kind
// introduces (raises EClassNotConstructible when the class lacks it).
TEntity* CreateEntity(TClass Class, const QString& Condition, TDataSet* DataSet);
TEntityInstance* CreateInstance(TClass Class, qint64 ID, const QString& Name);
TEntityContainer* CreateContainer(TClass Class, qint64 ID, const QString& Name, const QString& Params);
bool IsInstanceClass(TClass Class);
bool IsContainerClass(TClass Class);

// The classes recorded, level by level, on navigation paths between two classes.
class TNavigationInfo : public TObject {
    VEL_DECLARE_CLASS(TNavigationInfo, TObject)
public:
    explicit TNavigationInfo(qint32 LevelCount);
    ~TNavigationInfo() override;

    // Appends the class to the level unless it holds it; a level out of range is reported.
    void AddClassInfo(qint32 Level, const QString& ClassName);
    // Whether the level holds the class; a level out of range is reported and answers false.
    bool CheckClassInfo(qint32 Level, const QString& ClassName) const;
    // "_" + name for every class of the level, in order; empty for a level out of range.
    QString GetLevelList(qint32 Level) const;

    // Entries (empty text, level list of class names); owns the level lists.
    TStringList* Levels;
    qint32 LevelCount;

private:
    bool InRange(qint32 Level) const { return Level >= 0 && Level < LevelCount; }
    TStringList* LevelList(qint32 Level) const;
};

// Records in Info, at Level and below, every class on a chain of the current navigator's
// schema from FromClass down to ToClass of at most MaxLevel - Level steps; true when there is one.
bool FindClassPath(const QString& FromClass, const QString& ToClass, qint32 Level, qint32 MaxLevel,
    TNavigationInfo* Info);

// One link of the navigation schema: from a predecessor class to the successor class.
class TEntityLink : public TObject {
    VEL_DECLARE_CLASS(TEntityLink, TObject)
public:
    TEntityLink(const QString& LinkClassName, TClass EntityClass, qint32 NavType, const QString& Parameter);

    QString LinkClassName;
    TClass EntityClass;
    qint32 NavType;
    QString Parameter;
};

// One queued message: who sent it, its type and its text.
class TMessageInfo : public TObject {
    VEL_DECLARE_CLASS(TMessageInfo, TObject)
public:
    TMessageInfo(TObject* Sender, qint32 MessageType, const QString& Text)
        : Sender(Sender), MessageType(MessageType), Text(Text)
    {
    }
    TObject* Sender;
    qint32 MessageType;
    QString Text;
};

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
    // Also callable by name (QMetaObject::invokeMethod(form, "Terminate")).
    Q_INVOKABLE virtual void Terminate() = 0;
};

// Declared for plug-in matching forms; the framework does not use it.
class TSopostavForm : public TForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TSopostavForm, TForm)
public:
    using TForm::TForm;
};

// A form that shows an entity.
class TEntityForm : public TForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TEntityForm, TForm)
public:
    using TForm::TForm;

    TEntity* Entity = nullptr;
    // True while the form is docked inside another form as a sub-form.
    bool InNavigatorForm = false;
};

// An entity form that shows the forms of its sub-form links inside itself.
class TNavigatorForm : public TEntityForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TNavigatorForm, TEntityForm)
public:
    using TEntityForm::TEntityForm;

    // Where the sub-forms are docked (not owned); null when the form has none.
    QWidget* DockSite = nullptr;
};

// The navigator: the tree of classes and objects beside the form of the selected node.
class TNavigator : public TForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TNavigator, TForm)
public:
    using TForm::TForm;

    virtual void Initialize() = 0;
    virtual void Unplug() = 0;
    virtual void Refresh() = 0;
    virtual void ActivateObject(TClass ListClass, TClass ObjectClass, qint64 ObjectID) = 0;
    virtual void ActivateObjectInstance(TClass ListClass, TClass ObjectClass, qint64 ObjectID) = 0;
    virtual void ActivateObjectInstanceWithParentObject(TClass ListClass, qint64 ParentID, TClass ObjectClass,
        qint64 ObjectID, TTreeNode* StartNode) = 0;
    virtual void MakeVisibleObjectItsAndExpandChildren(TClass ListClass, qint64 ParentID, TClass ObjectClass,
        qint64 ObjectID, TTreeNode* StartNode) = 0;
    virtual void RefreshObjectDependences(TEntity* Entity) = 0;
    virtual void RefreshClassObject(TEntity* Entity) = 0;
    virtual void RefreshNodeByAddingObject(TTreeNode* Node, qint64 ID, const QString& Name) = 0;
    virtual void DeleteNode(TTreeNode* Node) = 0;
    virtual TTreeNode* AddNode(const QString& ClassName, const QString& Name, qint64 ID, TTreeNode* ParentNode) = 0;
    virtual void ChangeNode(TTreeNode* Node, const QString& Text) = 0;
    virtual TTreeNode* GetCurrentNode() = 0;
    virtual void NotifyObjectChanged(TEntity* Entity) = 0;
    virtual void RefreshNodeAfterContextChange(TTreeNode* Node) = 0;

    // Entries (predecessor class name, link list); a link list holds entries (successor
    // class name, TEntityLink). Made and freed by the navigator; FindClassPath walks it.
    TStringList* FClassNames = nullptr;
    // Set while the navigator is taken down; cleared when it initialises.
    bool FClosing = false;
    QList<QIcon> FImages;
};

} // namespace EClasses
