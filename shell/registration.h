#pragma once
// The ".qmx" file type on the desktop: a shared-MIME-info package and a desktop entry with open
// and print commands. An installed program has them from its package; a program run from its
// build folder writes them for itself under $XDG_DATA_HOME, from the same files
// (resources/desktop), marked as its own.

#include <QString>

struct CRegistrationPaths {
    QString mimePackage;  // mime/packages/quillmark.xml
    QString desktopEntry; // applications/quillmark.desktop
    QString icon;         // icons/hicolor/scalable/apps/quillmark.svg
};
CRegistrationPaths RegistrationPaths();

constexpr const char* kQmxMimeType = "application/x-quillmark-document";

// Writes each file only when it is missing or different. The extension is claimed only when no
// other program's type already claims "*.qmx". Returns whether anything was written.
bool RegisterFileType(const QString& executable);

// At start-up: RegisterFileType for a program run from its build folder; nothing for an
// installed one (see InstallLayoutFor), whose package and the desktop's triggers do that.
bool RegisterAtStartUp(const QString& executable);

// Removes the settings file and those registration files that the program wrote (they carry its
// mark): never a file of the package or one the user has since rewritten. False when something
// could not be removed.
bool UnregisterFileType();

// The MIME type another program has claimed "*.qmx" for, if any (looked up in the installed
// MIME databases of $XDG_DATA_HOME and $XDG_DATA_DIRS).
QString ForeignQmxType();
