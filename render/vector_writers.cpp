#include "render/vector_writers.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace {

// Plain decimal with at most `places` decimals (up to 6), no "-0": a thousandth of a mil is far
// below any printer's dot. Written digit by digit: pictures hold many thousands of numbers.
void AppendNumber(std::string& out, double v, int places = 3) {
    static constexpr std::int64_t kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
    places = std::clamp(places, 0, 6);
    const double scaled = std::round(v * static_cast<double>(kScale[places]));
    // Beyond this a number is no size in any picture: written as 0, as a non-number is.
    if (!std::isfinite(scaled) || std::abs(scaled) > 1e17) {
        out += '0';
        return;
    }
    auto units = static_cast<std::int64_t>(scaled);
    if (units == 0) {
        out += '0';
        return;
    }
    if (units < 0) {
        out += '-';
        units = -units;
    }
    int shown = places; // the decimals written: trailing zeros are dropped
    while (shown > 0 && units % 10 == 0) {
        units /= 10;
        --shown;
    }
    char digits[32];
    int n = 0;
    for (int i = 0; i < shown; ++i, units /= 10)
        digits[n++] = static_cast<char>('0' + units % 10);
    if (shown > 0) digits[n++] = '.';
    do {
        digits[n++] = static_cast<char>('0' + units % 10);
        units /= 10;
    } while (units > 0);
    while (n > 0)
        out += digits[--n];
}

std::string Number(double v, int places = 3) {
    std::string s;
    AppendNumber(s, v, places);
    return s;
}

// The operators of one path language: how a figure starts, a line, a curve and a close are
// written, and whether the operator comes before its numbers (SVG) or after them (PostScript,
// PDF).
struct PathSyntax {
    const char *move, *line, *curve, *close;
    bool prefix;
};
constexpr PathSyntax kSvgPath{"M", "L", "C", "Z", true};
constexpr PathSyntax kPostScriptPath{"m", "l", "c", "h", false};

// The path's figures, every point moved by (dx, dy), each figure closed.
void AppendPath(std::string& out, const CPath& path, const PathSyntax& syntax, double dx,
                double dy) {
    std::size_t point = 0;
    bool open = false;
    for (const char op : path.ops) {
        const int count = op == 'C' ? 3 : 1;
        if (op == 'M' && open) (out += syntax.close) += '\n';
        const char* name = op == 'M' ? syntax.move : op == 'L' ? syntax.line : syntax.curve;
        if (syntax.prefix) (out += name) += ' ';
        for (int i = 0; i < count; ++i, ++point) {
            AppendNumber(out, path.points[point].x + dx);
            out += ' ';
            AppendNumber(out, path.points[point].y + dy);
            out += ' ';
        }
        if (!syntax.prefix) (out += name) += ' ';
        open = true;
    }
    if (open) (out += syntax.close) += '\n';
}

} // namespace

std::string SvgDocument(const CVectorPicture& picture) {
    if (picture.tooLarge) return {};
    const double w = picture.Width(), h = picture.Height();
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
                      Number(w / 1000.0, 6) + "in\" height=\"" + Number(h / 1000.0, 6) +
                      "in\" viewBox=\"" + Number(picture.empty ? 0 : picture.x0) + " " +
                      Number(picture.empty ? 0 : picture.y0) + " " + Number(w) + " " + Number(h) +
                      "\">\n";
    for (const CVectorPicture::Fill& fill : picture.fills) {
        doc += fill.white ? "<path fill=\"#ffffff\" d=\"" : "<path fill=\"#000000\" d=\"";
        AppendPath(doc, fill.path, kSvgPath, 0, 0);
        doc.pop_back();
        doc += "\"/>\n";
    }
    doc += "</svg>\n";
    return doc;
}

std::string EpsDocument(const CVectorPicture& picture) {
    if (picture.tooLarge) return {};
    // In points (1/72 inch); the bounding box in whole points takes in the exact one.
    const double w = picture.Width() * 0.072, h = picture.Height() * 0.072;
    std::string doc = "%!PS-Adobe-3.0 EPSF-3.0\n%%Creator: Quillmark\n%%BoundingBox: 0 0 " +
                      Number(std::ceil(w), 0) + " " + Number(std::ceil(h), 0) +
                      "\n%%HiResBoundingBox: 0 0 " + Number(w, 4) + " " + Number(h, 4) +
                      "\n%%LanguageLevel: 2\n%%EndComments\n"
                      "save\n/m {moveto} bind def /l {lineto} bind def /c {curveto} bind def\n"
                      "/h {closepath} bind def\n0 " +
                      Number(h, 4) + " translate 0.072 -0.072 scale\n";
    for (const CVectorPicture::Fill& fill : picture.fills) {
        doc += fill.white ? "1 setgray\n" : "0 setgray\n";
        AppendPath(doc, fill.path, kPostScriptPath, -picture.x0, -picture.y0);
        doc += "fill\n";
    }
    doc += "restore\nshowpage\n%%EOF\n";
    return doc;
}

