// The vector pictures: the metafile read back record by record and through a real EMF
// converter, and the SVG picture parsed, rendered and scanned.
#include "engine/barcode.h"
#include "engine/primitives.h"
#include "output/emf_surface.h"
#include "output/painter_surface.h"
#include "output/svg_surface.h"
#include "render/symbol_drawing.h"
#include "tests/support/image_scan.h"
#include "tests/support/recording_surface.h"
#include "tests/support/run_command.h"
#include "tests/support/settings_fixture.h"

#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTextLayout>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr CReferenceScreen kScreen{1920, 1080, 96, 96};
constexpr QPoint kClientCentre{400, 300};

std::unique_ptr<CBarcode> Create(const char* className, std::string_view data) {
    const CRuntimeClass* cls = CRuntimeClass::FromName(className);
    if (!cls) return nullptr;
    std::unique_ptr<CBarcode> bc(static_cast<CBarcode*>(cls->CreateObject().release()));
    bc->SetData(data);
    return bc;
}

// What the view does before drawing into a picture: 1000 logical units to the screen's inch,
// the origin in the middle of its client area.
void PrepareLikeView(CMappedSurface& s) {
    s.SetWindowExt({1000, 1000});
    s.SetViewportExt({s.DeviceDpiX(), s.DeviceDpiY()});
    s.SetWindowOrg({0, 0});
    s.SetViewportOrg({kClientCentre.x(), kClientCentre.y()});
}

// Where a drawing started, and the window's shift (none: the start point centres the symbol).
struct CSymbolPlacement {
    CPoint startCorner;
    CPoint windowOrg;
};

// Draws as the view does and returns where the symbol started.
CSymbolPlacement DrawLikeView(const CBarcode& bc, CMappedSurface& s, int rotation) {
    PrepareLikeView(s);
    const CSymbolView view{rotation, true};
    const CPoint start = CentredStart(MeasureSymbol(bc, s, view));
    DrawSymbolCentred(bc, s, view);
    return {start, {0, 0}};
}

// The same drawing calls, recorded by the test's own surface from the same start corner.
RecordingSurface Reference(const CBarcode& bc, const CSymbolPlacement& place, int rotation) {
    RecordingSurface rec;
    CPoint corner = place.startCorner;
    bc.Draw(rec, corner, bc.GetBarHeightMils(), true, rotation);
    return rec;
}

// The converters' messages matter when they fail: keep their standard error.
std::string RunTool(const std::string& command, bool* ok = nullptr) {
    return RunCommand(command, ok, true);
}

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Decode(const QImage& image) {
    const ScanResult r = ScanImage(image);
    return r.ok ? r.format + ":" + r.text : "";
}

// ---- reading a metafile back -------------------------------------------------------------

struct EmfRecord {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes; // the whole record
    std::uint32_t U32(size_t at) const {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | bytes.at(at + static_cast<size_t>(i));
        return v;
    }
    std::int32_t I32(size_t at) const { return static_cast<std::int32_t>(U32(at)); }
    std::u16string Text16(size_t at, size_t units) const {
        std::u16string s;
        for (size_t i = 0; i < units; ++i)
            s.push_back(
                static_cast<char16_t>(bytes.at(at + 2 * i) | bytes.at(at + 2 * i + 1) << 8));
        return s;
    }
};

// Splits the file into records; fails the test on a malformed size.
std::vector<EmfRecord> ParseEmf(const std::vector<std::uint8_t>& file) {
    std::vector<EmfRecord> records;
    size_t at = 0;
    while (at + 8 <= file.size()) {
        EmfRecord r;
        r.type = static_cast<std::uint32_t>(file[at] | file[at + 1] << 8 | file[at + 2] << 16 |
                                            file[at + 3] << 24);
        const size_t size = static_cast<size_t>(file[at + 4] | file[at + 5] << 8 |
                                                file[at + 6] << 16 | file[at + 7] << 24);
        EXPECT_EQ(size % 4, 0u) << "record " << records.size() << " type " << r.type;
        EXPECT_GE(size, 8u);
        if (size < 8 || at + size > file.size()) {
            ADD_FAILURE() << "record " << records.size() << " runs past the end";
            break;
        }
        r.bytes.assign(file.begin() + static_cast<std::ptrdiff_t>(at),
                       file.begin() + static_cast<std::ptrdiff_t>(at + size));
        records.push_back(std::move(r));
        at += size;
    }
    EXPECT_EQ(at, file.size()) << "bytes after the last record";
    return records;
}

