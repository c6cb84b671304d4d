#include "DirectoryForm.h"

#include "UnitLifetime.h"

#include <QGuiApplication>
#include <QScreen>

namespace DirectoryForm {

VEL_IMPLEMENT_CLASS(TDirectoryFrm)

TDirectoryFrm* DirectoryFrm = nullptr;

TDirectoryFrm::TDirectoryFrm(TComponent* AOwner)
    : TForm(AOwner),
      DirectoryListBox1(new TDirectoryListBox(this, this)),
      Button1(new TButton(this, this)),
      Button2(new TButton(this, this))
{
    SetCaption(QStringLiteral("Выбор каталога"));
    setWindowFlags(Qt::Dialog);
    setFixedSize(276, 304);
    move(QGuiApplication::primaryScreen()->availableGeometry().center() - rect().center());
    DirectoryListBox1->SetBounds(8, 8, 261, 253);
    Button1->SetCaption(QStringLiteral("ОК"));
    Button1->SetModalResult(mrOk);
    Button1->SetBounds(112, 272, 75, 25);
    Button2->SetCaption(QStringLiteral("Отмена"));
    Button2->SetModalResult(mrCancel);
    Button2->SetBounds(194, 272, 75, 25);
}

namespace {

TUnitLifetime Lifetime = ObjectUnitLifetime(DirectoryFrm);

} // namespace

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace DirectoryForm
