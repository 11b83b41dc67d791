#include "labels/print_label_dialog.h"

#include "common/settings_keys.h"
#include "common/settings_store.h"
#include "labels/filter_edit.h"
#include "labels/label_lengths.h"
#include "labels/label_setting_dialog.h"
#include "labels/sheet_preview.h"
#include "labels/spin_button.h"
#include "ui/message_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
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
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>
#include <tuple>
#include <utility>

namespace {

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
    if (g.width < kMinLabelSide) return QStringLiteral("it is narrower than a printer dot");
    if (g.height < kMinLabelSide) return QStringLiteral("it is shorter than a printer dot");
    if (g.numberAcross < 1) return QStringLiteral("it has no labels across");
    if (g.numberDown < 1) return QStringLiteral("it has no labels down");
    if (std::int64_t{g.numberAcross} * g.numberDown > kMaxLabelsPerPage)
        return QStringLiteral("it has more than %1 labels on a sheet").arg(kMaxLabelsPerPage);
    if (g.numberAcross > 1 && g.horizontalPitch < g.width)
        return QStringLiteral("its horizontal pitch is smaller than its width");
    if (g.numberDown > 1 && g.verticalPitch < g.height)
        return QStringLiteral("its vertical pitch is smaller than its height");
    return {};
}

bool StorePrintLabelChoice(const PrintLabelChoice& choice) {
    // Every value is written even when an earlier one fails.
    bool ok = settings::Set(settings::kUseLabelDialog, choice.useLabel);
    ok = settings::Set(settings::kFullPage, choice.fullPage) && ok;
    ok = settings::Set(settings::kRow, static_cast<int>(choice.row)) && ok;
    ok = settings::Set(settings::kColumn, static_cast<int>(choice.column)) && ok;
    if (!choice.product) return ok;
    ok = settings::Set(settings::kSavedLabelId, choice.product->id) && ok;
    return WritePrintGeometry(choice.product->geometry) && ok;
}

// ---- the dialog ----

CBWPrintLabelDialog::CBWPrintLabelDialog(QPrinter* printer, QWidget* parent)
    : QDialog(parent), m_pPrinter(printer) {
    m_bUseLabel = settings::Get(settings::kUseLabelDialog) != 0 ? 1 : 0;
    // Printing takes every value but 1 for a full sheet, so the dialog shows it so.
    m_nFullPage = settings::Get(settings::kFullPage) == 1 ? 1 : 0;
    m_nRow = ReadPosition(settings::kRow);
    m_nColumn = ReadPosition(settings::kColumn);

    BuildControls();
    SetPrinters(AvailablePrinters());
    if (m_pPrinter) {
        m_pCopies->setValue(std::max(1, m_pPrinter->copyCount()));
        m_pCollate->setChecked(m_pPrinter->collateCopies());
    }
    RecordSizes();
}

CBWPrintLabelDialog::~CBWPrintLabelDialog() = default;

void CBWPrintLabelDialog::BuildControls() {
    setWindowTitle(QStringLiteral("Print"));
    auto* outer = new QVBoxLayout(this);

    // Created in the order of the keyboard's Tab key.
    auto* printerPart = new QHBoxLayout;
    printerPart->addLayout(BuildPrinterChoices(), 1);
    printerPart->addLayout(BuildButtons());
    outer->addLayout(printerPart);

    m_pLine = new QFrame(this);
    m_pLine->setFrameShape(QFrame::HLine);
    m_pLine->setFrameShadow(QFrame::Sunken);
    outer->addWidget(m_pLine);

    outer->addWidget(BuildLabelSection());
    ConnectControls();

    // The start of an empty product list, until the database has been read.
    m_pDetails->setEnabled(false);
    m_pDelete->setEnabled(false);
}