enum : std::uint32_t {
    kHeader = 1,
    kSetWindowExt = 9,
    kSetWindowOrg = 10,
    kSetViewportExt = 11,
    kSetViewportOrg = 12,
    kEof = 14,
    kSetMapMode = 17,
    kSetBkMode = 18,
    kMoveTo = 27,
    kSelect = 37,
    kDelete = 40,
    kLineTo = 54,
    kCreateFont = 82,
    kTextOut = 84,
    kCreatePen = 95,
};

// ---- reading an SVG back -----------------------------------------------------------------

struct SvgRect {
    double x, y, w, h;
    QString fill;
};
struct SvgText {
    QString text, family, transform;
    double size = 0;
    int weight = 0;
    bool cellBehind = false; // a white rectangle comes first in the same group
};
struct SvgDoc {
    bool ok = false;
    QString width, height;
    QList<double> viewBox;
    std::vector<SvgRect> bars;
    std::vector<SvgText> texts;
};

SvgDoc ParseSvg(const std::string& document) {
    SvgDoc doc;
    QXmlStreamReader xml(QByteArray::fromStdString(document));
    bool whiteRectInGroup = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const auto a = xml.attributes();
        const auto num = [&](const char* name) { return a.value(name).toDouble(); };
        if (xml.name() == u"svg") {
            doc.width = a.value("width").toString();
            doc.height = a.value("height").toString();
            for (const QString& v : a.value("viewBox").toString().split(' '))
                doc.viewBox.push_back(v.toDouble());
        } else if (xml.name() == u"g") {
            whiteRectInGroup = false;
        } else if (xml.name() == u"rect") {
            const QString fill = a.value("fill").toString();
            if (fill == "#ffffff")
                whiteRectInGroup = true;
            else
                doc.bars.push_back({num("x"), num("y"), num("width"), num("height"), fill});
        } else if (xml.name() == u"text") {
            SvgText t;
            t.family = a.value("font-family").toString();
            t.size = num("font-size");
            t.weight = a.value("font-weight").toInt();
            t.cellBehind = whiteRectInGroup;
            t.text = xml.readElementText();
            doc.texts.push_back(t);
        }
    }
    doc.ok = !xml.hasError();
    return doc;
}

} // namespace

class VectorTest : public SettingsTest {};

// ---- the metafile ------------------------------------------------------------------------

