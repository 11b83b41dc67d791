#include "shell/file_errors.h"

#include "common/file_errors.h"
#include "job/export_messages.h"
#include "output/export.h"
#include "render/image_encoders.h"

#include <QStringList>

QString FileErrorMessage(std::error_code ec, const QString& path) {
    const QByteArray utf8 = path.toUtf8();
    return QString::fromStdString(::FileErrorMessage(
        ec, std::string_view(utf8.data(), static_cast<std::size_t>(utf8.size()))));
}

QString ExportErrorMessage(const CExportResult& result, const QString& path) {
    return QString::fromStdString(ExportErrorText(result, path.toStdString()));
}
