#pragma once
// The vector picture formats, written from a recorded picture (render/vector_surface.h) without
// Qt: SVG, Encapsulated PostScript and PDF, each at true size (a mil is a thousandth of an
// inch), every run of marks one filled path. The PDF writer also makes documents of many pages
// (label runs) in bounded memory, handing its bytes on as each page is done.

#include "render/vector_surface.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The picture's frame as the document's size.
std::string SvgDocument(const CVectorPicture& picture);
std::string EpsDocument(const CVectorPicture& picture);

class CPdfWriter {
public:
    // Hands the document's bytes to `out` in order; false from it stops the writer.
    explicit CPdfWriter(std::function<bool(std::string_view)> out);
    // A page of `width` × `height` mils, on which pictures are then placed.
    void BeginPage(double width, double height);
    // Draws the picture with its frame's top-left corner `left`, `top` mils from the page's.
    void Place(const CVectorPicture& picture, double left, double top);
    // A rectangle's outline, `pen` mils wide (a sheet's label outlines).
    void Outline(double left, double top, double width, double height, double pen);
    void EndPage();
    // The pages' tree, the catalogue and the cross-reference table; false when any bytes could
    // not be handed on.
    bool Finish();
    int Pages() const { return static_cast<int>(m_pageObjects.size()); }

private:
    void Emit(std::string_view bytes);
    // Starts object `number` at the current offset.
    void BeginObject(int number);
    int NewObject();

    std::function<bool(std::string_view)> m_out;
    bool m_failed = false;
    std::uint64_t m_offset = 0;
    std::vector<std::uint64_t> m_objectOffsets; // by object number - 1
    std::vector<int> m_pageObjects;
    std::string m_content; // the page being drawn
    double m_pageWidth = 0, m_pageHeight = 0;
};

// One PDF page of `width` × `height` mils with the picture's frame in its centre.
std::string PdfDocument(const CVectorPicture& picture, double width, double height);