TEST_F(VectorTest, EmfRecordsTheSameDrawingCallsAtTheSameLogicalCoordinates) {
    for (int rotation = 0; rotation < 4; ++rotation) {
        SCOPED_TRACE("rotation " + std::to_string(rotation));
        auto bc = Create("C39Barcode", "HALVERN");
        CEmfSurface emf(kScreen);
        const CSymbolPlacement place = DrawLikeView(*bc, emf, rotation);
        const RecordingSurface reference = Reference(*bc, place, rotation);
        const std::vector<EmfRecord> records = ParseEmf(emf.Bytes());
        ASSERT_GT(records.size(), 8u);

        // The set-up first, as the view made it; measuring the text recorded nothing.
        size_t i = 1;
        const auto expect = [&](std::uint32_t type, std::vector<std::int32_t> fields) {
            ASSERT_LT(i, records.size());
            const EmfRecord& r = records[i++];
            ASSERT_EQ(r.type, type) << "record " << i - 1;
            ASSERT_EQ(r.bytes.size(), 8 + 4 * fields.size()) << "record " << i - 1;
            for (size_t f = 0; f < fields.size(); ++f)
                EXPECT_EQ(r.I32(8 + 4 * f), fields[f]) << "record " << i - 1 << " field " << f;
        };
        expect(kSetMapMode, {8}); // anisotropic
        expect(kSetWindowExt, {1000, 1000});
        expect(kSetViewportExt, {96, 96});
        expect(kSetWindowOrg, {place.windowOrg.x, place.windowOrg.y});
        expect(kSetViewportOrg, {kClientCentre.x(), kClientCentre.y()});
        expect(kSetBkMode, {2}); // opaque

        // Each bar: a geometric solid pen with flat ends and bevel joins, black, created,
        // selected, used for one line, the stock black pen put back, deleted.
        for (const RecordedLine& line : reference.Lines()) {
            ASSERT_LT(i, records.size());
            const EmfRecord& pen = records[i];
            ASSERT_EQ(pen.type, kCreatePen) << "record " << i;
            const std::int32_t handle = pen.I32(8);
            EXPECT_EQ(pen.U32(28), 0x00011200u); // PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_BEVEL
            EXPECT_EQ(pen.I32(32), line.width);
            EXPECT_EQ(pen.U32(36), 0u); // BS_SOLID
            EXPECT_EQ(pen.U32(40), 0u); // black
            ++i;
            expect(kSelect, {handle});
            expect(kMoveTo, {line.from.x, line.from.y});
            expect(kLineTo, {line.to.x, line.to.y});
            expect(kSelect, {static_cast<std::int32_t>(0x80000007)});
            expect(kDelete, {handle});
        }

        // The text: the font from its description, the characters at the reference point.
        const std::vector<RecordedText> texts = reference.Texts();
        ASSERT_EQ(texts.size(), 1u);
        ASSERT_LT(i + 4, records.size());
        const EmfRecord& font = records[i++];
        ASSERT_EQ(font.type, kCreateFont);
        const std::int32_t fontHandle = font.I32(8);
        EXPECT_EQ(font.I32(12), -111); // lfHeight: minus the 8-point em height
        EXPECT_EQ(font.I32(16), 0);
        EXPECT_EQ(font.I32(20), texts[0].font.escapement);
        EXPECT_EQ(font.I32(24), texts[0].font.escapement); // orientation
        EXPECT_EQ(font.I32(28), 400);
        for (size_t b = 32; b < 40; ++b)
            EXPECT_EQ(font.bytes[b], 0) << "font byte " << b;
        EXPECT_EQ(font.Text16(40, 12), std::u16string(u"Courier New") + u'\0');
        expect(kSelect, {fontHandle});

        // The reference surface measures text its own way, so its text starts elsewhere along
        // the bars: the engine centres the measured width on the nominal width.
        emf.SelectFont(texts[0].font);
        const int cx = emf.GetTextExtent(texts[0].text).cx;
        emf.RestoreFont();
        int referenceCx = 0;
        for (const RecordedCall& call : reference.calls)
            if (const auto* e = std::get_if<RecordedExtent>(&call)) referenceCx = e->size.cx;
        CPoint at = texts[0].at;
        engine::Advance(at, (bc->GetWidth() - cx) / 2 - (bc->GetWidth() - referenceCx) / 2,
                        rotation);

        const EmfRecord& text = records[i++];
        ASSERT_EQ(text.type, kTextOut);
        EXPECT_EQ(text.I32(24), 1); // compatible graphics mode
        EXPECT_EQ(text.I32(36), at.x);
        EXPECT_EQ(text.I32(40), at.y);
        const std::uint32_t n = text.U32(44);
        ASSERT_EQ(n, texts[0].text.size());
        EXPECT_EQ(text.Text16(text.U32(48), n), u"HALVERN");
        // The advances add up to the width the engine measured when it centred the text.
        const std::uint32_t offDx = text.U32(72);
        ASSERT_LE(offDx + 4 * n, text.bytes.size());
        std::int32_t sum = 0;
        for (std::uint32_t c = 0; c < n; ++c)
            sum += text.I32(offDx + 4 * c);
        EXPECT_EQ(sum, cx);

        expect(kSelect, {static_cast<std::int32_t>(0x8000000D)}); // the stock font again
        expect(kDelete, {fontHandle});
        ASSERT_LT(i, records.size());
        EXPECT_EQ(records[i].type, kEof);
        EXPECT_EQ(i + 1, records.size());
    }
}

