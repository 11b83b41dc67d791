#include "common/label_geometry.h"

CLabelGeometry ReadPrintGeometry() {
    CLabelGeometry geometry;
    for (const LabelGeometryColumn& c : kLabelGeometryColumns)
        if (c.printKey) geometry.*c.field = settings::Get(*c.printKey);
    return geometry;
}

bool WritePrintGeometry(const CLabelGeometry& geometry) {
    bool ok = true;
    for (const LabelGeometryColumn& c : kLabelGeometryColumns)
        if (c.printKey) ok = settings::Set(*c.printKey, geometry.*c.field) && ok;
    return ok;
}
