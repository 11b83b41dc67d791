#include "shell/quillmark_doc.h"

#include "common/atomic_file.h"
#include "common/file_io.h"
#include "common/install_layout.h"
#include "engine/barcode_file.h"
#include "engine/code39.h"
#include "engine/symbologies.h"
#include "job/document_file.h"
#include "shell/command_ids.h"
#include "shell/file_errors.h"
#include "shell/user_guide.h"
#include "ui/translation.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>

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
    m_strPathName.clear();
    SetModifiedFlag(false);
    InstallBarcode(NewDocumentBarcode());
    return true;
}

CDocument::OpenResult CQuillmarkDoc::OnOpenDocument(const QString& path) {
    WaitCursor wait;
    CDocumentFile read =
        ReadDocumentFile(QFile::encodeName(path).toStdString(), path.toStdString());
    switch (read.result) {
    case CDocumentFile::Result::NotOpened:
        QmMessageBox(QString::fromStdString(read.message));
        return OpenResult::NotOpened;
    case CDocumentFile::Result::FailedToLoad:
        // The file was read into a barcode of its own: the document keeps its contents.
        QmMessageBox(QString::fromStdString(read.message));
        return OpenResult::FailedToLoad;
    case CDocumentFile::Result::Ok:
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
        QmMessageBox(Quillmark::tr("Failed to save document."));
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
    // The new symbology's own rules decide what is left of the data.
    auto next =
        m_pBarcode ? ConvertBarcode(*m_pBarcode, symbology->cls) : CreateBarcode(symbology->cls);
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
    // Beside the program in a build folder, under the install prefix when installed.
    const CInstallLayout layout =
        InstallLayoutFor(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    ShowUserGuide(QFile::decodeName(layout.docDir.c_str()));
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
