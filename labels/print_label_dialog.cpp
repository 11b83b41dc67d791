#include "labels/print_label_dialog.h"

#include "common/run_report.h"
#include "common/settings_keys.h"
#include "common/settings_store.h"
#include "labels/sheet_preview.h"
#include "ui/message_box.h"
#include "ui/shown_message.h"
#include "ui/translation.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

// The number fields hold nine digits; a value beyond them could not be shown faithfully.
constexpr int kNineDigits = 999'999'999;

// A stored position may be any integer; the fields show only what they can hold, and anything
// else as the first label.
unsigned ReadPosition(const IntSetting& setting) {
    const int v = settings::Get(setting);
    return v < 0 || v > kNineDigits ? 1u : static_cast<unsigned>(v);
}

} // namespace

bool StorePrintLabelChoice(const PrintLabelChoice& choice) {
    // One rewrite of the store for all of them, every value given even when an earlier one fails.
    SettingsWriteBatch batch;
    bool ok = settings::Set(settings::kUseLabelDialog, choice.useLabel);
    ok = settings::Set(settings::kFullPage, choice.fullPage) && ok;
    ok = settings::Set(settings::kRow, static_cast<int>(choice.row)) && ok;
    ok = settings::Set(settings::kColumn, static_cast<int>(choice.column)) && ok;
    ok = WriteRunChoice(choice.run, choice.product ? choice.product->geometry.numberAcross : 0) &&
         ok;
    if (choice.product) {
        ok = settings::Set(settings::kSavedLabelId, choice.product->id) && ok;
        ok = WritePrintGeometry(choice.product->geometry) && ok;
    }
    return batch.Commit() && ok;
}

// ---- the dialog ----

CBWPrintLabelDialog::CBWPrintLabelDialog(QPrinter* printer, QWidget* parent) : QDialog(parent) {
    m_bUseLabel = settings::Get(settings::kUseLabelDialog) != 0 ? 1 : 0;
    // Printing takes every value but 1 for a full sheet, so the dialog shows it so.
    m_nFullPage = settings::Get(settings::kFullPage) == 1 ? 1 : 0;
    m_nRow = ReadPosition(settings::kRow);
    m_nColumn = ReadPosition(settings::kColumn);
    m_run = ReadRunChoice();

    m_pPrinterPart = new CPrinterChoicePart(printer, this);
    BuildControls();
    ShowRun(m_run);
    SetPrinters(AvailablePrinters());
    RecordSizes();
}

CBWPrintLabelDialog::~CBWPrintLabelDialog() = default;

void CBWPrintLabelDialog::BuildControls() {
    setWindowTitle(Quillmark::tr("Print"));
    auto* outer = new QVBoxLayout(this);

    // Created in the order of the keyboard's Tab key, the printer part first.
    auto* printerColumn = new QVBoxLayout;
    printerColumn->addWidget(m_pPrinterPart);
    m_pUseLabel = new QCheckBox(Quillmark::tr("&Use Label Settings"), this);
    printerColumn->addWidget(m_pUseLabel);
    auto* printerPart = new QHBoxLayout;
    printerPart->addLayout(printerColumn, 1);
    printerPart->addLayout(BuildButtons());
    outer->addLayout(printerPart);
    m_pRunPart = new CLabelRunPart(this);
    outer->addWidget(m_pRunPart);

    m_pLine = new QFrame(this);
    m_pLine->setFrameShape(QFrame::HLine);
    m_pLine->setFrameShadow(QFrame::Sunken);
    outer->addWidget(m_pLine);

    outer->addWidget(BuildLabelSection());
    ConnectParts();
}

QLayout* CBWPrintLabelDialog::BuildButtons() {
    auto* buttons = new QVBoxLayout;
    m_pOk = new QPushButton(Quillmark::tr("&OK"), this);
    m_pOk->setDefault(true);
    m_pCancel = new QPushButton(Quillmark::tr("&Cancel"), this);
    m_pSave = new QPushButton(Quillmark::tr("&Save"), this);
    buttons->addWidget(m_pOk);
    buttons->addWidget(m_pCancel);
    buttons->addWidget(m_pSave);
    buttons->addStretch(1);
    return buttons;
}

