#include "labels/printer_choice_part.h"

#include "labels/label_lengths.h"
#include "ui/message_box.h"
#include "ui/shown_message.h"
#include "ui/translation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>
#include <utility>

PrinterChoices AvailablePrinters() {
    PrinterChoices choices;
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters())
        choices.names << info.printerName();
    choices.defaultName = QPrinterInfo::defaultPrinterName();
    return choices;
}

CPrinterChoicePart::CPrinterChoicePart(QPrinter* printer, QWidget* parent)
    : QWidget(parent), m_pPrinter(printer) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(Quillmark::tr("Printer:"), this), 0, 0);
    m_pPrinters = new QComboBox(this);
    m_pPrinters->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pPrinters->setMinimumContentsLength(28);
    grid->addWidget(m_pPrinters, 0, 1, 1, 2);
    m_pChange = new QPushButton(Quillmark::tr("&Change..."), this);
    grid->addWidget(m_pChange, 1, 1, Qt::AlignLeft);
    auto* copiesCaption = new QLabel(Quillmark::tr("&Copies:"), this);
    grid->addWidget(copiesCaption, 2, 0);
    m_pCopies = new QSpinBox(this);
    m_pCopies->setRange(1, 9999);
    copiesCaption->setBuddy(m_pCopies);
    grid->addWidget(m_pCopies, 2, 1, Qt::AlignLeft);
    m_pCollate = new QCheckBox(Quillmark::tr("Collate Cop&ies"), this);
    grid->addWidget(m_pCollate, 2, 2);
    m_pFacts = new QLabel(this);
    m_pFacts->setObjectName(QStringLiteral("printerFacts"));
    grid->addWidget(m_pFacts, 3, 1, 1, 2);
    grid->setColumnStretch(2, 1);

    if (m_pPrinter) {
        m_pCopies->setValue(std::max(1, m_pPrinter->copyCount()));
        m_pCollate->setChecked(m_pPrinter->collateCopies());
    }
    connect(m_pChange, &QPushButton::clicked, this, &CPrinterChoicePart::OnChange);
    connect(m_pPrinters, &QComboBox::currentIndexChanged, this,
            &CPrinterChoicePart::PrinterChanged);
    connect(m_pPrinters, &QComboBox::currentIndexChanged, this, &CPrinterChoicePart::ShowFacts);
}

void CPrinterChoicePart::SetPrinterDescriber(PrinterDescriber describe) {
    m_describe = std::move(describe);
    ShowFacts();
}

void CPrinterChoicePart::ShowFacts() {
    const QString printer = SelectedPrinterName();
    m_pFacts->setText(m_describe && !printer.isEmpty() ? m_describe(printer) : QString());
}

void CPrinterChoicePart::OnChange() {
    if (!m_pPrinter || !m_bHavePrinters) return;
    // The page sizes on offer are those of the printer chosen in the list, and the page
    // starts as last printed on it.
    SelectJobPrinter(SelectedPrinterName());
    QPageSetupDialog(m_pPrinter, window()).exec();
}

void CPrinterChoicePart::SetPrinters(const PrinterChoices& printers) {
    m_pPrinters->clear();
    m_bHavePrinters = !printers.names.isEmpty();
    if (!m_bHavePrinters) {
        m_pPrinters->addItem(Quillmark::tr("No printers are installed."));
    } else {
        m_pPrinters->addItems(printers.names);
        const QString job = m_pPrinter ? m_pPrinter->printerName() : QString();
        int index = printers.names.indexOf(StoredPrinterName());
        if (index < 0) index = printers.names.indexOf(job);
        if (index < 0) index = printers.names.indexOf(printers.defaultName);
        m_pPrinters->setCurrentIndex(std::max(index, 0));
    }
    const bool usable = CanPrint();
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_pPrinters, m_pChange, m_pCopies, m_pCollate})
        w->setEnabled(usable);
    ShowFacts();
}

void CPrinterChoicePart::SetPaperLister(PaperLister papersOf) {
    m_papersOf = std::move(papersOf);
}

QString CPrinterChoicePart::SelectedPrinterName() const {
    return m_bHavePrinters ? m_pPrinters->currentText() : QString();
}

bool CPrinterChoicePart::CanPrint() const {
    return m_bHavePrinters && m_pPrinter;
}

bool CPrinterChoicePart::ConfirmPaper(const SheetPage& page, int paperSize,
                                      const QString& product) {
    const QString printer = SelectedPrinterName();
    if (printer.isEmpty()) return true;
    const PrinterPapers papers = m_papersOf ? m_papersOf(printer) : PapersOf(printer);
    if (PrinterTakesPaper(papers, page.size)) return true;
    const QString text =
        Quillmark::tr("The printer \"%1\" does not take %2 paper, the paper of the label \"%3\"."
                      "\n\nPrint on this printer all the same?")
            .arg(printer, PaperSizeName(paperSize), product);
    if (QmMessageBox(text, MsgIcon::Question, MsgButtons::YesNo, window()) == IDYES) return true;
    m_pPrinters->setFocus();
    return false;
}

bool CPrinterChoicePart::ConfirmRollPaper(const QSizeF& labelMm, const QString& product) {
    const QString printer = SelectedPrinterName();
    if (printer.isEmpty()) return true;
    const PrinterPapers papers = m_papersOf ? m_papersOf(printer) : PapersOf(printer);
    // Tape cut to what it holds is checked across only (at the shortest page the printer
    // takes); its length is known when it prints.
    const double shortest =
        papers.minimum.isValid() ? papers.minimum.size(QPageSize::Millimeter).height() : 1.0;
    const QSizeF checked(labelMm.width(),
                         labelMm.height() > 0 ? labelMm.height() : std::max(shortest, 1.0));
    const RollPaperChoice paper = ChooseRollPaper(papers, checked);
    if (!paper.refusal.Empty()) {
        QmMessageBox(Quillmark::tr("The label \"%1\" cannot be printed on \"%2\": %3.")
                         .arg(product, printer, ShownMessage(paper.refusal)),
                     MsgIcon::Exclamation, MsgButtons::Ok, window());
        m_pPrinters->setFocus();
        return false;
    }
    if (paper.own) return true;
    const QString text =
        Quillmark::tr("The printer \"%1\" is not made for the roll label \"%2\": %3.\n\nPrint "
                      "on this printer all the same?")
            .arg(printer, product, ShownMessage(paper.note));
    if (QmMessageBox(text, MsgIcon::Question, MsgButtons::YesNo, window()) == IDYES) return true;
    m_pPrinters->setFocus();
    return false;
}

void CPrinterChoicePart::SelectJobPrinter(const QString& name) {
    if (!m_pPrinter || name.isEmpty() || m_pageOf == name) return;
    if (m_pPrinter->printerName() != name) m_pPrinter->setPrinterName(name);
    ApplyStoredPage(*m_pPrinter, name);
    m_pageOf = name;
}

void CPrinterChoicePart::ApplyChoice(const std::optional<SheetPage>& page) {
    if (!m_pPrinter) return;
    SelectJobPrinter(SelectedPrinterName());
    if (page) {
        m_pPrinter->setPageSize(page->size);
        m_pPrinter->setPageOrientation(page->orientation);
    }
    m_pPrinter->setCopyCount(m_pCopies->value());
    m_pPrinter->setCollateCopies(m_pCollate->isChecked());
}

bool CPrinterChoicePart::RememberChoice() const {
    if (!m_pPrinter || !m_bHavePrinters) return true;
    return StorePrinterChoice(SelectedPrinterName(), m_pPrinter->pageLayout());
}