QLayout* CBWPrintLabelDialog::BuildPrinterChoices() {
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Printer:"), this), 0, 0);
    m_pPrinters = new QComboBox(this);
    m_pPrinters->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pPrinters->setMinimumContentsLength(28);
    grid->addWidget(m_pPrinters, 0, 1, 1, 2);
    m_pChange = new QPushButton(QStringLiteral("&Change..."), this);
    grid->addWidget(m_pChange, 1, 1, Qt::AlignLeft);
    auto* copiesCaption = new QLabel(QStringLiteral("&Copies:"), this);
    grid->addWidget(copiesCaption, 2, 0);
    m_pCopies = new QSpinBox(this);
    m_pCopies->setRange(1, 9999);
    copiesCaption->setBuddy(m_pCopies);
    grid->addWidget(m_pCopies, 2, 1, Qt::AlignLeft);
    m_pCollate = new QCheckBox(QStringLiteral("Collate Cop&ies"), this);
    grid->addWidget(m_pCollate, 2, 2);
    m_pUseLabel = new QCheckBox(QStringLiteral("&Use Label Settings"), this);
    grid->addWidget(m_pUseLabel, 3, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    return grid;
}

QLayout* CBWPrintLabelDialog::BuildButtons() {
    auto* buttons = new QVBoxLayout;
    m_pOk = new QPushButton(QStringLiteral("&OK"), this);
    m_pOk->setDefault(true);
    m_pCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_pSave = new QPushButton(QStringLiteral("&Save"), this);
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

    auto* makersCaption = new QLabel(QStringLiteral("Label &Products:"), m_pSection);
    section->addWidget(makersCaption, 0, 0);
    m_pMakers = new QComboBox(m_pSection);
    m_pMakers->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pMakers->setMinimumContentsLength(24);
    m_pMakers->setMaxVisibleItems(20);
    makersCaption->setBuddy(m_pMakers);
    section->addWidget(m_pMakers, 0, 1);

    auto* productsCaption = new QLabel(QStringLiteral("Product N&umber:"), m_pSection);
    section->addWidget(productsCaption, 1, 0, Qt::AlignTop);
    m_pProducts = new QListWidget(m_pSection);
    m_pProducts->setSelectionMode(QAbstractItemView::SingleSelection);
    const QFontMetrics fm(font());
    m_pProducts->setMinimumSize(fm.averageCharWidth() * 40, fm.lineSpacing() * 8);
    productsCaption->setBuddy(m_pProducts);
    section->addWidget(m_pProducts, 1, 1, 3, 1);

    m_pDetails = new QPushButton(QStringLiteral("&Details..."), m_pSection);
    m_pNewLabel = new QPushButton(QStringLiteral("&New Label..."), m_pSection);
    m_pDelete = new QPushButton(QStringLiteral("D&elete"), m_pSection);
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
    m_pSheet->setToolTip(QStringLiteral("The chosen label sheet; a single label to print on is "
                                        "marked."));
    section->addWidget(m_pSheet, 0, 3, 5, 1, Qt::AlignTop);
    return m_pSection;
}

QWidget* CBWPrintLabelDialog::BuildPrintGroup() {
    auto* print = new QGroupBox(QStringLiteral("Print"), m_pSection);
    auto* printGrid = new QGridLayout(print);
    m_pFullPage = new QRadioButton(QStringLiteral("&Full page of the same label"), print);
    m_pSingleLabel = new QRadioButton(QStringLiteral("&Single label"), print);
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
    for (auto [caption, field, spin] : {std::tuple{"Row:", m_pRow, m_pRowSpin},
                                        std::tuple{"Column:", m_pColumn, m_pColumnSpin}}) {
        field->SetAllowMinus(false);
        spin->SetRange(kSpinLower, kSpinUpper);
        field->setFixedWidth(fieldWidth);
        spin->setFixedSize(std::max(fm.height(), spin->UpArrow()->minimumSizeHint().width()),
                           field->sizeHint().height());
        auto* pair = new QHBoxLayout;
        pair->setSpacing(0);
        pair->addWidget(field);
        pair->addWidget(spin);
        printGrid->addWidget(new QLabel(QString::fromLatin1(caption), print), 2, column);
        printGrid->addLayout(pair, 2, column + 1, Qt::AlignLeft);
        column += 2;
    }
    printGrid->setColumnStretch(3, 1);
    return print;
}

QWidget* CBWPrintLabelDialog::BuildInformationGroup() {
    auto* info = new QGroupBox(QStringLiteral("Label Information"), m_pSection);
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
         {std::pair{"T&ype:", m_pType}, std::pair{"&Height:", m_pHeight},
          std::pair{"&Width:", m_pWidth}, std::pair{"Pa&per Size:", m_pPaper}}) {
        auto* label = new QLabel(QString::fromLatin1(caption), info);
        label->setBuddy(readout);
        infoGrid->addWidget(label, row, 0);
        infoGrid->addWidget(readout, row, 1);
        ++row;
    }
    infoGrid->setColumnStretch(1, 1);
    return info;
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
        m_pPrinters->addItem(QStringLiteral("No printers are installed."));
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
    m_pNewLabel->setEnabled(true);
    m_pDetails->setEnabled(true);
    m_pDelete->setEnabled(!label.stock);
    m_pProducts->setFocus();
}

