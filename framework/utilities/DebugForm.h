#pragma once
// The debug window: an empty form with a tree view that plug-ins may fill and show.

#include "Forms.h"

class QTreeWidget;

namespace DebugForm {

class TForm2 : public TForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TForm2, TForm)
public:
    explicit TForm2(TComponent* AOwner = nullptr);

    QTreeWidget* TreeView10;
};

// The shared debug window, alive while the unit is initialised.
extern TForm2* Form2;

void Initialize();
void Finalize();

} // namespace DebugForm
