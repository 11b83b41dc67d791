#pragma once
// CQuillmarkDoc: the one barcode the user is working on, and its ".qmx" file. The document
// owns the barcode; every change goes through it, and it says when the barcode changed.

#include "engine/barcode.h"
#include "job/document_edit.h"
#include "job/label_design.h"
#include "shell/document.h"
#include "shell/edit_history.h"

#include <memory>
#include <string>
#include <string_view>

class CQuillmarkDoc : public CDocument {
    Q_OBJECT
public:
    std::unique_ptr<CBarcode> m_pBarcode;

    // The barcode as the frame and the view read it; every change goes through the edits below.
    const CBarcode* GetBarcode() const { return m_pBarcode.get(); }
    // The label's lines beside the symbol, and where a run takes its data from.
    const CLabelDesign& GetDesign() const { return m_design; }
    // Replaces the design; the document is modified when it changed. Changes with the same
    // `mergeKey` in a row are undone as one (the keys typed into one line).
    void SetDesign(const CLabelDesign& design, const std::string& mergeKey = {});

    // Edit > Undo and Redo, of the barcode's and the design's edits; false when there was none.
    bool Undo();
    bool Redo();

    // A Code 39 barcode with the data "HALVERN", not modified.
    bool OnNewDocument() override;
    OpenResult OnOpenDocument(const QString& path) override;
    bool OnSaveDocument(const QString& path) override;

    // Replaces the barcode with one of the symbology command's class, carrying font and height
    // over and the data the user last typed through the new symbology's rules (so that
    // switching back gives back what was typed); nothing happens when the barcode already is of
    // that class.
    void SwitchSymbology(int command);
    // Edits from the toolbars, by the rules of job/document_edit.h; each that is tried says what
    // became of it (Note). Data: typed text, ignored when empty. Height: a height as typed.
    // Option: the symbology's own choice. Font: the font lists' texts, the size read from the
    // leading digits of its text.
    CEditResult ApplyTypedData(const QString& typed);
    CEditResult ApplyTypedHeight(const QString& typed);
    CEditResult ApplyOption(int index);
    CEditResult ApplyOption(std::size_t option, int value); // any of the symbology's options
    void ApplyFont(const QString& name, const QString& sizeText);

    bool OnCommand(int id) override;
    void OnUpdateCommand(CCmdUI& ui) override;

signals:
    // A new barcode took the old one's place (New, Open, another symbology): everything shown
    // of it is to be loaded afresh. Changed() comes first.
    void BarcodeReplaced();
    // What an edit made of what was given, in the user's language; empty when there is nothing
    // to say of it (the note of an earlier edit no longer holds).
    void Note(const QString& text);

private:
    void InstallBarcode(std::unique_ptr<CBarcode> barcode);
    // Marks the document modified and tells of the change when the edit changed the barcode;
    // says the edit's note in any case.
    CEditResult Finish(CEditResult result);

    // What the user last typed as the data (UTF-8), and the data the symbol carried for it: a
    // switch of symbology starts from what was typed while the symbol still carries that.
    std::string m_typedData;
    std::string m_typedFor;
    CLabelDesign m_design;
    CEditHistory m_history;
    void OnUserGuide();
    CDocumentState Snapshot() const;
    void Restore(CDocumentState state);
};