TEST_F(VectorTest, EmfHeaderDescribesTheFileTheScreenAndTheDrawnArea) {
    auto bc = Create("C128Barcode", "HALVERN 128");
    CEmfSurface emf(kScreen);
    DrawLikeView(*bc, emf, 0);
    const std::vector<std::uint8_t> file = emf.Bytes();
    const std::vector<EmfRecord> records = ParseEmf(file);
    ASSERT_FALSE(records.empty());
    const EmfRecord& h = records[0];
    ASSERT_EQ(h.type, kHeader);
    ASSERT_GE(h.bytes.size(), 108u);
    EXPECT_EQ(h.U32(40), 0x464D4520u); // " EMF"
    EXPECT_EQ(h.U32(44), 0x00010000u);
    EXPECT_EQ(h.U32(48), file.size());
    EXPECT_EQ(h.U32(52), records.size());
    EXPECT_EQ(records.back().type, kEof);
    EXPECT_EQ(records.back().U32(16), 20u); // the end record repeats its own size

    // Every object handle the records use lies inside the handle table the header declares,
    // and every object created is deleted.
    const std::uint32_t handles = h.U32(56) & 0xFFFF;
    std::set<std::uint32_t> live;
    for (const EmfRecord& r : records) {
        if (r.type == kCreatePen || r.type == kCreateFont) {
            EXPECT_LT(r.U32(8), handles);
            EXPECT_TRUE(live.insert(r.U32(8)).second) << "handle reused while alive";
        } else if (r.type == kSelect && !(r.U32(8) & 0x80000000u)) {
            EXPECT_TRUE(live.count(r.U32(8))) << "selects a handle that does not exist";
        } else if (r.type == kDelete) {
            EXPECT_EQ(live.erase(r.U32(8)), 1u);
        }
    }
    EXPECT_TRUE(live.empty());

    // The description: "QUILLMARK", NUL, "Image", NUL, NUL.
    EXPECT_EQ(h.U32(60), 17u);
    EXPECT_EQ(h.Text16(h.U32(64), 17), std::u16string(u"QUILLMARK\0Image\0\0", 17));

    // The reference device: the screen, its millimetres agreeing with its resolution.
    EXPECT_EQ(h.I32(72), 1920);
    EXPECT_EQ(h.I32(76), 1080);
    EXPECT_EQ(h.I32(80), 508);     // 1920 / 96 × 25.4
    EXPECT_EQ(h.I32(84), 286);     // 1080 / 96 × 25.4 = 285.75
    EXPECT_EQ(h.I32(100), 508000); // micrometres
    EXPECT_EQ(h.I32(104), 285750);

    // Bounds in screen pixels cover what was drawn: the SVG recorder, which works out its
    // extent on its own, gives the same size in inches, and the bounds hold the whole pixels
    // it touches (up to one more at each end). The frame, in hundredths of a millimetre, is
    // the same area at 1000 logical units to the inch: readers size the picture by the frame
    // and place it by the bounds.
    CSvgSurface svg(kScreen);
    DrawLikeView(*bc, svg, 0);
    const SvgDoc doc = ParseSvg(svg.Document());
    ASSERT_TRUE(doc.ok);
    ASSERT_TRUE(doc.width.endsWith("in"));
    const double inchesX = doc.width.chopped(2).toDouble(),
                 inchesY = doc.height.chopped(2).toDouble();
    const int boundsW = h.I32(16) - h.I32(8) + 1, boundsH = h.I32(20) - h.I32(12) + 1;
    EXPECT_NEAR(boundsW, inchesX * 96 + 1, 1.0);
    EXPECT_NEAR(boundsH, inchesY * 96 + 1, 1.0);
    const double mmPerPixel = 2540.0 / 96;
    EXPECT_NEAR(h.I32(24), h.I32(8) * mmPerPixel, 0.5);
    EXPECT_NEAR(h.I32(28), h.I32(12) * mmPerPixel, 0.5);
    EXPECT_NEAR(h.I32(32) + 1, (h.I32(16) + 1) * mmPerPixel, 0.5);
    EXPECT_NEAR(h.I32(36) + 1, (h.I32(20) + 1) * mmPerPixel, 0.5);
}

TEST_F(VectorTest, EmfWithNothingDrawnIsStillAWholeFile) {
    CEmfSurface emf(kScreen);
    PrepareLikeView(emf);
    const std::vector<EmfRecord> records = ParseEmf(emf.Bytes());
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(records[0].I32(16), -1); // empty bounds: right < left
    EXPECT_EQ(records[0].U32(52), records.size());
    EXPECT_EQ(records[1].type, kSetMapMode);
    EXPECT_EQ(records.back().type, kEof);
}

