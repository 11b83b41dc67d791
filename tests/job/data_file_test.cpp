// A data file read once and decoded (UTF-16 with its byte-order mark, refused without one), its
// rows built only as far as a run uses them, and what of it a message echoes.

#include "job/data_file.h"
#include "job/label_run.h"
#include "tests/support/barcode_helpers.h"
#include "tests/support/messages.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

using Kind = CLabelRunChoice::Kind;

// `text` (ASCII and Latin-1 letters, given as UTF-8 code points below 0x100 in `units`) as
// UTF-16 in either byte order, with its byte-order mark.
std::string Utf16(const std::u16string& units, bool little, bool mark = true) {
    std::string out;
    const auto put = [&](char16_t u) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += little ? lo : hi;
        out += little ? hi : lo;
    };
    if (mark) put(0xFEFF);
    for (char16_t u : units)
        put(u);
    return out;
}

class DataFileTest : public SettingsTest {
protected:
    std::string Write(const std::string& bytes) {
        const std::string path = (env.Root() / ("data" + std::to_string(++m_files))).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    CLabelRunChoice Run(const std::string& bytes, std::string column = "1", bool header = false) {
        CLabelRunChoice run;
        run.kind = Kind::FromFile;
        run.file = Write(bytes);
        run.column = std::move(column);
        run.header = header;
        return run;
    }
    // Every label as "where=data", or the error that kept or ended the run.
    std::vector<std::string> Labels(const CLabelRunChoice& run) {
        COpenedRun opened = OpenRun(run, {}, false, "SAME");
        if (!opened.source) return {"error: " + MessageText(opened.error)};
        std::vector<std::string> labels;
        CRunEntry e;
        while (opened.source->Next(e))
            labels.push_back(MessageText(e.Where()) + "=" + e.data);
        if (!opened.source->Error().Empty())
            labels.push_back("error: " + MessageText(opened.source->Error()));
        return labels;
    }

private:
    int m_files = 0;
};

// Counts the fields of a row and keeps the one it wants.
struct OneColumn : CFieldTaker {
    std::size_t wanted = 0, built = 0;
    std::string value;
    bool Wants(std::size_t column) const override { return column == wanted; }
    void Take(std::size_t, std::string&& field) override {
        ++built;
        value = std::move(field);
    }
};

} // namespace