void CBWPrintLabelDialog::EnablePositionFields(bool enable) {
    for (QWidget* w : std::initializer_list<QWidget*>{m_pRow, m_pColumn, m_pRowSpin, m_pColumnSpin})
        w->setEnabled(enable);
}

void CBWPrintLabelDialog::ShowPrintedLabels() {
    // Row counts across the sheet and Column down, both from 1, as printing takes them.
    bool rowOk = false, columnOk = false;
    const unsigned row = m_pRow->text().toUInt(&rowOk);
    const unsigned column = m_pColumn->text().toUInt(&columnOk);
    if (!m_pSingleLabel->isChecked() || !rowOk || !columnOk) {
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
    if (QmMessageBox(QStringLiteral("Are you sure that you want to delete this label?"),
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
            QmMessageBox(QStringLiteral("Please enter a positive integer."), MsgIcon::Exclamation,
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
    const int selected = SelectedProduct();
    if (selected >= 0 &&
        !Guarded([&] { choice.product = m_db->ReadLabel(m_products[selected].bookmark); }))
        return std::nullopt;
    if (choice.product) {
        const QString fault = LabelPrintFault(choice.product->geometry);
        if (!fault.isEmpty()) {
            QmMessageBox(QStringLiteral("The label \"%1\" cannot be printed: %2. Choose another "
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
        QmMessageBox(QStringLiteral("The print settings could not be saved in \"%1\". Check "
                                    "that the folder can be written and try again.")
                         .arg(QString::fromStdString(SettingsStore().FilePath())),
                     MsgIcon::Exclamation, MsgButtons::Ok, this);
        return false;
    }
    m_bUseLabel = choice.useLabel;
    m_nFullPage = choice.fullPage;
    m_nRow = choice.row;
    m_nColumn = choice.column;
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
        QStringLiteral("The printer \"%1\" does not take %2 paper, the paper of the label \"%3\"."
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
    const std::optional<PrintLabelChoice> choice = ReadChoice();
    if (!choice) return;
    // Label settings print on the sheet's own paper, which the printer must take.
    std::optional<SheetPage> page;
    if (choice->useLabel && choice->product)
        page = PageForSheet(choice->product->geometry.paperSize);
    if (page && !ConfirmPaper(*page, choice->product->geometry.paperSize)) return;
    if (!StoreChoice(*choice)) return;
    ApplyPrinterChoice(page);
    if (m_pPrinter && m_bHavePrinters &&
        !StorePrinterChoice(SelectedPrinterName(), m_pPrinter->pageLayout()))
        QmMessageBox(QStringLiteral("The printer and its paper could not be saved in \"%1\"; "
                                    "this print goes ahead, but the next one starts from the "
                                    "previous choice.")
                         .arg(QString::fromStdString(SettingsStore().FilePath())),
                     MsgIcon::Exclamation, MsgButtons::Ok, this);
    QDialog::accept();
}
