// The entry fields' rules on a plain text-and-selection model.

#include "labels/filter_behavior.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A text box on a string. States are written with the caret as '|' ("12|3") or the selection
// in brackets ("1[23]").
class PlainEdit : public CEditWindow {
public:
    std::u16string text;
    int selStart = 0, selEnd = 0;
    bool readOnly = false;
    std::u16string clipboard;
    int beeps = 0;
    std::vector<std::u16string> warnings;
    int focusBack = 0;

    void SetState(const std::u16string& state) {
        text.clear();
        selStart = selEnd = -1;
        for (char16_t c : state) {
            if (c == u'|' || c == u'[')
                selStart = static_cast<int>(text.size());
            else if (c == u']')
                selEnd = static_cast<int>(text.size());
            else
                text += c;
        }
        if (selStart < 0) selStart = static_cast<int>(text.size());
        if (selEnd < 0) selEnd = selStart;
    }
    std::u16string State() const {
        std::u16string s = text;
        if (selStart == selEnd) {
            s.insert(static_cast<std::size_t>(selStart), u"|");
        } else {
            s.insert(static_cast<std::size_t>(selEnd), u"]");
            s.insert(static_cast<std::size_t>(selStart), u"[");
        }
        return s;
    }

    std::u16string GetText() const override { return text; }
    void SetText(const std::u16string& t) override { text = t; }
    void GetSel(int& start, int& end) const override {
        start = selStart;
        end = selEnd;
    }
    void SetSel(int start, int end) override {
        const int len = static_cast<int>(text.size());
        selStart = std::clamp(start, 0, len);
        selEnd = std::clamp(end, 0, len);
    }
    void ReplaceSel(const std::u16string& t) override {
        text.replace(static_cast<std::size_t>(selStart),
                     static_cast<std::size_t>(selEnd - selStart), t);
        selStart = selEnd = selStart + static_cast<int>(t.size());
    }
    bool IsReadOnly() const override { return readOnly; }
    void DefaultChar(char16_t c) override {
        if (readOnly) return;
        if (c == u'\b') {
            if (selStart == selEnd && selStart > 0) --selStart;
            ReplaceSel(u"");
        } else if (c >= 0x20) {
            ReplaceSel(std::u16string(1, c));
        }
    }
    void DefaultKeyDown(Key) override {
        if (selStart == selEnd && selEnd < static_cast<int>(text.size())) ++selEnd;
        ReplaceSel(u"");
    }
    void DefaultPaste() override { ReplaceSel(clipboard); }
    void DefaultSetText(const std::u16string& t) override {
        text = t;
        selStart = selEnd = static_cast<int>(t.size());
    }
    void DefaultFocusLoss() override {}
    void CopyToClipboard(const std::u16string& t) override { clipboard = t; }
    void Beep() override { ++beeps; }
    void ShowWarning(const std::u16string& t) override { warnings.push_back(t); }
    void TakeFocusBack() override { ++focusBack; }
};

std::string Narrow(const std::u16string& s) {
    return std::string(s.begin(), s.end());
}

// A length field of the label setting dialog: nine whole digits, three decimals, no minus
// sign, decimals filled with zeros on leaving.
struct LengthField {
    PlainEdit edit;
    CNumericFilterBehavior rule{edit, 9, 4};
    LengthField() {
        rule.SetDecimalPlaces(3);
        rule.ModifyOptions(CNumericFilterBehavior::kPadDecimals, 0);
        rule.SetAllowMinus(false);
    }
};

struct KeyCase {
    const char16_t* before;
    char16_t typed;
    const char16_t* after;
    const char* why;
};

