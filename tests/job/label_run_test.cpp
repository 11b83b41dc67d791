// The labels of a run, one at a time: numbers, files, the start on a sheet, and what checking
// finds in them before anything prints.

#include "job/data_file.h"
#include "job/label_run.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/messages.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using Kind = CLabelRunChoice::Kind;

CLabelRunChoice Numbered(std::string first, std::string last, std::string step = "1",
                         int digits = 0) {
    CLabelRunChoice run;
    run.kind = Kind::Numbered;
    run.first = std::move(first);
    run.last = std::move(last);
    run.step = std::move(step);
    run.digits = digits;
    return run;
}

// Every label of a run as "where=data", and the error that ended it (empty when none).
struct Expanded {
    std::vector<std::string> labels;
    CMessage error;
};
Expanded Expand(const CLabelRunChoice& run, CRunSheet sheet = {}, std::string same = "SAME") {
    Expanded out;
    COpenedRun opened = OpenRun(run, sheet, false, same);
    if (!opened.source) {
        out.error = opened.error;
        return out;
    }
    CRunEntry e;
    while (opened.source->Next(e))
        out.labels.push_back(MessageText(e.Where()) + "=" + e.data);
    out.error = opened.source->Error();
    return out;
}

class RunFileTest : public SettingsTest {
protected:
    // A data file of these bytes.
    CLabelRunChoice File(const std::string& bytes, std::string column = "1", bool header = false) {
        const std::string path = (env.Root() / ("data" + std::to_string(++m_files))).string();
        std::ofstream(path, std::ios::binary) << bytes;
        CLabelRunChoice run;
        run.kind = Kind::FromFile;
        run.file = path;
        run.column = std::move(column);
        run.header = header;
        return run;
    }

private:
    int m_files = 0;
};

} // namespace

TEST(LabelRun, NumberedRuns) {
    const struct {
        CLabelRunChoice run;
        std::size_t count;
        std::vector<std::string> firstLabels;
        std::string lastLabel;
    } cases[] = {
        {[] {
             CLabelRunChoice r = Numbered("1", "300", "1", 5);
             r.prefix = "INV-";
             return r;
         }(),
         300,
         {"label 1=INV-00001", "label 2=INV-00002"},
         "label 300=INV-00300"},
        // A count in place of the last number: labels 37 to 336.
        {[] {
             CLabelRunChoice r = Numbered("37", "");
             r.numbers = "300";
             return r;
         }(),
         300,
         {"label 1=37", "label 2=38"},
         "label 300=336"},
        // Counting down, the last number not on a step: it is not passed.
        {Numbered("10", "0", "-3"), 4, {"label 1=10", "label 2=7", "label 3=4"}, "label 4=1"},
        {Numbered("1", "10", "4"), 3, {"label 1=1", "label 2=5"}, "label 3=9"},
        // Zeros go after the minus sign; a number wider than the digits is not cut.
        {[] {
             CLabelRunChoice r = Numbered("-2", "1", "1", 3);
             r.suffix = "/A";
             return r;
         }(),
         4,
         {"label 1=-002/A", "label 2=-001/A", "label 3=000/A"},
         "label 4=001/A"},
        {Numbered("998", "1001", "1", 2), 4, {"label 1=998"}, "label 4=1001"},
        // Typed text before and after is made Latin-1: "Nº" is N and the ordinal sign.
        {[] {
             CLabelRunChoice r = Numbered("1", "2");
             r.prefix = "N\xC2\xBA";
             return r;
         }(),
         2,
         {"label 1=N\xBA"
          "1"},
         "label 2=N\xBA"
         "2"},
        {Numbered("590123412345", "590123412347"),
         3,
         {"label 1=590123412345"},
         "label 3=590123412347"},
    };
    for (const auto& c : cases) {
        const Expanded e = Expand(c.run);
        ASSERT_TRUE(e.error.Empty()) << c.lastLabel;
        ASSERT_EQ(e.labels.size(), c.count) << c.lastLabel;
        for (std::size_t i = 0; i < c.firstLabels.size(); ++i)
            EXPECT_EQ(e.labels[i], c.firstLabels[i]);
        EXPECT_EQ(e.labels.back(), c.lastLabel);
    }
}

