#include "job/export_messages.h"

#include "common/file_errors.h"
#include "render/export_formats.h"
#include "render/image_encoders.h"

CMessage ExportFailure(const CExportResult& result, const std::string& path) {
    const std::error_code ec = result.error;
    const std::string size =
        std::to_string(result.imageWidth) + " \u00D7 " + std::to_string(result.imageHeight);
    if (ec == ExportError::MetafileNotWritten) return MakeMessage(Msg::ExportMetafileNotWritten);
    if (ec == ExportError::PictureTooLarge)
        return MakeMessage(Msg::ExportPictureTooLarge, std::to_string(kMaxPictureBytes >> 20));
    if (ec == ExportError::UnknownFormat) {
        std::string known;
        const std::span<const std::string_view> listed = ListedExportExtensions();
        for (std::size_t i = 0; i < listed.size(); ++i) {
            if (i > 0) known += i + 1 == listed.size() ? " or " : ", ";
            known += listed[i];
        }
        return MakeMessage(Msg::ExportUnknownFormat, path, known);
    }
    if (ec == ExportError::PdfNotMade) return MakeMessage(Msg::ExportPdfNotMade, path);
    if (ec == ExportError::ImageTooLarge) return MakeMessage(Msg::ExportImageTooLarge, size);
    if (ec == ExportError::ImageEmpty) return MakeMessage(Msg::ExportImageEmpty, size);
    if (ec == ExportError::NothingToDraw)
        return result.why.empty() ? MakeMessage(Msg::ExportNothingToDraw, path)
                                  : MakeMessage(Msg::ExportNothingEncoded, path, result.why);
    if (ec == ExportError::ImageNotMade) return MakeMessage(Msg::ExportNoMemory, size);
    if (ec == ImageEncodeError::TooLarge) return MakeMessage(Msg::ExportTooLargeForFormat, size);
    if (ec == ImageEncodeError::EncoderFailed || ec == ImageEncodeError::EmptyImage)
        return MakeMessage(Msg::ExportEncoderFailed, path, size);
    // A metafile says it is one, and then the file system's cause as every other format does.
    if (const ExportFormat* format = FindExportFormat(path);
        format && format->writer == ExportWriter::Metafile &&
        ec.category() == std::generic_category())
        return MakeMessage(Msg::ExportMetafileNotWrittenBecause, FileError(ec, path));
    return FileError(ec, path);
}

std::string ExportErrorText(const CExportResult& result, const std::string& path) {
    return MessageText(ExportFailure(result, path));
}