TEST(NumericFilter, TypingIntoALengthField) {
    const KeyCase cases[] = {
        {u"123456789|", u'1', u"123456789|", "a tenth whole digit after a full whole part"},
        {u"12345678|9", u'5', u"123456785|", "a full whole part is overtyped"},
        {u"|1.27", u'.', u"1.|27", "a second point moves the caret behind the first"},
        {u"1.27|", u'-', u"1.27|", "minus refused"},
        {u"1.27|", u'a', u"1.27|", "letters refused"},
        {u"1.[27]", u'5', u"1.5|", "a selected decimal part is replaced"},
        {u"1.234|", u'5', u"1.234|", "no fourth decimal"},
        {u"1.|234", u'5', u"1.5|34", "a full decimal part is overtyped"},
        {u"1.23|4", u'9', u"1.239|", "the last allowed decimal is overtyped"},
        {u"123|4567", u'.', u"123.|456", "a point that leaves too many decimals cuts them"},
        {u"1[.2]7", u'.', u"1.|7", "a point over the selected point"},
        {u"1.2|7", u'\b', u"1.|7", "backspace"},
        {u"[1].27", u'9', u"9|.27", "a selected digit is replaced"},
        {u"|", u'.', u".|", "a point into an empty field"},
    };
    for (const KeyCase& c : cases) {
        LengthField f;
        f.edit.SetState(c.before);
        f.rule.HandleChar(c.typed);
        EXPECT_EQ(Narrow(f.edit.State()), Narrow(c.after)) << c.why;
        EXPECT_EQ(f.edit.beeps, 0) << c.why;
    }
}

TEST(NumericFilter, DigitAfterAFullWholePart) {
    // Three whole digits and two decimals, minus allowed.
    const struct {
        bool insertPoint;
        int decimals;
        KeyCase key;
    } cases[] = {
        {true, 2, {u"123|", u'4', u"123.4|", "starts the decimals with a point"}},
        {true, 2, {u"123|.5", u'4', u"123.4|5", "steps over the point there is"}},
        {true, 0, {u"123|", u'4', u"123|", "no decimals to start"}},
        {false, 2, {u"123|", u'4', u"123|", "refused without the option"}},
        {false, 2, {u"|-123", u'9', u"-9|23", "the sign is stepped over, the digit overtyped"}},
    };
    for (const auto& c : cases) {
        PlainEdit edit;
        CNumericFilterBehavior rule(edit, 3, c.decimals);
        if (c.insertPoint) rule.ModifyOptions(CNumericFilterBehavior::kInsertPointWhenFull, 0);
        edit.SetState(c.key.before);
        rule.HandleChar(c.key.typed);
        EXPECT_EQ(Narrow(edit.State()), Narrow(c.key.after)) << c.key.why;
    }
}

TEST(NumericFilter, TypedDigitsStopAtThreeDecimals) {
    LengthField f;
    for (char16_t c : std::u16string(u"12.3456"))
        f.rule.HandleChar(c);
    EXPECT_EQ(Narrow(f.edit.text), "12.345");
}

TEST(NumericFilter, ReadOnlyFieldIgnoresTyping) {
    LengthField f;
    f.edit.SetState(u"1.2|");
    f.edit.readOnly = true;
    f.rule.HandleChar(u'3');
    f.rule.HandleChar(u'\b');
    EXPECT_EQ(Narrow(f.edit.State()), "1.2|");
}

TEST(NumericFilter, MinusSignWhereAllowed) {
    const KeyCase cases[] = {
        {u"|12", u'-', u"-|12", "inserted at the start"},
        {u"|-12", u'-', u"-|12", "steps over an existing one"},
        {u"1|2", u'-', u"-1|2", "elsewhere it turns the sign and keeps the caret on its digit"},
        {u"-1[2]", u'-', u"1[2]", "and back"},
    };
    for (const KeyCase& c : cases) {
        PlainEdit edit;
        CNumericFilterBehavior rule(edit, 9, 4);
        edit.SetState(c.before);
        rule.HandleChar(c.typed);
        EXPECT_EQ(Narrow(edit.State()), Narrow(c.after)) << c.why;
    }
}

TEST(NumericFilter, FocusLossFillsDecimals) {
    const struct {
        const char16_t* before;
        const char* after;
    } cases[] = {
        {u"", "0.000"}, {u".5", "0.500"}, {u"7", "7.000"}, {u"12.3", "12.300"}, {u"1.270", "1.270"},
    };
    for (const auto& c : cases) {
        LengthField f;
        f.edit.SetState(c.before);
        f.rule.HandleFocusLoss();
        EXPECT_EQ(Narrow(f.edit.text), c.after) << Narrow(c.before);
    }
}

