#include "ui/translation.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace {

// The texts of the symbologies' options and the export formats' names in the export dialog,
// which the template cannot find where they are written (the engine and the export's table know
// nothing of translation); a choice such as "L 7%" is a name and stays as it is.
[[maybe_unused]] constexpr const char* kShownTexts[] = {
    QT_TRANSLATE_NOOP("Quillmark", "Error correction"),
    QT_TRANSLATE_NOOP("Quillmark", "Shape"),
    QT_TRANSLATE_NOOP("Quillmark", "Square"),
    QT_TRANSLATE_NOOP("Quillmark", "Rectangle"),
    QT_TRANSLATE_NOOP("Quillmark", "Any, DMRE included"),
    QT_TRANSLATE_NOOP("Quillmark", "Version"),
    QT_TRANSLATE_NOOP("Quillmark", "Size"),
    QT_TRANSLATE_NOOP("Quillmark", "Columns"),
    QT_TRANSLATE_NOOP("Quillmark", "Data"),
    QT_TRANSLATE_NOOP("Quillmark", "Text"),
    QT_TRANSLATE_NOOP("Quillmark", "Add-on digits"),
    QT_TRANSLATE_NOOP("Quillmark", "As typed"),
    QT_TRANSLATE_NOOP("Quillmark", "Check digit"),
    QT_TRANSLATE_NOOP("Quillmark", "Check digits"),
    QT_TRANSLATE_NOOP("Quillmark", "None"),
    QT_TRANSLATE_NOOP("Quillmark", "One"),
    QT_TRANSLATE_NOOP("Quillmark", "Two"),
    QT_TRANSLATE_NOOP("Quillmark", "Mod 10"),
    QT_TRANSLATE_NOOP("Quillmark", "Mod 10 and 10"),
    QT_TRANSLATE_NOOP("Quillmark", "Mod 11"),
    QT_TRANSLATE_NOOP("Quillmark", "Mod 11 and 10"),
    QT_TRANSLATE_NOOP("Quillmark", "Quiet zone"),
    QT_TRANSLATE_NOOP("Quillmark", "On"),
    QT_TRANSLATE_NOOP("Quillmark", "Off"),
    QT_TRANSLATE_NOOP("Quillmark", "Automatic"),
    // The Symbology menu's submenus.
    QT_TRANSLATE_NOOP("Quillmark", "Linear"),
    QT_TRANSLATE_NOOP("Quillmark", "Retail"),
    QT_TRANSLATE_NOOP("Quillmark", "GS1"),
    QT_TRANSLATE_NOOP("Quillmark", "2D"),
    QT_TRANSLATE_NOOP("Quillmark", "Postal"),
    QT_TRANSLATE_NOOP("Quillmark", "Windows MetaFile"),
    QT_TRANSLATE_NOOP("Quillmark", "Bitmap Files"),
    QT_TRANSLATE_NOOP("Quillmark", "GIF Files"),
    QT_TRANSLATE_NOOP("Quillmark", "TIFF files"),
    QT_TRANSLATE_NOOP("Quillmark", "PNG Files"),
    QT_TRANSLATE_NOOP("Quillmark", "PCX files"),
    QT_TRANSLATE_NOOP("Quillmark", "JPEG Files"),
    QT_TRANSLATE_NOOP("Quillmark", "SVG Pictures"),
    QT_TRANSLATE_NOOP("Quillmark", "PDF Documents"),
    QT_TRANSLATE_NOOP("Quillmark", "ZPL Label Printer Files"),
    QT_TRANSLATE_NOOP("Quillmark", "EPS Pictures"),
};

} // namespace

QString ShownText(const char* text) {
    return Quillmark::tr(text);
}

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
