#pragma once
// Help > User's Guide: the PDF with the desktop's viewer; where the desktop has no viewer for it,
// the guide's Markdown source (shipped beside the PDF, the text the PDF is laid out from) in a
// window of the program's own.

#include <QString>
#include <QWidget>

#include <functional>

class QTextBrowser;
class QUrl;

// Hands a file to the desktop; false when no program could be started for it.
using UrlOpener = std::function<bool(const QUrl& url)>;
// Replaces the desktop's opener (tests); an empty opener brings it back. Returns the previous
// one. The desktop's opener is QDesktopServices::openUrl where "xdg-mime query default" names a
// program for the file's type (or cannot be asked), and false where it names none.
UrlOpener SetUrlOpener(UrlOpener opener);

// The guide's Markdown, set as a document, in a window that reflows it to its width.
class CUserGuideWindow : public QWidget {
    Q_OBJECT
public:
    explicit CUserGuideWindow(const QString& markdown, QWidget* parent = nullptr);
    QTextBrowser* Browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};

// Shows userguide.pdf of `docDir` through the opener; when there is no PDF or nothing opens it,
// userguide.md of `docDir` in a CUserGuideWindow (one at a time: a second call raises it); when
// neither can be read, tells the user which file is missing. Returns the window when one shows.
CUserGuideWindow* ShowUserGuide(const QString& docDir);
