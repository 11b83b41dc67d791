#include "shell/document.h"

#include "shell/command_ids.h"
#include "shell/file_dialog.h"
#include "shell/view.h"
#include "ui/translation.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <sys/stat.h>

void CDocument::SetPathName(const QString& path, bool addToRecentFiles) {
    m_strPathName = path;
    SetTitle(QFileInfo(path).fileName());
    if (addToRecentFiles) emit FileNamed(path);
}

void CDocument::SetModifiedFlag(bool modified) {
    if (m_bModified == modified) return;
    m_bModified = modified;
    emit TitleChanged();
}

void CDocument::SetTitle(const QString& title) {
    if (m_strTitle == title) return;
    m_strTitle = title;
    emit TitleChanged();
}

bool CDocument::SaveModified() {
    if (!IsModified()) return true;
    const QString name = m_strPathName.isEmpty() ? m_strTitle : QFileInfo(m_strPathName).fileName();
    switch (QmMessageBox(Quillmark::tr("Save changes to %1?").arg(name), MsgIcon::Question,
                         MsgButtons::YesNoCancel)) {
    case IDYES:
        return DoFileSave();
    case IDNO:
        return true;
    default:
        return false;
    }
}

bool CDocument::DoFileSave() {
    struct stat st {};
    const QByteArray native = m_strPathName.toLocal8Bit();
    // A file without any write permission bit is read-only, even to an administrator.
    const bool writable = !m_strPathName.isEmpty() && ::stat(native.constData(), &st) == 0 &&
                          S_ISREG(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH));
    return DoSave(writable ? m_strPathName : QString());
}

bool CDocument::DoSave(const QString& path, bool replace) {
    QString target = path;
    if (target.isEmpty()) {
        QString proposed = m_strPathName;
        if (proposed.isEmpty()) {
            // The title up to the first character a file name should not start a break at.
            proposed = m_strTitle;
            const int cut = proposed.indexOf(QRegularExpression(QStringLiteral("[ #%;/\\\\]")));
            if (cut >= 0) proposed.truncate(cut);
            proposed += QStringLiteral(".qmx");
        }
        const auto chosen = CDocManagerEx::DoPromptFileName(proposed, false);
        if (!chosen) return false;
        target = *chosen;
    }
    if (!OnSaveDocument(target)) return false;
    if (replace) SetPathName(target);
    return true;
}

bool CDocument::OnCommand(int id) {
    if (id == cmd::kFileSave) {
        DoFileSave();
        return true;
    }
    if (id == cmd::kFileSaveDocumentAs) {
        DoSave(QString());
        return true;
    }
    return false;
}

void CView::SetDocument(CDocument* doc) {
    if (m_pDocument) QObject::disconnect(m_pDocument, nullptr, this, nullptr);
    m_pDocument = doc;
    if (doc) QObject::connect(doc, &CDocument::Changed, this, [this] { OnUpdate(); });
}