TEST(LabelRun, NumbersThatMakeNoRunSayWhy) {
    const struct {
        CLabelRunChoice run;
        CMessage error;
    } cases[] = {
        {Numbered("1", "10", "0"), MakeMessage(Msg::RunStepZero)},
        {Numbered("1", "10", "-1"), MakeMessage(Msg::RunStepNeverReaches, "-1", "10", "1")},
        {Numbered("1x", "10"), MakeMessage(Msg::RunFirstNotNumber, "1x", "18")},
        {Numbered("1", "1234567890123456789"),
         MakeMessage(Msg::RunLastNotNumber, "1234567890123456789", "18")},
        {Numbered("1", ""), MakeMessage(Msg::RunLastNotNumber, "", "18")},
        {Numbered("1", "1000001"), MakeMessage(Msg::RunTooManyLabelsNot, "1,000,000", "1,000,001")},
        {[] {
             CLabelRunChoice r = Numbered("999999999999999990", "");
             r.numbers = "11";
             return r;
         }(),
         MakeMessage(Msg::RunLastTooLong, "18")},
        {[] {
             CLabelRunChoice r = Numbered("1", "");
             r.numbers = "0";
             return r;
         }(),
         MakeMessage(Msg::RunCountNotNumber, "0")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Expand(c.run).error, c.error);
}

TEST(LabelRun, TheSameSymbolFillsSheetsFromTheStart) {
    CLabelRunChoice run;
    run.count = 2; // sheets
    // Ten labels of the first sheet are used: 20 + 30 labels.
    const Expanded sheets = Expand(run, {30, 10}, "HALVERN");
    ASSERT_EQ(sheets.labels.size(), 50u);
    EXPECT_EQ(sheets.labels.back(), "label 50=HALVERN");
    run.countSheets = false;
    run.count = 7;
    EXPECT_EQ(Expand(run, {30, 10}).labels.size(), 7u);
    run.count = 2'000'000;
    EXPECT_EQ(Expand(run).error, MakeMessage(Msg::RunTooManyLabelsNot, "1,000,000", "2,000,000"));
    EXPECT_EQ(MessageText(Expand(run).error),
              "a run prints at most 1,000,000 labels, not 2,000,000");
}

TEST(LabelRun, StartByRowAndColumnOrByNumber) {
    const CLabelGeometry sheet{.numberAcross = 3, .numberDown = 10};
    const struct {
        int row, column;
        std::int64_t number;
        std::int64_t index;
        CMessage error;
    } cases[] = {
        {1, 1, 0, 0, {}},   // top left
        {1, 3, 0, 2, {}},   // top right
        {10, 1, 0, 27, {}}, // bottom left
        {10, 3, 0, 29, {}}, // bottom right
        {4, 2, 0, 10, {}},
        {0, 0, 5, 4, {}}, // the fifth label, counting across
        {0, 0, 30, 29, {}},
        {11, 1, 0, -1, MakeMessage(Msg::RunNoSuchRowN, "10", "11")},
        {1, 4, 0, -1, MakeMessage(Msg::RunNoSuchColumnN, "3", "4")},
        {1, 1, 31, -1, MakeMessage(Msg::RunNoSuchLabel, "30", "31")},
    };
    for (const auto& c : cases) {
        CLabelRunChoice run;
        run.startRow = c.row;
        run.startColumn = c.column;
        run.startNumber = c.number;
        std::int64_t index = -1;
        EXPECT_EQ(StartIndex(run, sheet, index), c.error) << c.row << "," << c.column;
        EXPECT_EQ(index, c.index) << c.row << "," << c.column << " " << c.number;
    }
}

TEST(DelimitedFile, QuotesAsSpreadsheetsWriteThem) {
    // Each row's fields joined by '|', with the line the row starts on.
    const auto rows = [](std::string_view bytes, char separator) {
        CDelimitedReader reader(bytes, separator);
        std::vector<std::string> out, fields;
        std::int64_t line = 0;
        while (reader.Next(fields, line)) {
            std::string joined = std::to_string(line) + ":";
            for (std::size_t i = 0; i < fields.size(); ++i)
                joined += (i ? "|" : "") + fields[i];
            out.push_back(joined);
        }
        if (!reader.Error().Empty()) out.push_back("error: " + MessageText(reader.Error()));
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(rows("a,\"b,c\",d\r\n\"say \"\"hi\"\"\",,\n", ','),
              (V{"1:a|b,c|d", "2:say \"hi\"||"}));
    // A line break inside quotes belongs to the field; the next row starts two lines on.
    EXPECT_EQ(rows("\"two\nlines\";x\n\nnext;y", ';'), (V{"1:two\nlines|x", "4:next|y"}));
    EXPECT_EQ(rows("a\tb\rc\td\r", '\t'), (V{"1:a|b", "2:c|d"}));
    EXPECT_EQ(rows("ok\n\"never closed\nmore", ','),
              (V{"1:ok", "error: the quote opened on line 2 is never closed"}));
    // Each line whole: quotes and separators are text.
    EXPECT_EQ(rows("\"a\",b\n\nc\n", '\n'), (V{"1:\"a\",b", "3:c"}));

    EXPECT_EQ(FindSeparator("a;b;c,d\n1,2,3,4,5"), ';');
    EXPECT_EQ(FindSeparator("a\tb,c\n"), '\t');
    EXPECT_EQ(FindSeparator("\"a;b\",c\n"), ',');
    EXPECT_EQ(FindSeparator("one column\nx,y"), '\n');
}

TEST(DelimitedFile, Utf8OrLatin1WithOrWithoutAByteOrderMark) {
    std::string outside;
    const struct {
        std::string bytes;
        TextEncoding encoding;
        std::string latin1;
    } cases[] = {
        {"\xEF\xBB\xBF"
         "Caf\xC3\xA9",
         TextEncoding::Utf8, "Caf\xE9"},
        {"Caf\xC3\xA9", TextEncoding::Utf8, "Caf\xE9"},
        {"Caf\xE9", TextEncoding::Latin1, "Caf\xE9"},
        // An overlong form and a surrogate are not UTF-8: every byte is a Latin-1 character.
        {"\xC0\xAF", TextEncoding::Latin1, "\xC0\xAF"},
        {"\xED\xA0\x80", TextEncoding::Latin1, "\xED\xA0\x80"},
    };
    for (const auto& c : cases) {
        const TextEncoding e = DetectEncoding(c.bytes);
        EXPECT_EQ(e, c.encoding) << c.bytes;
        EXPECT_EQ(ToLatin1(WithoutByteOrderMark(c.bytes), e, outside), c.latin1);
    }
    EXPECT_EQ(outside, "");
    EXPECT_EQ(ToLatin1("5\xE2\x82\xAC \xF0\x9F\x98\x80!", TextEncoding::Utf8, outside), "5 !");
    EXPECT_EQ(outside, "\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST_F(RunFileTest, OneLabelPerRowOfTheChosenColumnWithCopies) {
    CLabelRunChoice run =
        File("\xEF\xBB\xBF"
             "Code;Name;Qty\r\nA1;\"Smith; J\";2\r\nB2;Brown;0\r\n\r\nC3;Caf\xC3\xA9;1\r\n",
             "name", true);
    run.copiesColumn = "QTY";
    EXPECT_EQ(Expand(run).labels,
              (std::vector<std::string>{"line 2=Smith; J", "line 2=Smith; J", "line 5=Caf\xE9"}));
    run.column = "1";
    run.copiesColumn.clear();
    EXPECT_EQ(Expand(run).labels,
              (std::vector<std::string>{"line 2=A1", "line 3=B2", "line 5=C3"}));
    // Without a header line the first line is a label too.
    run.header = false;
    EXPECT_EQ(Expand(run).labels.front(), "line 1=Code");
}

TEST_F(RunFileTest, RowsThatCannotBeReadEndTheRunWithTheirLine) {
    const struct {
        CLabelRunChoice run;
        CMessage error;
    } cases[] = {
        {File("a,1\nb\n", "2"), MakeMessage(Msg::RunRowMissingColumn, "2", "1", "2")},
        {[&] {
             CLabelRunChoice r = File("a,1\nb,x\n");
             r.copiesColumn = "2";
             return r;
         }(),
         MakeMessage(Msg::RunBadCopies, "2", "x", "1,000,000")},
        {File("a,b\n", "code"), MakeMessage(Msg::RunColumnNeedsHeader, "code")},
        {File("Code,Qty\n1,2\n", "Name", true),
         MakeMessage(Msg::RunNoColumnNamed, "Name", "\"Code\", \"Qty\"")},
        {File("", "1", true), MakeMessage(Msg::RunFileEmpty, (env.Root() / "data5").string())},
        {[&] {
             CLabelRunChoice r = File("x\n\"open\n");
             r.separator = CLabelRunChoice::Separator::Comma;
             return r;
         }(),
         MakeMessage(Msg::RunUnclosedQuote, "2")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Expand(c.run).error, c.error);
    CLabelRunChoice missing;
    missing.kind = Kind::FromFile;
    missing.file = (env.Root() / "absent.csv").string();
    EXPECT_EQ(Expand(missing).error,
              MakeMessage(Msg::RunFileUnreadable, missing.file, "No such file or directory"));
}

TEST_F(RunFileTest, CheckingListsWhatTheSymbologyWouldChange) {
    const std::unique_ptr<CBarcode> ean = CreateBarcode("CEAN13Barcode");
    ASSERT_TRUE(ean);
    // Twelve digits get their check digit; a thirteenth that is wrong is replaced; letters go.
    CLabelRunChoice run = File("590123412345\n5901234123458\n59012341234x\n\xE2\x82\xAC"
                               "590123412345\n");
    CRunCheck check{ean.get(), {}, {}};
    CRunReport whole = CheckRun(run, {}, check, true);
    EXPECT_TRUE(whole.error.Empty());
    EXPECT_EQ(whole.labels, 4);
    EXPECT_EQ(whole.preview.front().where, MakeMessage(Msg::WhereLine, "1"));
    EXPECT_EQ(whole.preview.front().reads, "5901234123457");
    ASSERT_EQ(whole.problemCount, 3);
    ASSERT_EQ(whole.problems.size(), 3u);
    EXPECT_EQ(whole.problems[0].where, MakeMessage(Msg::WhereLine, "2"));
    EXPECT_EQ(whole.problems[0].ordinal, 1);
    EXPECT_EQ(whole.problems[0].why, CMessages{MakeMessage(Msg::CheckDigitReplaced, "8", "7")});
    EXPECT_EQ(whole.problems[1].why, (CMessages{MakeMessage(Msg::CharacterRemoved, "EAN 13"),
                                                MakeMessage(Msg::ZeroAddedToLength, "12")}));
    EXPECT_EQ(whole.problems[2].data, "590123412345");
    EXPECT_EQ(whole.problems[2].why,
              CMessages{MakeMessage(Msg::LabelOutsideLatin1, "\xE2\x82\xAC")});
    // The same of text typed before numbers, on every label.
    CLabelRunChoice euro = Numbered("1", "2");
    euro.prefix = "\xE2\x82\xAC";
    const CRunReport prefixed = CheckRun(euro, {}, {ean.get(), {}, {}}, true);
    ASSERT_EQ(prefixed.problemCount, 2);
    ASSERT_FALSE(prefixed.problems[1].why.empty());
    EXPECT_EQ(prefixed.problems[1].why.front(),
              MakeMessage(Msg::LabelOutsideLatin1, "\xE2\x82\xAC"));

    // Numbered article numbers: each gets its own check digit, none is a problem.
    const CRunReport numbered = CheckRun(Numbered("590123412345", "590123412347"), {}, check, true);
    EXPECT_EQ(numbered.problemCount, 0);
    std::vector<std::string> previewed;
    for (const CRunPreviewLine& line : numbered.preview)
        previewed.push_back(MessageText(line.where) + ": " + line.reads);
    EXPECT_EQ(previewed,
              (std::vector<std::string>{"label 1: 5901234123457", "label 2: 5901234123464",
                                        "label 3: 5901234123471"}));
}

TEST_F(RunFileTest, AProblemOfARowIsListedOnceWithItsCopies) {
    const std::unique_ptr<CBarcode> ean = CreateBarcode("CEAN13Barcode");
    ASSERT_TRUE(ean);
    // A wrong check digit on 3 copies, a fine row, letters on 2 copies, then the wrong digit
    // again on a line of its own.
    CLabelRunChoice run = File("5901234123458,3\n590123412345,1\n59012341234x,2\n"
                               "5901234123458,1\n");
    run.copiesColumn = "2";
    const CRunReport report = CheckRun(run, {}, {ean.get(), {}, {}}, true);
    EXPECT_EQ(report.labels, 7);
    EXPECT_EQ(report.problemCount, 6);
    ASSERT_EQ(report.problems.size(), 3u);
    const struct {
        const char* where;
        std::int64_t ordinal, labels;
    } expected[] = {{"line 1", 0, 3}, {"line 3", 4, 2}, {"line 4", 6, 1}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(MessageText(report.problems[i].where), expected[i].where);
        EXPECT_EQ(report.problems[i].ordinal, expected[i].ordinal) << "its first label";
        EXPECT_EQ(report.problems[i].labels, expected[i].labels) << expected[i].where;
    }

    // The same symbol on every label is one problem of all of them.
    const std::unique_ptr<CBarcode> code39 = CreateBarcode("C39Barcode");
    ASSERT_TRUE(code39);
    const CSymbolMeasure tooWide = [](const CBarcode&) { return CSize{3000, 500}; };
    CLabelRunChoice same;
    same.count = 4;
    same.countSheets = false;
    const CRunReport sameReport = CheckRun(same, {}, {code39.get(), {250, 1000}, tooWide}, true);
    EXPECT_EQ(sameReport.problemCount, 4);
    ASSERT_EQ(sameReport.problems.size(), 1u);
    EXPECT_EQ(sameReport.problems[0].labels, 4);
}

TEST_F(RunFileTest, ASymbolLargerThanItsLabelIsAProblem) {
    const std::unique_ptr<CBarcode> code39 = CreateBarcode("C39Barcode");
    ASSERT_TRUE(code39);
    // A stand-in measure: 100 mils per character, 500 mils high.
    const CSymbolMeasure measure = [](const CBarcode& b) {
        return CSize{static_cast<int>(b.m_strData.size()) * 100, 500};
    };
    CLabelRunChoice run = Numbered("8", "12");
    run.prefix = "N";
    const CRunReport report = CheckRun(run, {}, {code39.get(), {250, 1000}, measure}, true);
    EXPECT_TRUE(report.tooLarge.Empty());
    ASSERT_EQ(report.problemCount, 3); // N10, N11, N12
    EXPECT_EQ(report.problems[0].where, MakeMessage(Msg::WhereLabel, "3"));
    const CMessage tooLarge =
        MakeMessage(Msg::LabelSymbolTooLarge, "0.30 x 0.50 in", "0.25 x 1.00 in");
    EXPECT_EQ(report.problems[0].why, CMessages{tooLarge});
    // The preview looks at the first labels only, and says so of the first one.
    run.first = "10";
    run.last = "1000000";
    const CRunReport preview = CheckRun(run, {}, {code39.get(), {250, 1000}, measure}, false);
    EXPECT_EQ(preview.labels, kPreviewLabels);
    EXPECT_EQ(preview.tooLarge, tooLarge);
}

TEST_F(RunFileTest, ThePreviewCountsEveryLabelOfTheRun) {
    const std::unique_ptr<CBarcode> code39 = CreateBarcode("C39Barcode");
    ASSERT_TRUE(code39);
    const CRunCheck check{code39.get(), {}, {}};
    CLabelRunChoice sheets; // the same symbol on 3 sheets of 30, the first from its 11th label
    sheets.count = 3;
    CLabelRunChoice copies = File("A,2\nB,0\nC,1\nD,1\nE,1\nF,4\nG,3\n");
    copies.copiesColumn = "2";
    CLabelRunChoice broken = File("A\nB\nC\nD\nE\nF\nG,1\n", "1");
    broken.copiesColumn = "2"; // line 1 has no copies column: the run cannot be made
    CLabelRunChoice lateBreak = File("A,1\nB,1\nC,1\nD,1\nE,1\nF,1\nG\n");
    lateBreak.copiesColumn = "2";
    const struct {
        CLabelRunChoice run;
        CRunSheet sheet;
        std::int64_t total;
    } cases[] = {
        {Numbered("10", "1000000"), {}, 999'991},
        {sheets, {30, 10}, 80},
        {copies, {}, 12}, // 2 + 0 + 1 + 1 + 1 + 4 + 3: the preview stops at the fifth label
        {broken, {}, -1},
        {lateBreak, {}, -1}, // line 7, past the preview, has no copies column
        {Numbered("3", "1"), {}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.total);
        const CRunReport preview = CheckRun(c.run, c.sheet, check, false);
        EXPECT_LE(preview.labels, kPreviewLabels) << "only the first labels are looked at";
        EXPECT_EQ(preview.total, c.total);
        const CRunReport whole = CheckRun(c.run, c.sheet, check, true);
        EXPECT_EQ(whole.total, whole.error.Empty() ? whole.labels : -1);
        if (c.total >= 0) {
            EXPECT_EQ(whole.labels, c.total);
        }
    }
}

TEST_F(RunFileTest, TheRunKeptInTheSettingsComesBackAsWritten) {
    CLabelRunChoice run = Numbered("590123412345", "590123412399", "-2", 3);
    run.numbers = "12";
    run.prefix = "N\xC2\xBA";
    run.file = "/data/caf\xC3\xA9.csv";
    run.column = "Name";
    run.header = true;
    run.copiesColumn = "4";
    run.separator = CLabelRunChoice::Separator::Tab;
    run.startNumber = 11; // on a sheet 3 labels across: row 4, column 2
    ASSERT_TRUE(WriteRunChoice(run, 3));
    CLabelRunChoice back = run;
    back.startNumber = 0;
    back.startRow = 4;
    back.startColumn = 2;
    EXPECT_EQ(ReadRunChoice(), back);

    // Written by hand, numbers without quotes are the same numbers.
    std::ofstream(env.SettingsFile()) << "[Print]\nRunKind=1\nRunFirst=37\nRunLast=336\n"
                                         "RunColumn=2\nStartRow=99999999\n";
    const CLabelRunChoice hand = ReadRunChoice();
    EXPECT_EQ(hand.first, "37");
    EXPECT_EQ(hand.last, "336");
    EXPECT_EQ(hand.column, "2");
    EXPECT_EQ(hand.startRow, 1'000'000) << "held to the row's range";
}
