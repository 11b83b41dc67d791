#include "shell/edit_history.h"

#include <utility>

void CEditHistory::Record(CDocumentState before, const std::string& mergeKey) {
    m_redo.clear();
    const bool merged = !mergeKey.empty() && mergeKey == m_lastKey && !m_undo.empty();
    m_lastKey = mergeKey;
    if (merged) return;
    m_undo.push_back(std::move(before));
    if (m_undo.size() > kMostSteps) m_undo.erase(m_undo.begin());
}

std::optional<CDocumentState> CEditHistory::Undo(CDocumentState current) {
    if (m_undo.empty()) return std::nullopt;
    m_lastKey.clear();
    m_redo.push_back(std::move(current));
    CDocumentState back = std::move(m_undo.back());
    m_undo.pop_back();
    return back;
}

std::optional<CDocumentState> CEditHistory::Redo(CDocumentState current) {
    if (m_redo.empty()) return std::nullopt;
    m_lastKey.clear();
    m_undo.push_back(std::move(current));
    CDocumentState again = std::move(m_redo.back());
    m_redo.pop_back();
    return again;
}

void CEditHistory::Clear() {
    m_undo.clear();
    m_redo.clear();
    m_lastKey.clear();
}
