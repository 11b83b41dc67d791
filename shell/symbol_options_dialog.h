#pragma once
// CSymbolOptionsDialog: every option of a symbol's symbology (error correction, version, size,
// columns, quiet zone, ...), a list each, for the Symbol Options command.

#include "engine/barcode.h"

#include <QDialog>

#include <vector>

class QComboBox;

class CSymbolOptionsDialog : public QDialog {
    Q_OBJECT

public:
    // The lists show `barcode`'s options with the values it is drawn with.
    explicit CSymbolOptionsDialog(const CBarcode& barcode, QWidget* parent = nullptr);

    // The value chosen in each list, in the order of CBarcode::GetOptions.
    std::vector<int> Choices() const;
    QComboBox* List(std::size_t option) const { return m_lists.at(option); }

private:
    std::vector<QComboBox*> m_lists;
};
