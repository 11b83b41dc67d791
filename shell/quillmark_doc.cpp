#include "shell/quillmark_doc.h"

#include "common/atomic_file.h"
#include "common/file_io.h"
#include "common/install_layout.h"
#include "common/latin1.h"
#include "common/settings_keys.h"
#include "engine/barcode_file.h"
#include "engine/code39.h"
#include "engine/symbologies.h"
#include "job/document_edit.h"
#include "job/document_file.h"
#include "shell/command_ids.h"
#include "shell/file_errors.h"
#include "shell/user_guide.h"
#include "ui/shown_message.h"
#include "ui/translation.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>

#include <exception>

#include <fcntl.h>
#include <unistd.h>

namespace {

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
    m_typedData.clear();
    m_typedFor.clear();
    emit Changed();
    emit BarcodeReplaced();
}

CEditResult CQuillmarkDoc::Finish(CEditResult result) {
    if (result.applied) {
        SetModifiedFlag(true);
        emit Changed();
    }
    emit Note(result.note.Empty() ? QString() : ShownMessage(result.note));
    return result;
}

void CQuillmarkDoc::SetDesign(const CLabelDesign& design, const std::string& mergeKey) {
    if (design == m_design) return;
    m_history.Record(Snapshot(), mergeKey);
    m_design = design;
    SetModifiedFlag(true);
    emit Changed();
}

CDocumentState CQuillmarkDoc::Snapshot() const {
    return {m_pBarcode ? CloneBarcode(*m_pBarcode) : nullptr, m_design, m_typedData, m_typedFor};
}

void CQuillmarkDoc::Restore(CDocumentState state) {
    m_design = std::move(state.design);
    InstallBarcode(std::move(state.barcode));
    m_typedData = std::move(state.typed);
    m_typedFor = std::move(state.typedFor);
    SetModifiedFlag(true);
    emit Note(QString());
}

bool CQuillmarkDoc::Undo() {
    std::optional<CDocumentState> back = m_history.Undo(Snapshot());
    if (!back) return false;
    Restore(std::move(*back));
    return true;
}

bool CQuillmarkDoc::Redo() {
    std::optional<CDocumentState> again = m_history.Redo(Snapshot());
    if (!again) return false;
    Restore(std::move(*again));
    return true;
}

bool CQuillmarkDoc::OnNewDocument() {
    m_strPathName.clear();
    m_design = {};
    m_history.Clear();
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
        QmMessageBox(ShownMessage(read.message));
        return OpenResult::NotOpened;
    case CDocumentFile::Result::FailedToLoad:
        // The file was read into a barcode of its own: the document keeps its contents.
        QmMessageBox(ShownMessage(read.message));
        return OpenResult::FailedToLoad;
    case CDocumentFile::Result::Ok:
        break;
    }
    SetModifiedFlag(false);
    m_design = std::move(read.design);
    m_history.Clear();
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
        bytes = StoreDocument(m_pBarcode.get(), m_design);
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
    if (!m_pBarcode) {
        InstallBarcode(CreateBarcode(symbology->cls));
        return;
    }
    // The new symbology's own rules decide what is left of what was typed.
    const bool typedHolds = !m_typedData.empty() && m_pBarcode->m_strData == m_typedFor;
    const std::string typed =
        typedHolds ? m_typedData : EngineTextAsUtf8(*m_pBarcode, m_pBarcode->m_strData);
    CSymbologySwitch next = ::SwitchSymbology(*m_pBarcode, symbology->cls, typed);
    if (!next.barcode) return;
    m_history.Record(Snapshot());
    SetModifiedFlag(true);
    InstallBarcode(std::move(next.barcode));
    m_typedData = typed;
    m_typedFor = m_pBarcode->m_strData;
    emit Note(next.result.note.Empty() ? QString() : ShownMessage(next.result.note));
}

CEditResult CQuillmarkDoc::ApplyTypedData(const QString& typed) {
    if (!m_pBarcode || typed.isEmpty()) return {};
    CDocumentState before = Snapshot();
    m_typedData = typed.toStdString();
    CEditResult result = ::ApplyTypedData(*m_pBarcode, m_typedData);
    m_typedFor = m_pBarcode->m_strData;
    if (result.applied) m_history.Record(std::move(before));
    return Finish(std::move(result));
}

CEditResult CQuillmarkDoc::ApplyTypedHeight(const QString& typed) {
    if (!m_pBarcode) return {};
    CDocumentState before = Snapshot();
    CEditResult result =
        ::ApplyTypedHeight(*m_pBarcode, typed.toStdString(), settings::Get(settings::kUnit));
    if (result.applied) m_history.Record(std::move(before));
    return Finish(std::move(result));
}

CEditResult CQuillmarkDoc::ApplyOption(int index) {
    if (!m_pBarcode) return {};
    CDocumentState before = Snapshot();
    CEditResult result = ::ApplyOption(*m_pBarcode, index);
    if (result.applied) m_history.Record(std::move(before));
    return Finish(std::move(result));
}

CEditResult CQuillmarkDoc::ApplyOption(std::size_t option, int value) {
    if (!m_pBarcode) return {};
    CDocumentState before = Snapshot();
    CEditResult result = ::ApplyOption(*m_pBarcode, option, value);
    if (result.applied) m_history.Record(std::move(before));
    return Finish(std::move(result));
}

void CQuillmarkDoc::ApplyFont(const QString& name, const QString& sizeText) {
    if (!m_pBarcode) return;
    CDocumentState before = Snapshot();
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
    if (before.barcode && (before.barcode->m_nFontSize != m_pBarcode->m_nFontSize ||
                           before.barcode->m_strFontName != m_pBarcode->m_strFontName))
        m_history.Record(std::move(before));
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
    if (id == cmd::kEditUndo) return Undo() || true;
    if (id == cmd::kEditRedo) return Redo() || true;
    return CDocument::OnCommand(id);
}

void CQuillmarkDoc::OnUpdateCommand(CCmdUI& ui) {
    if (ui.id == cmd::kEditUndo) ui.Enable(m_history.CanUndo());
    if (ui.id == cmd::kEditRedo) ui.Enable(m_history.CanRedo());
    if (const SymbologyInfo* symbology = FindSymbologyByCommand(ui.id)) {
        ui.Enable(true);
        ui.SetCheck(m_pBarcode && m_pBarcode->GetRuntimeClass() == symbology->cls);
    }
}
