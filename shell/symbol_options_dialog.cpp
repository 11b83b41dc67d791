#include "shell/symbol_options_dialog.h"

#include "engine/symbologies.h"
#include "ui/translation.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

CSymbolOptionsDialog::CSymbolOptionsDialog(const CBarcode& barcode, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(
        Quillmark::tr("%1 Options").arg(QString::fromStdString(barcode.SymbologyName())));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    const std::span<const CBarcode::COption> options = barcode.GetOptions();
    for (std::size_t i = 0; i < options.size(); ++i) {
        auto* list = new QComboBox(this);
        for (const char* choice : options[i].choices)
            list->addItem(ShownText(choice));
        // Long lists (Data Matrix's 49 sizes) scroll rather than fill the screen.
        list->setMaxVisibleItems(16);
        list->setCurrentIndex(barcode.GetOptionValue(i));
        form->addRow(Quillmark::tr("%1:").arg(ShownText(options[i].name)), list);
        m_lists.push_back(list);
    }
    if (options.empty())
        form->addRow(new QLabel(Quillmark::tr("This symbology has no options."), this));
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::vector<int> CSymbolOptionsDialog::Choices() const {
    std::vector<int> choices;
    for (const QComboBox* list : m_lists)
        choices.push_back(list->currentIndex());
    return choices;
}
