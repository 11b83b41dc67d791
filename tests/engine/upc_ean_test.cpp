#include "engine/upc_ean.h"
#include "tests/support/recording_surface.h"
#include "tests/support/scan.h"
#include "tests/support/settings_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Make = std::function<std::unique_ptr<CBarcode>()>;
const Make kUpcA = [] { return std::make_unique<CUPCABarcode>(); };
const Make kUpcE = [] { return std::make_unique<CUPCEBarcode>(); };
const Make kEan13 = [] { return std::make_unique<CEAN13Barcode>(); };
const Make kEan8 = [] { return std::make_unique<CEAN8Barcode>(); };

struct Drawing {
    RecordingSurface surface;
    CPoint end;
};

std::unique_ptr<Drawing> DrawSymbol(const CBarcode& bc, bool showText, int orientation = 0,
                                    int barHeight = 750) {
    auto d = std::make_unique<Drawing>();
    bc.Draw(d->surface, d->end, barHeight, showText, orientation);
    return d;
}

// Bars as [from, to) measured from the origin along the direction of advance, in order.
std::vector<std::pair<int, int>> BarsFromOrigin(const RecordingSurface& s, int orientation) {
    std::vector<std::pair<int, int>> out;
    const bool negative = orientation == 1 || orientation == 2;
    for (const BarSpan& b : s.Bars(orientation))
        out.emplace_back(negative ? -b.hi : b.lo, negative ? -b.lo : b.hi);
    std::sort(out.begin(), out.end());
    return out;
}

// The drawn modules from the first bar to the last, 'b' for bar and 's' for space.
std::string ReadModules(const RecordingSurface& s, int orientation, int x) {
    std::string modules;
    const auto bars = BarsFromOrigin(s, orientation);
    for (std::size_t i = 0; i < bars.size(); ++i) {
        if (i > 0) modules.append((bars[i].first - bars[i - 1].second) / x, 's');
        modules.append((bars[i].second - bars[i].first) / x, 'b');
    }
    return modules;
}

// O where a seven-module digit has an odd number of bar modules (set A), E where even (set B).
std::string Parities(const std::string& modules, std::size_t first, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        const auto digit = modules.substr(first + 7 * i, 7);
        out.push_back(std::count(digit.begin(), digit.end(), 'b') % 2 ? 'O' : 'E');
    }
    return out;
}

struct PlacedText {
    std::string text;
    CPoint at;
    friend bool operator==(const PlacedText&, const PlacedText&) = default;
};

std::vector<PlacedText> Placed(const RecordingSurface& s) {
    std::vector<PlacedText> out;
    for (const RecordedText& t : s.Texts())
        out.push_back({t.text, t.at});
    return out;
}

void PrintTo(const PlacedText& t, std::ostream* os) {
    *os << '"' << t.text << "\" at (" << t.at.x << ", " << t.at.y << ')';
}

} // namespace

class UpcEanTest : public SettingsTest {
protected:
    void SetUp() override { SetDensityRatio(10, 25); }
};

TEST(UpcEanTables, CheckDigit) {
    const struct {
        std::string digits;
        int check;
    } cases[] = {
        {"03600029145", 2},    // UPC-A
        {"0400638133393", 1},  // EAN-13 400638133393 behind the leading 0
        {"0590123412345", 7},  // EAN-13 590123412345
        {"9638507", 4},        // EAN-8
        {"", 0},               //
        {"0000000", 0},        // a sum of 0 gives 0, not 10
        {"036000291a5", -1},   // stops at the letter
        {"12345678901234", 7}, // any length: 3 × 29 + 26 = 113 → 7
    };
    for (const auto& c : cases)
        EXPECT_EQ(UpcCheckDigit(c.digits), c.check) << c.digits;
}