QWidget* CBWPrintLabelDialog::BuildLabelSection() {
    m_pSection = new QWidget(this);
    auto* section = new QVBoxLayout(m_pSection);
    section->setContentsMargins(0, 0, 0, 0);
    m_pProductPart = new CLabelProductPart(m_pSection);
    section->addWidget(m_pProductPart);
    auto* bottom = new QHBoxLayout;
    m_pStartPart = new CStartLabelPart(m_pSection);
    m_pCalibrationPart = new CCalibrationPart(m_pSection);
    bottom->addWidget(m_pStartPart);
    bottom->addWidget(m_pCalibrationPart, 1);
    section->addLayout(bottom);
    return m_pSection;
}

void CBWPrintLabelDialog::ConnectParts() {
    connect(m_pOk, &QPushButton::clicked, this, &CBWPrintLabelDialog::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &CBWPrintLabelDialog::reject);
    connect(m_pSave, &QPushButton::clicked, this, &CBWPrintLabelDialog::OnSave);
    connect(m_pUseLabel, &QCheckBox::clicked, this, &CBWPrintLabelDialog::OnUseLabelClicked);

    m_previewTimer = new QTimer(this);
    m_previewTimer->setSingleShot(true);
    m_previewTimer->setInterval(200);
    connect(m_previewTimer, &QTimer::timeout, this, &CBWPrintLabelDialog::RefreshRunPreview);
    // A change is looked at once typing pauses: a data file is read afresh each time.
    const auto later = [this] { m_previewTimer->start(); };
    connect(m_pRunPart, &CLabelRunPart::Changed, this, later);
    connect(m_pUseLabel, &QCheckBox::clicked, this, later);
    // The note counts the sheets with their copies.
    connect(&CopiesBox(), &QSpinBox::valueChanged, this, later);

    CSingleLabelGroup& placement = m_pProductPart->Placement();
    connect(&placement, &CSingleLabelGroup::SingleLabelToggled, this,
            &CBWPrintLabelDialog::OnSingleLabelToggled);
    // The picture follows the choice and the fields, typed or stepped by the arrows.
    connect(&placement, &CSingleLabelGroup::PositionEdited, this,
            &CBWPrintLabelDialog::ShowPrintedLabels);
    connect(m_pProductPart, &CLabelProductPart::ProductChanged, this,
            &CBWPrintLabelDialog::OnProductChanged);
    connect(&m_pProductPart->SheetPreview(), &CBWSheetPreview::LabelClicked, this,
            &CBWPrintLabelDialog::OnSheetClicked);
    connect(m_pStartPart, &CStartLabelPart::Changed, this, [this] {
        ShowPrintedLabels();
        m_previewTimer->start();
    });

    connect(m_pPrinterPart, &CPrinterChoicePart::PrinterChanged, this,
            [this] { m_pCalibrationPart->ShowFor(SelectedPrinterName()); });
    connect(&OutlinesButton(), &QPushButton::clicked, this, &CBWPrintLabelDialog::OnOutlines);
}

void CBWPrintLabelDialog::ShowRun(const CLabelRunChoice& run) {
    m_pRunPart->ShowRun(run);
    m_pStartPart->ShowStart(run.startRow, run.startColumn);
}

CLabelRunChoice CBWPrintLabelDialog::RunChoice() const {
    CLabelRunChoice run = m_pRunPart->Choice();
    run.startRow = m_pStartPart->Row();
    run.startColumn = m_pStartPart->Column();
    return run;
}

std::optional<CLabelGeometry> CBWPrintLabelDialog::ChosenSheet() const {
    if (!m_pUseLabel->isChecked()) return std::nullopt;
    return m_pProductPart->Sheet();
}

void CBWPrintLabelDialog::SetRunInspector(RunInspector inspector) {
    m_inspectRun = std::move(inspector);
    RefreshRunPreview();
}

