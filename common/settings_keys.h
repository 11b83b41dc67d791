#pragma once
// Every value the program keeps in the settings store: its section, its key, its type and the
// default a reader gets when nothing is stored. Readers and writers name a row of this table
// instead of spelling the names and the default where they use them.

#include <limits>
#include <string>
#include <string_view>

// An integer with the range its readers can use: a stored value outside it (written by hand,
// or by another program) reads as the nearest end.
struct IntSetting {
    std::string_view section;
    std::string_view key;
    int def;
    int min = std::numeric_limits<int>::min();
    int max = std::numeric_limits<int>::max();
};

struct StringSetting {
    std::string_view section;
    std::string_view key;
    std::string_view def;
};

namespace settings {

// Options: the look of new barcodes, measurement and image export.
inline constexpr IntSetting kUnit{"Options", "Unit", 0}; // 0 inch, anything else centimetre
// The X dimension in mils and the wide/narrow ratio in tenths, in the Options dialog's ranges.
inline constexpr IntSetting kDensity{"Options", "Density", 10, 7, 20};
inline constexpr IntSetting kRatio{"Options", "Ratio", 25, 20, 30};
inline constexpr StringSetting kFontName{"Options", "Font Name", "Courier New"};
inline constexpr IntSetting kFontSize{"Options", "Font Size", 8, 1, 1000}; // points
// Raster export resolution in dpi; 0 is the screen's.
inline constexpr IntSetting kCopyResolution{"Options", "CopyResolution", 0, 0, 3000};

// Every element a whole number of device dots on outputs with a resolution (1), or the exact
// X dimension (0).
inline constexpr IntSetting kSnapToDots{"Options", "SnapToDots", 1, 0, 1};
// Raster images: every bar this many dots narrower, every space as much wider.
inline constexpr IntSetting kImageBarReduction{"Options", "BarWidthReduction", 0, 0, 3};
// New QR Code symbols: the error-correction level, 0 L (7 %), 1 M (15 %), 2 Q (25 %), 3 H (30 %).
inline constexpr IntSetting kQrErrorCorrection{"Options", "QRErrorCorrection", 1, 0, 3};
// New Data Matrix symbols: 0 square, 1 rectangular, 2 any shape with the DMRE rectangles.
inline constexpr IntSetting kDataMatrixShape{"Options", "DataMatrixShape", 0, 0, 2};

// Print: the print dialog's choices, which printing reads.
// The dialog shows label printing on until told otherwise; printing without the dialog prints
// on a plain page. Names match without regard to case, so both rows are one stored value.
inline constexpr IntSetting kUseLabelDialog{"Print", "UseLabel", 1};
inline constexpr IntSetting kUseLabelPrinting{"Print", "Uselabel", 0};
inline constexpr IntSetting kFullPage{"Print", "FullPage", 0}; // 1: a single label
inline constexpr IntSetting kRow{"Print", "Row", 1};
inline constexpr IntSetting kColumn{"Print", "Column", 1};
inline constexpr IntSetting kSavedLabelId{"Print", "SavedLabelID", 0};
// The chosen label's geometry, lengths in thousandths of a centimetre.
inline constexpr IntSetting kLabelWidth{"Print", "LabelWidth", 0};
inline constexpr IntSetting kLabelHeight{"Print", "LabelHeight", 0};
inline constexpr IntSetting kHorzPitch{"Print", "HorzPitch", 0};
inline constexpr IntSetting kVertPitch{"Print", "VertPitch", 0};
inline constexpr IntSetting kTopMargin{"Print", "TopMargin", 0};
inline constexpr IntSetting kSideMargin{"Print", "SideMargin", 0};
inline constexpr IntSetting kNumberAcross{"Print", "NumberAcross", 1};
inline constexpr IntSetting kNumberDown{"Print", "NumberDown", 1};
inline constexpr IntSetting kLabelKind{"Print", "LabelKind", 0, 0, 2}; // sheet, roll, continuous
inline constexpr StringSetting kLabelDbConnection{"Print", "LabelDBConnectionString", ""};
// The printer of the last print, by the print system's name for it.
inline constexpr StringSetting kPrinter{"Print", "Printer", ""};
// The paper and orientation of the last print on each printer, in a section of the printer's
// own: this section name followed by the printer's name, any character a section name cannot
// hold written as %XX of its UTF-8 bytes (labels/printer_settings.h). The paper is a page-size
// name of the toolkit ("A4", "Letter", "Custom.<width>x<height><unit>"); the orientation is 0
// portrait, 1 landscape, -1 none stored.
inline constexpr StringSetting kPrinterPaperSize{"Printer ", "PaperSize", ""};
inline constexpr IntSetting kPrinterOrientation{"Printer ", "Orientation", -1, -1, 1};
// The printer's calibration on label sheets, in the same section: how far everything printed on
// a sheet is moved across (right) and down, in thousandths of a centimetre, at most 1 cm either
// way; and the dots every bar is made narrower by.
inline constexpr IntSetting kPrinterOffsetAcross{"Printer ", "OffsetAcross", 0, -1000, 1000};
inline constexpr IntSetting kPrinterOffsetDown{"Printer ", "OffsetDown", 0, -1000, 1000};
inline constexpr IntSetting kPrinterBarReduction{"Printer ", "BarWidthReduction", 0, 0, 3};

// The run last chosen in the print dialog (common/label_run_choice.h): what goes on the labels
// and the label of the sheet it starts on. Numbers of a numbered run are kept as typed: they
// may be longer than an integer row holds.
inline constexpr IntSetting kRunKind{"Print", "RunKind", 0, 0, 2}; // same, numbered, from file
inline constexpr IntSetting kRunCount{"Print", "RunCount", 1, 1, 1'000'000};
inline constexpr IntSetting kRunCountSheets{"Print", "RunCountSheets", 1, 0, 1};
inline constexpr StringSetting kRunFirst{"Print", "RunFirst", "1"};
inline constexpr StringSetting kRunLast{"Print", "RunLast", "1"};
inline constexpr StringSetting kRunNumbers{"Print", "RunNumbers", ""}; // a count instead of last
inline constexpr StringSetting kRunStep{"Print", "RunStep", "1"};
inline constexpr IntSetting kRunDigits{"Print", "RunDigits", 0, 0, 40};
inline constexpr StringSetting kRunPrefix{"Print", "RunPrefix", ""};
inline constexpr StringSetting kRunSuffix{"Print", "RunSuffix", ""};
inline constexpr StringSetting kRunFile{"Print", "RunFile", ""};
inline constexpr StringSetting kRunColumn{"Print", "RunColumn", "1"};
inline constexpr IntSetting kRunHeader{"Print", "RunHeader", 0, 0, 1};
inline constexpr StringSetting kRunCopiesColumn{"Print", "RunCopiesColumn", ""};
// 0 found from the first line, 1 comma, 2 semicolon, 3 tab, 4 each line whole.
inline constexpr IntSetting kRunSeparator{"Print", "RunSeparator", 0, 0, 4};
// The run's first label: its row down the sheet and its column across, from 1.
inline constexpr IntSetting kStartRow{"Print", "StartRow", 1, 1, 1'000'000};
inline constexpr IntSetting kStartColumn{"Print", "StartColumn", 1, 1, 1'000'000};

// Settings: remembered between runs.
inline constexpr IntSetting kPreviewPages{"Settings", "PreviewPages", 0};
// The folder a file of each kind was last chosen in (UTF-8), where its file dialog opens next;
// empty until one is chosen.
inline constexpr StringSetting kDocumentFolder{"Settings", "DocumentFolder", ""};
inline constexpr StringSetting kExportFolder{"Settings", "ExportFolder", ""};
inline constexpr StringSetting kDataFileFolder{"Settings", "DataFileFolder", ""};

// The recent-file list: "File1" (most recent) to "File4", full paths, absent when unused.
inline constexpr std::string_view kRecentFileSection = "Recent File List";
inline constexpr int kRecentFileCount = 4;
std::string RecentFileKey(int number);

// Reads and writes through a fresh store, as every use of the store does; integers are held
// to their range.
int Get(const IntSetting& setting);
std::string Get(const StringSetting& setting);
bool Set(const IntSetting& setting, int value);
bool Set(const StringSetting& setting, std::string_view value);

} // namespace settings
