#pragma once
// The one table of the symbologies the program makes: each row ties a barcode class to the
// command that switches to it and to every name the program shows or reads for it. Adding a
// symbology means adding its class and one row here.

#include "common/object.h"
#include "engine/barcode.h"

#include <memory>

#include <span>
#include <string_view>

struct SymbologyInfo {
    const CRuntimeClass* cls;
    int command;          // the Symbology menu's command number
    const char* listName; // the toolbar's symbology list
    const char* menuText; // the Symbology menu
    const char* prompt;   // status-bar prompt, a line break, then the tool tip
    const char* paneName; // the status bar's symbology pane
    const char* cliName;  // --symbology on the command line (letter case ignored)
};

// In the order of the toolbar list and the Symbology menu.
std::span<const SymbologyInfo> Symbologies();

const SymbologyInfo* FindSymbology(const CRuntimeClass* cls);

// A barcode of class `cls` carrying `from`'s data (through the new symbology's own rules), font
// and height; the class's own extras take its defaults.
std::unique_ptr<CBarcode> ConvertBarcode(const CBarcode& from, const CRuntimeClass* cls);
// A new document's barcode: Code 39 with the data "HALVERN".
std::unique_ptr<CBarcode> NewDocumentBarcode();
const SymbologyInfo* FindSymbologyByCommand(int command);
// By list name, letter case ignored (ASCII).
const SymbologyInfo* FindSymbologyByListName(std::string_view name);
const SymbologyInfo* FindSymbologyByCliName(std::string_view name);