void CBWPrintLabelDialog::SetLabelPictureMaker(LabelPictureMaker maker) {
    m_labelPictures = std::move(maker);
    RefreshLabelPictures();
}

void CBWPrintLabelDialog::RefreshLabelPictures() {
    CBWSheetPreview& preview = m_pProductPart->SheetPreview();
    const std::optional<CLabelGeometry> sheet = ChosenSheet();
    if (!m_labelPictures || !sheet) {
        preview.SetLabelPictures({});
        return;
    }
    // The labels of one sheet from the start on; a sheet of countless tiny labels shows the
    // first of them, which is all its picture can show legibly.
    constexpr int kMostPictures = 120;
    const RunPaper paper = PaperOfRun();
    const bool single = m_pProductPart->Placement().SingleLabel();
    const std::int64_t onSheet =
        single ? 1 : std::max<std::int64_t>(paper.perSheet - paper.start, 0);
    const int count = static_cast<int>(std::min<std::int64_t>(onSheet, kMostPictures));
    preview.SetLabelPictures(count > 0 ? m_labelPictures(RunChoice(), *sheet, single, count)
                                       : std::vector<QImage>{});
}

void CBWPrintLabelDialog::SetFileChooser(FileChooser chooser) {
    m_pRunPart->SetFileChooser(std::move(chooser));
}

void CBWPrintLabelDialog::RefreshRunPreview() {
    m_previewTimer->stop();
    if (!m_inspectRun) {
        m_pRunPart->ShowReport({});
        return;
    }
    const CRunReport report =
        m_inspectRun(RunChoice(), ChosenSheet(), m_pProductPart->Placement().SingleLabel(), false);
    m_pRunPart->ShowReport(report, RunExtentText(report.total, PaperOfRun()),
                           SheetForEachLabel(report.total));
    RefreshLabelPictures();
}

RunPaper CBWPrintLabelDialog::PaperOfRun() const {
    RunPaper paper;
    paper.copies = CopiesBox().value();
    const std::optional<CLabelGeometry> sheet = ChosenSheet();
    if (!sheet) return paper;
    paper.labelSheet = true;
    paper.singleLabel = m_pProductPart->Placement().SingleLabel();
    // As printing lays a run out: no page holds more than kMaxLabelsPerPage labels.
    const std::int64_t across = std::max(sheet->numberAcross, 1);
    paper.perSheet =
        std::min<std::int64_t>(across * std::max(sheet->numberDown, 1), kMaxLabelsPerPage);
    if (!paper.singleLabel)
        paper.start = (m_pStartPart->Row() - 1) * across + (m_pStartPart->Column() - 1);
    return paper;
}

bool CBWPrintLabelDialog::SheetForEachLabel(std::int64_t labels) const {
    // The same symbol counted in sheets is one label on each of them, as asked.
    const CLabelRunChoice run = m_pRunPart->Choice();
    return labels > 1 && ChosenSheet() && m_pProductPart->Placement().SingleLabel() &&
           !(run.kind == CLabelRunChoice::Kind::Same && run.countSheets);
}

bool CBWPrintLabelDialog::ConfirmSheetForEachLabel(std::int64_t labels) {
    const QString question =
        Quillmark::tr("\"Single label\" is chosen, so each of the %1 labels prints on a sheet of "
                      "its own: %2 sheets.\n\nPrint them so?")
            .arg(labels)
            .arg(RunSheets(labels, PaperOfRun()));
    if (QmMessageBox(question, MsgIcon::Question, MsgButtons::YesNo, this) == IDYES) return true;
    FullPageRadio().setFocus();
    return false;
}

void CBWPrintLabelDialog::OnProductChanged() {
    const std::optional<CLabelGeometry>& sheet = m_pProductPart->Sheet();
    // With a sheet the start's change looks at the run again.
    m_pStartPart->FitToSheet(sheet);
    if (!sheet) m_previewTimer->start();
}

void CBWPrintLabelDialog::OnSheetClicked(const LabelPosition& at) {
    if (m_pProductPart->Placement().SingleLabel())
        m_pProductPart->Placement().SetPosition(at);
    else
        m_pStartPart->SetStart(at);
}