TEST_F(VectorTest, EmfConverterShowsTheBarsWhereTheyBelong) {
    // Debian's emf2svg converter plays the file into SVG paths in screen pixels. It strokes
    // geometric pens with their logical width unscaled (it does not take the pen through the
    // window-to-viewport scale, as other players do), so the widths are read from its output
    // in logical units and the positions in pixels; together they must scan.
    for (int rotation = 0; rotation < 4; ++rotation) {
        SCOPED_TRACE("rotation " + std::to_string(rotation));
        auto bc = Create("C128Barcode", "HALVERN 128");
        CEmfSurface emf(kScreen);
        const CSymbolPlacement place = DrawLikeView(*bc, emf, rotation);
        const RecordingSurface reference = Reference(*bc, place, rotation);
        const fs::path dir = env.Root();
        ASSERT_FALSE(emf.WriteFile((dir / "symbol.wmf").string()));
        bool ok = false;
        const std::string log = RunTool("emf2svg-conv -i " + (dir / "symbol.wmf").string() +
                                            " -o " + (dir / "symbol.svg").string(),
                                        &ok);
        ASSERT_TRUE(ok) << log;
        const std::string svg = Slurp(dir / "symbol.svg");

        const QRegularExpression pathRe(
            R"re(<path d="M ([-0-9.]+),([-0-9.]+) L ([-0-9.]+),([-0-9.]+) "[^>]*stroke-width="([0-9.]+)")re");
        struct Stroke {
            double x0, y0, x1, y1, width;
        };
        std::vector<Stroke> strokes;
        auto it = pathRe.globalMatch(QString::fromStdString(svg));
        while (it.hasNext()) {
            const auto m = it.next();
            strokes.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(),
                               m.captured(3).toDouble(), m.captured(4).toDouble(),
                               m.captured(5).toDouble()});
        }
        const std::vector<RecordedLine> lines = reference.Lines();
        ASSERT_EQ(strokes.size(), lines.size());

        // Each stroke where the mapping puts the line: 96 pixels to 1000 mils around the
        // client centre, the window shifted by the view's offset. (The converter's outer
        // translate() only moves the drawn area to the picture's corner.)
        const auto devX = [&](int x) {
            return (x - place.windowOrg.x) * 0.096 + kClientCentre.x();
        };
        const auto devY = [&](int y) {
            return (y - place.windowOrg.y) * 0.096 + kClientCentre.y();
        };
        for (size_t k = 0; k < lines.size(); ++k) {
            EXPECT_NEAR(strokes[k].x0, devX(lines[k].from.x), 0.001) << "bar " << k;
            EXPECT_NEAR(strokes[k].y0, devY(lines[k].from.y), 0.001) << "bar " << k;
            EXPECT_NEAR(strokes[k].x1, devX(lines[k].to.x), 0.001) << "bar " << k;
            EXPECT_NEAR(strokes[k].y1, devY(lines[k].to.y), 0.001) << "bar " << k;
            EXPECT_EQ(strokes[k].width, lines[k].width) << "bar " << k;
        }

        // The converter's geometry back in mils, one pixel per mil: the pen covers half its
        // width on either side of the line.
        QImage image(2400, 2400, QImage::Format_Grayscale8);
        image.fill(255);
        {
            QPainter painter(&image);
            for (const Stroke& s : strokes) {
                const double x0 = (std::min(s.x0, s.x1) - kClientCentre.x()) / 0.096 + 1200;
                const double x1 = (std::max(s.x0, s.x1) - kClientCentre.x()) / 0.096 + 1200;
                const double y0 = (std::min(s.y0, s.y1) - kClientCentre.y()) / 0.096 + 1200;
                const double y1 = (std::max(s.y0, s.y1) - kClientCentre.y()) / 0.096 + 1200;
                const double half = s.width / 2;
                const QRectF r = s.x0 == s.x1
                                     ? QRectF(QPointF(x0 - half, y0), QPointF(x0 + half, y1))
                                     : QRectF(QPointF(x0, y0 - half), QPointF(x1, y0 + half));
                painter.fillRect(r, Qt::black);
            }
        }
        EXPECT_EQ(Decode(image), "Code128:HALVERN 128");

        // The text with its face, its size in pixels and turned by the escapement.
        EXPECT_NE(svg.find("HALVERN 128"), std::string::npos);
        EXPECT_NE(svg.find("font-family=\"Courier New\""), std::string::npos);
        EXPECT_NE(svg.find("font-size=\"10.6560\""), std::string::npos); // 111 mils at 96 dpi
        if (rotation != 0) {
            const int degrees = -engine::Escapement(rotation) / 10;
            EXPECT_NE(svg.find("rotate(" + std::to_string(degrees) + ","), std::string::npos);
        }
    }
}

