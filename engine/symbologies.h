#pragma once
// The one table of the symbologies the program makes: each row ties a barcode class to the
// command that switches to it and to every name the program shows or reads for it. Adding a
// symbology means adding its class and one row here.

#include "common/object.h"
#include "engine/barcode.h"
#include "engine/zint_barcode.h"

#include <memory>

#include <span>
#include <string_view>

// The Symbology menu's submenus.
enum class SymbologyGroup : std::uint8_t { Linear, Retail, Gs1, TwoD, Postal, Count };
// The submenu's name as the menu shows it ("Linear", "2D", ...).
const char* GroupName(SymbologyGroup group);

struct SymbologyInfo {
    const CRuntimeClass* cls;
    int command;          // the Symbology menu's command number
    const char* listName; // the toolbar's symbology list, the user's guide, the package texts
    const char* menuText; // the Symbology menu
    const char* prompt;   // status-bar prompt, a line break, then the tool tip
    const char* paneName; // the status bar's symbology pane
    const char* cliName;  // --symbology on the command line (letter case ignored)
    SymbologyGroup group = SymbologyGroup::Linear; // the Symbology menu's submenu
    const char* help = "";                         // what it is for, in one line (--help, guide)
    ZintKind zint{};                               // the encoder's part; id 0 for our own engine
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
