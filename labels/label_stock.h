#pragma once
// Builds a label database: the two tables, the label stock read from the seed file, and the
// maker under which the user's own labels are filed.

#include "labels/label_database.h"

#include <QSqlDatabase>
#include <QString>

#include <vector>

// One product of the seed file.
struct LabelStockRow {
    QString company;
    QString name1;
    QString name2;
    CLabelGeometry geometry;
};

// The name of the maker with the user's own labels.
inline constexpr char kUserCompanyName[] = "Custom Labels";

// Reads the seed: a header line, then one product per line with the columns Company,
// LabelName1, LabelName2 and the geometry columns of kLabelGeometryColumns in their order;
// fields may be quoted; lines starting with '#' are comments. Throws CLabelDbError naming the
// line of the first fault.
std::vector<LabelStockRow> ParseLabelStock(const QString& text);

// Creates the two tables in an empty database.
void CreateLabelTables(QSqlDatabase& db, LabelConnectionParams::Engine engine);

// Fills freshly created tables in one transaction: the user's maker with ID 22 first, then
// every maker of `rows` in order of appearance from ID 23 on, and the products as stock labels
// with IDs from 1 on in the order given. Throws CLabelDbError.
void FillLabelStock(QSqlDatabase& db, LabelConnectionParams::Engine engine,
                    const std::vector<LabelStockRow>& rows);
