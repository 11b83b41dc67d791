#pragma once
// CQuillmarkDoc: the one barcode the user is working on, and its ".qmx" file.

#include "engine/barcode.h"
#include "shell/document.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class CQuillmarkDoc : public CDocument {
public:
    std::unique_ptr<CBarcode> m_pBarcode;

    // A Code 39 barcode with the data "HALVERN", not modified.
    bool OnNewDocument() override;
    OpenResult OnOpenDocument(const QString& path) override;
    bool OnSaveDocument(const QString& path) override;

    // The file's bytes: the barcode with its class header.
    std::vector<std::uint8_t> Store() const;
    // A barcode from a file's bytes; throws CArchiveException when they are not one.
    static std::unique_ptr<CBarcode> Load(std::span<const std::uint8_t> bytes);

    // The symbology commands and their classes.
    static const CRuntimeClass* ClassForCommand(int command);
    static int CommandForClass(const CRuntimeClass* cls);
    // Replaces the barcode with one of the command's class, carrying data, font and height
    // over; nothing happens when the barcode already is of that class.
    void SwitchSymbology(int command);

    bool OnCommand(int id) override;
    void OnUpdateCommand(CCmdUI& ui) override;

    // The main frame reloads its toolbar controls from the barcode.
    std::function<void()> m_updateBarcodeControls;
    // Tools/Options; the dialog belongs to the main window's layer.
    std::function<void()> m_showOptions;
    // The font lists of the toolbar: their chosen texts.
    std::function<QString()> m_fontNameText;
    std::function<QString()> m_fontSizeText;

private:
    void OnFontChanged();
    void OnUserGuide();
};
