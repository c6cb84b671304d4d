#pragma once
// The navigator's own settings, kept per application in the registry under the navigator's
// key, and the framework's property page «Навигатор» of the settings dialog that edits them.
//
// With «Восстанавливать дерево при подключении» on, the navigator stores the tree as the user
// left it when the session stops, and builds it again at the next connect: each stored node is
// a path of steps from a root, a step being a class name and, for an object, its ID.

#include "Controls.h"

#include <QString>
#include <QStringList>

namespace NavigatorSettings {

inline const QString PageName = QStringLiteral("Навигатор");

// The key of the navigator's values: the application's key + "\TTestNavigator".
QString NavigatorKey();

// Whether the tree is stored at a disconnect and restored at the next connect (off unless set).
bool RestoreTree();
// Switching it off also forgets the tree stored last.
void SetRestoreTree(bool Restore);

// The tree as stored: the paths of the expanded nodes, parents before their children, and of
// the selected node (empty for none).
struct TStoredTree {
    QStringList Expanded;
    QString Selected;
    bool IsEmpty() const { return Expanded.isEmpty() && Selected.isEmpty(); }
};
TStoredTree StoredTree();
// A registry that cannot be written is told once; the session goes on.
void StoreTree(const TStoredTree& Tree);

// The page: one check box, filled from the registry when the dialog opens, stored on OK.
class TNavigatorSheet : public TTabSheet {
    VEL_DECLARE_CLASS(TNavigatorSheet, TTabSheet)
public:
    TNavigatorSheet();
    TCheckBox* CheckBox1;
};

// The page while the unit lives.
extern TNavigatorSheet* NavigatorSheet;
// The page stands in the settings dialog under PageName while the navigator runs: the dialog
// serves a session, and the values belong to its application.
void RegisterPage();
void UnregisterPage();

void Initialize();
void Finalize();

} // namespace NavigatorSettings
