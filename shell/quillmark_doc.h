#pragma once
// CQuillmarkDoc: the one barcode the user is working on, and its ".qmx" file. The document
// owns the barcode; every change goes through it, and it says when the barcode changed.

#include "engine/barcode.h"
#include "job/measurement.h"
#include "shell/document.h"

#include <memory>
#include <string>
#include <string_view>

class CQuillmarkDoc : public CDocument {
    Q_OBJECT
public:
    std::unique_ptr<CBarcode> m_pBarcode;

    // A Code 39 barcode with the data "HALVERN", not modified.
    bool OnNewDocument() override;
    OpenResult OnOpenDocument(const QString& path) override;
    bool OnSaveDocument(const QString& path) override;

    // Replaces the barcode with one of the symbology command's class, carrying data, font and
    // height over; nothing happens when the barcode already is of that class.
    void SwitchSymbology(int command);
    // Edits from the toolbars. Data: the typed text through the symbology's rules, ignored when
    // empty or equal to the data. Height: ignored when no height was given or it is unchanged.
    // Font: the font lists' texts, the size read from the leading digits of its text.
    bool ApplyData(std::string_view latin1);
    bool ApplyHeight(const CMeasurement& height);
    void ApplyFont(const QString& name, const QString& sizeText);

    bool OnCommand(int id) override;
    void OnUpdateCommand(CCmdUI& ui) override;

signals:
    // A new barcode took the old one's place (New, Open, another symbology): everything shown
    // of it is to be loaded afresh. Changed() comes first.
    void BarcodeReplaced();

private:
    void InstallBarcode(std::unique_ptr<CBarcode> barcode);
    void OnUserGuide();
};