// Each branch of the expansion, the check digit it gives and the parity the drawn body shows.
TEST_F(UpcEanTest, UpcEExpansionCheckDigitAndParity) {
    const struct {
        const char* body;
        const char* expansion;
        int check;
        const char* parity;
    } cases[] = {
        {"012340", "00100000234", 6, "EOOOEE"}, // d6 = 0: 0 d1 d2 d6 0000 d3 d4 d5
        {"425261", "04210000526", 4, "EOEEOO"}, // d6 = 1
        {"123452", "01220000345", 3, "EEOOOE"}, // d6 = 2
        {"123453", "01230000045", 1, "EEOEOO"}, // d6 = 3: 0 d1 d2 d3 00000 d4 d5
        {"654324", "06543000002", 0, "EEEOOO"}, // d6 = 4: 0 d1 .. d4 00000 d5
        {"123456", "0123456", 5, "EOOEEO"},     // d6 = 5 to 9: the zeros add nothing
        {"000009", "0000009", 3, "EEOOOE"},     // 9 × 3 = 27
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(ExpandUpcE(c.body), c.expansion);
        EXPECT_EQ(UpcCheckDigit(ExpandUpcE(c.body)), c.check);
        CUPCEBarcode bc;
        bc.SetData(c.body);
        const auto d = DrawSymbol(bc, true);
        const std::string modules = ReadModules(d->surface, 0, 10);
        ASSERT_EQ(modules.size(), 51u);
        EXPECT_EQ(Parities(modules, 3, 6), c.parity);
        EXPECT_EQ(d->surface.Texts().back().text, std::string(1, static_cast<char>('0' + c.check)));
    }
    EXPECT_EQ(ExpandUpcE("12345x"), "");
    EXPECT_EQ(ExpandUpcE("12345"), "");
}

TEST_F(UpcEanTest, SetDataKeepsDigitsAtTheFixedLength) {
    const struct {
        const Make& make;
        std::string input;
        std::string stored;
    } cases[] = {
        {kUpcA, "12", "12000000000"},
        {kUpcA, "123456789012345", "12345678901"},
        {kUpcA, "0-36000-29145-2", "03600029145"}, // dashes dropped, then cut
        {kEan13, "", "000000000000"},
        {kEan13, "590123412345", "590123412345"},
        {kEan8, "1234567890", "1234567"},
        {kEan8, "abc", "0000000"},
        {kUpcE, "12345", "123450"},
        {kUpcE, "1234567", "123456"},
    };
    for (const auto& c : cases) {
        const auto bc = c.make();
        bc->SetData(c.input);
        EXPECT_EQ(bc->m_strData, c.stored) << c.input;
    }
}

TEST_F(UpcEanTest, NominalWidths) {
    const struct {
        const Make& make;
        int at10, at7;
    } cases[] = {
        {kUpcA, 99 * 10 + 83, 99 * 7 + 83},
        {kEan13, 106 * 10 + 83, 106 * 7 + 83},
        {kEan8, 64 * 10, 64 * 7},
        {kUpcE, 51 * 10 + 83, 51 * 7 + 83},
    };
    for (const auto& c : cases) {
        const auto bc = c.make();
        SetDensityRatio(10, 25);
        EXPECT_EQ(bc->GetWidth(), c.at10);
        SetDensityRatio(7, 40); // the ratio does not matter
        EXPECT_EQ(bc->GetWidth(), c.at7);
    }
}

// The recording face makes each character 66.6 units wide: one 66, four 266, five 333, six 399.
TEST_F(UpcEanTest, UpcAGeometry) {
    CUPCABarcode bc;
    bc.SetData("03600029145");
    const auto d = DrawSymbol(bc, true);
    const std::vector<PlacedText> expected = {
        {"0", {0, 690}},       // starts at the origin, 60 above the end of the bars
        {"36000", {200, 690}}, // ends at the centre guard, 533
        {"29145", {583, 690}}, // starts where the right half does
        {"2", {1034, 691}},    // nudged one unit past the end guard
    };
    EXPECT_EQ(Placed(d->surface), expected);
    const auto bars = BarsFromOrigin(d->surface, 0);
    EXPECT_EQ(bars.front().first, 83);
    EXPECT_EQ(bars.back().second, 1033);
    EXPECT_EQ(d->end, (CPoint{1033, 0}));
    const std::string modules = ReadModules(d->surface, 0, 10);
    ASSERT_EQ(modules.size(), 95u);
    EXPECT_EQ(modules.substr(0, 3), "bsb");
    EXPECT_EQ(modules.substr(45, 5), "sbsbs"); // the centre guard at 83 + 450 = 533
    EXPECT_EQ(modules.substr(92), "bsb");
    EXPECT_EQ(Parities(modules, 3, 6), "OOOOOO");
    EXPECT_TRUE(std::any_of(bars.begin(), bars.end(), [](auto b) { return b.first == 583; }));
    for (const RecordedLine& l : d->surface.Lines()) {
        EXPECT_EQ(l.width % 10, 0);        // whole modules, one line per bar
        EXPECT_EQ(l.to.y - l.from.y, 750); // guards and digits alike
    }

    const auto off = DrawSymbol(bc, false);
    EXPECT_TRUE(off->surface.Texts().empty());
    EXPECT_EQ(BarsFromOrigin(off->surface, 0).front().first, 0);
    EXPECT_EQ(off->end, (CPoint{950, 0}));
    EXPECT_EQ(ReadModules(off->surface, 0, 10), modules);
}

