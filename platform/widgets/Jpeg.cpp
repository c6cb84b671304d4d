#include "Jpeg.h"

#include "Exceptions.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// libjpeg's own error handler ends the process; this one jumps back to the decoder, which
// turns the failure into an exception once it is out of libjpeg again.
struct TJpegErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr Info)
{
    auto* errors = reinterpret_cast<TJpegErrorManager*>(Info->err);
    Info->err->format_message(Info, errors->Message);
    std::longjmp(errors->Jump, 1);
}

// Warnings (corrupt data, premature end of the picture) mean a damaged picture: fail too.
void EmitMessage(j_common_ptr Info, int Level)
{
    if (Level < 0)
        ErrorExit(Info);
}

// Decodes Data into Image. Only plain data lives in this frame, so the jump back from
// libjpeg skips no destructor. False, with the reason in Errors.Message, on failure.
bool DecodeInto(jpeg_decompress_struct& Info, TJpegErrorManager& Errors, const QByteArray& Data, QImage& Image)
{
    if (setjmp(Errors.Jump))
        return false;
    jpeg_create_decompress(&Info);
    jpeg_mem_src(&Info, reinterpret_cast<const unsigned char*>(Data.constData()), static_cast<unsigned long>(Data.size()));
    jpeg_read_header(&Info, TRUE);
    Info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&Info);
    Image = QImage(static_cast<int>(Info.output_width), static_cast<int>(Info.output_height), QImage::Format_RGB888);
    while (Info.output_scanline < Info.output_height) {
        JSAMPROW row = Image.scanLine(static_cast<int>(Info.output_scanline));
        jpeg_read_scanlines(&Info, &row, 1);
    }
    jpeg_finish_decompress(&Info);
    return true;
}

} // namespace

QImage DecodeJpeg(const QByteArray& Data)
{
    jpeg_decompress_struct info;
    TJpegErrorManager errors;
    info.err = jpeg_std_error(&errors.Base);
    errors.Base.error_exit = ErrorExit;
    errors.Base.emit_message = EmitMessage;
    errors.Message[0] = '\0';
    QImage image;
    const bool decoded = DecodeInto(info, errors, Data, image);
    jpeg_destroy_decompress(&info);
    if (!decoded)
        throw EInvalidGraphic(QStringLiteral("Повреждённое изображение JPEG: %1").arg(QString::fromLocal8Bit(errors.Message)));
    return image;
}