TEST(NumericFilter, FocusLossWithoutOptionsOnlyMendsALeadingPoint) {
    PlainEdit edit;
    CNumericFilterBehavior rule(edit, 9, 4);
    edit.SetState(u".5");
    rule.HandleFocusLoss();
    EXPECT_EQ(Narrow(edit.text), "0.5");
    edit.SetState(u"");
    rule.HandleFocusLoss();
    EXPECT_EQ(Narrow(edit.text), "");
}

TEST(NumericFilter, FocusLossPadsWholeDigits) {
    PlainEdit edit;
    CNumericFilterBehavior rule(edit, 3, 2);
    rule.ModifyOptions(
        CNumericFilterBehavior::kPadWholeDigits | CNumericFilterBehavior::kPadDecimals, 0);
    edit.SetState(u"-5.1");
    rule.HandleFocusLoss();
    EXPECT_EQ(Narrow(edit.text), "-005.10");
}

TEST(NumericFilter, RangeOptionsOnFocusLoss) {
    using R = CNumericFilterBehavior;
    PlainEdit edit;
    R rule(edit, 9, 2);
    rule.SetRange(1, 10);

    rule.ModifyOptions(R::kBeepOutOfRange | R::kClampOutOfRange, 0);
    edit.SetState(u"12.5");
    rule.HandleFocusLoss();
    EXPECT_EQ(Narrow(edit.text), "10");
    EXPECT_EQ(edit.beeps, 1);

    rule.ModifyOptions(R::kMessageOutOfRange, R::kBeepOutOfRange | R::kClampOutOfRange);
    edit.SetState(u"0.5");
    rule.HandleFocusLoss();
    ASSERT_EQ(edit.warnings.size(), 1u);
    EXPECT_EQ(Narrow(edit.warnings[0]), "Please specify a numeric value between 1 and 10.");
    EXPECT_EQ(edit.focusBack, 1);
    EXPECT_EQ(Narrow(edit.text), "0.5") << "no clamping asked for";

    // An empty field has options of its own; 0x0400 leaves it alone altogether.
    rule.ModifyOptions(R::kBeepEmpty | R::kFocusBackEmpty, R::kMessageOutOfRange);
    edit.SetState(u"");
    rule.HandleFocusLoss();
    EXPECT_EQ(edit.beeps, 2);
    EXPECT_EQ(edit.focusBack, 2);
    rule.ModifyOptions(R::kLeaveEmptyAlone, 0);
    rule.HandleFocusLoss();
    EXPECT_EQ(edit.beeps, 2);
}

TEST(NumericFilter, RangeMessageNamesOnlyTheLimitsThatAreSet) {
    const double lo = std::numeric_limits<double>::lowest(),
                 hi = std::numeric_limits<double>::max();
    const struct {
        double min, max;
        const char* text;
    } cases[] = {
        {2.5, hi, "Please specify a numeric value greater than or equal to 2.5."},
        {lo, 7, "Please specify a numeric value less than or equal to 7."},
        {lo, hi, "Please specify a valid numeric value."},
    };
    for (const auto& c : cases) {
        PlainEdit edit;
        CNumericFilterBehavior rule(edit, 9, 2);
        rule.SetRange(c.min, c.max);
        rule.ReportInvalid();
        ASSERT_EQ(edit.warnings.size(), 1u);
        EXPECT_EQ(Narrow(edit.warnings[0]), c.text);
    }
}

TEST(NumericFilter, ValuesReadAndWritten) {
    LengthField f;
    EXPECT_EQ(f.rule.GetValue(), 0.0);
    EXPECT_EQ(f.rule.GetIntValue(), 0);
    f.rule.SetValue(1.27, false);
    EXPECT_EQ(Narrow(f.edit.text), "1.270");
    f.rule.SetValue(10.63, true);
    EXPECT_EQ(Narrow(f.edit.text), "10.63");
    EXPECT_DOUBLE_EQ(f.rule.GetValue(), 10.63);
    EXPECT_EQ(f.rule.GetIntValue(), 10);
    // Far beyond nine digits the text is cut, never overrun.
    f.rule.SetValue(1e300, true);
    EXPECT_EQ(f.edit.text.size(), 9u);
}

TEST(NumericFilter, IntegerFieldStopsAtThePoint) {
    PlainEdit edit;
    CNumericFilterBehavior rule(edit, 9, 0);
    edit.SetState(u"12|");
    rule.HandleChar(u'.');
    EXPECT_EQ(Narrow(edit.State()), "12|");
    edit.clipboard = u"12.5";
    edit.SetState(u"|");
    rule.HandlePaste();
    EXPECT_EQ(Narrow(edit.text), "12");
    rule.SetValue(2.01, false);
    EXPECT_EQ(Narrow(edit.text), "2");
}

