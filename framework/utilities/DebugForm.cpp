#include "DebugForm.h"

#include "UnitLifetime.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace DebugForm {

VEL_IMPLEMENT_CLASS(TForm2)

TForm2* Form2 = nullptr;

TForm2::TForm2(TComponent* AOwner)
    : TForm(AOwner), TreeView10(new QTreeWidget(this))
{
    SetCaption(QStringLiteral("Form2"));
    resize(458, 289);
    TreeView10->setGeometry(8, 8, 437, 249);
    TreeView10->setIndentation(19);
    TreeView10->header()->hide();
}

namespace {

TUnitLifetime Lifetime = ObjectUnitLifetime(Form2);

} // namespace

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace DebugForm
