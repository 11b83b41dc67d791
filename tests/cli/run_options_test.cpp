// The run options of the command line: what each form takes, and the errors that name them.

#include "cli/command_line.h"

#include <gtest/gtest.h>

namespace {

std::string Shown(const std::vector<std::string>& args) {
    std::string shown;
    for (const std::string& a : args)
        shown += "[" + a + "]";
    return shown;
}

} // namespace

TEST(RunOptions, ThePrintFormsAndTheExportFormTakeThem) {
    using K = CCommandLineInfo;
    const CCommandLineInfo numbered = ParseCommandLine(
        {"-p", "a.qmx", "--numbered", "1:300", "--digits", "5", "--prefix", "INV-"});
    ASSERT_EQ(numbered.kind, K::Print) << numbered.error;
    EXPECT_TRUE(numbered.run.runGiven);
    EXPECT_EQ(numbered.run.run.kind, CLabelRunChoice::Kind::Numbered);
    EXPECT_EQ(numbered.run.run.first, "1");
    EXPECT_EQ(numbered.run.run.last, "300");
    EXPECT_EQ(numbered.run.run.step, "1");
    EXPECT_EQ(numbered.run.run.digits, 5);
    EXPECT_EQ(numbered.run.run.prefix, "INV-");

    const CCommandLineInfo pdf = ParseCommandLine(
        {"--pdf", "out.pdf", "--start", "4,2", "a.qmx", "--label", "116", "--numbered", "37::2",
         "--count", "300", "--strict", "--offset", "1.5mm,-0.02in"});
    ASSERT_EQ(pdf.kind, K::PrintPdf) << pdf.error;
    EXPECT_EQ(pdf.file, "a.qmx");
    EXPECT_EQ(pdf.pdf, "out.pdf");
    EXPECT_EQ(pdf.run.labelId, 116);
    EXPECT_EQ(pdf.run.run.startRow, 4);
    EXPECT_EQ(pdf.run.run.startColumn, 2);
    EXPECT_EQ(pdf.run.run.step, "2");
    EXPECT_EQ(pdf.run.run.numbers, "300");
    EXPECT_TRUE(pdf.run.strict);
    ASSERT_TRUE(pdf.run.offset);
    EXPECT_EQ(LengthInThousandthsCm(pdf.run.offset->across, 0), 150);
    EXPECT_EQ(LengthInThousandthsCm(pdf.run.offset->down, 1), -51); // -0.508 mm
    // Bare lengths take the unit of the options: inches (0) or millimetres.
    EXPECT_EQ(LengthInThousandthsCm({0.1, CLengthOption::Unit::Options}, 0), 254);
    EXPECT_EQ(LengthInThousandthsCm({0.1, CLengthOption::Unit::Options}, 1), 10);

    const CCommandLineInfo file = ParseCommandLine(
        {"-pt", "a.qmx", "Office", "drv", "port", "--data-file", "x.csv", "--column", "Name",
         "--header", "--copies-column", "3", "--separator", "semicolon", "--start", "5"});
    ASSERT_EQ(file.kind, K::PrintTo) << file.error;
    EXPECT_EQ(file.run.run.kind, CLabelRunChoice::Kind::FromFile);
    EXPECT_EQ(file.run.run.file, "x.csv");
    EXPECT_EQ(file.run.run.column, "Name");
    EXPECT_TRUE(file.run.run.header);
    EXPECT_EQ(file.run.run.copiesColumn, "3");
    EXPECT_EQ(file.run.run.separator, CLabelRunChoice::Separator::Semicolon);
    EXPECT_EQ(file.run.run.startNumber, 5);

    // Without run options: the dialog's last run; --label and --outlines are no run.
    const CCommandLineInfo outlines = ParseCommandLine({"-p", "a.qmx", "--outlines"});
    ASSERT_EQ(outlines.kind, K::Print) << outlines.error;
    EXPECT_TRUE(outlines.run.outlines);
    EXPECT_FALSE(outlines.run.runGiven);

    // The export form keeps them for the export of many files.
    const CCommandLineInfo exported =
        ParseCommandLine({"--export", "o{n}.png", "--numbered", "1:3"});
    ASSERT_EQ(exported.kind, K::Export) << exported.error;
    EXPECT_EQ(exported.run.run.last, "3");
}

// A ZPL file takes the label product and the whole run, copies of one symbol included.
TEST(RunOptions, AZplExportTakesTheRollAndTheRun) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--export", "run.zpl", "--label", "Zebra:800262-125",
                                   "--numbered", "1:20"},
          {"--export", "run.zpl", "--label", "7", "--count", "5"},
          {"--export", "run.zpl", "--data-file", "f.csv", "--copies-column", "2"}}) {
        const CCommandLineInfo info = ParseCommandLine(args);
        EXPECT_EQ(info.kind, CCommandLineInfo::Export) << Shown(args) << ": " << info.error;
    }
}