void CBWPrintLabelDialog::EnablePositionFields(bool single) {
    m_pProductPart->Placement().EnableFields(single);
    // A single label prints where Row and Column say; the start is for a full sheet.
    m_pStartPart->setEnabled(!single);
}

void CBWPrintLabelDialog::OnSingleLabelToggled(bool single) {
    EnablePositionFields(single);
    ShowPrintedLabels();
    m_previewTimer->start();
}

void CBWPrintLabelDialog::ShowPrintedLabels() {
    CBWSheetPreview& sheet = m_pProductPart->SheetPreview();
    if (!m_pProductPart->Placement().SingleLabel()) {
        // A run starts on the label chosen; those before it are used.
        const long long across = sheet.Sheet() ? std::max(sheet.Sheet()->numberAcross, 1) : 1;
        const long long row = m_pStartPart->Row() - 1, column = m_pStartPart->Column() - 1;
        sheet.SetUsed(row * across + column);
        sheet.SetMarked({{column, row}});
        return;
    }
    sheet.SetUsed(0);
    const std::optional<LabelPosition> at = m_pProductPart->Placement().Position();
    sheet.SetMarked(at ? std::vector<LabelPosition>{*at} : std::vector<LabelPosition>{});
}

bool CBWPrintLabelDialog::ConfirmRun() {
    m_skipProblems = false;
    if (!m_inspectRun) return true;
    const CRunReport report =
        m_inspectRun(RunChoice(), ChosenSheet(), m_pProductPart->Placement().SingleLabel(), true);
    if (!report.error.Empty()) {
        QmMessageBox(
            Quillmark::tr("These labels cannot be printed: %1.").arg(ShownMessage(report.error)),
            MsgIcon::Exclamation, MsgButtons::Ok, this);
        return false;
    }
    if (SheetForEachLabel(report.labels) && !ConfirmSheetForEachLabel(report.labels)) return false;
    if (report.problemCount == 0) return true;
    // The first of them, each once with its line; the labels of the rest counted.
    constexpr std::size_t kListed = 12;
    QString listed;
    std::int64_t listedLabels = 0;
    for (std::size_t i = 0; i < report.problems.size() && i < kListed; ++i) {
        listed += ShownMessage(ProblemLine(report.problems[i])) + u'\n';
        listedLabels += report.problems[i].labels;
    }
    if (const std::int64_t more = report.problemCount - listedLabels; more > 0)
        listed += Quillmark::tr("and %1 more\n").arg(more);
    const int answer = QmMessageBox(
        Quillmark::tr("%1 of the %2 labels would not print as given:\n\n%3\nYes prints them as "
                      "the symbology makes them, No leaves them out, Cancel goes back to the "
                      "dialog.")
            .arg(report.problemCount)
            .arg(report.labels)
            .arg(listed),
        MsgIcon::Question, MsgButtons::YesNoCancel, this);
    if (answer == IDYES) return true;
    if (answer != IDNO) return false;
    if (report.problemCount >= report.labels) {
        QmMessageBox(Quillmark::tr("Leaving them out leaves no label to print."),
                     MsgIcon::Exclamation, MsgButtons::Ok, this);
        return false;
    }
    m_skipProblems = true;
    return true;
}

void CBWPrintLabelDialog::SetOutlinePrinter(OutlinePrinter print) {
    m_printOutlines = std::move(print);
}

void CBWPrintLabelDialog::OnOutlines() {
    if (!ChosenSheet()) {
        QmMessageBox(Quillmark::tr("Choose the label sheet whose outlines to print."),
                     MsgIcon::Exclamation, MsgButtons::Ok, this);
        return;
    }
    if (!m_printOutlines) {
        Finish(true);
        return;
    }
    std::optional<LabelRecord> product;
    if (!ReadPrintableProduct(product) || !product) return;
    const std::optional<SheetPage> page = PageForSheet(product->geometry.paperSize);
    if (page && !m_pPrinterPart->ConfirmPaper(*page, product->geometry.paperSize,
                                              m_pProductPart->SelectedText()))
        return;
    m_printOutlines({SelectedPrinterName(), page, product->geometry, m_pCalibrationPart->Shown()});
    // The dialog stays: the offsets read off the page go in next.
    OffsetAcrossBox().setFocus();
}