TEST_F(UpcEanTest, Ean13Geometry) {
    CEAN13Barcode bc;
    bc.SetData("590123412345");
    const auto d = DrawSymbol(bc, true);
    const std::vector<PlacedText> expected = {
        {"5", {0, 690}},
        {"901234", {533 - 399, 690}},
        {"123457", {583, 690}}, // the check digit 7 closes the right text
    };
    EXPECT_EQ(Placed(d->surface), expected);
    const std::string modules = ReadModules(d->surface, 0, 10);
    ASSERT_EQ(modules.size(), 95u);
    EXPECT_EQ(BarsFromOrigin(d->surface, 0).front().first, 83);
    // 9 in set A, then 0 1 2 3 4 as the first digit 5 says: E E O O E.
    EXPECT_EQ(Parities(modules, 3, 6), "OEEOOE");
    EXPECT_EQ(modules.substr(45, 5), "sbsbs");
}

TEST_F(UpcEanTest, Ean8Geometry) {
    CEAN8Barcode bc;
    bc.SetData("9638507");
    const auto d = DrawSymbol(bc, true);
    const std::vector<PlacedText> expected = {
        {"9638", {310 - 266, 690}}, // ends at the centre guard
        {"5074", {360, 690}},       // the check digit 4 closes the right text
    };
    EXPECT_EQ(Placed(d->surface), expected);
    const auto bars = BarsFromOrigin(d->surface, 0);
    EXPECT_EQ(bars.front().first, 0); // no leading digit
    EXPECT_EQ(bars.back().second, 670);
    EXPECT_EQ(ReadModules(d->surface, 0, 10).size(), 67u);
}

TEST_F(UpcEanTest, UpcEGeometryInEveryOrientation) {
    const struct {
        int orientation;
        std::vector<PlacedText> texts;
        CPoint end;
    } cases[] = {
        {0, {{"0", {0, 690}}, {"425261", {531 - 399, 690}}, {"4", {594, 691}}}, {593, 0}},
        {1, {{"0", {690, 0}}, {"425261", {690, -531 + 399}}, {"4", {691, -592}}}, {0, -593}},
        // Turned half round, the check digit moves one unit along x only.
        {2, {{"0", {0, -690}}, {"425261", {-531 + 399, -690}}, {"4", {-592, -690}}}, {-593, 0}},
        {3, {{"0", {-690, 0}}, {"425261", {-690, 531 - 399}}, {"4", {-689, 594}}}, {0, 593}},
    };
    CUPCEBarcode bc;
    bc.SetData("425261");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.orientation);
        const auto d = DrawSymbol(bc, true, c.orientation);
        EXPECT_EQ(Placed(d->surface), c.texts);
        EXPECT_EQ(d->end, c.end);
        const auto bars = BarsFromOrigin(d->surface, c.orientation);
        EXPECT_EQ(bars.front().first, 83);
        EXPECT_EQ(bars.back().second, 593);
        EXPECT_EQ(ReadModules(d->surface, c.orientation, 10).substr(45), "sbsbsb");
    }
}

