#include "ApplicationSystemChooseForm.h"

#include "StringList.h"

#include <QGuiApplication>
#include <QScreen>

namespace ApplicationSystemChooseForm {

VEL_IMPLEMENT_CLASS(TApplicationSystemChooseFrm)

TApplicationSystemChooseFrm* ApplicationSystemChooseFrm = nullptr;

namespace {

// Position of the first title equal to Title without regard to letter case, or -1.
int TitleIndex(const QStringList& Titles, const QString& Title)
{
    for (int i = 0; i < Titles.size(); ++i)
        if (TStringList::SameText(Titles[i], Title))
            return i;
    return -1;
}

} // namespace

TApplicationSystemChooseFrm::TApplicationSystemChooseFrm(TComponent* AOwner)
    : TForm(AOwner),
      Label1(new TLabel(this, this)),
      ComboBox1(new TComboBox(this, this)),
      Button1(new TButton(this, this)),
      Button2(new TButton(this, this))
{
    SetCaption(QStringLiteral("Выбор приложения"));
    setWindowFlags(Qt::Dialog);
    setFixedSize(305, 112);
    move(QGuiApplication::primaryScreen()->availableGeometry().center() - rect().center());

    Label1->SetCaption(QStringLiteral("Загрузить   приложение из списка"));
    Label1->SetBounds(8, 8, 289, 16);
    ComboBox1->SetStyle(csDropDownList);
    ComboBox1->SetBounds(8, 32, 289, 21);

    Button1->SetCaption(QStringLiteral("Ок"));
    Button1->SetDefault(true);
    Button1->SetBounds(140, 76, 75, 25);
    Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
    Button2->SetCaption(QStringLiteral("Отмена"));
    Button2->SetModalResult(mrCancel);
    Button2->SetBounds(222, 76, 75, 25);
}

void TApplicationSystemChooseFrm::Button1Click(TObject*)
{
    if (ComboBox1->ItemIndex() >= 0)
        SetModalResult(mrOk);
}

QString TApplicationSystemChooseFrm::ChooseApplication(const QStringList& Titles, const QString& Preselected)
{
    ComboBox1->SetItems(Titles);
    ComboBox1->SetItemIndex(TitleIndex(Titles, Preselected));
    if (ShowModal() != mrOk)
        return QString();
    return ComboBox1->Text();
}

} // namespace ApplicationSystemChooseForm
