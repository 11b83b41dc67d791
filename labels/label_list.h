#pragma once
// The label products of the database as a list for the command line: each with its maker, found
// by a text (maker, product number, description, or a size such as 2.625x1), and named by maker
// and product number (Avery:5160) as well as by its ID.

#include "labels/label_database.h"

#include <QString>

#include <optional>
#include <vector>

struct ListedLabel {
    QString maker;
    LabelRecord label;
};

// Every label product of the database with its maker, by ID.
std::vector<ListedLabel> ListLabelProducts(CLabelDatabase& db);

// A label's size in inches ("2.625 x 1 in"): three decimals at most, trailing zeros left out.
QString LabelSizeInInches(const CLabelGeometry& geometry);

// Whether `text` (letter case ignored) is part of the maker's name, the product number or the
// description, names the product as MAKER:NUMBER, or is a size WIDTHxHEIGHT in inches ("2.625x1",
// "2.625 x 1 in") or millimetres
// ("66.7x25.4mm") that the label measures within 0.01 in. An empty text matches every label.
bool LabelMatches(const ListedLabel& listed, const QString& text);

// The products named MAKER:NUMBER (letter case ignored); none when the text has no ":".
std::optional<std::vector<ListedLabel>> LabelsNamed(const std::vector<ListedLabel>& labels,
                                                    const QString& name);

// The listing: a header line, then a line per label of ID, maker, product number, description,
// size and labels across × down, in aligned columns.
QString LabelListing(const std::vector<ListedLabel>& labels);
