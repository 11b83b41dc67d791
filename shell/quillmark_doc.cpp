#include "shell/quillmark_doc.h"

#include "common/atomic_file.h"
#include "common/file_io.h"
#include "engine/barcode_file.h"
#include "engine/code39.h"
#include "engine/symbologies.h"
#include "shell/command_ids.h"
#include "shell/file_errors.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <exception>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::unique_ptr<CBarcode> CreateBarcode(const CRuntimeClass* cls) {
    std::unique_ptr<CObject> obj = cls->CreateObject();
    return std::unique_ptr<CBarcode>(static_cast<CBarcode*>(obj.release()));
}

// The wait cursor for as long as a load or save runs.
class WaitCursor {
public:
    WaitCursor() {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()))
            QApplication::setOverrideCursor(Qt::WaitCursor), m_set = true;
    }
    ~WaitCursor() {
        if (m_set) QApplication::restoreOverrideCursor();
    }

private:
    bool m_set = false;
};

} // namespace

void CQuillmarkDoc::InstallBarcode(std::unique_ptr<CBarcode> barcode) {
    m_pBarcode = std::move(barcode);
    emit Changed();
    emit BarcodeReplaced();
}

bool CQuillmarkDoc::OnNewDocument() {
    auto barcode = std::make_unique<C39Barcode>();
    barcode->SetData("HALVERN");
    m_strPathName.clear();
    SetModifiedFlag(false);
    InstallBarcode(std::move(barcode));
    return true;
}