// One font of its own for the digits, whatever the object's font fields say: selected first,
// given back last, text shown or not; the width is measured even when nothing is printed.
TEST_F(UpcEanTest, TextFontSelectedOnceAndRestored) {
    const int escapements[4] = {0, 900, 1800, -900};
    for (const Make* make : {&kUpcA, &kUpcE, &kEan13, &kEan8}) {
        const auto bc = (*make)();
        bc->SetData("1234567");
        bc->m_strFontName = "Serif";
        bc->m_nFontSize = 24;
        for (int orientation = 0; orientation < 4; ++orientation) {
            for (bool showText : {true, false}) {
                SCOPED_TRACE(std::string(bc->GetRuntimeClass()->m_lpszClassName) + " " +
                             std::to_string(orientation) + (showText ? " text" : " no text"));
                const auto d = DrawSymbol(*bc, showText, orientation);
                const auto& calls = d->surface.calls;
                ASSERT_FALSE(calls.empty());
                const auto* first = std::get_if<RecordedSelectFont>(&calls.front());
                ASSERT_NE(first, nullptr);
                EXPECT_EQ(first->font,
                          (CFontSpec{"Courier New", 111, 100, escapements[orientation]}));
                EXPECT_TRUE(std::holds_alternative<RecordedRestoreFont>(calls.back()));
                int selects = 0, restores = 0, measures = 0;
                for (const auto& call : calls) {
                    selects += std::holds_alternative<RecordedSelectFont>(call);
                    restores += std::holds_alternative<RecordedRestoreFont>(call);
                    measures += std::holds_alternative<RecordedExtent>(call);
                }
                EXPECT_EQ(selects, 1);
                EXPECT_EQ(restores, 1);
                EXPECT_EQ(measures, 1); // the one text placed by its end
                EXPECT_EQ(d->surface.Texts().empty(), !showText);
            }
        }
    }
}

// A file may hold any bytes: drawing uses the digits as SetData would have kept them, and the
// object keeps what it loaded.
TEST_F(UpcEanTest, FileDataIsDrawnNormalised) {
    const struct {
        const Make& make;
        std::string stored;
        std::string typed;
    } cases[] = {
        {kUpcA, "0360a0029145x77", "03600029145"},
        {kUpcA, "12", "12"},
        {kEan13, "59012341234567", "590123412345"},
        {kEan13, "", ""},
        {kEan8, "96-38-507", "9638507"},
        {kUpcE, "42526", "425260"},
        {kUpcE, "4x25261", "425261"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        const auto loaded = c.make();
        loaded->m_strData = c.stored;
        const auto typed = c.make();
        typed->SetData(c.typed);
        for (int orientation = 0; orientation < 4; ++orientation) {
            const auto a = DrawSymbol(*loaded, true, orientation);
            const auto b = DrawSymbol(*typed, true, orientation);
            EXPECT_EQ(a->surface.Dump(), b->surface.Dump());
        }
        EXPECT_EQ(loaded->m_strData, c.stored);
    }
}

// What a real reader makes of the drawn bars: it checks the check digit itself.
TEST_F(UpcEanTest, SymbolsScan) {
    struct Case {
        Make make;
        std::string data;
        std::string format;
        std::string text;
    };
    std::vector<Case> cases = {
        {kUpcA, "03600029145", "UPC-A", "036000291452"},
        {kEan8, "9638507", "EAN-8", "96385074"},
        {kEan8, "0000000", "EAN-8", "00000000"},
    };
    for (char first = '0'; first <= '9'; ++first) {
        const std::string data = first + std::string("90123412345");
        const std::string full = data + static_cast<char>('0' + UpcCheckDigit("0" + data));
        // A leading 0 makes the symbol a UPC-A, which is how the reader names it.
        if (first == '0')
            cases.push_back({kEan13, data, "UPC-A", full.substr(1)});
        else
            cases.push_back({kEan13, data, "EAN-13", full});
    }
    for (char last = '0'; last <= '9'; ++last) {
        const std::string body = std::string("12345") + last;
        const char check = static_cast<char>('0' + UpcCheckDigit(ExpandUpcE(body)));
        cases.push_back({kUpcE, body, "UPC-E", "0" + body + check});
    }
    cases.push_back({kUpcE, "425261", "UPC-E", "04252614"});
    cases.push_back({kUpcE, "654324", "UPC-E", "06543240"});

    for (const Case& c : cases) {
        const auto bc = c.make();
        bc->SetData(c.data);
        for (int orientation = 0; orientation < 4; ++orientation) {
            SCOPED_TRACE(c.data + " orientation " + std::to_string(orientation));
            const auto d = DrawSymbol(*bc, true, orientation, 1000);
            const ScanResult r = ScanBars(d->surface, 5, ScanMode::Plain);
            EXPECT_TRUE(r.ok);
            EXPECT_EQ(r.format, c.format);
            EXPECT_EQ(r.text, c.text);
        }
    }
}
