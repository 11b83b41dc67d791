#include "shell/file_errors.h"

#include "common/file_errors.h"
#include "output/export.h"
#include "render/image_encoders.h"

#include <QStringList>

QString FileErrorMessage(std::error_code ec, const QString& path) {
    const QByteArray utf8 = path.toUtf8();
    return QString::fromStdString(::FileErrorMessage(
        ec, std::string_view(utf8.data(), static_cast<std::size_t>(utf8.size()))));
}

QString ExportErrorMessage(const CExportResult& result, const QString& path) {
    const std::error_code ec = result.error;
    const QString size = QStringLiteral("%1 × %2").arg(result.imageWidth).arg(result.imageHeight);
    if (ec == ExportError::MetafileNotWritten)
        return QStringLiteral("Unable to create Windows Metafile.");
    if (ec == ExportError::PictureTooLarge)
        return QStringLiteral("The picture of this symbol would be larger than %1 MB; shorten "
                              "its data.")
            .arg(kMaxPictureBytes >> 20);
    if (ec == ExportError::UnknownFormat) {
        QStringList known;
        for (const char* ext : kExportExtensions)
            known << QString::fromLatin1(ext);
        const QString last = known.takeLast();
        return QStringLiteral("Quillmark does not write files of the type of %1; use %2 or %3.")
            .arg(path, known.join(QStringLiteral(", ")), last);
    }
    if (ec == ExportError::PdfNotMade)
        return QStringLiteral("The PDF page of this symbol could not be made (%1).").arg(path);
    if (ec == ExportError::ImageTooLarge)
        return QStringLiteral("The image would be %1 pixels, more than an image may have; lower "
                              "the resolution.")
            .arg(size);
    if (ec == ExportError::ImageEmpty)
        return QStringLiteral("The image would be %1 pixels, which is no image; raise the "
                              "resolution.")
            .arg(size);
    if (ec == ExportError::NothingToDraw)
        return QStringLiteral("Nothing was written to %1: the symbology cannot encode this data, "
                              "so the symbol draws nothing.")
            .arg(path);
    if (ec == ExportError::ImageNotMade)
        return QStringLiteral("There is not enough memory for an image of %1 pixels.").arg(size);
    if (ec == ImageEncodeError::TooLarge)
        return QStringLiteral("The image is too large for this file format (%1 pixels); choose "
                              "another format or lower the resolution.")
            .arg(size);
    if (ec == ImageEncodeError::EncoderFailed || ec == ImageEncodeError::EmptyImage)
        return QStringLiteral("The image could not be written as %1 (%2 pixels).")
            .arg(path)
            .arg(size);
    return FileErrorMessage(ec, path);
}
