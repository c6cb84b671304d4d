#pragma once
// Contexts: named, numbered labels that every entity carries and that the navigator passes
// from a parent node to the entities below it. Contexts form a tree. Every context ever
// constructed is entered in Env::ContextsNames (by name) and Env::ContextsIDs (by decimal
// ID), at the same index in both. The framework declares "_default" with ID 0.
//
// Contexts are never destroyed by the framework: they live until the process ends, since
// entities may still point at them. Create them with new; a process-lifetime owner frees
// them at exit.

#include "StringList.h"

#include <QString>
#include <QtGlobal>

namespace ContextManager {

class TContext : public TObject {
    VEL_DECLARE_CLASS(TContext, TObject)
public:
    TContext();
    TContext(qint64 ID, const QString& Name);
    TContext(qint64 ID, const QString& Name, TContext* Parent);
    ~TContext() override;

    // A null parent leaves the current one; the context is not removed from an earlier
    // parent's children.
    void SetParentContext(TContext* Parent);
    // Appends (Child's name, Child) to the children; returns its index.
    qint32 AddChildContext(TContext* Child);
    // Removes Child from the children if it is there; Child's parent stays as it is.
    void DeleteChildContext(TContext* Child);

    qint64 ID = -1;
    QString Name;
    TContext* ParentContext = nullptr;
    TStringList* ChildContexts;

private:
    void Register();
};

void RegisterContext(qint64 ID, const QString& Name);
// Creates the context below the parent named ParentName, which must have ID ParentID;
// otherwise tells the user and creates nothing.
void RegisterContextWithParent(qint64 ID, const QString& Name, qint64 ParentID, const QString& ParentName);
// Takes the first context with that ID and name (letter case ignored) out of both registries
// and out of its parent's children, so that a package that registers its context at load and
// unregisters it at unload leaves one entry however often it is loaded. The context object
// itself stays alive (entities may still point at it); its own children keep it as parent.
void UnregisterContext(qint64 ID, const QString& Name);
// The first context of that name (ignoring letter case), or null.
TContext* GetContextByName(const QString& Name);

void Initialize();
void Finalize();

} // namespace ContextManager
