// The command line's label options as a user runs them: the label products listed with their
// IDs, a product named by maker and number, and a start that needs a label sheet.

#include "tests/shell/print_run_fixture.h"

#include <QString>
#include <QStringList>

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

// On plain paper there is no sheet to start on: a start is refused, naming how to choose a
// sheet, instead of printing a page per label from the top.
TEST_F(PrintRunTest, AStartOnPlainPaperIsRefusedNamingTheLabelOption) {
    ASSERT_TRUE(SettingsStore().WriteInt("Print", "UseLabel", 0));
    const QStringList runs[] = {
        {"--pdf", pdf, doc, "--numbered", "1:300", "--digits", "5", "--prefix", "INV-", "--start",
         "5"},
        {"--pdf", pdf, doc, "--start", "99,99"},
        {"-p", doc, "--count", "3", "--start", "2"},
    };
    for (const QStringList& args : runs) {
        const Finished done = Run(args);
        EXPECT_EQ(done.status, 2) << args.join(' ').toStdString();
        EXPECT_EQ(done.errors, "quillmark: --start is for label sheets, and the print settings "
                               "have none: name one with --label ID (quillmark --list-labels "
                               "finds its ID)\n");
        EXPECT_FALSE(QFile::exists(pdf));
    }
    // With a sheet named, the same run prints from its fifth label.
    const Finished named =
        Run({"--pdf", pdf, doc, "--label", "106", "--numbered", "1:3", "--start", "5"});
    ASSERT_EQ(named.status, 0) << named.errors;
    constexpr CLabelGeometry kAvery5160{0, 6668, 2540, 1270, 397, 7064, 2540, 3, 10};
    ExpectRun(
        Pages(), 4, 3, [](int i) { return std::to_string(i + 1); }, {}, kAvery5160);
}

// The label products are listed with the IDs --label takes, found by maker, number,
// description or size; --label also takes a product by its maker and number.
TEST_F(PrintRunTest, LabelProductsAreListedAndNamedByMakerAndNumber) {
    const std::string avery5160 = "106  Avery  5160     Address Labels  2.625 x 1 in  3 x 10\n";
    const Finished byNumber = Run({"--list-labels", "5160"});
    EXPECT_EQ(byNumber.status, 0) << byNumber.errors;
    EXPECT_EQ(byNumber.output, " ID  Maker  Product  Description     Size          Across x down\n"
                               " 38  Avery  15160    Address Labels  2.625 x 1 in  3 x 10\n"
                               " 56  Avery  25160    Address Labels  2.625 x 1 in  3 x 10\n" +
                                   avery5160);
    const Finished bySize = Run({"--list-labels", "2.625x1"});
    EXPECT_EQ(bySize.status, 0) << bySize.errors;
    const QStringList lines = QString::fromStdString(bySize.output).split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 5);
    for (const QString& line : lines.mid(1))
        EXPECT_TRUE(line.contains("  2.625 x 1 in  ")) << line.toStdString();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString& line) {
        return line.simplified() == "106 Avery 5160 Address Labels 2.625 x 1 in 3 x 10";
    })) << bySize.output;
    const Finished byName = Run({"--list-labels", "avery:5160"});
    EXPECT_EQ(byName.output.substr(byName.output.find('\n') + 1), avery5160);
    // Rolls by their label's size, and tape, of no length of its own, by its width at any length.
    const Finished rolls = Run({"--list-labels", "2.25x1.25"});
    EXPECT_TRUE(QString::fromStdString(rolls.output)
                    .contains(QRegularExpression("Zebra +800262-125 .* 2.25 x 1.25 in +roll\n")))
        << rolls.output;
    const Finished tape = Run({"--list-labels", "62x150mm"});
    EXPECT_TRUE(QString::fromStdString(tape.output)
                    .contains(QRegularExpression("Brother +DK-22205 .* 2.441 in tape +tape\n")))
        << tape.output;
    const Finished none = Run({"--list-labels", "no such label"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.errors, "quillmark: no label product matches \"no such label\"\n");

    const Finished named = Run({"--pdf", pdf, doc, "--label", "Avery:5160", "--numbered", "1:3"});
    ASSERT_EQ(named.status, 0) << named.errors;
    constexpr CLabelGeometry kAvery5160{0, 6668, 2540, 1270, 397, 7064, 2540, 3, 10};
    ExpectRun(
        Pages(), 0, 3, [](int i) { return std::to_string(i + 1); }, {}, kAvery5160);
    const Finished unknown = Run({"--pdf", pdf, doc, "--label", "Avery:0000"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.errors, "quillmark: The label database has no label product Avery:0000; "
                              "quillmark --list-labels lists them.\n");
}
