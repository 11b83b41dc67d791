#pragma once
// Shows a label geometry field by field in test output.

#include "common/label_geometry.h"

#include <ostream>

inline void PrintTo(const CLabelGeometry& g, std::ostream* os) {
    const char* separator = "{";
    for (const LabelGeometryColumn& c : kLabelGeometryColumns) {
        *os << separator << c.column << " " << g.*c.field;
        separator = ", ";
    }
    *os << "}";
}
