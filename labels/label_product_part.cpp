#include "labels/label_product_part.h"

#include "common/settings_keys.h"
#include "labels/label_lengths.h"
#include "labels/label_setting_dialog.h"
#include "labels/sheet_preview.h"
#include "ui/message_box.h"
#include "ui/translation.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

// The shortest label side a 600 dpi printer shows as a dot: 2.54 cm / 600 = 4.23 thousandths of
// a centimetre.
constexpr int kMinLabelSide = 5;

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

LabelReadouts MakeLabelReadouts(const LabelRecord& label, bool centimetres, const QString& maker) {
    // The ID, which --label takes, with the maker and number it also takes.
    const QString id = maker.isEmpty()
                           ? QString::number(label.id)
                           : QStringLiteral("%1 (%2:%3)").arg(label.id).arg(maker, label.name1);
    // A roll or tape has no paper: its labels come one at a time, each a page of its own.
    const LabelKind kind = KindOf(label.geometry);
    const QString paper = kind == LabelKind::Roll         ? Quillmark::tr("Roll, a label a page")
                          : kind == LabelKind::Continuous ? Quillmark::tr("Continuous tape")
                                                          : PaperSizeName(label.geometry.paperSize);
    const bool cutToFit = kind == LabelKind::Continuous && label.geometry.height == 0;
    return {id, label.name2,
            cutToFit ? Quillmark::tr("as the symbol")
                     : FormatLength(label.geometry.height, centimetres),
            FormatLength(label.geometry.width, centimetres), paper};
}

bool ReadoutsInCentimetres(int unit) {
    return unit != 0;
}

bool LabelSettingInCentimetres(int unit) {
    return unit == 1;
}

