#include "shell/framework.h"

#include "common/settings_keys.h"

#include <QFileInfo>
#include <QFontDatabase>

QString DefaultFontName() {
    return QString::fromLatin1(settings::kFontName.def.data(),
                               static_cast<qsizetype>(settings::kFontName.def.size()));
}

QStringList FontFamilies() {
    QStringList families = QFontDatabase::families();
    if (!families.contains(DefaultFontName(), Qt::CaseInsensitive))
        families.append(DefaultFontName());
    families.sort(Qt::CaseInsensitive);
    return families;
}

QString AbbreviatePath(const QString& path, int maxLength) {
    if (path.size() <= maxLength) return path;
    const QString name = QFileInfo(path).fileName();
    if (name.size() + 4 >= maxLength) return name;
    // Keep the first folder and as many of the last folders as fit, with "..." between.
    QStringList parts = path.split('/');
    const QString head =
        parts.size() > 1 && parts[0].isEmpty() ? QStringLiteral("/") + parts[1] : parts[0];
    QString tail = name;
    for (int i = parts.size() - 2; i >= 2; --i) {
        const QString longer = parts[i] + '/' + tail;
        if (head.size() + 5 + longer.size() > maxLength) break;
        tail = longer;
    }
    const QString shown = head + QStringLiteral("/.../") + tail;
    return shown.size() <= maxLength ? shown : QStringLiteral(".../") + name;
}