TEST(DataText, Utf16WithItsByteOrderMarkIsReadAsUtf8) {
    const struct {
        std::string bytes;
        std::string utf8;
    } cases[] = {
        {Utf16(u"Caf\u00E9;1\r\n", true), "Caf\xC3\xA9;1\r\n"},
        {Utf16(u"Caf\u00E9;1\r\n", false), "Caf\xC3\xA9;1\r\n"},
        // A pair of surrogates is one character; one alone, or a byte left over, is U+FFFD.
        {Utf16(u"\u20AC\U0001F600", true), "\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {Utf16(u"a\xD800z", true), "a\xEF\xBF\xBDz"},
        {Utf16(u"ab", false) + "c", "ab\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        CDataText text;
        EXPECT_TRUE(DecodeDataText(c.bytes, "f", text).Empty());
        EXPECT_EQ(text.text, c.utf8);
        EXPECT_EQ(text.encoding, TextEncoding::Utf8);
    }
}

TEST(DataText, Utf16WithoutAByteOrderMarkIsRefusedSayingSo) {
    const struct {
        std::string bytes;
        bool utf16;
    } cases[] = {
        {Utf16(u"A1;2\r\nB2;3\r\n", true, false), true},
        {Utf16(u"A1;2\r\nB2;3\r\n", false, false), true},
        // Letters outside Latin, and a line of digits, in UTF-16: still half NUL bytes.
        {Utf16(u"\u0416\u0416\u0416;1\n", true, false), true},
        {"A1;2\r\nB2;3\r\n", false},
        {"Caf\xE9;1\n", false},
        {std::string("one NUL\0 in a line of text", 26), false},
        // NUL bytes at every place are no UTF-16 text: read as the bytes they are.
        {std::string(64, '\0'), false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LooksLikeUtf16(c.bytes), c.utf16) << c.bytes.size();
        CDataText text;
        EXPECT_EQ(DecodeDataText(c.bytes, "parts.csv", text).id,
                  c.utf16 ? Msg::RunFileUtf16WithoutMark : Msg::None);
    }
}

TEST_F(DataFileTest, AUtf16FileGivesItsLabels) {
    CLabelRunChoice run =
        Run(Utf16(u"Code;Name\r\nA1;Caf\u00E9\r\nB2;\u20AC5\r\n", true), "name", true);
    EXPECT_EQ(Labels(run), (std::vector<std::string>{"line 2=Caf\xE9", "line 3=5"}));
    run.file = Write(Utf16(u"Code;Name\r\nA1;Caf\u00E9\r\n", true, false));
    EXPECT_EQ(Labels(run),
              std::vector<std::string>{
                  "error: " + MessageText(MakeMessage(Msg::RunFileUtf16WithoutMark, run.file))});
}

TEST_F(DataFileTest, TheFileIsReadOnceAndItsTextServesEveryPass) {
    const std::string path = Write("A\nB\n");
    CReadDataFile read = ReadDataFile(path, kMaxRunFileBytes);
    ASSERT_TRUE(read.text);
    std::filesystem::remove(path);
    CLabelRunChoice run;
    run.kind = Kind::FromFile;
    run.file = path;
    for (int pass = 0; pass < 2; ++pass) {
        COpenedRun opened = OpenRun(run, {}, false, "", read.text);
        ASSERT_TRUE(opened.source) << MessageText(opened.error);
        CRunEntry e;
        std::string labels;
        while (opened.source->Next(e))
            labels += e.data;
        EXPECT_EQ(labels, "AB") << "pass " << pass;
    }
    // Standard input is "-": a pipe, read to its end.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_EQ(::write(fds[1], "X\nY\n", 4), 4);
    ::close(fds[1]);
    const int saved = ::dup(STDIN_FILENO);
    ::dup2(fds[0], STDIN_FILENO);
    ::close(fds[0]);
    read = ReadDataFile("-", kMaxRunFileBytes);
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    ASSERT_TRUE(read.text);
    EXPECT_EQ(read.text->text, "X\nY\n");
}

TEST_F(DataFileTest, AFileThatCannotBeARunSaysWhatItIs) {
    std::filesystem::create_directory(env.Root() / "folder.csv");
    const std::string folder = (env.Root() / "folder.csv").string();
    EXPECT_EQ(ReadDataFile(folder, kMaxRunFileBytes).error,
              MakeMessage(Msg::RunFileIsFolder, folder));
    const std::string eleven = Write("0123456789\n");
    EXPECT_EQ(ReadDataFile(eleven, 10).error, MakeMessage(Msg::RunFileTooLarge, eleven, "0"));
    EXPECT_TRUE(ReadDataFile(eleven, 11).text);
}

TEST(DelimitedFile, OnlyTheWantedFieldsAreBuilt) {
    // A row of a million empty fields, and a quoted one far along it.
    std::string row(1'000'000, ',');
    row.insert(999'000, "\"x,\"\"y\"\"\"");
    CDelimitedReader reader(row, ',');
    OneColumn taker;
    taker.wanted = 999'000;
    std::int64_t line = 0;
    std::size_t fields = 0;
    ASSERT_TRUE(reader.NextRow(taker, line, fields));
    EXPECT_EQ(fields, 1'000'001u);
    EXPECT_EQ(taker.built, 1u);
    EXPECT_EQ(taker.value, "x,\"y\"");
}

TEST_F(DataFileTest, CopiesAddingUpPastTheLimitAreRefusedAtOnceWithTheirTotal) {
    CLabelRunChoice run = Run("A,600000\nB,600000\nC,x\n");
    run.copiesColumn = "2";
    EXPECT_EQ(Labels(run), std::vector<std::string>{"error: a run prints at most 1,000,000 "
                                                    "labels, not 1,200,000"});
    std::string rows;
    for (int i = 0; i <= 1'000'000; ++i)
        rows += "r\n";
    EXPECT_EQ(Labels(Run(rows)), std::vector<std::string>{"error: a run prints at most "
                                                          "1,000,000 labels, not 1,000,001"});
    // Only a whole run is counted first: the preview's first labels are read at once.
    COpenedRun preview = OpenRun(Run(rows), {}, false, "", nullptr, false);
    EXPECT_TRUE(preview.source);
}

TEST_F(DataFileTest, EchoedDataIsEscapedAndCutShort) {
    // Header names with a terminal's command in them, and a header of a hundred thousand.
    std::string header = "a\x1B[2J,b";
    EXPECT_EQ(Labels(Run(header + "\n1,2\n", "c", true)),
              std::vector<std::string>{"error: the header line names no column \"c\" (it has "
                                       "\"a\\x1B[2J\", \"b\")"});
    std::string wide;
    for (int i = 0; i < 100'000; ++i)
        wide += "name" + std::to_string(i) + ",";
    const std::vector<std::string> refused = Labels(Run(wide + "\n", "other", true));
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_LT(refused[0].size(), 400u);
    EXPECT_TRUE(refused[0].ends_with(", ...)")) << refused[0];

    // A problem's data and reasons: control bytes escaped, megabytes cut.
    const std::unique_ptr<CBarcode> code39 = CreateBarcode("C39Barcode");
    ASSERT_TRUE(code39);
    CLabelRunChoice run = Run("ok\x1B]0;title\x07\n" + std::string(10'000'000, 'z') + "\n");
    run.separator = CLabelRunChoice::Separator::Line;
    const CRunReport report = CheckRun(run, {}, {code39.get(), {}, {}}, true);
    ASSERT_EQ(report.problems.size(), 2u);
    EXPECT_EQ(report.problems[0].data, "ok\\x1B]0;title\\x07");
    EXPECT_EQ(report.problems[1].data, std::string(kShownTextBytes, 'z') + "...");
    for (const CRunProblem& p : report.problems)
        EXPECT_LT(MessageText(p.why).size(), 1000u) << MessageText(p.why).substr(0, 200);
}

TEST(ShownText, ControlCharactersEscapedAndCutWhereACharacterStarts) {
    const struct {
        std::string text;
        std::size_t max;
        std::string shown;
    } cases[] = {
        {"plain", 100, "plain"},
        {"a\x1B[2Jb\n\x7F", 100, "a\\x1B[2Jb\\x0A\\x7F"},
        // U+009B, a terminal's command introducer in UTF-8; U+00E9 stays.
        {"\xC2\x9B"
         "1m\xC3\xA9",
         100, "\\xC2\\x9B1m\xC3\xA9"},
        {"abcdef", 3, "abc..."},
        // Three bytes of "€" do not fit in two: the cut goes before it.
        {"a\xE2\x82\xAC", 2, "a..."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShownText(c.text, c.max), c.shown);
}
