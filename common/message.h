#pragma once
// What the layers below the window tell the user: a code with its arguments, never a sentence.
// The command line words a message in English (MessageText); the window words it in the user's
// language (ui/shown_message.h). Both take the words from the one table of templates in
// message.cpp, which the translation template reads too.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One code per thing said; message.cpp holds the words of each.
enum class Msg : std::uint16_t {
    None,
    LettersMadeCapitals,
    CharacterRemoved,
    CharactersRemoved,
    ZeroAddedForPairs,
    ZerosAddedForPairs,
    TextAdded,
    DataChanged,
    DigitsAfterLeftOut,
    ZeroAddedToLength,
    ZerosAddedToLength,
    CheckDigitReplaced,
    NoDataToEncode,
    LibraryNotLoaded,
    EncodedAs,
    NothingEncoded,
    OutsideLatin1Removed,
    OutsideLatin1RemovedN,
    NotABarHeight,
    QrTooLongAtLevel,
    QrTooLongLowerHolds,
    QrTooLongAnyLevel,
    DataMatrixRectTooLong,
    DataMatrixTooLong,
    EncoderTooLong,
    EncoderTooLongForSize,
    EncoderCannotEncode,
    EncoderBadOptions,
    EncoderSays,
    Gs1TooManyCharacters,
    Code128ControlCharacter,
    DataCompleted,
    OptionUnknown,
    OptionNoSuchChoice,
    Gs1SpacesLeftOut,
    Gs1NeedsIdentifiers,
    Gs1TextBeforeLeftOut,
    Gs1NoClosingParen,
    Gs1UnknownIdentifier,
    Gs1FieldLeftOut,
    Gs1DigitsOnly,
    Gs1NotAFieldCharacter,
    Gs1TakesDigits,
    Gs1TakesDigitsRange,
    Gs1TakesCharacters,
    Gs1TakesCharactersRange,
    Gs1CheckDigitAdded,
    Gs1CheckDigitReplaced,
    ModuleReadout,
    ModuleBelowOneDot,
    ModuleTooLarge,
    ModuleTooSmall,
    RunTooManyLabels,
    RunTooManyLabelsNot,
    RunNoColumnNamed,
    RunNotAColumnNumber,
    RunNotACopiesColumnNumber,
    RunColumnEmpty,
    RunCopiesColumnEmpty,
    RunColumnNeedsHeader,
    RunCopiesColumnNeedsHeader,
    RunNoDataFile,
    RunFileUnreadable,
    RunFileTooLarge,
    RunFileReadFailed,
    RunFileEmpty,
    RunFileIsFolder,
    RunFileUtf16WithoutMark,
    RunRowMissingColumn,
    RunRowMissingColumnN,
    RunRowMissingCopies,
    RunRowMissingCopiesN,
    RunBadCopies,
    RunFirstNotNumber,
    RunStepNotNumber,
    RunLastNotNumber,
    RunStepZero,
    RunCountNotNumber,
    RunLastTooLong,
    RunStepNeverReaches,
    RunNoSuchLabel,
    RunNoSuchRow,
    RunNoSuchRowN,
    RunNoSuchColumn,
    RunNoSuchColumnN,
    RunSheetsNotPositive,
    RunLabelsNotPositive,
    RunNoSymbol,
    WhereLine,
    WhereLabel,
    RunNoLabels,
    RunNoSuchKind,
    RunCannotStartThere,
    RunUnclosedQuote,
    RunProblemWithData,
    RunProblem,
    RunProblemWithDataN,
    RunProblemN,
    WhereWithLabels,
    RunMoreProblems,
    RunProblemsPrinted,
    RunProblemsNotPrinted,
    RunProblemsMade,
    RunProblemsNotMade,
    BatchLabelNotMade,
    BatchNameTooLong,
    LabelOutsideLatin1,
    LabelOutsideLatin1N,
    LabelDataEmpty,
    LabelSymbolTooLarge,
    LabelSymbolWiderThanTape,
    LabelLineTooLong,
    LabelTooTall,
    LabelUnknownField,
    DocumentUnexpectedFormat,
    DocumentTooLarge,
    DocumentFailedToOpen,
    ExportMetafileNotWritten,
    ExportMetafileNotWrittenBecause,
    ExportPictureTooLarge,
    ExportUnknownFormat,
    ExportPdfNotMade,
    ExportImageTooLarge,
    ExportImageEmpty,
    ExportNothingToDraw,
    ExportNothingEncoded,
    ExportNoMemory,
    ExportTooLargeForFormat,
    ExportEncoderFailed,
    ExportZplResolution,
    RollLongerThanPrinter,
    RollOnNearestPaper,
    RollNoPaperHoldsIt,
    FileNoError,
    FileNotFound,
    FileInvalidPath,
    FileTooManyOpen,
    FileAccessDenied,
    FileBadHandle,
    FileSeekFailed,
    FileHardwareError,
    FileSharingViolation,
    FileLockingViolation,
    FileDiskFull,
    FileNotRegular,
    FileIsFolder,
    FileTooManyLinks,
    FileUnknownError,
    Count
};

