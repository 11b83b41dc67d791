#include "shell/file_errors.h"

#include "common/file_errors.h"
#include "job/export_messages.h"
#include "ui/shown_message.h"

QString FileErrorMessage(std::error_code ec, const QString& path) {
    const QByteArray utf8 = path.toUtf8();
    return ShownMessage(
        FileError(ec, std::string_view(utf8.data(), static_cast<std::size_t>(utf8.size()))));
}

QString ExportErrorMessage(const CExportResult& result, const QString& path) {
    return ShownMessage(ExportFailure(result, path.toStdString()));
}