void CBWPrintLabelDialog::RecordSizes() {
    layout()->activate();
    m_fullSize = sizeHint().expandedTo(minimumSizeHint());
    resize(m_fullSize);
    layout()->invalidate();
    layout()->activate();
    // What stays of the dialog when collapsed: everything down to the line, then the margin.
    const int bottomMargin = layout()->contentsMargins().bottom();
    m_collapsedSize = QSize(m_fullSize.width(), m_pLine->geometry().bottom() + 1 + bottomMargin);
    setFixedSize(m_fullSize);
    m_bExpanded = true;
}

void CBWPrintLabelDialog::Collapse() {
    // Hidden as well as cut off, so the keyboard does not wander into what cannot be seen.
    m_pSection->hide();
    setFixedSize(m_collapsedSize);
    m_bExpanded = false;
}

void CBWPrintLabelDialog::Expand() {
    m_pSection->show();
    setFixedSize(m_fullSize);
    m_bExpanded = true;
}

void CBWPrintLabelDialog::OnUseLabelClicked() {
    if (m_bExpanded)
        Collapse();
    else
        Expand();
}

void CBWPrintLabelDialog::SetPrinters(const PrinterChoices& printers) {
    m_pPrinterPart->SetPrinters(printers);
    // Without a printer the dialog can still store the label choice, but cannot print.
    m_pOk->setEnabled(m_pPrinterPart->CanPrint());
    m_pCalibrationPart->ShowFor(SelectedPrinterName());
}

QString CBWPrintLabelDialog::SelectedPrinterName() const {
    return m_pPrinterPart->SelectedPrinterName();
}

void CBWPrintLabelDialog::SetPrinterDescriber(CPrinterChoicePart::PrinterDescriber describe) {
    m_pPrinterPart->SetPrinterDescriber(std::move(describe));
}

void CBWPrintLabelDialog::SetPaperLister(PaperLister papersOf) {
    m_pPrinterPart->SetPaperLister(std::move(papersOf));
}

void CBWPrintLabelDialog::SetLabelSettingRunner(LabelSettingRunner runner) {
    m_pProductPart->SetLabelSettingRunner(std::move(runner));
}

void CBWPrintLabelDialog::SetDatabaseLocator(DatabaseLocator locator) {
    m_locateDatabase = std::move(locator);
}

int CBWPrintLabelDialog::exec() {
    if (!OnInitDialog()) {
        setResult(Rejected);
        return Rejected;
    }
    return QDialog::exec();
}

void CBWPrintLabelDialog::setVisible(bool visible) {
    // Shown without exec(): the start must still come first, and a failed one shows nothing.
    if (visible && !m_bStarted && !OnInitDialog()) {
        done(Rejected);
        return;
    }
    QDialog::setVisible(visible);
}

bool CBWPrintLabelDialog::OnInitDialog() {
    if (m_bStarted) return true;

    m_pUseLabel->setChecked(m_bUseLabel != 0);
    m_pProductPart->Placement().ShowChoice(m_nFullPage, m_nRow, m_nColumn);
    // Not shown yet: a message belongs to the window the dialog was opened from.
    if (!m_pProductPart->Open(m_locateDatabase, parentWidget())) return false;
    m_bStarted = true;

    Collapse();
    if (m_bUseLabel) Expand();
    m_pProductPart->SelectSaved();
    EnablePositionFields(m_pProductPart->Placement().SingleLabel());
    return true;
}

std::optional<PrintLabelChoice> CBWPrintLabelDialog::ReadChoice() {
    // Every value is read before anything is stored, so a refusal stores nothing.
    PrintLabelChoice choice;
    if (!m_pProductPart->Placement().ReadPosition(choice.row, choice.column)) return std::nullopt;
    choice.useLabel = m_pUseLabel->isChecked() ? 1 : 0;
    choice.fullPage = m_pProductPart->Placement().SingleLabel() ? 1 : 0;
    choice.run = RunChoice();
    if (!ReadPrintableProduct(choice.product)) return std::nullopt;
    return choice;
}

