#include "common/message.h"

#include <algorithm>
#include <array>
#include <cstddef>

// Marks an English text for the window's translation template (the build's translation step
// reads this file); the text itself is all the program keeps.
#define QM_TEXT(context, text) text

namespace {

struct MessageRow {
    Msg id;
    const char* text;
};

// Every message the layers below the window give, in the order of Msg.
constexpr MessageRow kMessages[] = {
    {Msg::None, QM_TEXT("Quillmark", "")},
    {Msg::LettersMadeCapitals, QM_TEXT("Quillmark", "lower-case letters were changed to capitals")},
    {Msg::CharacterRemoved, QM_TEXT("Quillmark", "1 character that %1 cannot encode was removed")},
    {Msg::CharactersRemoved,
     QM_TEXT("Quillmark", "%1 characters that %2 cannot encode were removed")},
    {Msg::ZeroAddedForPairs, QM_TEXT("Quillmark", "a 0 was added to make whole pairs of digits")},
    {Msg::ZerosAddedForPairs,
     QM_TEXT("Quillmark", "%1 zeros were added to make whole pairs of digits")},
    {Msg::TextAdded, QM_TEXT("Quillmark", "\"%1\" was added")},
    {Msg::DataChanged, QM_TEXT("Quillmark", "the data was changed to what %1 can encode")},
    {Msg::DigitsAfterLeftOut, QM_TEXT("Quillmark", "the digits after the first %1 were left out")},
    {Msg::ZeroAddedToLength, QM_TEXT("Quillmark", "1 zero was added to make %1 digits")},
    {Msg::ZerosAddedToLength, QM_TEXT("Quillmark", "%1 zeros were added to make %2 digits")},
    {Msg::CheckDigitReplaced, QM_TEXT("Quillmark", "the check digit %1 was replaced by %2")},
    {Msg::NoDataToEncode, QM_TEXT("Quillmark", "there is no data to encode")},
    {Msg::LibraryNotLoaded, QM_TEXT("Quillmark", "the %1 library cannot be loaded (%2)")},
    {Msg::EncodedAs, QM_TEXT("Quillmark", "Encoded %1: %2")},
    {Msg::NothingEncoded, QM_TEXT("Quillmark", "Nothing encoded: %1")},
    {Msg::OutsideLatin1Removed,
     QM_TEXT("Quillmark", "1 character outside the Latin-1 alphabet removed")},
    {Msg::OutsideLatin1RemovedN,
     QM_TEXT("Quillmark", "%1 characters outside the Latin-1 alphabet removed")},
    {Msg::NotABarHeight, QM_TEXT("Quillmark", "\"%1\" is not a bar height")},
    {Msg::QrTooLongAtLevel,
     QM_TEXT("Quillmark", "the data is too long for a QR Code at error-correction level %1")},
    {Msg::QrTooLongLowerHolds,
     QM_TEXT(
         "Quillmark",
         "the data is too long for a QR Code at error-correction level %1 (level %2 holds it)")},
    {Msg::QrTooLongAnyLevel,
     QM_TEXT("Quillmark",
             "the data is too long for a QR Code at error-correction level %1 or any lower level")},
    {Msg::DataMatrixRectTooLong,
     QM_TEXT("Quillmark",
             "the data is too long for a rectangular Data Matrix (a square one holds it)")},
    {Msg::DataMatrixTooLong, QM_TEXT("Quillmark", "the data is too long for any Data Matrix")},
    {Msg::EncoderTooLong, QM_TEXT("Quillmark", "the data is too long for %1")},
    {Msg::EncoderTooLongForSize,
     QM_TEXT("Quillmark", "the data is too long for %1 of the chosen size (Automatic holds more)")},
    {Msg::EncoderCannotEncode, QM_TEXT("Quillmark", "%1 cannot encode this data: %2")},
    {Msg::EncoderBadOptions, QM_TEXT("Quillmark", "%1 cannot be made with these options: %2")},
    {Msg::EncoderSays, QM_TEXT("Quillmark", "%1")},
    {Msg::Gs1TooManyCharacters,
     QM_TEXT("Quillmark", "%1 was left out: more than 48 GS1 characters in one symbol")},
    {Msg::Code128ControlCharacter,
     QM_TEXT("Quillmark", "\"%1\" is read as %2: in Code 128 the characters Ã to Î "
                          "stand for its function and code-set characters")},
    {Msg::DataCompleted,
     QM_TEXT("Quillmark", "%3 completes \"%1\" as \"%2\" (identifier and check digits)")},
    {Msg::OptionUnknown, QM_TEXT("Quillmark", "%2 has no option \"%1\" (its options: %3)")},
    {Msg::OptionNoSuchChoice,
     QM_TEXT("Quillmark", "\"%1\" is not a choice of %2 (the choices: %3)")},
    {Msg::Gs1SpacesLeftOut, QM_TEXT("Quillmark", "spaces were left out")},
    {Msg::Gs1NeedsIdentifiers,
     QM_TEXT("Quillmark", "GS1-128 data is written as application identifiers in parentheses, each "
                          "followed by its field, such as (01)09501101530003(10)ABC123")},
    {Msg::Gs1TextBeforeLeftOut,
     QM_TEXT("Quillmark", "\"%1\" before the first application identifier was left out")},
    {Msg::Gs1NoClosingParen,
     QM_TEXT("Quillmark",
             "\"%1\" was left out: its application identifier has no closing parenthesis")},
    {Msg::Gs1UnknownIdentifier,
     QM_TEXT("Quillmark", "the unknown application identifier %1 was left out")},
    {Msg::Gs1FieldLeftOut, QM_TEXT("Quillmark", "%1 was left out: %2")},
    {Msg::Gs1DigitsOnly, QM_TEXT("Quillmark", "%1 takes digits only")},
    {Msg::Gs1NotAFieldCharacter, QM_TEXT("Quillmark", "\"%1\" is not a character of GS1 fields")},
    {Msg::Gs1TakesDigits, QM_TEXT("Quillmark", "%1 takes %2 digits")},
    {Msg::Gs1TakesDigitsRange, QM_TEXT("Quillmark", "%1 takes %2 to %3 digits")},
    {Msg::Gs1TakesCharacters, QM_TEXT("Quillmark", "%1 takes %2 characters")},
    {Msg::Gs1TakesCharactersRange, QM_TEXT("Quillmark", "%1 takes %2 to %3 characters")},
    {Msg::Gs1CheckDigitAdded, QM_TEXT("Quillmark", "the check digit %1 was added to %2")},
    {Msg::Gs1CheckDigitReplaced,
     QM_TEXT("Quillmark", "the check digit %1 of %2 was replaced by %3")},
    {Msg::ModuleReadout, QM_TEXT("Quillmark", "X = %1 mil at %2 dpi")},
    {Msg::ModuleBelowOneDot,
     QM_TEXT("Quillmark", "At %1 dpi an X dimension of %2 mil is less than one dot: the module is "
                          "a dot of %3 mil and the symbol %4 % larger. Raise the resolution.")},
    {Msg::ModuleTooLarge,
     QM_TEXT("Quillmark", "At %1 dpi an X dimension of %2 mil becomes %3 dots (%4 mil), %5 % "
                          "larger than asked. Choose another X dimension or resolution.")},
    {Msg::ModuleTooSmall,
     QM_TEXT("Quillmark", "At %1 dpi an X dimension of %2 mil becomes %3 dots (%4 mil), %5 % "
                          "smaller than asked. Choose another X dimension or resolution.")},
    {Msg::RunTooManyLabels, QM_TEXT("Quillmark", "a run prints at most %1 labels")},
    {Msg::RunTooManyLabelsNot, QM_TEXT("Quillmark", "a run prints at most %1 labels, not %2")},
    {Msg::RunNoColumnNamed,
     QM_TEXT("Quillmark", "the header line names no column \"%1\" (it has %2)")},
    {Msg::RunNotAColumnNumber, QM_TEXT("Quillmark", "the column \"%1\" is not a column number")},
    {Msg::RunNotACopiesColumnNumber,
     QM_TEXT("Quillmark", "the copies column \"%1\" is not a column number")},
    {Msg::RunColumnEmpty, QM_TEXT("Quillmark", "the column is empty")},
    {Msg::RunCopiesColumnEmpty, QM_TEXT("Quillmark", "the copies column is empty")},
    {Msg::RunColumnNeedsHeader,
     QM_TEXT("Quillmark", "the column \"%1\" is a name, which needs a header line")},
    {Msg::RunCopiesColumnNeedsHeader,
     QM_TEXT("Quillmark", "the copies column \"%1\" is a name, which needs a header line")},
    {Msg::RunNoDataFile, QM_TEXT("Quillmark", "no data file is chosen")},
    {Msg::RunFileUnreadable, QM_TEXT("Quillmark", "the data file \"%1\" cannot be read: %2")},
    {Msg::RunFileTooLarge, QM_TEXT("Quillmark", "the data file \"%1\" is larger than %2 MB")},
    {Msg::RunFileReadFailed,
     QM_TEXT("Quillmark", "the data file \"%1\" could not be read to its end")},
    {Msg::RunFileEmpty, QM_TEXT("Quillmark", "the data file \"%1\" is empty")},
    {Msg::RunFileIsFolder, QM_TEXT("Quillmark", "the data file \"%1\" is a folder")},
    {Msg::RunFileUtf16WithoutMark,
     QM_TEXT("Quillmark", "the data file \"%1\" looks like UTF-16 text without a byte-order "
                          "mark, which cannot be read for certain; save it as UTF-8, or as "
                          "UTF-16 with its byte-order mark")},
    {Msg::RunRowMissingColumn, QM_TEXT("Quillmark", "line %1 has %2 column, no column %3")},
    {Msg::RunRowMissingColumnN, QM_TEXT("Quillmark", "line %1 has %2 columns, no column %3")},
    {Msg::RunRowMissingCopies, QM_TEXT("Quillmark", "line %1 has %2 column, no copies column %3")},
    {Msg::RunRowMissingCopiesN,
     QM_TEXT("Quillmark", "line %1 has %2 columns, no copies column %3")},
    {Msg::RunBadCopies,
     QM_TEXT("Quillmark", "line %1: the copies \"%2\" are not a number from 0 to %3")},
    {Msg::RunFirstNotNumber,
     QM_TEXT("Quillmark", "the first number \"%1\" is not a whole number of at most %2 digits")},
    {Msg::RunStepNotNumber,
     QM_TEXT("Quillmark", "the step \"%1\" is not a whole number of at most %2 digits")},
    {Msg::RunLastNotNumber,
     QM_TEXT("Quillmark", "the last number \"%1\" is not a whole number of at most %2 digits")},
    {Msg::RunStepZero, QM_TEXT("Quillmark", "the step is 0")},
    {Msg::RunCountNotNumber, QM_TEXT("Quillmark", "the count \"%1\" is not a number of labels")},
    {Msg::RunLastTooLong, QM_TEXT("Quillmark", "the last number would have more than %1 digits")},
    {Msg::RunStepNeverReaches, QM_TEXT("Quillmark", "a step of %1 never reaches %2 from %3")},
    {Msg::RunNoSuchLabel, QM_TEXT("Quillmark", "the sheet has %1 labels, no label %2")},
    {Msg::RunNoSuchRow, QM_TEXT("Quillmark", "the sheet has %1 row, no row %2")},
    {Msg::RunNoSuchRowN, QM_TEXT("Quillmark", "the sheet has %1 rows, no row %2")},
    {Msg::RunNoSuchColumn, QM_TEXT("Quillmark", "the sheet has %1 column, no column %2")},
    {Msg::RunNoSuchColumnN, QM_TEXT("Quillmark", "the sheet has %1 columns, no column %2")},
    {Msg::RunSheetsNotPositive, QM_TEXT("Quillmark", "the number of sheets is not 1 or more")},
    {Msg::RunLabelsNotPositive, QM_TEXT("Quillmark", "the number of labels is not 1 or more")},
    {Msg::RunNoSymbol, QM_TEXT("Quillmark", "there is no symbol to print")},
    {Msg::WhereLine, QM_TEXT("Quillmark", "line %1")},
    {Msg::WhereLabel, QM_TEXT("Quillmark", "label %1")},
    {Msg::RunNoLabels, QM_TEXT("Quillmark", "the run has no labels")},
    {Msg::RunNoSuchKind, QM_TEXT("Quillmark", "no such run")},
    {Msg::RunCannotStartThere, QM_TEXT("Quillmark", "the labels cannot start there: %1")},
    {Msg::RunUnclosedQuote, QM_TEXT("Quillmark", "the quote opened on line %1 is never closed")},
    {Msg::RunProblemWithData, QM_TEXT("Quillmark", "%1 \"%2\": %3")},
    {Msg::RunProblem, QM_TEXT("Quillmark", "%1: %2")},
    {Msg::RunProblemWithDataN, QM_TEXT("Quillmark", "%1 \"%2\": %3 (%4 labels)")},
    {Msg::RunProblemN, QM_TEXT("Quillmark", "%1: %2 (%3 labels)")},
    {Msg::WhereWithLabels, QM_TEXT("Quillmark", "%1 (%2 labels)")},
    {Msg::RunMoreProblems, QM_TEXT("Quillmark", "... and %1 more")},
    {Msg::RunProblemsPrinted,
     QM_TEXT("Quillmark", "%1 of %2 labels would not print as given; they were printed as the "
                          "symbology makes them")},
    {Msg::RunProblemsNotPrinted,
     QM_TEXT("Quillmark", "%1 of %2 labels would not print as given; nothing was printed "
                          "(--strict)")},
    {Msg::RunProblemsMade,
     QM_TEXT("Quillmark", "%1 of %2 labels would not be made as given; they are made as the "
                          "symbology makes them")},
    {Msg::RunProblemsNotMade,
     QM_TEXT("Quillmark", "%1 of %2 labels would not be made as given; nothing was written "
                          "(--strict)")},
    {Msg::BatchLabelNotMade,
     QM_TEXT("Quillmark", "%1 \"%2\" cannot be made: %3; nothing was written")},
    {Msg::BatchNameTooLong,
     QM_TEXT("Quillmark", "%1 would be written as %2, a name longer than the %3 bytes a file "
                          "name may have; nothing was written")},
    {Msg::LabelOutsideLatin1, QM_TEXT("Quillmark", "\"%1\" outside Latin-1 was left out")},
    {Msg::LabelOutsideLatin1N, QM_TEXT("Quillmark", "\"%1\" outside Latin-1 were left out")},
    {Msg::LabelDataEmpty, QM_TEXT("Quillmark", "the data is empty")},
    {Msg::LabelSymbolTooLarge,
     QM_TEXT("Quillmark", "the symbol, %1, is larger than the label, %2")},
    {Msg::LabelSymbolWiderThanTape,
     QM_TEXT("Quillmark", "the symbol, %1, is wider than the tape, %2")},
    {Msg::LabelLineTooLong,
     QM_TEXT("Quillmark", "line %1 of the label, \"%2\", is too wide for it even at %3 pt")},
    {Msg::LabelTooTall, QM_TEXT("Quillmark", "the label's lines and symbol are taller than it")},
    {Msg::LabelUnknownField,
     QM_TEXT("Quillmark", "the field {%1} is not a column of the data file")},
    {Msg::DocumentUnexpectedFormat, QM_TEXT("Quillmark", "Unexpected file format.\n%1")},
    {Msg::DocumentTooLarge,
     QM_TEXT("Quillmark",
             "%1 is too large to be a Quillmark document (documents are at most %2 MB).")},
    {Msg::DocumentFailedToOpen, QM_TEXT("Quillmark", "Failed to open document.\n%1")},
    {Msg::ExportMetafileNotWritten, QM_TEXT("Quillmark", "Unable to create Windows Metafile.")},
    {Msg::ExportMetafileNotWrittenBecause,
     QM_TEXT("Quillmark", "Unable to create Windows Metafile. %1")},
    {Msg::ExportPictureTooLarge,
     QM_TEXT("Quillmark",
             "The picture of this symbol would be larger than %1 MB; shorten its data.")},
    {Msg::ExportUnknownFormat,
     QM_TEXT("Quillmark", "Quillmark does not write files of the type of %1; use %2.")},
    {Msg::ExportPdfNotMade,
     QM_TEXT("Quillmark", "The PDF page of this symbol could not be made (%1).")},
    {Msg::ExportImageTooLarge,
     QM_TEXT("Quillmark",
             "The image would be %1 pixels, more than an image may have; lower the resolution.")},
    {Msg::ExportImageEmpty,
     QM_TEXT("Quillmark",
             "The image would be %1 pixels, which is no image; raise the resolution.")},
    {Msg::ExportNothingToDraw,
     QM_TEXT("Quillmark", "Nothing was written to %1: the symbology cannot encode this data, so "
                          "the symbol draws nothing.")},
    {Msg::ExportNothingEncoded, QM_TEXT("Quillmark", "Nothing was written to %1: %2.")},
    {Msg::ExportNoMemory,
     QM_TEXT("Quillmark", "There is not enough memory for an image of %1 pixels.")},
    {Msg::ExportTooLargeForFormat,
     QM_TEXT("Quillmark", "The image is too large for this file format (%1 pixels); choose another "
                          "format or lower the resolution.")},
    {Msg::ExportEncoderFailed,
     QM_TEXT("Quillmark", "The image could not be written as %1 (%2 pixels).")},
    {Msg::ExportZplResolution,
     QM_TEXT("Quillmark", "ZPL is written for printers of 152, 203, 300 or 600 dpi, not %1 dpi")},
    {Msg::RollLongerThanPrinter,
     QM_TEXT("Quillmark", "the label is %1 long, longer than the %2 the printer's driver takes "
                          "at most; nothing was printed")},
    {Msg::RollOnNearestPaper,
     QM_TEXT("Quillmark", "the printer takes no page of the label's size, %1: it prints on %2 "
                          "with the label in the middle")},
    {Msg::RollNoPaperHoldsIt,
     QM_TEXT("Quillmark", "the printer takes no page of the label's size, %1, nor one that holds "
                          "it; nothing was printed")},
    {Msg::FileNoError, QM_TEXT("Quillmark", "No error occurred.")},
    {Msg::FileNotFound, QM_TEXT("Quillmark", "%1 was not found.")},
    {Msg::FileInvalidPath, QM_TEXT("Quillmark", "%1 contains an invalid path.")},
    {Msg::FileTooManyOpen,
     QM_TEXT("Quillmark", "%1 could not be opened because there are too many open files.")},
    {Msg::FileAccessDenied, QM_TEXT("Quillmark", "Access to %1 was denied.")},
    {Msg::FileBadHandle, QM_TEXT("Quillmark", "An invalid file handle was associated with %1.")},
    {Msg::FileSeekFailed, QM_TEXT("Quillmark", "Seek failed on %1")},
    {Msg::FileHardwareError,
     QM_TEXT("Quillmark", "A hardware I/O error was reported while accessing %1.")},
    {Msg::FileSharingViolation,
     QM_TEXT("Quillmark", "A sharing violation occurred while accessing %1.")},
    {Msg::FileLockingViolation,
     QM_TEXT("Quillmark", "A locking violation occurred while accessing %1.")},
    {Msg::FileDiskFull, QM_TEXT("Quillmark", "Disk full while accessing %1.")},
    {Msg::FileNotRegular, QM_TEXT("Quillmark", "%1 is not a regular file.")},
    {Msg::FileIsFolder, QM_TEXT("Quillmark", "%1 is a folder.")},
    {Msg::FileTooManyLinks,
     QM_TEXT("Quillmark", "%1 cannot be reached: too many levels of symbolic links.")},
    {Msg::FileUnknownError, QM_TEXT("Quillmark", "An unknown error occurred while accessing %1.")},
};
static_assert(std::size(kMessages) == static_cast<std::size_t>(Msg::Count));

constexpr bool InOrder() {
    for (std::size_t i = 0; i < std::size(kMessages); ++i)
        if (static_cast<std::size_t>(kMessages[i].id) != i) return false;
    return true;
}
static_assert(InOrder(), "kMessages lists the codes in the order of Msg");

} // namespace