namespace {

// Whether the first bytes of a file are those of a document: the new-class tag, a class name
// of the program's that is a barcode.
bool StartsLikeADocument(std::span<const std::uint8_t> head) {
    if (head.size() < 6 || head[0] != 0xFF || head[1] != 0xFF) return false;
    const std::size_t length = head[4] | (head[5] << 8);
    if (length > CArchive::kMaxClassNameLength || head.size() < 6 + length) return false;
    const CRuntimeClass* cls = CRuntimeClass::FromName(
        std::string_view(reinterpret_cast<const char*>(head.data() + 6), length));
    return cls && cls->IsDerivedFrom(RUNTIME_CLASS(CBarcode));
}

// The first bytes of a file; empty when it cannot be read.
std::vector<std::uint8_t> FileHead(const std::string& nativePath) {
    std::vector<std::uint8_t> head(6 + CArchive::kMaxClassNameLength);
    UniqueFd fd(::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    const ssize_t n = fd.Valid() ? ::read(fd.Get(), head.data(), head.size()) : -1;
    head.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return head;
}

} // namespace

CDocumentRead ReadDocumentFile(const std::string& nativePath, const QString& shownPath) {
    CDocumentRead read;
    std::vector<std::uint8_t> bytes;
    if (const std::error_code ec = ReadWholeFile(nativePath, bytes, kMaxDocumentBytes)) {
        read.result = CDocument::OpenResult::NotOpened;
        if (ec == std::errc::file_too_large) {
            // Told apart by its first bytes: a large file of another kind is simply not a
            // document.
            read.message =
                StartsLikeADocument(FileHead(nativePath))
                    ? QStringLiteral("%1 is too large to be a Quillmark document (documents are "
                                     "at most %2 MB).")
                          .arg(shownPath)
                          .arg(kMaxDocumentBytes >> 20)
                    : QStringLiteral("Unexpected file format.\n%1").arg(shownPath);
        } else {
            read.message = FileErrorMessage(ec, shownPath);
        }
        return read;
    }
    // An empty file holds nothing to read.
    if (bytes.empty()) return read;
    try {
        read.barcode = LoadBarcode(bytes);
    } catch (const CArchiveException&) {
        read.result = CDocument::OpenResult::FailedToLoad;
        read.message = QStringLiteral("Unexpected file format.\n%1").arg(shownPath);
    } catch (const std::exception&) {
        read.result = CDocument::OpenResult::FailedToLoad;
        read.message = QStringLiteral("Failed to open document.\n%1").arg(shownPath);
    }
    return read;
}

CDocument::OpenResult CQuillmarkDoc::OnOpenDocument(const QString& path) {
    WaitCursor wait;
    CDocumentRead read = ReadDocumentFile(QFile::encodeName(path).toStdString(), path);
    switch (read.result) {
    case OpenResult::NotOpened:
        QmMessageBox(read.message);
        return read.result;
    case OpenResult::FailedToLoad:
        // The file was read into a barcode of its own: the document keeps its contents.
        QmMessageBox(read.message);
        return read.result;
    case OpenResult::Ok:
        break;
    }
    SetModifiedFlag(false);
    if (read.barcode) {
        InstallBarcode(std::move(read.barcode));
    } else {
        // An empty file: the document keeps its barcode.
        emit Changed();
        emit BarcodeReplaced();
    }
    return OpenResult::Ok;
}

bool CQuillmarkDoc::OnSaveDocument(const QString& path) {
    WaitCursor wait;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = StoreBarcode(m_pBarcode.get());
    } catch (const std::exception&) {
        QmMessageBox(QStringLiteral("Failed to save document."));
        return false;
    }
    if (const std::error_code ec =
            WriteFileAtomically(QFile::encodeName(path).toStdString(), bytes)) {
        QmMessageBox(FileErrorMessage(ec, path));
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

void CQuillmarkDoc::SwitchSymbology(int command) {
    const SymbologyInfo* symbology = FindSymbologyByCommand(command);
    if (!symbology || (m_pBarcode && m_pBarcode->GetRuntimeClass() == symbology->cls)) return;
    auto next = CreateBarcode(symbology->cls);
    if (m_pBarcode) {
        // The new symbology's own rules decide what is left of the data.
        next->SetData(m_pBarcode->m_strData);
        next->m_strFontName = m_pBarcode->m_strFontName;
        next->m_nFontSize = m_pBarcode->m_nFontSize;
        next->m_nHeight = m_pBarcode->m_nHeight;
        next->m_nHeightUnit = m_pBarcode->m_nHeightUnit;
    }
    SetModifiedFlag(true);
    InstallBarcode(std::move(next));
}

bool CQuillmarkDoc::ApplyData(std::string_view latin1) {
    if (!m_pBarcode || latin1.empty() || latin1 == m_pBarcode->m_strData) return false;
    m_pBarcode->SetData(latin1);
    SetModifiedFlag(true);
    emit Changed();
    return true;
}

bool CQuillmarkDoc::ApplyHeight(const CMeasurement& height) {
    // A value of 0 means no height was given, whatever unit came with it.
    if (!m_pBarcode || height.value == 0 ||
        (height.value == m_pBarcode->m_nHeight && height.unit == m_pBarcode->m_nHeightUnit))
        return false;
    m_pBarcode->m_nHeight = height.value;
    m_pBarcode->m_nHeightUnit = height.unit;
    SetModifiedFlag(true);
    emit Changed();
    return true;
}

void CQuillmarkDoc::ApplyFont(const QString& name, const QString& sizeText) {
    if (!m_pBarcode) return;
    // The leading digits of the size list's text.
    int size = 0, i = 0;
    while (i < sizeText.size() && sizeText[i].isDigit() && size < 100000)
        size = size * 10 + sizeText[i++].digitValue();
    if (size != m_pBarcode->m_nFontSize) {
        m_pBarcode->m_nFontSize = size;
        SetModifiedFlag(true);
    }
    if (name.compare(QString::fromLatin1(m_pBarcode->m_strFontName.c_str()), Qt::CaseInsensitive) !=
        0) {
        m_pBarcode->m_strFontName = name.toLatin1().toStdString();
        SetModifiedFlag(true);
    }
    if (IsModified()) emit Changed();
}

void CQuillmarkDoc::OnUserGuide() {
    // Quietly nothing when there is no guide or nothing to show it with.
    const QString guide =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("userguide.pdf"));
    QDesktopServices::openUrl(QUrl::fromLocalFile(guide));
}

bool CQuillmarkDoc::OnCommand(int id) {
    if (FindSymbologyByCommand(id)) {
        SwitchSymbology(id);
        return true;
    }
    if (id == cmd::kUserGuide) {
        OnUserGuide();
        return true;
    }
    return CDocument::OnCommand(id);
}

void CQuillmarkDoc::OnUpdateCommand(CCmdUI& ui) {
    if (const SymbologyInfo* symbology = FindSymbologyByCommand(ui.id)) {
        ui.Enable(true);
        ui.SetCheck(m_pBarcode && m_pBarcode->GetRuntimeClass() == symbology->cls);
    }
}
