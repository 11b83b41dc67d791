#pragma once
// A SQLite label database file that may be damaged: whether it is, the user's own labels that
// can still be read from it, and carrying those over into a sound file.

#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

// What is wrong with the file when it is damaged, in the engine's words: SQLite finds it
// malformed or not a database, or it lacks the two tables with the columns the program reads.
// Nothing when it is sound, and nothing either when it cannot be looked at for another reason
// (it is locked by another program, or may not be read), which opening it then reports.
std::optional<QString> FindLabelFileDamage(const QString& path);

// The user's own labels (CLabelDatabase::kUserCompanyId) that can still be read from a damaged
// file, each as the values of LabelTableColumns(), in ID order. They are read row by row, so a
// damaged part of the file loses only the rows stored in it; the file is not written.
std::vector<std::vector<QVariant>> ReadableUserLabels(const QString& path);

// Adds labels read by ReadableUserLabels to a sound file, each under its own ID where the file
// has no label of that ID and under a new one otherwise. A label the table refuses (a value it
// does not take) is left out. Returns how many were added; throws CLabelDbError, adding none,
// when the file cannot take them.
int AddUserLabels(const QString& path, const std::vector<std::vector<QVariant>>& labels);

// Brings a per-user copy of the label database up to the stock of the shipped one: the column of
// a label's kind when the copy was made before it, and every stock product of `shipped` that
// the copy lacks (by maker, number and description), with its maker, under new IDs. The user's
// own labels and every ID already given keep theirs. Returns how many products were added; 0,
// changing nothing, when either file cannot be read or the copy cannot be written.
int AddShippedStock(const QString& copy, const QString& shipped);
