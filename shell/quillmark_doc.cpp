#include "shell/quillmark_doc.h"

#include "common/atomic_file.h"
#include "common/file_io.h"
#include "engine/code128.h"
#include "engine/code39.h"
#include "engine/code93.h"
#include "engine/i25_postnet.h"
#include "engine/upc_ean.h"
#include "shell/command_ids.h"
#include "shell/file_errors.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <array>
#include <exception>

namespace {

struct SymbologyCommand {
    int command;
    const CRuntimeClass* cls;
};

const std::array<SymbologyCommand, 11>& SymbologyCommands() {
    static const std::array<SymbologyCommand, 11> table = {{
        {cmd::kCode39, RUNTIME_CLASS(C39Barcode)},
        {cmd::kCode39Mod43, RUNTIME_CLASS(C39Mod43Barcode)},
        {cmd::kCode39Ext, RUNTIME_CLASS(C39ExtBarcode)},
        {cmd::kCode93, RUNTIME_CLASS(C93Barcode)},
        {cmd::kCode128, RUNTIME_CLASS(C128Barcode)},
        {cmd::kI25, RUNTIME_CLASS(CI25Barcode)},
        {cmd::kUpcA, RUNTIME_CLASS(CUPCABarcode)},
        {cmd::kUpcE, RUNTIME_CLASS(CUPCEBarcode)},
        {cmd::kEan13, RUNTIME_CLASS(CEAN13Barcode)},
        {cmd::kEan8, RUNTIME_CLASS(CEAN8Barcode)},
        {cmd::kPostnet, RUNTIME_CLASS(CPostnetBarcode)},
    }};
    return table;
}

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

const CRuntimeClass* CQuillmarkDoc::ClassForCommand(int command) {
    for (const auto& s : SymbologyCommands())
        if (s.command == command) return s.cls;
    return nullptr;
}

int CQuillmarkDoc::CommandForClass(const CRuntimeClass* cls) {
    for (const auto& s : SymbologyCommands())
        if (s.cls == cls) return s.command;
    return 0;
}

bool CQuillmarkDoc::OnNewDocument() {
    auto barcode = std::make_unique<C39Barcode>();
    barcode->SetData("HALVERN");
    m_pBarcode = std::move(barcode);
    m_strPathName.clear();
    SetModifiedFlag(false);
    return true;
}

std::vector<std::uint8_t> CQuillmarkDoc::Store() const {
    std::vector<std::uint8_t> bytes;
    if (m_pBarcode) {
        CArchive ar(bytes);
        ar.WriteObject(*m_pBarcode);
    } else {
        // A document without a barcode stores the null object.
        bytes = {0x00, 0x00};
    }
    return bytes;
}

std::unique_ptr<CBarcode> CQuillmarkDoc::Load(std::span<const std::uint8_t> bytes) {
    CArchive ar(bytes);
    std::unique_ptr<CObject> obj = ar.ReadObject(RUNTIME_CLASS(CBarcode));
    return std::unique_ptr<CBarcode>(static_cast<CBarcode*>(obj.release()));
}

CDocument::OpenResult CQuillmarkDoc::OnOpenDocument(const QString& path) {
    WaitCursor wait;
    std::vector<std::uint8_t> bytes;
    if (const std::error_code ec = ReadWholeFile(QFile::encodeName(path).toStdString(), bytes)) {
        QmMessageBox(FileErrorMessage(ec.value(), path));
        return OpenResult::NotOpened;
    }
    // An empty file holds nothing to read: the document keeps its barcode.
    if (bytes.empty()) {
        SetModifiedFlag(false);
        return OpenResult::Ok;
    }
    SetModifiedFlag(true); // while loading: a failure leaves no trustworthy contents
    try {
        m_pBarcode = Load(bytes);
    } catch (const CArchiveException&) {
        m_pBarcode.reset();
        QmMessageBox(QStringLiteral("Unexpected file format."));
        return OpenResult::FailedToLoad;
    } catch (const std::exception&) {
        m_pBarcode.reset();
        QmMessageBox(QStringLiteral("Failed to open document."));
        return OpenResult::FailedToLoad;
    }
    SetModifiedFlag(false);
    return OpenResult::Ok;
}

bool CQuillmarkDoc::OnSaveDocument(const QString& path) {
    WaitCursor wait;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = Store();
    } catch (const std::exception&) {
        QmMessageBox(QStringLiteral("Failed to save document."));
        return false;
    }
    if (const std::error_code ec =
            WriteFileAtomically(QFile::encodeName(path).toStdString(), bytes)) {
        QmMessageBox(FileErrorMessage(ec.value(), path));
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

void CQuillmarkDoc::SwitchSymbology(int command) {
    const CRuntimeClass* cls = ClassForCommand(command);
    if (!cls || (m_pBarcode && m_pBarcode->GetRuntimeClass() == cls)) return;
    auto next = CreateBarcode(cls);
    if (m_pBarcode) {
        // The new symbology's own rules decide what is left of the data.
        next->SetData(m_pBarcode->m_strData);
        next->m_strFontName = m_pBarcode->m_strFontName;
        next->m_nFontSize = m_pBarcode->m_nFontSize;
        next->m_nHeight = m_pBarcode->m_nHeight;
        next->m_nHeightUnit = m_pBarcode->m_nHeightUnit;
    }
    m_pBarcode = std::move(next);
    SetModifiedFlag(true);
    UpdateAllViews();
    if (m_updateBarcodeControls) m_updateBarcodeControls();
}

void CQuillmarkDoc::OnFontChanged() {
    if (!m_pBarcode) return;
    if (m_fontSizeText) {
        // The leading digits of the size list's text.
        const QString text = m_fontSizeText();
        int size = 0, i = 0;
        while (i < text.size() && text[i].isDigit() && size < 100000)
            size = size * 10 + text[i++].digitValue();
        if (size != m_pBarcode->m_nFontSize) {
            m_pBarcode->m_nFontSize = size;
            SetModifiedFlag(true);
        }
    }
    if (m_fontNameText) {
        const QString name = m_fontNameText();
        if (name.compare(QString::fromLatin1(m_pBarcode->m_strFontName.c_str()),
                         Qt::CaseInsensitive) != 0) {
            m_pBarcode->m_strFontName = name.toLatin1().toStdString();
            SetModifiedFlag(true);
        }
    }
    if (IsModified()) UpdateAllViews();
}

void CQuillmarkDoc::OnUserGuide() {
    // Quietly nothing when there is no guide or nothing to show it with.
    const QString guide =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("userguide.pdf"));
    QDesktopServices::openUrl(QUrl::fromLocalFile(guide));
}

bool CQuillmarkDoc::OnCommand(int id) {
    if (ClassForCommand(id)) {
        SwitchSymbology(id);
        return true;
    }
    switch (id) {
    case cmd::kOptions:
        if (m_showOptions) m_showOptions();
        UpdateAllViews();
        return true;
    case cmd::kFontName:
    case cmd::kFontSize:
        OnFontChanged();
        return true;
    case cmd::kUserGuide:
        OnUserGuide();
        return true;
    default:
        return CDocument::OnCommand(id);
    }
}

void CQuillmarkDoc::OnUpdateCommand(CCmdUI& ui) {
    if (const CRuntimeClass* cls = ClassForCommand(ui.id)) {
        ui.Enable(true);
        ui.SetCheck(m_pBarcode && m_pBarcode->GetRuntimeClass() == cls);
    }
}
