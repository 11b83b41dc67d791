#include "ui/translation.h"

#include <QLibraryInfo>
#include <QTranslator>

std::vector<QTranslator*> InstallTranslations(const QStringList& folders, const QLocale& locale) {
    std::vector<QTranslator*> installed;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return installed;
    const auto install = [&](const QString& name, const QString& folder) {
        auto* translator = new QTranslator(app);
        if (translator->load(locale, name, QStringLiteral("_"), folder) &&
            QCoreApplication::installTranslator(translator)) {
            installed.push_back(translator);
            return true;
        }
        delete translator;
        return false;
    };
    for (const QString& folder : folders)
        if (install(QStringLiteral("quillmark"), folder)) break;
    install(QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return installed;
}
