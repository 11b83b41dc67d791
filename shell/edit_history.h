#pragma once
// The document's states before its edits, for Edit > Undo and Redo: the barcode (symbology,
// data, font, height, options), the label design, and what the user had typed.

#include "engine/barcode.h"
#include "job/label_design.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct CDocumentState {
    std::unique_ptr<CBarcode> barcode;
    CLabelDesign design;
    std::string typed, typedFor;
};

class CEditHistory {
public:
    // An edit was made from `before`; what could be redone is gone. Edits of one kind in a row
    // (`mergeKey` the same and not empty: the keys typed into one line's text) are undone as one.
    void Record(CDocumentState before, const std::string& mergeKey = {});
    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    // The state to go back to, `current` kept to be redone; none when there is nothing to undo.
    std::optional<CDocumentState> Undo(CDocumentState current);
    // The state an undo left, `current` kept to be undone again; none when nothing was undone.
    std::optional<CDocumentState> Redo(CDocumentState current);
    // A new or opened document starts without a history.
    void Clear();

private:
    static constexpr std::size_t kMostSteps = 100;
    std::vector<CDocumentState> m_undo, m_redo;
    std::string m_lastKey;
};
