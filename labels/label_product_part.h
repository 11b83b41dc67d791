#pragma once
// The print dialog's label section above the run's start: the label makers and their products
// from the label database, the buttons that show, create and delete products, the chosen
// product's read-outs and sheet picture, and whether to fill the sheet or print one label.

#include "labels/label_database.h"
#include "labels/single_label_group.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CBWLabelSettingDialog;
class CBWSheetPreview;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

// What the read-outs show for one label product of `maker`.
struct LabelReadouts {
    QString id; // its ID and the name the command line knows it by: "106 (Avery:5160)"
    QString type;
    QString height;
    QString width;
    QString paper; // empty for a paper index that names no paper
};
LabelReadouts MakeLabelReadouts(const LabelRecord& label, bool centimetres,
                                const QString& maker = {});

// The measurement unit "Options"/"Unit": the read-outs show centimetres for anything but 0,
// the label setting dialog is told centimetres only for 1.
bool ReadoutsInCentimetres(int unit);
bool LabelSettingInCentimetres(int unit);

// What keeps a label product from printing, worded to follow "cannot be printed: " (empty when
// nothing does): a label narrower or shorter than one dot of a 600 dpi printer, no labels
// across or down, more labels than a printed page holds (kMaxLabelsPerPage), or a pitch smaller
// than the label where more than one label lies that way, so that labels would overlap.
QString LabelPrintFault(const CLabelGeometry& geometry);

class CLabelProductPart : public QWidget {
    Q_OBJECT
public:
    // How a label setting dialog is run for "&Details..." and "&New Label..."; modally unless
    // replaced. Returns QDialog::Accepted or QDialog::Rejected.
    using LabelSettingRunner = std::function<int(CBWLabelSettingDialog&)>;
    // How the label database is found; it reports in `repaired` a damaged per-user copy it
    // replaced.
    using DatabaseLocator =
        std::function<LabelConnectionParams(std::optional<LabelCopyRepair>* repaired)>;

    explicit CLabelProductPart(QWidget* parent = nullptr);
    ~CLabelProductPart() override;

    // Opens the label database (LabelConnectionFromSettings for the program's folder without a
    // locator) and lists its makers. False when it cannot be opened, after telling the user
    // (and of a repaired copy) in boxes modal to `messageParent`.
    bool Open(const DatabaseLocator& locate, QWidget* messageParent);
    // Selects the product "SavedLabelID" names, else the first product of the table.
    void SelectSaved();
    void SetLabelSettingRunner(LabelSettingRunner runner);

    // The selected product as the database holds it now, none when none is selected. False
    // after the database's message when it cannot be read.
    bool ReadSelected(std::optional<LabelRecord>& product);
    // The selected product's list entry, empty when none is selected.
    QString SelectedText() const;
    // The sheet of the product shown, none when no product is chosen.
    const std::optional<CLabelGeometry>& Sheet() const;

    CSingleLabelGroup& Placement() const { return *m_pPlacement; }
    QComboBox& MakerList() const { return *m_pMakers; }
    QListWidget& ProductList() const { return *m_pProducts; }
    QPushButton& DetailsButton() const { return *m_pDetails; }
    QPushButton& NewLabelButton() const { return *m_pNewLabel; }
    QPushButton& DeleteButton() const { return *m_pDelete; }
    QLineEdit& IdReadout() const { return *m_pId; }
    QLineEdit& TypeReadout() const { return *m_pType; }
    QLineEdit& HeightReadout() const { return *m_pHeight; }
    QLineEdit& WidthReadout() const { return *m_pWidth; }
    QLineEdit& PaperReadout() const { return *m_pPaper; }
    CBWSheetPreview& SheetPreview() const { return *m_pSheet; }

signals:
    // The selection changed or was listed anew; the read-outs and the sheet show it.
    void ProductChanged();

private:
    QWidget* BuildInformationGroup();
    void OnMakerChange();
    void OnProductChange();
    void ShowNoProduct();
    void OnDetails();
    void OnNewLabel();
    void OnDelete();
    void FillMakers();
    void FillProducts();
    bool SelectMaker(int companyId);
    bool SelectProduct(int labelId);
    int SelectedProduct() const; // index into m_products, -1 for none
    int RunLabelSetting(CBWLabelSettingDialog& dialog);
    void WriteLabel(const std::optional<CRowBookmark>& existing, const LabelRecord& label);
    void SelectWrittenRow(const WrittenLabel& written);
    bool Guarded(const std::function<void()>& databaseWork);

    std::unique_ptr<CLabelDatabase> m_db;
    // Bookmarks of the list entries, in list order.
    std::vector<LabelMaker> m_makers;
    std::vector<LabelProduct> m_products;
    LabelSettingRunner m_runLabelSetting;

    QComboBox* m_pMakers = nullptr;
    QListWidget* m_pProducts = nullptr;
    QPushButton* m_pDetails = nullptr;
    QPushButton* m_pNewLabel = nullptr;
    QPushButton* m_pDelete = nullptr;
    CSingleLabelGroup* m_pPlacement = nullptr;
    QLineEdit* m_pId = nullptr;
    QLineEdit* m_pType = nullptr;
    QLineEdit* m_pHeight = nullptr;
    QLineEdit* m_pWidth = nullptr;
    QLineEdit* m_pPaper = nullptr;
    CBWSheetPreview* m_pSheet = nullptr;
};
