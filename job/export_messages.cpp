#include "job/export_messages.h"

#include "common/file_errors.h"
#include "render/image_encoders.h"

std::string ExportErrorText(const CExportResult& result, const std::string& path) {
    const std::error_code ec = result.error;
    const std::string size =
        std::to_string(result.imageWidth) + " \u00D7 " + std::to_string(result.imageHeight);
    if (ec == ExportError::MetafileNotWritten) return "Unable to create Windows Metafile.";
    if (ec == ExportError::PictureTooLarge)
        return "The picture of this symbol would be larger than " +
               std::to_string(kMaxPictureBytes >> 20) + " MB; shorten its data.";
    if (ec == ExportError::UnknownFormat) {
        std::string known;
        const std::span<const std::string_view> listed = ListedExportExtensions();
        for (std::size_t i = 0; i < listed.size(); ++i) {
            if (i > 0) known += i + 1 == listed.size() ? " or " : ", ";
            known += listed[i];
        }
        return "Quillmark does not write files of the type of " + path + "; use " + known + ".";
    }
    if (ec == ExportError::PdfNotMade)
        return "The PDF page of this symbol could not be made (" + path + ").";
    if (ec == ExportError::ImageTooLarge)
        return "The image would be " + size +
               " pixels, more than an image may have; lower the resolution.";
    if (ec == ExportError::ImageEmpty)
        return "The image would be " + size + " pixels, which is no image; raise the resolution.";
    if (ec == ExportError::NothingToDraw)
        return "Nothing was written to " + path +
               ": the symbology cannot encode this data, so the symbol draws nothing.";
    if (ec == ExportError::ImageNotMade)
        return "There is not enough memory for an image of " + size + " pixels.";
    if (ec == ImageEncodeError::TooLarge)
        return "The image is too large for this file format (" + size +
               " pixels); choose another format or lower the resolution.";
    if (ec == ImageEncodeError::EncoderFailed || ec == ImageEncodeError::EmptyImage)
        return "The image could not be written as " + path + " (" + size + " pixels).";
    return FileErrorMessage(ec, path);
}
