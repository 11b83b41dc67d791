#pragma once
// The ".qmx" file type on the desktop: a shared-MIME-info package and a desktop entry with open
// and print commands, under $XDG_DATA_HOME.

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

// Removes the registration and the settings file; false when something could not be removed.
bool UnregisterFileType();

// The MIME type another program has claimed "*.qmx" for, if any (looked up in the installed
// MIME databases of $XDG_DATA_HOME and $XDG_DATA_DIRS).
QString ForeignQmxType();
