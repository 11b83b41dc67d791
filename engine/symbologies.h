#pragma once
// The one table of the symbologies the program makes: each row ties a barcode class to the
// command that switches to it and to every name the program shows or reads for it. Adding a
// symbology means adding its class and one row here.

#include "common/object.h"

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
const SymbologyInfo* FindSymbologyByCommand(int command);
// By list name, letter case ignored (ASCII).
const SymbologyInfo* FindSymbologyByListName(std::string_view name);
const SymbologyInfo* FindSymbologyByCliName(std::string_view name);