TEST_F(VectorTest, EmfAndSvgMeasureTextAsTheScreenDoesAtOneHundredPercent) {
    QImage screen(10, 10, QImage::Format_Grayscale8);
    QPainter painter(&screen);
    CPainterSurface onScreen(painter);
    onScreen.SetWindowExt({1000, 1000});
    onScreen.SetViewportExt({96, 96});
    CEmfSurface emf(kScreen);
    CSvgSurface svg(kScreen);
    // The pictures measure at the screen's resolution whatever mapping they are given.
    svg.SetViewportExt({300, 300});
    svg.SetWindowExt({1000, 1000});
    const CFontSpec fonts[] = {{"Courier New", 111, 400, 0},
                               {"Courier New", 167, 700, 900},
                               {"Liberation Sans", 139, 400, 0},
                               {"No Such Face", 111, 400, -900}};
    for (const CFontSpec& f : fonts) {
        for (const char* text : {"HALVERN", "0123456789", "W i", ""}) {
            onScreen.SelectFont(f);
            emf.SelectFont(f);
            svg.SelectFont(f);
            const CSize expected = onScreen.GetTextExtent(text);
            EXPECT_EQ(emf.GetTextExtent(text), expected) << f.faceName << " " << text;
            EXPECT_EQ(svg.GetTextExtent(text), expected) << f.faceName << " " << text;
            onScreen.RestoreFont();
            emf.RestoreFont();
            svg.RestoreFont();
        }
    }
}

// ---- the SVG picture ---------------------------------------------------------------------

TEST_F(VectorTest, SvgBarsCoverTheirElementsExactlyAtTrueSize) {
    for (int rotation = 0; rotation < 4; ++rotation) {
        SCOPED_TRACE("rotation " + std::to_string(rotation));
        SetDensityRatio(7, 25); // odd widths: the extra unit lies on the advance side
        auto bc = Create("C39Barcode", "HALVERN");
        CSvgSurface svg(kScreen);
        const CSymbolPlacement place = DrawLikeView(*bc, svg, rotation);
        const RecordingSurface reference = Reference(*bc, place, rotation);
        const SvgDoc doc = ParseSvg(svg.Document());
        ASSERT_TRUE(doc.ok);

        const std::vector<BarSpan> spans = reference.Bars(rotation);
        ASSERT_EQ(doc.bars.size(), spans.size());
        for (size_t k = 0; k < spans.size(); ++k) {
            const BarSpan& s = spans[k];
            const SvgRect& r = doc.bars[k];
            EXPECT_EQ(r.fill, "#000000");
            // Logical units, measured from the shifted window origin.
            const double across0 = s.vertical ? r.x + place.windowOrg.x : r.y + place.windowOrg.y;
            const double across = s.vertical ? r.w : r.h;
            const double along0 = s.vertical ? r.y + place.windowOrg.y : r.x + place.windowOrg.x;
            const double along = s.vertical ? r.h : r.w;
            EXPECT_EQ(across0, s.lo) << "bar " << k;
            EXPECT_EQ(across, s.hi - s.lo) << "bar " << k;
            EXPECT_EQ(along0, std::min(s.alongLo, s.alongHi)) << "bar " << k;
            EXPECT_EQ(along, std::abs(s.alongHi - s.alongLo)) << "bar " << k;
        }

        // Width and height in inches are the viewBox in mils: true size.
        ASSERT_EQ(doc.viewBox.size(), 4);
        EXPECT_DOUBLE_EQ(doc.width.chopped(2).toDouble(), doc.viewBox[2] / 1000);
        EXPECT_DOUBLE_EQ(doc.height.chopped(2).toDouble(), doc.viewBox[3] / 1000);

        ASSERT_EQ(doc.texts.size(), 1u);
        EXPECT_EQ(doc.texts[0].text, "HALVERN");
        EXPECT_EQ(doc.texts[0].family, "'Courier New'");
        EXPECT_EQ(doc.texts[0].size, 111);
        EXPECT_EQ(doc.texts[0].weight, 400);
        EXPECT_TRUE(doc.texts[0].cellBehind) << "opaque mode paints the text cell white";
    }
}

