#include "labels/print_label_dialog.h"

#include "common/run_report.h"
#include "common/settings_keys.h"
#include "common/settings_store.h"
#include "labels/filter_edit.h"
#include "labels/label_lengths.h"
#include "labels/label_setting_dialog.h"
#include "labels/sheet_preview.h"
#include "labels/spin_button.h"
#include "ui/message_box.h"
#include "ui/shown_message.h"
#include "ui/translation.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>
#include <tuple>
#include <utility>

namespace {

// Rows of the run's preview list.
constexpr int kPreviewRows = 5;

constexpr int kSpinLower = 0;
constexpr int kSpinUpper = 10000;
// The number fields hold nine digits; a value beyond them could not be shown faithfully.
constexpr int kNineDigits = 999'999'999;

// The shortest label side a 600 dpi printer shows as a dot: 2.54 cm / 600 = 4.23 thousandths of
// a centimetre.
constexpr int kMinLabelSide = 5;

// A stored position may be any integer; the fields show only what they can hold, and anything
// else as the first label.
unsigned ReadPosition(const IntSetting& setting) {
    const int v = settings::Get(setting);
    return v < 0 || v > kNineDigits ? 1u : static_cast<unsigned>(v);
}

int MeasurementUnit() {
    return settings::Get(settings::kUnit);
}

QLineEdit* MakeReadout(QWidget* parent) {
    // Read-only text the user can still select and copy, without a box around it.
    auto* readout = new QLineEdit(parent);
    readout->setReadOnly(true);
    readout->setFrame(false);
    readout->setFocusPolicy(Qt::ClickFocus);
    readout->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    return readout;
}

void ShowReadout(QLineEdit& readout, const QString& text) {
    readout.setText(text);
    // A long name shows its beginning, not its end, and the whole of it on hovering.
    readout.setCursorPosition(0);
    readout.setToolTip(text);
}

} // namespace

PrinterChoices AvailablePrinters() {
    PrinterChoices choices;
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters())
        choices.names << info.printerName();
    choices.defaultName = QPrinterInfo::defaultPrinterName();
    return choices;
}

LabelReadouts MakeLabelReadouts(const LabelRecord& label, bool centimetres) {
    return {label.name2, FormatLength(label.geometry.height, centimetres),
            FormatLength(label.geometry.width, centimetres),
            PaperSizeName(label.geometry.paperSize)};
}

bool ReadoutsInCentimetres(int unit) {
    return unit != 0;
}

bool LabelSettingInCentimetres(int unit) {
    return unit == 1;
}

int WrapSpinStep(int position, int delta, int lower, int upper) {
    const long long next = static_cast<long long>(position) + delta;
    if (next > upper) return lower;
    if (next < lower) return upper;
    return static_cast<int>(next);
}

QString LabelPrintFault(const CLabelGeometry& g) {
    if (g.width < kMinLabelSide) return Quillmark::tr("it is narrower than a printer dot");
    if (g.height < kMinLabelSide) return Quillmark::tr("it is shorter than a printer dot");
    if (g.numberAcross < 1) return Quillmark::tr("it has no labels across");
    if (g.numberDown < 1) return Quillmark::tr("it has no labels down");
    if (std::int64_t{g.numberAcross} * g.numberDown > kMaxLabelsPerPage)
        return Quillmark::tr("it has more than %1 labels on a sheet").arg(kMaxLabelsPerPage);
    if (g.numberAcross > 1 && g.horizontalPitch < g.width)
        return Quillmark::tr("its horizontal pitch is smaller than its width");
    if (g.numberDown > 1 && g.verticalPitch < g.height)
        return Quillmark::tr("its vertical pitch is smaller than its height");
    return {};
}

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

double OffsetShown(int thousandthsCm, int unit) {
    // Thousandths of a centimetre are hundredths of a millimetre.
    return unit == 0 ? thousandthsCm / 2540.0 : thousandthsCm / 100.0;
}

int OffsetStored(double shown, int unit) {
    return static_cast<int>(std::lround(shown * (unit == 0 ? 2540.0 : 100.0)));
}

// ---- the dialog ----

CBWPrintLabelDialog::CBWPrintLabelDialog(QPrinter* printer, QWidget* parent)
    : QDialog(parent), m_pPrinter(printer) {
    m_bUseLabel = settings::Get(settings::kUseLabelDialog) != 0 ? 1 : 0;
    // Printing takes every value but 1 for a full sheet, so the dialog shows it so.
    m_nFullPage = settings::Get(settings::kFullPage) == 1 ? 1 : 0;
    m_nRow = ReadPosition(settings::kRow);
    m_nColumn = ReadPosition(settings::kColumn);
    m_run = ReadRunChoice();

    BuildControls();
    ShowRun(m_run);
    SetPrinters(AvailablePrinters());
    if (m_pPrinter) {
        m_pCopies->setValue(std::max(1, m_pPrinter->copyCount()));
        m_pCollate->setChecked(m_pPrinter->collateCopies());
    }
    RecordSizes();
}

CBWPrintLabelDialog::~CBWPrintLabelDialog() = default;

void CBWPrintLabelDialog::BuildControls() {
    setWindowTitle(Quillmark::tr("Print"));
    auto* outer = new QVBoxLayout(this);

    // Created in the order of the keyboard's Tab key.
    auto* printerPart = new QHBoxLayout;
    printerPart->addLayout(BuildPrinterChoices(), 1);
    printerPart->addLayout(BuildButtons());
    outer->addLayout(printerPart);
    outer->addWidget(BuildRunGroup());

    m_pLine = new QFrame(this);
    m_pLine->setFrameShape(QFrame::HLine);
    m_pLine->setFrameShadow(QFrame::Sunken);
    outer->addWidget(m_pLine);

    outer->addWidget(BuildLabelSection());
    ConnectControls();
    ConnectRunControls();

    // The start of an empty product list, until the database has been read.
    m_pDetails->setEnabled(false);
    m_pDelete->setEnabled(false);
}