TEST(NumericFilter, DeleteCutClearAndSettingsThatRefilter) {
    LengthField f;
    f.edit.SetState(u"1.[27]");
    f.rule.HandleKeyDown(CEditWindow::Key::Delete);
    EXPECT_EQ(Narrow(f.edit.State()), "1.|")
        << "a selection up to the end leaves the caret at its start";

    f.edit.SetState(u"12[.3]4");
    f.rule.HandleCut();
    EXPECT_EQ(Narrow(f.edit.clipboard), ".3");
    EXPECT_EQ(Narrow(f.edit.text), "124");

    f.edit.SetState(u"1[23]4");
    f.rule.HandleClear();
    EXPECT_EQ(Narrow(f.edit.text), "14");
    f.edit.SetState(u"1|4");
    f.rule.HandleClear();
    EXPECT_EQ(Narrow(f.edit.text), "14") << "clear without a selection does nothing";

    f.edit.SetState(u"123456789.123");
    f.rule.HandleSetText(f.edit.text);
    f.rule.SetDecimalPlaces(1);
    EXPECT_EQ(Narrow(f.edit.text), "123456789.1");
    f.rule.HandleSetText(u"9876543210");
    EXPECT_EQ(Narrow(f.edit.text), "987654321");
}

TEST(NumericFilter, LocaleSymbols) {
    const struct {
        char16_t minus, point, group;
        NumberSymbols expected;
    } cases[] = {
        {0, 0, 0, {u'-', u'.', u','}},
        {u'-', u',', u'.', {u'-', u',', u'.'}},
        {0, u',', u',', {u'-', u',', u'.'}},
        {u'\u2212', u'.', u'.', {u'\u2212', u'.', u','}},
    };
    for (const auto& c : cases) {
        const NumberSymbols s = ResolveNumberSymbols(c.minus, c.point, c.group);
        EXPECT_EQ(s.minus, c.expected.minus);
        EXPECT_EQ(s.decimalPoint, c.expected.decimalPoint);
        EXPECT_EQ(s.groupSeparator, c.expected.groupSeparator);
    }

    PlainEdit edit;
    CNumericFilterBehavior rule(edit, 9, 3, ResolveNumberSymbols(0, u',', u'.'));
    for (char16_t c : std::u16string(u"1.,5"))
        rule.HandleChar(c);
    EXPECT_EQ(Narrow(edit.text), "1,5");
    EXPECT_DOUBLE_EQ(rule.GetValue(), 1.5);
    rule.SetValue(2.25, false);
    EXPECT_EQ(Narrow(edit.text), "2,250");
}

TEST(AlphanumericFilter, RefusedCharactersBeepAndPasteIsCleaned) {
    PlainEdit edit;
    CAlphanumericFilterBehavior rule(edit, 0, u"%'*\"+?><:\\");
    edit.SetState(u"AB|");
    rule.HandleChar(u'%');
    EXPECT_EQ(Narrow(edit.State()), "AB|");
    EXPECT_EQ(edit.beeps, 1);
    rule.HandleChar(u'c');
    EXPECT_EQ(Narrow(edit.text), "ABc");

    edit.SetState(u"|");
    edit.clipboard = u"A%B*D";
    rule.HandlePaste();
    EXPECT_EQ(Narrow(edit.text), "ABD");
    EXPECT_EQ(edit.beeps, 1) << "pasting drops silently";
}

TEST(AlphanumericFilter, LengthLimit) {
    PlainEdit edit;
    CAlphanumericFilterBehavior rule(edit, 3, u"");
    edit.SetState(u"ab|c");
    rule.HandleChar(u'x');
    EXPECT_EQ(Narrow(edit.State()), "abx|") << "at the limit a character replaces the next";
    rule.HandleChar(u'y');
    EXPECT_EQ(Narrow(edit.text), "abx") << "nothing goes past the limit";
    rule.HandleSetText(u"longer");
    EXPECT_EQ(Narrow(edit.text), "lon");
}

} // namespace