bool CBWPrintLabelDialog::ReadPrintableProduct(std::optional<LabelRecord>& product) {
    if (!m_pProductPart->ReadSelected(product)) return false;
    if (!product) return true;
    const QString fault = LabelPrintFault(product->geometry);
    if (fault.isEmpty()) return true;
    QmMessageBox(Quillmark::tr("The label \"%1\" cannot be printed: %2. Choose another label or "
                               "correct it with Details.")
                     .arg(m_pProductPart->SelectedText(), fault),
                 MsgIcon::Exclamation, MsgButtons::Ok, this);
    ProductList().setFocus();
    return false;
}

bool CBWPrintLabelDialog::StoreChoice(const PrintLabelChoice& choice) {
    if (!StorePrintLabelChoice(choice)) {
        QmMessageBox(Quillmark::tr("The print settings could not be saved in \"%1\". Check "
                                   "that the folder can be written and try again.")
                         .arg(QString::fromStdString(SettingsStore().FilePath())),
                     MsgIcon::Exclamation, MsgButtons::Ok, this);
        return false;
    }
    m_bUseLabel = choice.useLabel;
    m_nFullPage = choice.fullPage;
    m_nRow = choice.row;
    m_nColumn = choice.column;
    m_run = choice.run;
    // The calibration belongs to the printer the fields show it for.
    const QString& printer = m_pCalibrationPart->Printer();
    if (!printer.isEmpty() && !StoreCalibration(printer, m_pCalibrationPart->Shown())) {
        QmMessageBox(Quillmark::tr("The printer's calibration could not be saved in \"%1\".")
                         .arg(QString::fromStdString(SettingsStore().FilePath())),
                     MsgIcon::Exclamation, MsgButtons::Ok, this);
        return false;
    }
    return true;
}

bool CBWPrintLabelDialog::SaveSettings() {
    const std::optional<PrintLabelChoice> choice = ReadChoice();
    return choice && StoreChoice(*choice);
}

void CBWPrintLabelDialog::OnSave() {
    // Stored, but no page is printed: the dialog ends as if cancelled.
    if (SaveSettings()) QDialog::reject();
}

void CBWPrintLabelDialog::accept() {
    Finish(false);
}

void CBWPrintLabelDialog::Finish(bool outlines) {
    const std::optional<PrintLabelChoice> choice = ReadChoice();
    if (!choice) return;
    // Label settings print on the sheet's own paper, which the printer must take; a roll's
    // labels each on a page of their own size, which printing sets.
    std::optional<SheetPage> page;
    const bool roll = choice->useLabel && choice->product && IsRollKind(choice->product->geometry);
    if (choice->useLabel && choice->product && !roll)
        page = PageForSheet(choice->product->geometry.paperSize);
    if (page && !m_pPrinterPart->ConfirmPaper(*page, choice->product->geometry.paperSize,
                                              m_pProductPart->SelectedText()))
        return;
    if (roll && !m_pPrinterPart->ConfirmRollPaper(QSizeF(choice->product->geometry.width / 100.0,
                                                         choice->product->geometry.height / 100.0),
                                                  m_pProductPart->SelectedText()))
        return;
    if (!outlines && !ConfirmRun()) return;
    if (!StoreChoice(*choice)) return;
    m_outlines = outlines;
    m_pPrinterPart->ApplyChoice(page);
    if (!m_pPrinterPart->RememberChoice())
        QmMessageBox(Quillmark::tr("The printer and its paper could not be saved in \"%1\"; "
                                   "this print goes ahead, but the next one starts from the "
                                   "previous choice.")
                         .arg(QString::fromStdString(SettingsStore().FilePath())),
                     MsgIcon::Exclamation, MsgButtons::Ok, this);
    QDialog::accept();
}