QString LabelPrintFault(const CLabelGeometry& g) {
    if (g.width < kMinLabelSide) return Quillmark::tr("it is narrower than a printer dot");
    // Continuous tape of no length of its own takes the length of what it holds.
    if (g.height < kMinLabelSide && !(KindOf(g) == LabelKind::Continuous && g.height == 0))
        return Quillmark::tr("it is shorter than a printer dot");
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

CLabelProductPart::CLabelProductPart(QWidget* parent) : QWidget(parent) {
    auto* section = new QGridLayout(this);
    section->setContentsMargins(0, 0, 0, 0);

    auto* makersCaption = new QLabel(Quillmark::tr("Label &Products:"), this);
    section->addWidget(makersCaption, 0, 0);
    m_pMakers = new QComboBox(this);
    m_pMakers->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pMakers->setMinimumContentsLength(24);
    m_pMakers->setMaxVisibleItems(20);
    makersCaption->setBuddy(m_pMakers);
    section->addWidget(m_pMakers, 0, 1);

    auto* productsCaption = new QLabel(Quillmark::tr("Product N&umber:"), this);
    section->addWidget(productsCaption, 1, 0, Qt::AlignTop);
    m_pProducts = new QListWidget(this);
    m_pProducts->setSelectionMode(QAbstractItemView::SingleSelection);
    const QFontMetrics fm(font());
    m_pProducts->setMinimumSize(fm.averageCharWidth() * 40, fm.lineSpacing() * 8);
    productsCaption->setBuddy(m_pProducts);
    section->addWidget(m_pProducts, 1, 1, 3, 1);

    m_pDetails = new QPushButton(Quillmark::tr("&Details..."), this);
    m_pNewLabel = new QPushButton(Quillmark::tr("&New Label..."), this);
    m_pDelete = new QPushButton(Quillmark::tr("D&elete"), this);
    section->addWidget(m_pDetails, 0, 2);
    section->addWidget(m_pNewLabel, 1, 2, Qt::AlignTop);
    section->addWidget(m_pDelete, 2, 2, Qt::AlignTop);
    section->setRowStretch(3, 1);

    auto* lower = new QHBoxLayout;
    m_pPlacement = new CSingleLabelGroup(this);
    lower->addWidget(m_pPlacement);
    lower->addWidget(BuildInformationGroup(), 1);
    section->addLayout(lower, 4, 0, 1, 3);

    // The chosen sheet beside it all, from the top: room for an upright letter sheet.
    m_pSheet = new CBWSheetPreview(this);
    const int sheetWidth = fm.averageCharWidth() * 26;
    m_pSheet->setFixedSize(sheetWidth, sheetWidth * 27940 / 21590 + 12);
    m_pSheet->setToolTip(Quillmark::tr("The chosen label sheet: the first label to print on is "
                                       "marked and the labels before it are greyed as used. "
                                       "Click a label to start there."));
    section->addWidget(m_pSheet, 0, 3, 5, 1, Qt::AlignTop);

    connect(m_pMakers, &QComboBox::currentIndexChanged, this, &CLabelProductPart::OnMakerChange);
    connect(m_pProducts, &QListWidget::itemSelectionChanged, this,
            &CLabelProductPart::OnProductChange);
    connect(m_pDetails, &QPushButton::clicked, this, &CLabelProductPart::OnDetails);
    connect(m_pNewLabel, &QPushButton::clicked, this, &CLabelProductPart::OnNewLabel);
    connect(m_pDelete, &QPushButton::clicked, this, &CLabelProductPart::OnDelete);
    // The start of an empty product list, until the database has been read.
    m_pDetails->setEnabled(false);
    m_pDelete->setEnabled(false);
}

CLabelProductPart::~CLabelProductPart() = default;

QWidget* CLabelProductPart::BuildInformationGroup() {
    auto* info = new QGroupBox(Quillmark::tr("Label Information"), this);
    auto* infoGrid = new QGridLayout(info);
    m_pId = MakeReadout(info);
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
         {std::pair{QT_TRANSLATE_NOOP("Quillmark", "ID:"), m_pId},
          std::pair{QT_TRANSLATE_NOOP("Quillmark", "T&ype:"), m_pType},
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

bool CLabelProductPart::Open(const DatabaseLocator& locate, QWidget* messageParent) {
    try {
        std::optional<LabelCopyRepair> repaired;
        const LabelConnectionParams params =
            locate ? locate(&repaired)
                   : LabelConnectionFromSettings(QCoreApplication::applicationDirPath(), &repaired);
        if (repaired)
            QmMessageBox(LabelCopyRepairMessage(*repaired), MsgIcon::Exclamation, MsgButtons::Ok,
                         messageParent);
        m_db = std::make_unique<CLabelDatabase>(params);
    } catch (const CLabelDbError& e) {
        QmMessageBox(LabelDatabaseOpenFailureMessage(e.Description()), MsgIcon::Stop,
                     MsgButtons::Ok, messageParent);
        return false;
    }
    Guarded([this] { FillMakers(); });
    return true;
}

void CLabelProductPart::SelectSaved() {
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
}

void CLabelProductPart::SetLabelSettingRunner(LabelSettingRunner runner) {
    m_runLabelSetting = std::move(runner);
}

bool CLabelProductPart::ReadSelected(std::optional<LabelRecord>& product) {
    product.reset();
    const int selected = SelectedProduct();
    return selected < 0 ||
           Guarded([&] { product = m_db->ReadLabel(m_products[selected].bookmark); });
}

QString CLabelProductPart::SelectedText() const {
    const int selected = SelectedProduct();
    return selected >= 0 ? m_products[selected].text : QString();
}

const std::optional<CLabelGeometry>& CLabelProductPart::Sheet() const {
    return m_pSheet->Sheet();
}

int CLabelProductPart::RunLabelSetting(CBWLabelSettingDialog& dialog) {
    return m_runLabelSetting ? m_runLabelSetting(dialog) : dialog.exec();
}

bool CLabelProductPart::Guarded(const std::function<void()>& databaseWork) {
    try {
        databaseWork();
        return true;
    } catch (const CLabelDbError& e) {
        QmMessageBox(e.Description(), MsgIcon::Exclamation, MsgButtons::Ok, window());
        return false;
    }
}

void CLabelProductPart::FillMakers() {
    const QSignalBlocker block(m_pMakers);
    m_pMakers->clear();
    m_makers = m_db->ListMakers();
    for (const LabelMaker& maker : m_makers)
        m_pMakers->addItem(maker.name);
    m_pMakers->setCurrentIndex(-1);
}

void CLabelProductPart::FillProducts() {
    const QSignalBlocker block(m_pProducts);
    m_pProducts->clear();
    m_products.clear();
    const int maker = m_pMakers->currentIndex();
    if (maker < 0 || maker >= static_cast<int>(m_makers.size())) return;
    Guarded([this, maker] { m_products = m_db->ListProducts(m_makers[maker].bookmark); });
    for (const LabelProduct& product : m_products)
        m_pProducts->addItem(product.text);
}

bool CLabelProductPart::SelectMaker(int companyId) {
    const auto it = std::find_if(m_makers.begin(), m_makers.end(),
                                 [companyId](const LabelMaker& m) { return m.id == companyId; });
    if (it == m_makers.end()) return false;
    const QSignalBlocker block(m_pMakers);
    m_pMakers->setCurrentIndex(static_cast<int>(it - m_makers.begin()));
    return true;
}

bool CLabelProductPart::SelectProduct(int labelId) {
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

int CLabelProductPart::SelectedProduct() const {
    const QList<QListWidgetItem*> selected = m_pProducts->selectedItems();
    if (selected.isEmpty()) return -1;
    const int row = m_pProducts->row(selected.front());
    return row < static_cast<int>(m_products.size()) ? row : -1;
}

void CLabelProductPart::OnMakerChange() {
    FillProducts();
    if (!m_products.empty()) {
        const QSignalBlocker block(m_pProducts);
        m_pProducts->setCurrentRow(0);
    }
    OnProductChange();
}

void CLabelProductPart::OnProductChange() {
    const int selected = SelectedProduct();
    LabelRecord label;
    if (selected < 0 || !Guarded([&] { label = m_db->ReadLabel(m_products[selected].bookmark); })) {
        ShowNoProduct();
        return;
    }
    const LabelReadouts shown = MakeLabelReadouts(label, ReadoutsInCentimetres(MeasurementUnit()),
                                                  m_pMakers->currentText());
    ShowReadout(*m_pId, shown.id);
    ShowReadout(*m_pType, shown.type);
    ShowReadout(*m_pHeight, shown.height);
    ShowReadout(*m_pWidth, shown.width);
    ShowReadout(*m_pPaper, shown.paper);
    m_pSheet->SetSheet(label.geometry);
    m_pNewLabel->setEnabled(true);
    m_pDetails->setEnabled(true);
    m_pDelete->setEnabled(!label.stock);
    m_pProducts->setFocus();
    emit ProductChanged();
}

void CLabelProductPart::ShowNoProduct() {
    for (QLineEdit* readout : {m_pId, m_pType, m_pHeight, m_pWidth, m_pPaper})
        ShowReadout(*readout, QString());
    m_pSheet->SetSheet(std::nullopt);
    m_pNewLabel->setEnabled(true);
    m_pDetails->setEnabled(false);
    m_pDelete->setEnabled(false);
    emit ProductChanged();
}

void CLabelProductPart::OnDetails() {
    const int selected = SelectedProduct();
    if (selected < 0) return;
    const CRowBookmark bookmark = m_products[selected].bookmark;
    LabelRecord r;
    if (!Guarded([&] { r = m_db->ReadLabel(bookmark); })) return;
    CBWLabelSettingDialog dialog(r, !r.stock, LabelSettingInCentimetres(MeasurementUnit()),
                                 window());
    if (RunLabelSetting(dialog) != QDialog::Accepted) return;
    if (dialog.GetLabelID() == -1)
        WriteLabel(std::nullopt, dialog.GetLabel());
    else if (dialog.GetLabelID() >= 1 && dialog.IsNameEditable())
        WriteLabel(bookmark, dialog.GetLabel());
    // A stock label closed with OK but unchanged: nothing to write.
}

void CLabelProductPart::OnNewLabel() {
    // The selected product's geometry goes along; the dialog starts a new label from its own
    // defaults all the same.
    LabelRecord r;
    const int selected = SelectedProduct();
    if (selected >= 0 && !Guarded([&] { r = m_db->ReadLabel(m_products[selected].bookmark); }))
        return;
    r.id = -1;
    CBWLabelSettingDialog dialog(r, true, LabelSettingInCentimetres(MeasurementUnit()), window());
    if (RunLabelSetting(dialog) != QDialog::Accepted) return;
    // Also with an empty product list: a user who defines a label expects to keep it.
    WriteLabel(std::nullopt, dialog.GetLabel());
}

void CLabelProductPart::WriteLabel(const std::optional<CRowBookmark>& existing,
                                   const LabelRecord& label) {
    WrittenLabel written;
    if (!Guarded([&] {
            written = existing ? m_db->ChangeLabel(*existing, label) : m_db->InsertLabel(label);
        }))
        return;
    SelectWrittenRow(written);
}

void CLabelProductPart::SelectWrittenRow(const WrittenLabel& written) {
    SelectMaker(written.companyId);
    FillProducts();
    SelectProduct(written.id);
    OnProductChange();
}

void CLabelProductPart::OnDelete() {
    const int selected = SelectedProduct();
    if (selected < 0) return;
    if (QmMessageBox(Quillmark::tr("Are you sure that you want to delete this label?"),
                     MsgIcon::Question, MsgButtons::YesNo, window()) != IDYES)
        return;
    Guarded([&] { m_db->DeleteLabel(m_products[selected].bookmark); });
    // Listed again also after a failure: the list must not offer a row that may be gone.
    OnMakerChange();
}
