#pragma once
// The command line's run options, shared by the print forms and the export form: which label
// product, which labels (the same symbol, numbered, from a file), where on the sheet, and the
// printer's calibration for this print. Read from the system's bytes.

#include "common/label_run_choice.h"

#include <optional>
#include <string>
#include <vector>

// A length as --offset takes it: a number with "mm" or "in", or bare in the unit of the
// options.
struct CLengthOption {
    enum class Unit { Options, Millimetre, Inch };
    double value = 0;
    Unit unit = Unit::Options;
    friend bool operator==(const CLengthOption&, const CLengthOption&) = default;
};

struct COffsetOption {
    CLengthOption across, down;
    friend bool operator==(const COffsetOption&, const COffsetOption&) = default;
};

// The most a printer's calibration moves the print: 1 cm either way, in thousandths of a
// centimetre, as the printer's settings keep it.
inline constexpr int kMaxPrinterOffset = settings::kPrinterOffsetAcross.max;

// The length in thousandths of a centimetre (rounded); `optionsUnit` is "Options"/"Unit", 0
// for inches and anything else for millimetres.
int LengthInThousandthsCm(const CLengthOption& length, int optionsUnit);

struct CRunOptions {
    // The run is made of the options given alone (each part not given at its default) when any
    // of --numbered, --data-file, --count, --sheets or --start is given; otherwise the print
    // dialog's last run is printed.
    bool runGiven = false;
    CLabelRunChoice run;
    int labelId = 0;       // --label: a product of the label database; 0 for the print settings
    std::string labelName; // --label MAKER:NUMBER: the product by its maker and number instead
    bool outlines = false; // --outlines: the label outlines and their centres instead
    bool strict = false;   // --strict: labels that would not print as given print nothing
    std::optional<COffsetOption> offset; // --offset: in place of the printer's own

    std::vector<std::string> named; // the options given, in order
    friend bool operator==(const CRunOptions&, const CRunOptions&) = default;
};

// Reads the run option at args[i] with its value, moving i onto the value, and returns true;
// `complaint` then says what is wrong with it, naming the option. False, with nothing read, for
// any other argument.
bool ReadRunOption(const std::vector<std::string>& args, std::size_t& i, CRunOptions& options,
                   std::string& complaint);

// What is wrong with the options taken together (empty when nothing): an option given twice,
// parts of one kind of run given with another kind, a column name without a header line.
std::string CheckRunOptions(const CRunOptions& options);

// The first option given that places labels on a label sheet (--start), empty when none is:
// on plain paper it has nothing to place.
std::string SheetOnlyRunOption(const CRunOptions& options);

// The run options' lines of "--help".
std::string RunOptionsUsage();
