#include "shell/command_table.h"

#include "shell/command_ids.h"

#include <QtGlobal>

const std::vector<CommandText>& Commands() {
    static const std::vector<CommandText> table = {
        {cmd::kFileNew,
         QT_TRANSLATE_NOOP("Quillmark", "&New"),
         QT_TRANSLATE_NOOP("Quillmark", "Create a new document\nNew"),
         {QKeySequence("Ctrl+N")}},
        {cmd::kFileOpen,
         QT_TRANSLATE_NOOP("Quillmark", "&Open..."),
         QT_TRANSLATE_NOOP("Quillmark", "Open an existing document\nOpen"),
         {QKeySequence("Ctrl+O")}},
        {cmd::kFileExport,
         QT_TRANSLATE_NOOP("Quillmark", "&Export..."),
         QT_TRANSLATE_NOOP("Quillmark", "Export to other image format\nExport"),
         {}},
        {cmd::kFilePrint,
         QT_TRANSLATE_NOOP("Quillmark", "&Print..."),
         QT_TRANSLATE_NOOP("Quillmark", "Print the active document\nPrint"),
         {QKeySequence("Ctrl+P")}},
        {cmd::kFilePrintPreview,
         QT_TRANSLATE_NOOP("Quillmark", "Print Pre&view"),
         QT_TRANSLATE_NOOP("Quillmark", "Display full pages\nPrint Preview"),
         {}},
        {cmd::kFileMruFirst,
         QT_TRANSLATE_NOOP("Quillmark", "Recent File"),
         QT_TRANSLATE_NOOP("Quillmark", "Open this document"),
         {}},
        {cmd::kAppExit,
         QT_TRANSLATE_NOOP("Quillmark", "E&xit"),
         QT_TRANSLATE_NOOP("Quillmark", "Quit the application; prompts to save documents\nExit"),
         {}},
        {cmd::kEditCopy,
         QT_TRANSLATE_NOOP("Quillmark", "&Copy to clipboard"),
         QT_TRANSLATE_NOOP("Quillmark", "Copy the selection and put it on the Clipboard\nCopy"),
         {QKeySequence("Ctrl+C"), QKeySequence("Ctrl+Ins")}},
        {cmd::kEditCopyWmf,
         "",
         QT_TRANSLATE_NOOP("Quillmark", "Copy as  WMF image\nCopy as WMF"),
         {}},
        {cmd::kRotateLeft,
         QT_TRANSLATE_NOOP("Quillmark", "Rotate &Left"),
         QT_TRANSLATE_NOOP("Quillmark", "Rotate the image anti-clockwise\nRotate Left"),
         {}},
        {cmd::kRotateRight,
         QT_TRANSLATE_NOOP("Quillmark", "Rotate &Right"),
         QT_TRANSLATE_NOOP("Quillmark", "Rotate the image clockwise\nRotate Right"),
         {}},
        {cmd::kZoomIn,
         QT_TRANSLATE_NOOP("Quillmark", "Zoom &In"),
         QT_TRANSLATE_NOOP("Quillmark", "Zoom in\nZoom in"),
         {}},
        // O is Options' key in the Tools menu.
        {cmd::kZoomOut,
         QT_TRANSLATE_NOOP("Quillmark", "Zoom O&ut"),
         QT_TRANSLATE_NOOP("Quillmark", "Zoom out\nZoom out"),
         {}},
        {cmd::kOptions,
         QT_TRANSLATE_NOOP("Quillmark", "&Options..."),
         QT_TRANSLATE_NOOP("Quillmark", "Change the options\nOptions"),
         {}},
        {cmd::kUserGuide,
         QT_TRANSLATE_NOOP("Quillmark", "&Open the PDF User's Guide"),
         QT_TRANSLATE_NOOP("Quillmark", "Open User Guide\nOpen User Guide"),
         {}},
        {cmd::kForum,
         QT_TRANSLATE_NOOP("Quillmark", "Community &Forum"),
         QT_TRANSLATE_NOOP("Quillmark", "Visit our community forum\nForum"),
         {}},
        {cmd::kSupport,
         QT_TRANSLATE_NOOP("Quillmark", "&Support Information"),
         QT_TRANSLATE_NOOP("Quillmark", "Support Information\nSupport Information"),
         {}},
        {cmd::kAbout,
         QT_TRANSLATE_NOOP("Quillmark", "&About Quillmark..."),
         QT_TRANSLATE_NOOP("Quillmark",
                           "Display program information, version number and copyright\nAbout"),
         {}},
        {cmd::kFileSave,
         QT_TRANSLATE_NOOP("Quillmark", "&Save"),
         QT_TRANSLATE_NOOP("Quillmark", "Save the active document\nSave"),
         {QKeySequence("Ctrl+S")}},
        {cmd::kFileSaveDocumentAs,
         QT_TRANSLATE_NOOP("Quillmark", "Save &As..."),
         QT_TRANSLATE_NOOP("Quillmark", "Save the active document with a new name\nSave As"),
         {QKeySequence("Ctrl+Shift+S")}},
        {cmd::kFileSaveAs,
         "",
         QT_TRANSLATE_NOOP("Quillmark", "Save the active document with a new name\nSave As"),
         {}},
        {cmd::kEditUndo, "", "", {QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")}},
        {cmd::kEditCut, "", "", {QKeySequence("Ctrl+X"), QKeySequence("Shift+Del")}},
        {cmd::kEditPaste, "", "", {QKeySequence("Ctrl+V"), QKeySequence("Shift+Ins")}},
        {cmd::kNextPane, "", "", {QKeySequence("F6")}},
        {cmd::kPrevPane, "", "", {QKeySequence("Shift+F6")}},
        // The toolbar controls: a prompt and a tool tip, no menu item.
        {cmd::kDataBox, "", QT_TRANSLATE_NOOP("Quillmark", "Encoded Message\nEncoded Message"), {}},
        {cmd::kHeightBox, "", QT_TRANSLATE_NOOP("Quillmark", "Barcode height\nBarcode height"), {}},
        {cmd::kFontName, "", QT_TRANSLATE_NOOP("Quillmark", "Select Font\nSelect Font"), {}},
        {cmd::kFontSize, "", QT_TRANSLATE_NOOP("Quillmark", "Select the font size\nFont size"), {}},
        {cmd::kShowText,
         "",
         QT_TRANSLATE_NOOP("Quillmark", "Toggle the underlying text options\nToggle Text"),
         {}},
        {cmd::kSymbologyList,
         "",
         QT_TRANSLATE_NOOP("Quillmark", "Choose the symbology\nSymbology"),
         {}},
        {cmd::kFontPicture, "", QT_TRANSLATE_NOOP("Quillmark", "Font\nFont"), {}},
    };
    return table;
}

QIcon CommandIcon(int id) {
    struct Icon {
        int id;
        const char* theme;
        const char* own;
    };
    static const Icon icons[] = {
        {cmd::kFileNew, "document-new", ":/icons/new.svg"},
        {cmd::kEditCopy, "edit-copy", ":/icons/copy.svg"},
        {cmd::kZoomIn, "zoom-in", ":/icons/zoom-in.svg"},
        {cmd::kZoomOut, "zoom-out", ":/icons/zoom-out.svg"},
        {cmd::kOptions, "preferences-system", ":/icons/options.svg"},
        {cmd::kFilePrintPreview, "document-print-preview", ":/icons/print-preview.svg"},
        {cmd::kFilePrint, "document-print", ":/icons/print.svg"},
        {cmd::kAbout, "help-about", ":/icons/about.svg"},
        {cmd::kFontPicture, "preferences-desktop-font", ":/icons/font.svg"},
        {cmd::kRotateLeft, "object-rotate-left", ":/icons/rotate-left.svg"},
        {cmd::kRotateRight, "object-rotate-right", ":/icons/rotate-right.svg"},
    };
    // Without a desktop theme the only theme is the fallback one, which has none of these
    // names: asking it looks through every folder it lists, in every data folder (tens of
    // thousands of file-system calls at each start), to find nothing.
    const QString theme = QIcon::themeName();
    const bool desktopTheme = !theme.isEmpty() && theme != QLatin1String("hicolor");
    for (const Icon& i : icons)
        if (i.id == id)
            return desktopTheme ? QIcon::fromTheme(QString::fromLatin1(i.theme), QIcon(i.own))
                                : QIcon(i.own);
    return {};
}
