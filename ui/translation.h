#pragma once
// The window program's translatable texts: every text a user reads goes through
// Quillmark::tr("…") (or QT_TRANSLATE_NOOP("Quillmark", "…") in a table, translated where it
// is shown), in one context, so that one translation file covers the program. Without an
// installed translation each text is its English source. The build writes the template of
// every such text, translations/quillmark.ts, beside the program.

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <vector>

class QTranslator;

class Quillmark {
    Q_DECLARE_TR_FUNCTIONS(Quillmark)
};

// A text the Qt-free layers hand the window to show as it is (a symbology's option and its
// choices, an export format's name), in the user's language where the translation has it.
QString ShownText(const char* text);

// Installs the program's translation for `locale` (quillmark_<language>.qm, from the first of
// `folders` that has one) and Qt's own (its dialogs' buttons); returns what was installed,
// owned by the application. Nothing is installed where no translation exists: English.
std::vector<QTranslator*> InstallTranslations(const QStringList& folders,
                                              const QLocale& locale = QLocale());