TEST_F(VectorTest, SvgRendersAndScans) {
    const struct {
        const char* className;
        const char* data;
        const char* expected;
        int rotation;
    } cases[] = {
        {"C128Barcode", "HALVERN 128", "Code128:HALVERN 128", 0},
        {"C128Barcode", "HALVERN 128", "Code128:HALVERN 128", 1},
        {"C128Barcode", "HALVERN 128", "Code128:HALVERN 128", 2},
        {"C128Barcode", "HALVERN 128", "Code128:HALVERN 128", 3},
        // Its digits' white cells cut into the guard bars' surroundings.
        {"CUPCABarcode", "03600029145", "UPC-A:036000291452", 0},
        {"CEAN13Barcode", "590123412345", "EAN-13:5901234123457", 3},
        {"C39Barcode", "HALVERN-2026", "Code39:HALVERN-2026", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.className) + " rotation " + std::to_string(c.rotation));
        auto bc = Create(c.className, c.data);
        CSvgSurface svg(kScreen);
        DrawLikeView(*bc, svg, c.rotation);
        QSvgRenderer renderer(QByteArray::fromStdString(svg.Document()));
        ASSERT_TRUE(renderer.isValid());
        // At 300 dpi with a quiet zone of a tenth of an inch around it.
        const QRectF box = renderer.viewBoxF();
        QImage image(static_cast<int>(box.width() * 0.3) + 60,
                     static_cast<int>(box.height() * 0.3) + 60, QImage::Format_Grayscale8);
        image.fill(255);
        {
            QPainter painter(&image);
            renderer.render(&painter, QRectF(30, 30, box.width() * 0.3, box.height() * 0.3));
        }
        EXPECT_EQ(Decode(image), c.expected);
    }
}

TEST_F(VectorTest, SvgTextIsEscapedAndEmptyPicturesAreValid) {
    auto bc = Create("C128Barcode", "A<&>\"'\xE9");
    CSvgSurface svg(kScreen);
    DrawLikeView(*bc, svg, 0);
    const SvgDoc doc = ParseSvg(svg.Document());
    ASSERT_TRUE(doc.ok) << svg.Document();
    ASSERT_EQ(doc.texts.size(), 1u);
    EXPECT_EQ(doc.texts[0].text, QString::fromUtf8("A<&>\"'\u00E9"));

    CSvgSurface empty(kScreen);
    PrepareLikeView(empty);
    const SvgDoc nothing = ParseSvg(empty.Document());
    EXPECT_TRUE(nothing.ok);
    EXPECT_EQ(nothing.width, "0in");
    EXPECT_TRUE(nothing.bars.empty());
}

// The metafile's character advances are found piece by piece for long texts; each character
// must still start where one line of the whole text puts it, in a proportional face with
// kerning as in the fixed face.
TEST(ScreenTextMetricsTest, PositionsOfALongTextAreThoseOfTheWholeLine) {
    QString text;
    for (int i = 0; i < 700; ++i)
        text += QChar(u"AVWaTo.1;yLi"[i % 12]);
    for (const char* face : {"DejaVu Sans", "Courier New"}) {
        const CFontSpec font{face, 111, 400, 0};
        const CScreenTextMetrics metrics(&font, 96, 96);
        const std::vector<int> positions = metrics.Positions(text);
        ASSERT_EQ(positions.size(), static_cast<std::size_t>(text.size()) + 1);
        QTextLayout layout(text, metrics.Font());
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        for (qsizetype i = 1; i < text.size(); ++i)
            ASSERT_EQ(positions[static_cast<std::size_t>(i)],
                      RoundEdge(line.cursorToX(static_cast<int>(i)) / 0.096))
                << face << " character " << i;
        EXPECT_EQ(positions.back(), metrics.Extent(text).cx);
    }
}

// Lines from one end of the coordinate range to the other are bars like any other: the
// recorders take the direction without a difference that overflows (the test build's
// sanitizers would stop on one).
TEST(VectorSurfacesTest, LinesAcrossTheWholeRangeAreRecorded) {
    const CPoint ends[][2] = {{{2147483647, 0}, {-2147483647 - 1, 0}},
                              {{0, -2147483647 - 1}, {0, 2147483647}}};
    for (const auto& line : ends) {
        CEmfSurface emf;
        CSvgSurface svg;
        emf.DrawLine(line[0], line[1], 10);
        svg.DrawLine(line[0], line[1], 10);
        EXPECT_GT(emf.Bytes().size(), 108u);
        EXPECT_NE(svg.Document().find("<rect"), std::string::npos);
    }
}