struct CMessage;
// Several things said one after another ("; " between them in English).
using CMessages = std::vector<CMessage>;

// One argument of a message: a text as it is (UTF-8: data, a number, a file's name), or what
// other messages say ("line 3", the reasons a label was left out), worded with them.
struct CMessageArg {
    std::string text;
    CMessages said; // when not empty, the argument is these, not `text`

    // Defined once CMessage is complete: each may destroy `said`, a vector of them. Explicit
    // from messages, so that comparing a message with a text does not compile.
    CMessageArg(std::string t);
    CMessageArg(const char* t);
    CMessageArg(std::string_view t);
    explicit CMessageArg(CMessage m);
    explicit CMessageArg(CMessages m);
    friend bool operator==(const CMessageArg&, const CMessageArg&);
};

struct CMessage {
    Msg id = Msg::None;
    std::vector<CMessageArg> args; // for the template's %1, %2, ... in order

    bool Empty() const { return id == Msg::None; }
    friend bool operator==(const CMessage&, const CMessage&) = default;
};

inline CMessageArg::CMessageArg(std::string t) : text(std::move(t)) {}
inline CMessageArg::CMessageArg(const char* t) : text(t) {}
inline CMessageArg::CMessageArg(std::string_view t) : text(t) {}
inline CMessageArg::CMessageArg(CMessage m) : said{std::move(m)} {}
inline CMessageArg::CMessageArg(CMessages m) : said(std::move(m)) {}
inline bool operator==(const CMessageArg& a, const CMessageArg& b) {
    return a.text == b.text && a.said == b.said;
}

// A message of `id` with its arguments (texts, messages or lists of them).
template <class... Args> CMessage MakeMessage(Msg id, Args&&... args) {
    return CMessage{id, {CMessageArg(std::forward<Args>(args))...}};
}

// The English words of `id`, "%1" to "%9" standing for the arguments.
const char* MessageTemplate(Msg id);
// `pattern` with each "%1" to "%9" replaced by its argument in one pass: an argument that
// itself holds "%2" stays as it is.
std::string FillTemplate(std::string_view pattern, const std::vector<std::string>& args);
// A text from outside the program (a line of data, a header's names, a file's name) as a message
// shows it: control characters (C0, DEL and, in UTF-8, C1) escaped as \xNN, so that a terminal
// never takes them for commands, and whatever lies past maxBytes left out ("..."), cut where a
// character starts.
inline constexpr std::size_t kShownTextBytes = 100;
inline constexpr std::size_t kShownPathBytes = 1024; // a file's name, shown whole where it can be
std::string ShownText(std::string_view text, std::size_t maxBytes = kShownTextBytes);
// The message with every text argument, and those of the messages it holds, shown so.
CMessage WithShownTexts(const CMessage& message);

// In English.
std::string MessageText(const CMessage& message);
std::string MessageText(const CMessages& messages);
