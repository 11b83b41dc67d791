#include "shell/file_errors.h"

QString FileErrorMessage(int err, const QString& path) {
    const QByteArray utf8 = path.toUtf8();
    return QString::fromStdString(FileErrorMessage(std::error_code(err, std::generic_category()),
                                                   std::string_view(utf8.data(), utf8.size())));
}
