#include "About.h"

#include <gtest/gtest.h>

TEST(About, ShowsItsPictureVersionAndOkButton)
{
    About::TAboutBox box;
    EXPECT_EQ(box.Caption(), "О технологии");
    EXPECT_EQ(box.Version->Caption(), "Версия 7.0");
    EXPECT_EQ(box.OKButton->Caption(), "OK");
    EXPECT_EQ(box.Image1->Picture().size(), QSize(320, 180)) << "the picture kept with the dialog is decoded";
    EXPECT_FALSE(box.Image1->pixmap().isNull());

    box.OKButton->click();
    EXPECT_EQ(box.ModalResult(), mrOk);
}

TEST(About, DamagedPictureLeavesTheDialogWithoutOne)
{
    About::TAboutBox box;
    EXPECT_FALSE(box.ShowPicture(QByteArray("\xFF\xD8\xFF\xE0 broken", 12)));
    EXPECT_TRUE(box.Image1->Picture().isNull());
    EXPECT_TRUE(box.Image1->pixmap().isNull());
}
