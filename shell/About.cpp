#include "About.h"

#include "Exceptions.h"
#include "Jpeg.h"

#include <QFile>

// The picture is compiled into the shell's library, which the linker would drop unless it
// is asked for by name (from the global namespace, where the resource's functions live).
static QByteArray PictureData()
{
    Q_INIT_RESOURCE(About);
    QFile picture(QStringLiteral(":/about/about.jpg"));
    return picture.open(QIODevice::ReadOnly) ? picture.readAll() : QByteArray();
}

namespace About {

VEL_IMPLEMENT_CLASS(TAboutBox)

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(TComponent* AOwner)
    : TForm(AOwner),
      Image1(new TImage(this, this)),
      Version(new TLabel(this, this)),
      OKButton(new TButton(this, this))
{
    SetCaption(QStringLiteral("О технологии"));
    setFixedSize(336, 264);
    Image1->SetBounds(8, 8, 320, 180);
    Version->SetCaption(QStringLiteral("Версия 7.0"));
    Version->move(8, 204);
    OKButton->SetCaption(QStringLiteral("OK"));
    OKButton->SetBounds(253, 230, 75, 25);
    OKButton->SetModalResult(mrOk);
    OKButton->SetDefault(true);
    ShowPicture(PictureData());
}

bool TAboutBox::ShowPicture(const QByteArray& Data)
{
    try {
        Image1->SetPicture(DecodeJpeg(Data));
        return true;
    } catch (const EInvalidGraphic&) {
        Image1->SetPicture(QImage());
        return false;
    }
}

} // namespace About