const char* MessageTemplate(Msg id) {
    const auto i = static_cast<std::size_t>(id);
    return i < std::size(kMessages) ? kMessages[i].text : "";
}

std::string FillTemplate(std::string_view pattern, const std::vector<std::string>& args) {
    std::string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const auto arg = static_cast<std::size_t>(next - '1');
        if (pattern[i] == '%' && next >= '1' && next <= '9' && arg < args.size()) {
            out += args[arg];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string ShownText(std::string_view text, std::size_t maxBytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto escape = [](std::string& out, unsigned char c) {
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 15];
    };
    std::size_t end = std::min(text.size(), maxBytes);
    // Not inside a character: back to where the cut one starts.
    if (end < text.size())
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            --end;
    std::string shown;
    shown.reserve(end + 3);
    for (std::size_t i = 0; i < end; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < end ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c < 0x20 || c == 0x7F) {
            escape(shown, c);
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            // U+0080 to U+009F, which some terminals obey as commands.
            escape(shown, c);
            escape(shown, next);
            ++i;
        } else {
            shown += static_cast<char>(c);
        }
    }
    if (end < text.size()) shown += "...";
    return shown;
}

CMessage WithShownTexts(const CMessage& message) {
    CMessage shown{message.id, {}};
    for (const CMessageArg& a : message.args) {
        if (a.said.empty()) {
            shown.args.emplace_back(ShownText(a.text));
            continue;
        }
        CMessages said;
        for (const CMessage& m : a.said)
            said.push_back(WithShownTexts(m));
        shown.args.emplace_back(std::move(said));
    }
    return shown;
}

std::string MessageText(const CMessage& message) {
    std::vector<std::string> args;
    for (const CMessageArg& a : message.args)
        args.push_back(a.said.empty() ? a.text : MessageText(a.said));
    return FillTemplate(MessageTemplate(message.id), args);
}

std::string MessageText(const CMessages& messages) {
    std::string text;
    for (const CMessage& m : messages)
        if (!m.Empty()) text += (text.empty() ? "" : "; ") + MessageText(m);
    return text;
}