QLayout* CBWPrintLabelDialog::BuildPrinterChoices() {
    auto* grid = new QGridLayout;
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
    m_pUseLabel = new QCheckBox(Quillmark::tr("&Use Label Settings"), this);
    grid->addWidget(m_pUseLabel, 3, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    return grid;
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
    auto* section = new QGridLayout(m_pSection);
    section->setContentsMargins(0, 0, 0, 0);

    auto* makersCaption = new QLabel(Quillmark::tr("Label &Products:"), m_pSection);
    section->addWidget(makersCaption, 0, 0);
    m_pMakers = new QComboBox(m_pSection);
    m_pMakers->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pMakers->setMinimumContentsLength(24);
    m_pMakers->setMaxVisibleItems(20);
    makersCaption->setBuddy(m_pMakers);
    section->addWidget(m_pMakers, 0, 1);

    auto* productsCaption = new QLabel(Quillmark::tr("Product N&umber:"), m_pSection);
    section->addWidget(productsCaption, 1, 0, Qt::AlignTop);
    m_pProducts = new QListWidget(m_pSection);
    m_pProducts->setSelectionMode(QAbstractItemView::SingleSelection);
    const QFontMetrics fm(font());
    m_pProducts->setMinimumSize(fm.averageCharWidth() * 40, fm.lineSpacing() * 8);
    productsCaption->setBuddy(m_pProducts);
    section->addWidget(m_pProducts, 1, 1, 3, 1);

    m_pDetails = new QPushButton(Quillmark::tr("&Details..."), m_pSection);
    m_pNewLabel = new QPushButton(Quillmark::tr("&New Label..."), m_pSection);
    m_pDelete = new QPushButton(Quillmark::tr("D&elete"), m_pSection);
    section->addWidget(m_pDetails, 0, 2);
    section->addWidget(m_pNewLabel, 1, 2, Qt::AlignTop);
    section->addWidget(m_pDelete, 2, 2, Qt::AlignTop);
    section->setRowStretch(3, 1);

    auto* lower = new QHBoxLayout;
    lower->addWidget(BuildPrintGroup());
    lower->addWidget(BuildInformationGroup(), 1);
    section->addLayout(lower, 4, 0, 1, 3);

    // The chosen sheet beside it all, from the top: room for an upright letter sheet.
    m_pSheet = new CBWSheetPreview(m_pSection);
    const int sheetWidth = fm.averageCharWidth() * 26;
    m_pSheet->setFixedSize(sheetWidth, sheetWidth * 27940 / 21590 + 12);
    m_pSheet->setToolTip(Quillmark::tr("The chosen label sheet: the first label to print on is "
                                       "marked and the labels before it are greyed as used. "
                                       "Click a label to start there."));
    section->addWidget(m_pSheet, 0, 3, 5, 1, Qt::AlignTop);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(BuildStartGroup());
    bottom->addWidget(BuildCalibrationGroup(), 1);
    section->addLayout(bottom, 5, 0, 1, 4);
    return m_pSection;
}

QWidget* CBWPrintLabelDialog::BuildPrintGroup() {
    auto* print = new QGroupBox(Quillmark::tr("Print"), m_pSection);
    auto* printGrid = new QGridLayout(print);
    m_pFullPage = new QRadioButton(Quillmark::tr("&Full page of the same label"), print);
    m_pSingleLabel = new QRadioButton(Quillmark::tr("&Single label"), print);
    printGrid->addWidget(m_pFullPage, 0, 0, 1, 4);
    printGrid->addWidget(m_pSingleLabel, 1, 0, 1, 4);
    // Digits only, as the arrows and printing expect: a minus sign makes no position.
    m_pRow = new CFilterIntegerEdit(9, print);
    m_pColumn = new CFilterIntegerEdit(9, print);
    m_pRowSpin = new CSpinButton(print);
    m_pColumnSpin = new CSpinButton(print);
    const QFontMetrics fm(font());
    const int fieldWidth = fm.horizontalAdvance(QStringLiteral("000000")) + 12;
    int column = 0;
    for (auto [caption, field, spin] :
         {std::tuple{QT_TRANSLATE_NOOP("Quillmark", "Row:"), m_pRow, m_pRowSpin},
          std::tuple{QT_TRANSLATE_NOOP("Quillmark", "Column:"), m_pColumn, m_pColumnSpin}}) {
        field->SetAllowMinus(false);
        spin->SetRange(kSpinLower, kSpinUpper);
        field->setFixedWidth(fieldWidth);
        spin->setFixedSize(std::max(fm.height(), spin->UpArrow()->minimumSizeHint().width()),
                           field->sizeHint().height());
        auto* pair = new QHBoxLayout;
        pair->setSpacing(0);
        pair->addWidget(field);
        pair->addWidget(spin);
        printGrid->addWidget(new QLabel(Quillmark::tr(caption), print), 2, column);
        printGrid->addLayout(pair, 2, column + 1, Qt::AlignLeft);
        column += 2;
    }
    printGrid->setColumnStretch(3, 1);
    return print;
}

QWidget* CBWPrintLabelDialog::BuildInformationGroup() {
    auto* info = new QGroupBox(Quillmark::tr("Label Information"), m_pSection);
    auto* infoGrid = new QGridLayout(info);
    m_pType = MakeReadout(info);
    m_pHeight = MakeReadout(info);
    m_pWidth = MakeReadout(info);
    m_pPaper = MakeReadout(info);
    // Room for the longest paper name, so no read-out is cut short.
    const QFontMetrics fm(font());
    int paperWidth = 0;
    for (const PaperSize& paper : kPaperSizes)
        paperWidth = std::max(paperWidth, fm.horizontalAdvance(QString::fromLatin1(paper.name)));
    m_pPaper->setMinimumWidth(paperWidth + 12);
    int row = 0;
    for (auto [caption, readout] :
         {std::pair{QT_TRANSLATE_NOOP("Quillmark", "T&ype:"), m_pType},
          std::pair{QT_TRANSLATE_NOOP("Quillmark", "&Height:"), m_pHeight},
          std::pair{QT_TRANSLATE_NOOP("Quillmark", "&Width:"), m_pWidth},
          std::pair{QT_TRANSLATE_NOOP("Quillmark", "Pa&per Size:"), m_pPaper}}) {
        auto* label = new QLabel(Quillmark::tr(caption), info);
        label->setBuddy(readout);
        infoGrid->addWidget(label, row, 0);
        infoGrid->addWidget(readout, row, 1);
        ++row;
    }
    infoGrid->setColumnStretch(1, 1);
    return info;
}

QWidget* CBWPrintLabelDialog::BuildRunGroup() {
    auto* group = new QGroupBox(Quillmark::tr("Labels to Print"), this);
    auto* grid = new QGridLayout(group);
    m_pSame = new QRadioButton(Quillmark::tr("Same sy&mbol on each label"), group);
    m_pNumbered = new QRadioButton(Quillmark::tr("Numbe&red labels"), group);
    m_pFromFile = new QRadioButton(Quillmark::tr("From a data fi&le"), group);
    auto* kinds = new QVBoxLayout;
    for (QRadioButton* kind : {m_pSame, m_pNumbered, m_pFromFile})
        kinds->addWidget(kind);
    kinds->addStretch(1);
    grid->addLayout(kinds, 0, 0);

    const QFontMetrics fm(font());
    // Whole numbers as a run takes them: a sign, then up to eighteen digits.
    auto* wholeNumber = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[-+]?[0-9]{0,18}")), group);
    const auto numberField = [&](QWidget* parent) {
        auto* field = new QLineEdit(parent);
        field->setValidator(wholeNumber);
        field->setFixedWidth(fm.horizontalAdvance(QStringLiteral("0000000000000")) + 12);
        return field;
    };
    const auto caption = [](const char* text, QWidget* parent, QWidget* buddy) {
        auto* label = new QLabel(Quillmark::tr(text), parent);
        label->setBuddy(buddy);
        return label;
    };

    m_pRunPages = new QStackedWidget(group);
    // The same symbol: on so many sheets or labels.
    auto* same = new QWidget(m_pRunPages);
    auto* sameRow = new QHBoxLayout(same);
    sameRow->setContentsMargins(0, 0, 0, 0);
    m_pCount = new QSpinBox(same);
    m_pCount->setRange(1, static_cast<int>(kMaxRunLabels));
    m_pSheets = new QRadioButton(Quillmark::tr("sheets"), same);
    m_pLabels = new QRadioButton(Quillmark::tr("labels"), same);
    sameRow->addWidget(caption(QT_TRANSLATE_NOOP("Quillmark", "Print on"), same, m_pCount));
    sameRow->addWidget(m_pCount);
    sameRow->addWidget(m_pSheets);
    sameRow->addWidget(m_pLabels);
    sameRow->addStretch(1);
    auto* samePage = new QWidget(m_pRunPages);
    auto* sameColumn = new QVBoxLayout(samePage);
    sameColumn->setContentsMargins(0, 0, 0, 0);
    sameColumn->addWidget(same);
    sameColumn->addStretch(1);
    m_pRunPages->addWidget(samePage);

    // Numbered: first to last (or a count of numbers) by a step, with their digits and text.
    auto* numbered = new QWidget(m_pRunPages);
    auto* ng = new QGridLayout(numbered);
    ng->setContentsMargins(0, 0, 0, 0);
    m_pFirst = numberField(numbered);
    m_pLast = numberField(numbered);
    m_pNumbers = numberField(numbered);
    m_pStep = numberField(numbered);
    m_pDigits = new QSpinBox(numbered);
    m_pDigits->setRange(0, 40);
    m_pPrefix = new QLineEdit(numbered);
    m_pSuffix = new QLineEdit(numbered);
    ng->addWidget(caption(QT_TRANSLATE_NOOP("Quillmark", "First:"), numbered, m_pFirst), 0, 0);
    ng->addWidget(m_pFirst, 0, 1);
    ng->addWidget(caption(QT_TRANSLATE_NOOP("Quillmark", "Last:"), numbered, m_pLast), 0, 2);
    ng->addWidget(m_pLast, 0, 3);
    ng->addWidget(caption(QT_TRANSLATE_NOOP("Quillmark", "or count:"), numbered, m_pNumbers), 0, 4);
    ng->addWidget(m_pNumbers, 0, 5);
    ng->addWidget(caption(QT_TRANSLATE_NOOP("Quillmark", "Step:"), numbered, m_pStep), 1, 0);
    ng->addWidget(m_pStep, 1, 1);
    ng->addWidget(caption(QT_TRANSLATE_NOOP("Quillmark", "Digits:"), numbered, m_pDigits), 1, 2);
    ng->addWidget(m_pDigits, 1, 3, Qt::AlignLeft);
    ng->addWidget(caption(QT_TRANSLATE_NOOP("Quillmark", "Before:"), numbered, m_pPrefix), 2, 0);
    ng->addWidget(m_pPrefix, 2, 1);
    ng->addWidget(caption(QT_TRANSLATE_NOOP("Quillmark", "After:"), numbered, m_pSuffix), 2, 2);
    ng->addWidget(m_pSuffix, 2, 3);
    ng->setColumnStretch(6, 1);
    m_pRunPages->addWidget(numbered);

    // From a file: the file, its column, its header line and copies.
    auto* file = new QWidget(m_pRunPages);
    auto* fg = new QGridLayout(file);
    fg->setContentsMargins(0, 0, 0, 0);
    m_pFile = new QLineEdit(file);
    m_pFile->setMinimumWidth(fm.averageCharWidth() * 36);
    m_pBrowse = new QPushButton(Quillmark::tr("&Browse..."), file);
    m_pDataColumn = new QLineEdit(file);
    m_pDataColumn->setFixedWidth(fm.averageCharWidth() * 14);
    m_pHeader = new QCheckBox(Quillmark::tr("The first line names the columns"), file);
    m_pCopiesColumn = new QLineEdit(file);
    m_pCopiesColumn->setFixedWidth(fm.averageCharWidth() * 14);
    m_pCopiesColumn->setPlaceholderText(Quillmark::tr("one each"));
    m_pSeparator = new QComboBox(file);
    m_pSeparator->addItems({Quillmark::tr("Found from the first line"), Quillmark::tr("Comma"),
                            Quillmark::tr("Semicolon"), Quillmark::tr("Tab"),
                            Quillmark::tr("None: each line whole")});
    fg->addWidget(caption(QT_TRANSLATE_NOOP("Quillmark", "File:"), file, m_pFile), 0, 0);
    fg->addWidget(m_pFile, 0, 1, 1, 3);
    fg->addWidget(m_pBrowse, 0, 4);
    fg->addWidget(caption(QT_TRANSLATE_NOOP("Quillmark", "Column:"), file, m_pDataColumn), 1, 0);
    fg->addWidget(m_pDataColumn, 1, 1);
    fg->addWidget(m_pHeader, 1, 2, 1, 3);
    fg->addWidget(caption(QT_TRANSLATE_NOOP("Quillmark", "Copies column:"), file, m_pCopiesColumn),
                  2, 0);
    fg->addWidget(m_pCopiesColumn, 2, 1);
    fg->addWidget(caption(QT_TRANSLATE_NOOP("Quillmark", "Separator:"), file, m_pSeparator), 2, 2);
    fg->addWidget(m_pSeparator, 2, 3, 1, 2);
    fg->setColumnStretch(3, 1);
    m_pRunPages->addWidget(file);
    grid->addWidget(m_pRunPages, 0, 1);

    // The first labels as they will read, and what is wrong.
    auto* previewColumn = new QVBoxLayout;
    previewColumn->addWidget(new QLabel(Quillmark::tr("First labels:"), group));
    m_pRunPreview = new QListWidget(group);
    m_pRunPreview->setSelectionMode(QAbstractItemView::NoSelection);
    m_pRunPreview->setFocusPolicy(Qt::NoFocus);
    m_pRunPreview->setFixedSize(fm.averageCharWidth() * 30, fm.lineSpacing() * kPreviewRows +
                                                                2 * m_pRunPreview->frameWidth() +
                                                                4);
    previewColumn->addWidget(m_pRunPreview);
    previewColumn->addStretch(1);
    grid->addLayout(previewColumn, 0, 2);
    m_pRunNote = new QLabel(group);
    m_pRunNote->setWordWrap(true);
    m_pRunNote->setStyleSheet(QStringLiteral("QLabel { color: #b00000; }"));
    grid->addWidget(m_pRunNote, 1, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    return group;
}

QWidget* CBWPrintLabelDialog::BuildStartGroup() {
    auto* group = new QGroupBox(Quillmark::tr("Start at Label"), m_pSection);
    m_pStartGroup = group;
    auto* grid = new QGridLayout(group);
    m_pStartRow = new QSpinBox(group);
    m_pStartColumn = new QSpinBox(group);
    m_pStartNumber = new QSpinBox(group);
    const std::tuple<const char*, QSpinBox*> fields[] = {
        {QT_TRANSLATE_NOOP("Quillmark", "Star&t at row:"), m_pStartRow},
        {QT_TRANSLATE_NOOP("Quillmark", "column:"), m_pStartColumn},
        {QT_TRANSLATE_NOOP("Quillmark", "or label number:"), m_pStartNumber}};
    int column = 0;
    for (const auto& [text, box] : fields) {
        auto* label = new QLabel(Quillmark::tr(text), group);
        label->setBuddy(box);
        grid->addWidget(label, 0, column);
        grid->addWidget(box, 0, column + 1);
        column += 2;
    }
    auto* hint = new QLabel(Quillmark::tr("Rows count down, columns across; label numbers "
                                          "count across from the top left."),
                            group);
    hint->setWordWrap(true);
    grid->addWidget(hint, 1, 0, 1, 6);
    return group;
}

QWidget* CBWPrintLabelDialog::BuildCalibrationGroup() {
    auto* group = new QGroupBox(Quillmark::tr("This Printer on Label Sheets"), m_pSection);
    auto* grid = new QGridLayout(group);
    const bool inches = MeasurementUnit() == 0;
    const QString unit = inches ? Quillmark::tr(" in") : Quillmark::tr(" mm");
    m_pOffsetAcross = new QDoubleSpinBox(group);
    m_pOffsetDown = new QDoubleSpinBox(group);
    for (QDoubleSpinBox* box : {m_pOffsetAcross, m_pOffsetDown}) {
        box->setDecimals(inches ? 3 : 1);
        const double most = OffsetShown(settings::kPrinterOffsetAcross.max, MeasurementUnit());
        box->setRange(-most, most);
        box->setSingleStep(inches ? 0.005 : 0.1);
        box->setSuffix(unit);
    }
    m_pBarReduction = new QSpinBox(group);
    m_pBarReduction->setRange(0, 3);
    m_pBarReduction->setSuffix(Quillmark::tr(" dots"));
    m_pOutlines = new QPushButton(Quillmark::tr("Print Outline Pa&ge"), group);
    m_pOutlines->setToolTip(Quillmark::tr(
        "Prints the outlines of the chosen sheet's labels with a cross at each centre. Hold the "
        "page over a sheet against the light: how far a cross lies from its label's centre is "
        "the offset to enter, the other way."));
    auto* across = new QLabel(Quillmark::tr("Offset &across:"), group);
    across->setBuddy(m_pOffsetAcross);
    grid->addWidget(across, 0, 0);
    grid->addWidget(m_pOffsetAcross, 0, 1);
    grid->addWidget(new QLabel(Quillmark::tr("down:"), group), 0, 2);
    grid->addWidget(m_pOffsetDown, 0, 3);
    grid->addWidget(new QLabel(Quillmark::tr("Bar width reduction:"), group), 1, 0);
    grid->addWidget(m_pBarReduction, 1, 1);
    grid->addWidget(m_pOutlines, 1, 2, 1, 2);
    grid->setColumnStretch(4, 1);
    return group;
}

void CBWPrintLabelDialog::ConnectControls() {
    connect(m_pOk, &QPushButton::clicked, this, &CBWPrintLabelDialog::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &CBWPrintLabelDialog::reject);
    connect(m_pSave, &QPushButton::clicked, this, &CBWPrintLabelDialog::OnSave);
    connect(m_pChange, &QPushButton::clicked, this, [this] {
        if (!m_pPrinter || !m_bHavePrinters) return;
        // The page sizes on offer are those of the printer chosen in the list, and the page
        // starts as last printed on it.
        SelectJobPrinter(SelectedPrinterName());
        QPageSetupDialog(m_pPrinter, this).exec();
    });
    connect(m_pUseLabel, &QCheckBox::clicked, this, &CBWPrintLabelDialog::OnUseLabelClicked);
    connect(m_pSingleLabel, &QRadioButton::toggled, this,
            &CBWPrintLabelDialog::EnablePositionFields);
    // The picture follows the choice and the fields, typed or stepped by the arrows.
    connect(m_pSingleLabel, &QRadioButton::toggled, this, &CBWPrintLabelDialog::ShowPrintedLabels);
    for (CFilterIntegerEdit* field : {m_pRow, m_pColumn})
        connect(field, &QLineEdit::textChanged, this, &CBWPrintLabelDialog::ShowPrintedLabels);
    connect(m_pRowSpin, &CSpinButton::PositionChanging, this,
            [this](int delta) { OnPositionSpin(*m_pRow, *m_pRowSpin, delta); });
    connect(m_pColumnSpin, &CSpinButton::PositionChanging, this,
            [this](int delta) { OnPositionSpin(*m_pColumn, *m_pColumnSpin, delta); });
    // The Row arrows answer the arrow keys in their field; the Column arrows do not.
    m_pRow->installEventFilter(this);
    connect(m_pMakers, &QComboBox::currentIndexChanged, this, &CBWPrintLabelDialog::OnMakerChange);
    connect(m_pProducts, &QListWidget::itemSelectionChanged, this,
            &CBWPrintLabelDialog::OnProductChange);
    connect(m_pDetails, &QPushButton::clicked, this, &CBWPrintLabelDialog::OnDetails);
    connect(m_pNewLabel, &QPushButton::clicked, this, &CBWPrintLabelDialog::OnNewLabel);
    connect(m_pDelete, &QPushButton::clicked, this, &CBWPrintLabelDialog::OnDelete);
}

void CBWPrintLabelDialog::ConnectRunControls() {
    m_previewTimer = new QTimer(this);
    m_previewTimer->setSingleShot(true);
    m_previewTimer->setInterval(200);
    connect(m_previewTimer, &QTimer::timeout, this, &CBWPrintLabelDialog::RefreshRunPreview);
    // A change is looked at once typing pauses: a data file is read afresh each time.
    const auto later = [this] { m_previewTimer->start(); };
    int page = 0;
    for (QRadioButton* kind : {m_pSame, m_pNumbered, m_pFromFile}) {
        connect(kind, &QRadioButton::toggled, this, [this, page, later](bool on) {
            if (!on) return;
            m_pRunPages->setCurrentIndex(page);
            later();
        });
        ++page;
    }
    for (QSpinBox* box : {m_pCount, m_pDigits})
        connect(box, &QSpinBox::valueChanged, this, later);
    for (QLineEdit* field : {m_pFirst, m_pLast, m_pNumbers, m_pStep, m_pPrefix, m_pSuffix, m_pFile,
                             m_pDataColumn, m_pCopiesColumn})
        connect(field, &QLineEdit::textChanged, this, later);
    for (QAbstractButton* box : std::initializer_list<QAbstractButton*>{m_pSheets, m_pHeader})
        connect(box, &QAbstractButton::toggled, this, later);
    connect(m_pSeparator, &QComboBox::currentIndexChanged, this, later);
    // The last number or a count of numbers: typing one clears the other.
    connect(m_pLast, &QLineEdit::textEdited, m_pNumbers, &QLineEdit::clear);
    connect(m_pNumbers, &QLineEdit::textEdited, m_pLast, &QLineEdit::clear);
    connect(m_pBrowse, &QPushButton::clicked, this, &CBWPrintLabelDialog::OnBrowse);

    for (QSpinBox* box : {m_pStartRow, m_pStartColumn}) {
        box->setRange(1, settings::kStartRow.max);
        connect(box, &QSpinBox::valueChanged, this, &CBWPrintLabelDialog::OnStartRowColumn);
    }
    m_pStartNumber->setRange(1, static_cast<int>(kMaxRunLabels));
    connect(m_pStartNumber, &QSpinBox::valueChanged, this, &CBWPrintLabelDialog::OnStartNumber);
    connect(m_pSheet, &CBWSheetPreview::LabelClicked, this, &CBWPrintLabelDialog::OnSheetClicked);
    connect(m_pSingleLabel, &QRadioButton::toggled, this, later);
    connect(m_pUseLabel, &QCheckBox::clicked, this, later);

    connect(m_pPrinters, &QComboBox::currentIndexChanged, this,
            &CBWPrintLabelDialog::ShowCalibration);
    connect(m_pOutlines, &QPushButton::clicked, this, &CBWPrintLabelDialog::OnOutlines);
}

void CBWPrintLabelDialog::ShowRun(const CLabelRunChoice& run) {
    using Kind = CLabelRunChoice::Kind;
    (run.kind == Kind::Numbered   ? m_pNumbered
     : run.kind == Kind::FromFile ? m_pFromFile
                                  : m_pSame)
        ->setChecked(true);
    m_pRunPages->setCurrentIndex(static_cast<int>(run.kind));
    m_pCount->setValue(static_cast<int>(std::clamp<std::int64_t>(run.count, 1, kMaxRunLabels)));
    (run.countSheets ? m_pSheets : m_pLabels)->setChecked(true);
    m_pFirst->setText(QString::fromStdString(run.first));
    m_pLast->setText(QString::fromStdString(run.last));
    m_pNumbers->setText(QString::fromStdString(run.numbers));
    m_pStep->setText(QString::fromStdString(run.step));
    m_pDigits->setValue(run.digits);
    m_pPrefix->setText(QString::fromStdString(run.prefix));
    m_pSuffix->setText(QString::fromStdString(run.suffix));
    m_pFile->setText(QFile::decodeName(run.file.c_str()));
    m_pDataColumn->setText(QString::fromStdString(run.column));
    m_pHeader->setChecked(run.header);
    m_pCopiesColumn->setText(QString::fromStdString(run.copiesColumn));
    m_pSeparator->setCurrentIndex(static_cast<int>(run.separator));
    m_pStartRow->setValue(run.startRow);
    m_pStartColumn->setValue(run.startColumn);
}

CLabelRunChoice CBWPrintLabelDialog::RunChoice() const {
    using Kind = CLabelRunChoice::Kind;
    CLabelRunChoice run;
    run.kind = m_pNumbered->isChecked()   ? Kind::Numbered
               : m_pFromFile->isChecked() ? Kind::FromFile
                                          : Kind::Same;
    run.count = m_pCount->value();
    run.countSheets = m_pSheets->isChecked();
    run.first = m_pFirst->text().toStdString();
    run.last = m_pLast->text().toStdString();
    run.numbers = m_pNumbers->text().toStdString();
    run.step = m_pStep->text().toStdString();
    run.digits = m_pDigits->value();
    run.prefix = m_pPrefix->text().toStdString();
    run.suffix = m_pSuffix->text().toStdString();
    run.file = QFile::encodeName(m_pFile->text()).toStdString();
    run.column = m_pDataColumn->text().trimmed().toStdString();
    run.header = m_pHeader->isChecked();
    run.copiesColumn = m_pCopiesColumn->text().trimmed().toStdString();
    run.separator = static_cast<CLabelRunChoice::Separator>(m_pSeparator->currentIndex());
    run.startRow = m_pStartRow->value();
    run.startColumn = m_pStartColumn->value();
    return run;
}

std::optional<CLabelGeometry> CBWPrintLabelDialog::ChosenSheet() const {
    if (!m_pUseLabel->isChecked()) return std::nullopt;
    return m_pSheet->Sheet();
}

void CBWPrintLabelDialog::SetRunInspector(RunInspector inspector) {
    m_inspectRun = std::move(inspector);
    RefreshRunPreview();
}

void CBWPrintLabelDialog::SetFileChooser(FileChooser chooser) {
    m_chooseFile = std::move(chooser);
}

void CBWPrintLabelDialog::RefreshRunPreview() {
    m_previewTimer->stop();
    m_pRunPreview->clear();
    m_pRunNote->clear();
    if (!m_inspectRun) return;
    const CRunReport report =
        m_inspectRun(RunChoice(), ChosenSheet(), m_pSingleLabel->isChecked(), false);
    for (const CRunPreviewLine& label : report.preview)
        m_pRunPreview->addItem(QStringLiteral("%1: %2").arg(ShownMessage(label.where),
                                                            QString::fromStdString(label.reads)));
    QString note;
    if (!report.error.Empty())
        note = Quillmark::tr("These labels cannot be printed: %1.").arg(ShownMessage(report.error));
    else if (!report.tooLarge.Empty())
        note =
            Quillmark::tr("The symbol is cut by its label: %1.").arg(ShownMessage(report.tooLarge));
    else if (!report.problems.empty())
        note = Quillmark::tr("%1 would not print as given: %2.")
                   .arg(ShownMessage(report.problems.front().where),
                        ShownMessages(report.problems.front().why));
    m_pRunNote->setText(note);
}

void CBWPrintLabelDialog::OnBrowse() {
    std::optional<QString> chosen;
    if (m_chooseFile) {
        chosen = m_chooseFile(m_pFile->text());
    } else {
        const QString file = QFileDialog::getOpenFileName(
            this, Quillmark::tr("Data File"), m_pFile->text(),
            Quillmark::tr("Text and CSV files (*.csv *.txt *.tsv);;All files (*)"));
        if (!file.isEmpty()) chosen = file;
    }
    if (chosen) m_pFile->setText(*chosen);
}

void CBWPrintLabelDialog::FitStartToSheet() {
    const std::optional<CLabelGeometry>& sheet = m_pSheet->Sheet();
    if (!sheet) return;
    const int across = std::clamp(sheet->numberAcross, 1, settings::kStartColumn.max);
    const int down = std::clamp(sheet->numberDown, 1, settings::kStartRow.max);
    {
        // Row and column stay the start, each held to the sheet; the number follows them.
        const QSignalBlocker rows(m_pStartRow), columns(m_pStartColumn), number(m_pStartNumber);
        m_pStartRow->setRange(1, down);
        m_pStartColumn->setRange(1, across);
        m_pStartNumber->setRange(1, static_cast<int>(std::min<std::int64_t>(
                                        std::int64_t{across} * down, kMaxRunLabels)));
    }
    OnStartRowColumn();
}

void CBWPrintLabelDialog::OnStartRowColumn() {
    const std::optional<CLabelGeometry>& sheet = m_pSheet->Sheet();
    const std::int64_t across = sheet ? std::max(sheet->numberAcross, 1) : 1;
    {
        const QSignalBlocker block(m_pStartNumber);
        m_pStartNumber->setValue(static_cast<int>(std::min<std::int64_t>(
            (m_pStartRow->value() - 1) * across + m_pStartColumn->value(), kMaxRunLabels)));
    }
    ShowPrintedLabels();
    m_previewTimer->start();
}

void CBWPrintLabelDialog::OnStartNumber() {
    const std::optional<CLabelGeometry>& sheet = m_pSheet->Sheet();
    const int across = sheet ? std::max(sheet->numberAcross, 1) : 1;
    const int index = m_pStartNumber->value() - 1;
    {
        const QSignalBlocker rows(m_pStartRow), columns(m_pStartColumn);
        m_pStartRow->setValue(index / across + 1);
        m_pStartColumn->setValue(index % across + 1);
    }
    ShowPrintedLabels();
    m_previewTimer->start();
}

void CBWPrintLabelDialog::OnSheetClicked(const LabelPosition& at) {
    if (m_pSingleLabel->isChecked()) {
        // Row counts across and Column down for a single label.
        m_pRow->SetWindowText(QString::number(at.across + 1));
        m_pColumn->SetWindowText(QString::number(at.down + 1));
        return;
    }
    {
        const QSignalBlocker rows(m_pStartRow), columns(m_pStartColumn);
        m_pStartRow->setValue(static_cast<int>(at.down + 1));
        m_pStartColumn->setValue(static_cast<int>(at.across + 1));
    }
    OnStartRowColumn();
}

void CBWPrintLabelDialog::ShowCalibration() {
    const QString printer = SelectedPrinterName();
    m_calibrationOf = printer;
    const PrinterCalibration c = StoredCalibration(printer);
    const int unit = MeasurementUnit();
    m_pOffsetAcross->setValue(OffsetShown(c.offsetAcross, unit));
    m_pOffsetDown->setValue(OffsetShown(c.offsetDown, unit));
    m_pBarReduction->setValue(c.barWidthReduction);
    for (QWidget* w : std::initializer_list<QWidget*>{m_pOffsetAcross, m_pOffsetDown,
                                                      m_pBarReduction, m_pOutlines})
        w->setEnabled(!printer.isEmpty());
}

PrinterCalibration CBWPrintLabelDialog::CalibrationShown() const {
    const int unit = MeasurementUnit();
    return {OffsetStored(m_pOffsetAcross->value(), unit),
            OffsetStored(m_pOffsetDown->value(), unit), m_pBarReduction->value()};
}

bool CBWPrintLabelDialog::ConfirmRun() {
    m_skipProblems = false;
    if (!m_inspectRun) return true;
    const CRunReport report =
        m_inspectRun(RunChoice(), ChosenSheet(), m_pSingleLabel->isChecked(), true);
    if (!report.error.Empty()) {
        QmMessageBox(
            Quillmark::tr("These labels cannot be printed: %1.").arg(ShownMessage(report.error)),
            MsgIcon::Exclamation, MsgButtons::Ok, this);
        return false;
    }
    if (report.problemCount == 0) return true;
    // The first of them, with their lines; the rest counted.
    constexpr std::size_t kListed = 12;
    QString listed;
    for (std::size_t i = 0; i < report.problems.size() && i < kListed; ++i) {
        const CRunProblem& p = report.problems[i];
        listed += ShownMessage(ProblemLine(p)) + u'\n';
    }
    const std::int64_t more =
        report.problemCount - static_cast<std::int64_t>(std::min(report.problems.size(), kListed));
    if (more > 0) listed += Quillmark::tr("and %1 more\n").arg(more);
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

void CBWPrintLabelDialog::OnOutlines() {
    if (!ChosenSheet()) {
        QmMessageBox(Quillmark::tr("Choose the label sheet whose outlines to print."),
                     MsgIcon::Exclamation, MsgButtons::Ok, this);
        return;
    }
    Finish(true);
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
    // Without a printer the dialog can still store the label choice, but cannot print.
    const bool usable = m_bHavePrinters && m_pPrinter;
    m_pPrinters->setEnabled(usable);
    m_pChange->setEnabled(usable);
    m_pCopies->setEnabled(usable);
    m_pCollate->setEnabled(usable);
    m_pOk->setEnabled(usable);
    ShowCalibration();
}

QString CBWPrintLabelDialog::SelectedPrinterName() const {
    return m_bHavePrinters ? m_pPrinters->currentText() : QString();
}

void CBWPrintLabelDialog::SetPaperLister(PaperLister papersOf) {
    m_papersOf = std::move(papersOf);
}

void CBWPrintLabelDialog::SetLabelSettingRunner(LabelSettingRunner runner) {
    m_runLabelSetting = std::move(runner);
}

void CBWPrintLabelDialog::SetDatabaseLocator(DatabaseLocator locator) {
    m_locateDatabase = std::move(locator);
}

int CBWPrintLabelDialog::RunLabelSetting(CBWLabelSettingDialog& dialog) {
    return m_runLabelSetting ? m_runLabelSetting(dialog) : dialog.exec();
}

bool CBWPrintLabelDialog::Guarded(const std::function<void()>& databaseWork) {
    try {
        databaseWork();
        return true;
    } catch (const CLabelDbError& e) {
        QmMessageBox(e.Description(), MsgIcon::Exclamation, MsgButtons::Ok, this);
        return false;
    }
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
    (m_nFullPage == 1 ? m_pSingleLabel : m_pFullPage)->setChecked(true);
    m_pRow->SetWindowText(QString::number(m_nRow));
    m_pColumn->SetWindowText(QString::number(m_nColumn));
    m_pRowSpin->SetPosition(static_cast<int>(std::min<unsigned>(m_nRow, kSpinUpper)));
    m_pColumnSpin->SetPosition(static_cast<int>(std::min<unsigned>(m_nColumn, kSpinUpper)));

    try {
        std::optional<LabelCopyRepair> repaired;
        const LabelConnectionParams params =
            m_locateDatabase
                ? m_locateDatabase(&repaired)
                : LabelConnectionFromSettings(QCoreApplication::applicationDirPath(), &repaired);
        if (repaired)
            QmMessageBox(LabelCopyRepairMessage(*repaired), MsgIcon::Exclamation, MsgButtons::Ok,
                         parentWidget());
        m_db = std::make_unique<CLabelDatabase>(params);
    } catch (const CLabelDbError& e) {
        // Not shown yet: the message belongs to the window the dialog was opened from.
        QmMessageBox(LabelDatabaseOpenFailureMessage(e.Description()), MsgIcon::Stop,
                     MsgButtons::Ok, parentWidget());
        return false;
    }
    m_bStarted = true;

    Guarded([this] { FillMakers(); });

    Collapse();
    if (m_bUseLabel) Expand();

    std::optional<WrittenLabel> initial;
    Guarded([this, &initial] {
        const int saved = settings::Get(settings::kSavedLabelId);
        if (saved > 0) {
            if (const std::optional<int> company = m_db->FindLabelCompany(saved))
                initial = WrittenLabel{saved, *company};
        }
        if (!initial) initial = m_db->FirstLabel();
    });
    if (initial && SelectMaker(initial->companyId)) {
        OnMakerChange();
        SelectProduct(initial->id);
        OnProductChange();
    } else {
        // No maker of that label: nothing selected, as for an empty product list.
        const QSignalBlocker block(m_pMakers);
        m_pMakers->setCurrentIndex(-1);
        FillProducts();
        OnProductChange();
    }

    EnablePositionFields(m_pSingleLabel->isChecked());
    return true;
}

void CBWPrintLabelDialog::FillMakers() {
    const QSignalBlocker block(m_pMakers);
    m_pMakers->clear();
    m_makers = m_db->ListMakers();
    for (const LabelMaker& maker : m_makers)
        m_pMakers->addItem(maker.name);
    m_pMakers->setCurrentIndex(-1);
}

void CBWPrintLabelDialog::FillProducts() {
    const QSignalBlocker block(m_pProducts);
    m_pProducts->clear();
    m_products.clear();
    const int maker = m_pMakers->currentIndex();
    if (maker < 0 || maker >= static_cast<int>(m_makers.size())) return;
    Guarded([this, maker] { m_products = m_db->ListProducts(m_makers[maker].bookmark); });
    for (const LabelProduct& product : m_products)
        m_pProducts->addItem(product.text);
}

bool CBWPrintLabelDialog::SelectMaker(int companyId) {
    const auto it = std::find_if(m_makers.begin(), m_makers.end(),
                                 [companyId](const LabelMaker& m) { return m.id == companyId; });
    if (it == m_makers.end()) return false;
    const QSignalBlocker block(m_pMakers);
    m_pMakers->setCurrentIndex(static_cast<int>(it - m_makers.begin()));
    return true;
}

bool CBWPrintLabelDialog::SelectProduct(int labelId) {
    const auto it = std::find_if(m_products.begin(), m_products.end(),
                                 [labelId](const LabelProduct& p) { return p.id == labelId; });
    const QSignalBlocker block(m_pProducts);
    if (it == m_products.end()) {
        m_pProducts->clearSelection();
        return false;
    }
    m_pProducts->setCurrentRow(static_cast<int>(it - m_products.begin()));
    return true;
}

int CBWPrintLabelDialog::SelectedProduct() const {
    const QList<QListWidgetItem*> selected = m_pProducts->selectedItems();
    if (selected.isEmpty()) return -1;
    const int row = m_pProducts->row(selected.front());
    return row < static_cast<int>(m_products.size()) ? row : -1;
}

void CBWPrintLabelDialog::OnMakerChange() {
    FillProducts();
    if (!m_products.empty()) {
        const QSignalBlocker block(m_pProducts);
        m_pProducts->setCurrentRow(0);
    }
    OnProductChange();
}

void CBWPrintLabelDialog::OnProductChange() {
    const int selected = SelectedProduct();
    LabelRecord label;
    if (selected < 0 || !Guarded([&] { label = m_db->ReadLabel(m_products[selected].bookmark); })) {
        for (QLineEdit* readout : {m_pType, m_pHeight, m_pWidth, m_pPaper})
            ShowReadout(*readout, QString());
        m_pSheet->SetSheet(std::nullopt);
        m_previewTimer->start();
        m_pNewLabel->setEnabled(true);
        m_pDetails->setEnabled(false);
        m_pDelete->setEnabled(false);
        return;
    }
    const LabelReadouts shown = MakeLabelReadouts(label, ReadoutsInCentimetres(MeasurementUnit()));
    ShowReadout(*m_pType, shown.type);
    ShowReadout(*m_pHeight, shown.height);
    ShowReadout(*m_pWidth, shown.width);
    ShowReadout(*m_pPaper, shown.paper);
    m_pSheet->SetSheet(label.geometry);
    FitStartToSheet();
    m_pNewLabel->setEnabled(true);
    m_pDetails->setEnabled(true);
    m_pDelete->setEnabled(!label.stock);
    m_pProducts->setFocus();
}

void CBWPrintLabelDialog::EnablePositionFields(bool enable) {
    for (QWidget* w : std::initializer_list<QWidget*>{m_pRow, m_pColumn, m_pRowSpin, m_pColumnSpin})
        w->setEnabled(enable);
    // A single label prints where Row and Column say; the start is for a full sheet.
    m_pStartGroup->setEnabled(!enable);
}

void CBWPrintLabelDialog::ShowPrintedLabels() {
    if (!m_pSingleLabel->isChecked()) {
        // A run starts on the label chosen; those before it are used.
        const std::optional<CLabelGeometry>& sheet = m_pSheet->Sheet();
        const long long across = sheet ? std::max(sheet->numberAcross, 1) : 1;
        const long long row = m_pStartRow->value() - 1, column = m_pStartColumn->value() - 1;
        m_pSheet->SetUsed(row * across + column);
        m_pSheet->SetMarked({{column, row}});
        return;
    }
    m_pSheet->SetUsed(0);
    // Row counts across the sheet and Column down, both from 1, as printing takes them.
    bool rowOk = false, columnOk = false;
    const unsigned row = m_pRow->text().toUInt(&rowOk);
    const unsigned column = m_pColumn->text().toUInt(&columnOk);
    if (!rowOk || !columnOk) {
        m_pSheet->SetMarked({});
        return;
    }
    m_pSheet->SetMarked({{static_cast<long long>(row) - 1, static_cast<long long>(column) - 1}});
}

void CBWPrintLabelDialog::OnPositionSpin(CFilterIntegerEdit& field, CSpinButton& spin, int delta) {
    // The arrows step from what the field shows, so a typed value is where they go on from;
    // a value beyond their range starts from its nearest end.
    bool ok = false;
    const unsigned typed = field.text().toUInt(&ok);
    const int from = ok ? static_cast<int>(std::min<unsigned>(typed, kSpinUpper)) : spin.Position();
    spin.SetPosition(from);
    field.SetWindowText(QString::number(WrapSpinStep(from, delta, kSpinLower, kSpinUpper)));
}

bool CBWPrintLabelDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pRow && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            m_pRowSpin->Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CBWPrintLabelDialog::OnDetails() {
    const int selected = SelectedProduct();
    if (selected < 0) return;
    const CRowBookmark bookmark = m_products[selected].bookmark;
    LabelRecord r;
    if (!Guarded([&] { r = m_db->ReadLabel(bookmark); })) return;
    CBWLabelSettingDialog dialog(r, !r.stock, LabelSettingInCentimetres(MeasurementUnit()), this);
    if (RunLabelSetting(dialog) != Accepted) return;
    if (dialog.GetLabelID() == -1)
        WriteLabel(std::nullopt, dialog.GetLabel());
    else if (dialog.GetLabelID() >= 1 && dialog.IsNameEditable())
        WriteLabel(bookmark, dialog.GetLabel());
    // A stock label closed with OK but unchanged: nothing to write.
}

void CBWPrintLabelDialog::OnNewLabel() {
    // The selected product's geometry goes along; the dialog starts a new label from its own
    // defaults all the same.
    LabelRecord r;
    const int selected = SelectedProduct();
    if (selected >= 0 && !Guarded([&] { r = m_db->ReadLabel(m_products[selected].bookmark); }))
        return;
    r.id = -1;
    CBWLabelSettingDialog dialog(r, true, LabelSettingInCentimetres(MeasurementUnit()), this);
    if (RunLabelSetting(dialog) != Accepted) return;
    // Also with an empty product list: a user who defines a label expects to keep it.
    WriteLabel(std::nullopt, dialog.GetLabel());
}

void CBWPrintLabelDialog::WriteLabel(const std::optional<CRowBookmark>& existing,
                                     const LabelRecord& label) {
    WrittenLabel written;
    if (!Guarded([&] {
            written = existing ? m_db->ChangeLabel(*existing, label) : m_db->InsertLabel(label);
        }))
        return;
    SelectWrittenRow(written);
}

void CBWPrintLabelDialog::SelectWrittenRow(const WrittenLabel& written) {
    SelectMaker(written.companyId);
    FillProducts();
    SelectProduct(written.id);
    OnProductChange();
}

void CBWPrintLabelDialog::OnDelete() {
    const int selected = SelectedProduct();
    if (selected < 0) return;
    if (QmMessageBox(Quillmark::tr("Are you sure that you want to delete this label?"),
                     MsgIcon::Question, MsgButtons::YesNo, this) != IDYES)
        return;
    Guarded([&] { m_db->DeleteLabel(m_products[selected].bookmark); });
    // Listed again also after a failure: the list must not offer a row that may be gone.
    OnMakerChange();
}

std::optional<PrintLabelChoice> CBWPrintLabelDialog::ReadChoice() {
    // Every value is read before anything is stored, so a refusal stores nothing.
    unsigned positions[2] = {};
    CFilterIntegerEdit* fields[2] = {m_pRow, m_pColumn};
    for (int i = 0; i < 2; ++i) {
        bool ok = false;
        positions[i] = fields[i]->text().toUInt(&ok);
        if (!ok) {
            QmMessageBox(Quillmark::tr("Please enter a positive integer."), MsgIcon::Exclamation,
                         MsgButtons::Ok, this);
            fields[i]->setFocus();
            fields[i]->selectAll();
            return std::nullopt;
        }
    }
    PrintLabelChoice choice;
    choice.useLabel = m_pUseLabel->isChecked() ? 1 : 0;
    choice.fullPage = m_pSingleLabel->isChecked() ? 1 : 0;
    choice.row = positions[0];
    choice.column = positions[1];
    choice.run = RunChoice();
    const int selected = SelectedProduct();
    if (selected >= 0 &&
        !Guarded([&] { choice.product = m_db->ReadLabel(m_products[selected].bookmark); }))
        return std::nullopt;
    if (choice.product) {
        const QString fault = LabelPrintFault(choice.product->geometry);
        if (!fault.isEmpty()) {
            QmMessageBox(Quillmark::tr("The label \"%1\" cannot be printed: %2. Choose another "
                                       "label or correct it with Details.")
                             .arg(m_products[selected].text, fault),
                         MsgIcon::Exclamation, MsgButtons::Ok, this);
            m_pProducts->setFocus();
            return std::nullopt;
        }
    }
    return choice;
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
    if (!m_calibrationOf.isEmpty() && !StoreCalibration(m_calibrationOf, CalibrationShown())) {
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

void CBWPrintLabelDialog::SelectJobPrinter(const QString& name) {
    if (!m_pPrinter || name.isEmpty() || m_pageOf == name) return;
    if (m_pPrinter->printerName() != name) m_pPrinter->setPrinterName(name);
    ApplyStoredPage(*m_pPrinter, name);
    m_pageOf = name;
}

bool CBWPrintLabelDialog::ConfirmPaper(const SheetPage& page, int paperSize) {
    const QString printer = SelectedPrinterName();
    if (printer.isEmpty()) return true;
    const PrinterPapers papers = m_papersOf ? m_papersOf(printer) : PapersOf(printer);
    if (PrinterTakesPaper(papers, page.size)) return true;
    const int selected = SelectedProduct();
    const QString product = selected >= 0 ? m_products[selected].text : QString();
    const QString text =
        Quillmark::tr("The printer \"%1\" does not take %2 paper, the paper of the label \"%3\"."
                      "\n\nPrint on this printer all the same?")
            .arg(printer, PaperSizeName(paperSize), product);
    if (QmMessageBox(text, MsgIcon::Question, MsgButtons::YesNo, this) == IDYES) return true;
    m_pPrinters->setFocus();
    return false;
}

void CBWPrintLabelDialog::ApplyPrinterChoice(const std::optional<SheetPage>& page) {
    if (!m_pPrinter) return;
    SelectJobPrinter(SelectedPrinterName());
    if (page) {
        m_pPrinter->setPageSize(page->size);
        m_pPrinter->setPageOrientation(page->orientation);
    }
    m_pPrinter->setCopyCount(m_pCopies->value());
    m_pPrinter->setCollateCopies(m_pCollate->isChecked());
}

void CBWPrintLabelDialog::accept() {
    Finish(false);
}

void CBWPrintLabelDialog::Finish(bool outlines) {
    const std::optional<PrintLabelChoice> choice = ReadChoice();
    if (!choice) return;
    // Label settings print on the sheet's own paper, which the printer must take.
    std::optional<SheetPage> page;
    if (choice->useLabel && choice->product)
        page = PageForSheet(choice->product->geometry.paperSize);
    if (page && !ConfirmPaper(*page, choice->product->geometry.paperSize)) return;
    if (!outlines && !ConfirmRun()) return;
    if (!StoreChoice(*choice)) return;
    m_outlines = outlines;
    ApplyPrinterChoice(page);
    if (m_pPrinter && m_bHavePrinters &&
        !StorePrinterChoice(SelectedPrinterName(), m_pPrinter->pageLayout()))
        QmMessageBox(Quillmark::tr("The printer and its paper could not be saved in \"%1\"; "
                                   "this print goes ahead, but the next one starts from the "
                                   "previous choice.")
                         .arg(QString::fromStdString(SettingsStore().FilePath())),
                     MsgIcon::Exclamation, MsgButtons::Ok, this);
    QDialog::accept();
}
