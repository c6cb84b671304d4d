#pragma once
// JPEG pictures, decoded with libjpeg.

#include <QByteArray>
#include <QImage>

// Decodes a JPEG picture. A damaged or truncated picture raises EInvalidGraphic.
QImage DecodeJpeg(const QByteArray& Data);
