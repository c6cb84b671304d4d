#include "Exceptions.h"
#include "Jpeg.h"

#include <QBuffer>
#include <QColor>

#include <gtest/gtest.h>

namespace {

// A 64x32 picture: red on the left half, blue on the right, as a JPEG.
QByteArray TwoColourJpeg()
{
    QImage image(64, 32, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, x < 32 ? QColor(220, 20, 20) : QColor(20, 20, 220));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 95);
    return data;
}

} // namespace

TEST(Jpeg, DecodesAGoodPicture)
{
    const QByteArray data = TwoColourJpeg();
    ASSERT_FALSE(data.isEmpty()) << "the toolkit could not write the test picture";
    const QImage image = DecodeJpeg(data);
    ASSERT_EQ(image.size(), QSize(64, 32));
    const QColor left = image.pixelColor(8, 16);
    const QColor right = image.pixelColor(56, 16);
    EXPECT_GT(left.red(), 180);
    EXPECT_LT(left.blue(), 60);
    EXPECT_GT(right.blue(), 180);
    EXPECT_LT(right.red(), 60);
}

TEST(Jpeg, DamagedPicturesRaiseInsteadOfEndingTheProcess)
{
    const QByteArray good = TwoColourJpeg();
    EXPECT_THROW(DecodeJpeg(QByteArray()), EInvalidGraphic);
    EXPECT_THROW(DecodeJpeg(QByteArray("not a picture at all")), EInvalidGraphic);
    EXPECT_THROW(DecodeJpeg(good.left(good.size() / 2)), EInvalidGraphic);
    QByteArray scrambled = good;
    for (int i = good.size() / 3; i < good.size() - 2; i += 7)
        scrambled[i] = static_cast<char>(0xFF);
    EXPECT_THROW(DecodeJpeg(scrambled), EInvalidGraphic);
    // The decoder is still usable afterwards.
    EXPECT_EQ(DecodeJpeg(good).size(), QSize(64, 32));
}
