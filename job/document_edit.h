#pragma once
// The edits a user makes to a document's symbol, by the one set of rules the window and the
// command line both apply: what the symbol carries after each, and what to tell the user. The
// window's document and the command line's export form both edit through here.

#include "common/message.h"
#include "engine/barcode.h"

#include <memory>
#include <string>
#include <string_view>

// What an edit did.
struct CEditResult {
    bool applied = false; // the symbol changed
    bool refused =
        false; // the value given is none (a height that gives no height): nothing changed
    // How what the symbol carries differs from what was given; empty when it carries it as given.
    CMessages changes;
    // What to tell the user ("Encoded 5901234123457: the check digit 8 was replaced by 7",
    // "Nothing encoded: ...", a refusal); empty when there is nothing to say.
    CMessage note;
};

// Typed data (UTF-8; text that is not well-formed UTF-8 is taken as Latin-1) through the
// symbology's rules. A symbology that carries any text (CBarcode::HoldsUtf8) keeps every
// character; for the others characters outside Latin-1 are left out and said. No data changes
// nothing.
CEditResult ApplyTypedData(CBarcode& barcode, std::string_view typed);

// A bar height as typed ("2 inches", "1.5 cm", "25mm", a bare number in the unit of the options,
// 0 inch and anything else centimetre); refused when it gives no height.
CEditResult ApplyTypedHeight(CBarcode& barcode, std::string_view typed, int optionsUnit);

// The symbology's own choice (QR Code's level, Data Matrix's shape) by its index; data that
// fitted one choice may not fit another, which the note says. The first form sets the first
// option (CBarcode::GetOption).
CEditResult ApplyOption(CBarcode& barcode, int index);
CEditResult ApplyOption(CBarcode& barcode, std::size_t option, int value);
// An option as the command line gives it, "KEY=VALUE": the key of one of the symbology's
// options and one of its choices, whole or its first word ("ecc=Q", "size=144 x 144",
// "quiet=off"), letter case ignored. Refused, with what there is to choose from, otherwise.
CEditResult ApplyNamedOption(CBarcode& barcode, std::string_view assignment);

// A barcode of class `cls` taking `from`'s font and height and `typed` (what the user typed, in
// UTF-8) through its own rules, with what it made of it. `barcode` is null for a class that is
// not a barcode.
struct CSymbologySwitch {
    std::unique_ptr<CBarcode> barcode;
    CEditResult result;
};
CSymbologySwitch SwitchSymbology(const CBarcode& from, const CRuntimeClass* cls,
                                 std::string_view typed);

// Text of the engine's for `barcode` (its data, what a reader reads) as UTF-8: as it is for a
// symbology that holds UTF-8, else from Latin-1.
std::string EngineTextAsUtf8(const CBarcode& barcode, std::string_view text);

// The note for data that the symbol carries as `barcode` has it now, after `changes`: "Encoded
// <what a reader reads>: <changes>", or "Nothing encoded: <why>" when nothing is drawn; empty
// when there are no changes and something is drawn.
CMessage DataNote(const CBarcode& barcode, const CMessages& changes);