CPdfWriter::CPdfWriter(std::function<bool(std::string_view)> out) : m_out(std::move(out)) {
    // Objects 1 and 2 are the catalogue and the pages' tree, written at the end.
    m_objectOffsets.resize(2);
    Emit("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

void CPdfWriter::Emit(std::string_view bytes) {
    if (m_failed) return;
    if (!m_out(bytes)) m_failed = true;
    m_offset += bytes.size();
}

int CPdfWriter::NewObject() {
    m_objectOffsets.push_back(0);
    return static_cast<int>(m_objectOffsets.size());
}

void CPdfWriter::BeginObject(int number) {
    m_objectOffsets[static_cast<std::size_t>(number - 1)] = m_offset;
    Emit(std::to_string(number) + " 0 obj\n");
}

void CPdfWriter::BeginPage(double width, double height) {
    m_pageWidth = width;
    m_pageHeight = height;
    // Mils from the page's top-left corner, y down, onto points from its bottom-left.
    m_content = "0.072 0 0 -0.072 0 " + Number(height * 0.072, 4) + " cm\n";
}

void CPdfWriter::Place(const CVectorPicture& picture, double left, double top) {
    for (const CVectorPicture::Fill& fill : picture.fills) {
        m_content += fill.white ? "1 g\n" : "0 g\n";
        AppendPath(m_content, fill.path, kPostScriptPath, left - picture.x0, top - picture.y0);
        m_content += "f\n";
    }
}

void CPdfWriter::Outline(double left, double top, double width, double height, double pen) {
    m_content += "0 G " + Number(pen) + " w " + Number(left) + " " + Number(top) + " " +
                 Number(width) + " " + Number(height) + " re S\n";
}

void CPdfWriter::EndPage() {
    // The page's drawing, compressed: a run's pages are mostly the same few operators.
    uLongf size = compressBound(static_cast<uLong>(m_content.size()));
    std::string packed(size, '\0');
    const bool deflated = compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                                    reinterpret_cast<const Bytef*>(m_content.data()),
                                    static_cast<uLong>(m_content.size()), 6) == Z_OK;
    const std::string& stream = deflated ? packed.substr(0, size) : m_content;
    const int contents = NewObject();
    BeginObject(contents);
    Emit("<< /Length " + std::to_string(stream.size()) + (deflated ? " /Filter /FlateDecode" : "") +
         " >>\nstream\n");
    Emit(stream);
    Emit("\nendstream\nendobj\n");
    const int page = NewObject();
    BeginObject(page);
    Emit("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Number(m_pageWidth * 0.072, 4) + " " +
         Number(m_pageHeight * 0.072, 4) + "] /Resources << >> /Contents " +
         std::to_string(contents) + " 0 R >>\nendobj\n");
    m_pageObjects.push_back(page);
    m_content.clear();
    m_content.shrink_to_fit();
}

bool CPdfWriter::Finish() {
    BeginObject(2);
    Emit("<< /Type /Pages /Count " + std::to_string(m_pageObjects.size()) + " /Kids [");
    std::string kids;
    for (const int page : m_pageObjects) {
        kids += ' ';
        kids += std::to_string(page);
        kids += " 0 R";
        if (kids.size() > 4096) Emit(std::exchange(kids, std::string()));
    }
    Emit(kids + " ] >>\nendobj\n");
    BeginObject(1);
    Emit("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
    const int info = NewObject();
    BeginObject(info);
    Emit("<< /Creator (Quillmark) /Producer (Quillmark) >>\nendobj\n");
    const std::uint64_t table = m_offset;
    Emit("xref\n0 " + std::to_string(m_objectOffsets.size() + 1) + "\n0000000000 65535 f \n");
    std::string rows;
    for (const std::uint64_t offset : m_objectOffsets) {
        char row[24];
        std::snprintf(row, sizeof row, "%010llu 00000 n \n",
                      static_cast<unsigned long long>(offset));
        rows += row;
        if (rows.size() > 4096) Emit(std::exchange(rows, std::string()));
    }
    Emit(rows);
    Emit("trailer\n<< /Size " + std::to_string(m_objectOffsets.size() + 1) + " /Root 1 0 R /Info " +
         std::to_string(info) + " 0 R >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n");
    return !m_failed;
}

std::string PdfDocument(const CVectorPicture& picture, double width, double height) {
    if (picture.tooLarge) return {};
    std::string doc;
    CPdfWriter pdf([&doc](std::string_view bytes) {
        doc += bytes;
        return true;
    });
    pdf.BeginPage(width, height);
    pdf.Place(picture, (width - picture.Width()) / 2, (height - picture.Height()) / 2);
    pdf.EndPage();
    pdf.Finish();
    return doc;
}