TEST(RunOptions, ErrorsNameTheOption) {
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"-p", "a.qmx", "--numbered", "1:10:0"},
         "--numbered needs a step other than 0, not \"1:10:0\""},
        {{"-p", "a.qmx", "--numbered", ""},
         "--numbered needs FIRST:LAST or FIRST:LAST:STEP, not an empty text"},
        {{"-p", "a.qmx", "--numbered", "1-300"},
         "--numbered needs FIRST:LAST or FIRST:LAST:STEP, whole numbers of at most 18 digits, "
         "not \"1-300\""},
        {{"-p", "a.qmx", "--numbered"}, "--numbered needs FIRST:LAST or FIRST:LAST:STEP"},
        {{"-p", "a.qmx", "--numbered", "5"}, "--numbered FIRST needs --count, or give FIRST:LAST"},
        {{"-p", "a.qmx", "--numbered", "1:5", "--count", "3"},
         "--numbered FIRST:LAST and --count cannot be used together"},
        {{"-p", "a.qmx", "--digits", "x"},
         "--digits needs a number of digits from 0 to 40, not \"x\""},
        {{"-p", "a.qmx", "--digits", "3"}, "--digits needs --numbered"},
        {{"-p", "a.qmx", "--prefix", "A", "--prefix", "B"}, "--prefix is given twice"},
        {{"-p", "a.qmx", "--numbered", "1:2", "--data-file", "f"},
         "--numbered and --data-file cannot be used together"},
        {{"-p", "a.qmx", "--header"}, "--header needs --data-file"},
        {{"-p", "a.qmx", "--data-file", "f", "--column", "Name"},
         "--column Name is a name, which needs --header"},
        {{"-p", "a.qmx", "--data-file", "f", "--count", "3"},
         "--count is not for --data-file: the file's rows make the labels"},
        {{"-p", "a.qmx", "--sheets", "2", "--numbered", "1:5"},
         "--sheets is for the same symbol on every label: not with --numbered, --data-file or "
         "--count"},
        {{"-p", "a.qmx", "--sheets", "0"},
         "--sheets needs a number of sheets from 1 to 1000000, not \"0\""},
        {{"-p", "a.qmx", "--start", "0,1"},
         "--start needs ROW,COLUMN (from 1,1 at the top left) or a label number, not \"0,1\""},
        {{"-p", "a.qmx", "--label", "-3"},
         "--label needs a label product's ID or MAKER:NUMBER, such as 106 or Avery:5160, not "
         "\"-3\""},
        {{"-p", "a.qmx", "--offset", "1"},
         "--offset needs ACROSS,DOWN, two lengths such as 1.5mm,-0.5mm or 0.02in,0in, not \"1\""},
        {{"-p", "a.qmx", "--separator", "pipe"},
         "--separator needs comma, semicolon, tab or line, not \"pipe\""},
        {{"-p", "a.qmx", "--outlines", "--start", "3"},
         "--outlines prints the label outlines alone: not with a run"},
        {{"-p", "a.qmx", "--digts", "5"}, "unknown option --digts"},
        {{"a.qmx", "--numbered", "1:3"},
         "--numbered is for printing: use it with -p, -pt or --pdf"},
        {{"--pdf", "out.pdf"}, "--pdf needs a document to print"},
        {{"--pdf"}, "--pdf needs a PDF file to print into"},
        {{"--pdf", "o.pdf", "-p", "a.qmx"}, "--pdf prints into a file: not with -p or -pt"},
        {{"--export", "o.png", "--digits", "3"}, "--digits needs --numbered"},
        {{"--export", "out/{n}.zpl", "--numbered", "1:3"},
         "a ZPL file holds the whole run: name one file, as in --export run.zpl"},
        {{"--export", "run.zpl", "--numbered", "1:3", "--start", "2"},
         "--start is for printing on a sheet; a ZPL file has each label on a page of its own"},
        {{"--export", "run.zpl", "--sheets", "2"},
         "--sheets is for printing on a sheet; a ZPL file has each label on a page of its own"},
    };
    for (const auto& c : cases) {
        const CCommandLineInfo info = ParseCommandLine(c.args);
        EXPECT_EQ(info.kind, CCommandLineInfo::Invalid) << Shown(c.args);
        EXPECT_EQ(info.error, c.error) << Shown(c.args);
    }
}
