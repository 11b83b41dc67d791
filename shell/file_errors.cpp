#include "shell/file_errors.h"

#include "common/file_errors.h"
#include "output/export.h"

QString FileErrorMessage(std::error_code ec, const QString& path) {
    const QByteArray utf8 = path.toUtf8();
    return QString::fromStdString(
        ::FileErrorMessage(ec, std::string_view(utf8.data(), static_cast<std::size_t>(utf8.size()))));
}

QString ExportErrorMessage(std::error_code ec, const QString& path) {
    if (ec == ExportError::MetafileNotWritten)
        return QStringLiteral("Unable to create Windows Metafile.");
    return FileErrorMessage(ec, path);
}
