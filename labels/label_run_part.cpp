#include "labels/label_run_part.h"

#include "common/run_report.h"
#include "common/settings_keys.h"
#include "ui/shown_message.h"
#include "ui/translation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

// Rows of the run's preview list.
constexpr int kPreviewRows = 5;

QLabel* Caption(const char* text, QWidget* parent, QWidget* buddy) {
    auto* label = new QLabel(Quillmark::tr(text), parent);
    label->setBuddy(buddy);
    return label;
}

QString LabelsText(std::int64_t n) {
    return n == 1 ? Quillmark::tr("1 label") : Quillmark::tr("%1 labels").arg(n);
}

QString SheetsText(std::int64_t n, bool labelSheet) {
    if (labelSheet) return n == 1 ? Quillmark::tr("1 sheet") : Quillmark::tr("%1 sheets").arg(n);
    return n == 1 ? Quillmark::tr("1 page") : Quillmark::tr("%1 pages").arg(n);
}

} // namespace

std::int64_t RunSheets(std::int64_t labels, const RunPaper& paper) {
    if (labels <= 0) return 0;
    if (!paper.labelSheet || paper.singleLabel) return labels;
    const std::int64_t perSheet = std::max<std::int64_t>(paper.perSheet, 1);
    return (paper.start + labels + perSheet - 1) / perSheet;
}

QString RunExtentText(std::int64_t labels, const RunPaper& paper) {
    if (labels < 0) return {};
    if (labels == 0) return Quillmark::tr("The run has no labels.");
    const std::int64_t sheets = RunSheets(labels, paper);
    QString text =
        Quillmark::tr("%1 on %2").arg(LabelsText(labels), SheetsText(sheets, paper.labelSheet));
    if (paper.copies > 1)
        text += Quillmark::tr(", each printed %1 times: %2 in all")
                    .arg(paper.copies)
                    .arg(SheetsText(sheets * paper.copies, paper.labelSheet));
    text += u'.';
    if (paper.labelSheet && paper.singleLabel && labels > 1)
        text +=
            u' ' + Quillmark::tr("A single label is chosen: each label takes a sheet of its own.");
    return text;
}

CLabelRunPart::CLabelRunPart(QWidget* parent)
    : QGroupBox(Quillmark::tr("Labels to Print"), parent) {
    auto* grid = new QGridLayout(this);
    m_pSame = new QRadioButton(Quillmark::tr("Same sy&mbol on each label"), this);
    m_pNumbered = new QRadioButton(Quillmark::tr("Numbe&red labels"), this);
    m_pFromFile = new QRadioButton(Quillmark::tr("From a data fi&le"), this);
    auto* kinds = new QVBoxLayout;
    for (QRadioButton* kind : {m_pSame, m_pNumbered, m_pFromFile})
        kinds->addWidget(kind);
    kinds->addStretch(1);
    grid->addLayout(kinds, 0, 0);

    m_pRunPages = new QStackedWidget(this);
    m_pRunPages->addWidget(BuildSamePage());
    m_pRunPages->addWidget(BuildNumberedPage());
    m_pRunPages->addWidget(BuildFilePage());
    grid->addWidget(m_pRunPages, 0, 1);

    // The first labels as they will read, and what is wrong.
    const QFontMetrics fm(font());
    auto* previewColumn = new QVBoxLayout;
    previewColumn->addWidget(new QLabel(Quillmark::tr("First labels:"), this));
    m_pRunPreview = new QListWidget(this);
    m_pRunPreview->setSelectionMode(QAbstractItemView::NoSelection);
    m_pRunPreview->setFocusPolicy(Qt::NoFocus);
    m_pRunPreview->setFixedSize(fm.averageCharWidth() * 30, fm.lineSpacing() * kPreviewRows +
                                                                2 * m_pRunPreview->frameWidth() +
                                                                4);
    previewColumn->addWidget(m_pRunPreview);
    previewColumn->addStretch(1);
    grid->addLayout(previewColumn, 0, 2);
    m_pRunNote = new QLabel(this);
    m_pRunNote->setWordWrap(true);
    grid->addWidget(m_pRunNote, 1, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    ConnectFields();
}

QWidget* CLabelRunPart::BuildSamePage() {
    // The same symbol: on so many sheets or labels.
    auto* same = new QWidget(m_pRunPages);
    auto* sameRow = new QHBoxLayout(same);
    sameRow->setContentsMargins(0, 0, 0, 0);
    m_pCount = new QSpinBox(same);
    m_pCount->setRange(1, static_cast<int>(kMaxRunLabels));
    m_pSheets = new QRadioButton(Quillmark::tr("sheets"), same);
    m_pLabels = new QRadioButton(Quillmark::tr("labels"), same);
    sameRow->addWidget(Caption(QT_TRANSLATE_NOOP("Quillmark", "Print on"), same, m_pCount));
    sameRow->addWidget(m_pCount);
    sameRow->addWidget(m_pSheets);
    sameRow->addWidget(m_pLabels);
    sameRow->addStretch(1);
    auto* samePage = new QWidget(m_pRunPages);
    auto* sameColumn = new QVBoxLayout(samePage);
    sameColumn->setContentsMargins(0, 0, 0, 0);
    sameColumn->addWidget(same);
    sameColumn->addStretch(1);
    return samePage;
}

QWidget* CLabelRunPart::BuildNumberedPage() {
    // Numbered: first to last (or a count of numbers) by a step, with their digits and text.
    auto* numbered = new QWidget(m_pRunPages);
    auto* ng = new QGridLayout(numbered);
    ng->setContentsMargins(0, 0, 0, 0);
    // Whole numbers as a run takes them: a sign, then up to eighteen digits.
    auto* wholeNumber = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[-+]?[0-9]{0,18}")), numbered);
    const QFontMetrics fm(font());
    const auto numberField = [&] {
        auto* field = new QLineEdit(numbered);
        field->setValidator(wholeNumber);
        field->setFixedWidth(fm.horizontalAdvance(QStringLiteral("0000000000000")) + 12);
        return field;
    };
    m_pFirst = numberField();
    m_pLast = numberField();
    m_pNumbers = numberField();
    m_pStep = numberField();
    m_pDigits = new QSpinBox(numbered);
    m_pDigits->setRange(0, 40);
    m_pPrefix = new QLineEdit(numbered);
    m_pSuffix = new QLineEdit(numbered);
    ng->addWidget(Caption(QT_TRANSLATE_NOOP("Quillmark", "First:"), numbered, m_pFirst), 0, 0);
    ng->addWidget(m_pFirst, 0, 1);
    ng->addWidget(Caption(QT_TRANSLATE_NOOP("Quillmark", "Last:"), numbered, m_pLast), 0, 2);
    ng->addWidget(m_pLast, 0, 3);
    ng->addWidget(Caption(QT_TRANSLATE_NOOP("Quillmark", "or count:"), numbered, m_pNumbers), 0, 4);
    ng->addWidget(m_pNumbers, 0, 5);
    ng->addWidget(Caption(QT_TRANSLATE_NOOP("Quillmark", "Step:"), numbered, m_pStep), 1, 0);
    ng->addWidget(m_pStep, 1, 1);
    ng->addWidget(Caption(QT_TRANSLATE_NOOP("Quillmark", "Digits:"), numbered, m_pDigits), 1, 2);
    ng->addWidget(m_pDigits, 1, 3, Qt::AlignLeft);
    ng->addWidget(Caption(QT_TRANSLATE_NOOP("Quillmark", "Before:"), numbered, m_pPrefix), 2, 0);
    ng->addWidget(m_pPrefix, 2, 1);
    ng->addWidget(Caption(QT_TRANSLATE_NOOP("Quillmark", "After:"), numbered, m_pSuffix), 2, 2);
    ng->addWidget(m_pSuffix, 2, 3);
    ng->setColumnStretch(6, 1);
    return numbered;
}

QWidget* CLabelRunPart::BuildFilePage() {
    // From a file: the file, its column, its header line and copies.
    auto* file = new QWidget(m_pRunPages);
    auto* fg = new QGridLayout(file);
    fg->setContentsMargins(0, 0, 0, 0);
    const QFontMetrics fm(font());
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
    fg->addWidget(Caption(QT_TRANSLATE_NOOP("Quillmark", "File:"), file, m_pFile), 0, 0);
    fg->addWidget(m_pFile, 0, 1, 1, 3);
    fg->addWidget(m_pBrowse, 0, 4);
    fg->addWidget(Caption(QT_TRANSLATE_NOOP("Quillmark", "Column:"), file, m_pDataColumn), 1, 0);
    fg->addWidget(m_pDataColumn, 1, 1);
    fg->addWidget(m_pHeader, 1, 2, 1, 3);
    fg->addWidget(Caption(QT_TRANSLATE_NOOP("Quillmark", "Copies column:"), file, m_pCopiesColumn),
                  2, 0);
    fg->addWidget(m_pCopiesColumn, 2, 1);
    fg->addWidget(Caption(QT_TRANSLATE_NOOP("Quillmark", "Separator:"), file, m_pSeparator), 2, 2);
    fg->addWidget(m_pSeparator, 2, 3, 1, 2);
    fg->setColumnStretch(3, 1);
    return file;
}

void CLabelRunPart::ConnectFields() {
    int page = 0;
    for (QRadioButton* kind : {m_pSame, m_pNumbered, m_pFromFile}) {
        connect(kind, &QRadioButton::toggled, this, [this, page](bool on) {
            if (!on) return;
            m_pRunPages->setCurrentIndex(page);
            emit Changed();
        });
        ++page;
    }
    for (QSpinBox* box : {m_pCount, m_pDigits})
        connect(box, &QSpinBox::valueChanged, this, &CLabelRunPart::Changed);
    for (QLineEdit* field : {m_pFirst, m_pLast, m_pNumbers, m_pStep, m_pPrefix, m_pSuffix, m_pFile,
                             m_pDataColumn, m_pCopiesColumn})
        connect(field, &QLineEdit::textChanged, this, &CLabelRunPart::Changed);
    for (QAbstractButton* box : std::initializer_list<QAbstractButton*>{m_pSheets, m_pHeader})
        connect(box, &QAbstractButton::toggled, this, &CLabelRunPart::Changed);
    connect(m_pSeparator, &QComboBox::currentIndexChanged, this, &CLabelRunPart::Changed);
    // The last number or a count of numbers: typing one clears the other.
    connect(m_pLast, &QLineEdit::textEdited, m_pNumbers, &QLineEdit::clear);
    connect(m_pNumbers, &QLineEdit::textEdited, m_pLast, &QLineEdit::clear);
    connect(m_pBrowse, &QPushButton::clicked, this, &CLabelRunPart::OnBrowse);
}

void CLabelRunPart::ShowRun(const CLabelRunChoice& run) {
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
}

CLabelRunChoice CLabelRunPart::Choice() const {
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
    return run;
}

void CLabelRunPart::SetFileChooser(FileChooser chooser) {
    m_chooseFile = std::move(chooser);
}

void CLabelRunPart::ShowReport(const CRunReport& report, const QString& extent, bool warn) {
    m_pRunPreview->clear();
    for (const CRunPreviewLine& label : report.preview)
        m_pRunPreview->addItem(QStringLiteral("%1: %2").arg(ShownMessage(label.where),
                                                            QString::fromStdString(label.reads)));
    QString wrong;
    if (!report.error.Empty())
        wrong =
            Quillmark::tr("These labels cannot be printed: %1.").arg(ShownMessage(report.error));
    else if (!report.tooLarge.Empty())
        wrong =
            Quillmark::tr("The symbol is cut by its label: %1.").arg(ShownMessage(report.tooLarge));
    else if (!report.problems.empty())
        wrong = Quillmark::tr("%1 would not print as given: %2.")
                    .arg(ShownMessage(ProblemPlace(report.problems.front())),
                         ShownMessages(report.problems.front().why));
    m_pRunNote->setText(extent.isEmpty() || wrong.isEmpty() ? extent + wrong
                                                            : extent + u' ' + wrong);
    // Red for what needs the user's eye; a plain count reads as the dialog's other texts.
    m_pRunNote->setStyleSheet(
        warn || !wrong.isEmpty() ? QStringLiteral("QLabel { color: #b00000; }") : QString());
}

void CLabelRunPart::OnBrowse() {
    // The file named so far, else the folder a data file was last chosen in.
    const QString start = !m_pFile->text().isEmpty()
                              ? m_pFile->text()
                              : QString::fromStdString(settings::Get(settings::kDataFileFolder));
    std::optional<QString> chosen;
    if (m_chooseFile) {
        chosen = m_chooseFile(start);
    } else {
        const QString file = QFileDialog::getOpenFileName(
            this, Quillmark::tr("Data File"), start,
            Quillmark::tr("Text and CSV files (*.csv *.txt *.tsv);;All files (*)"));
        if (!file.isEmpty()) chosen = file;
    }
    if (!chosen) return;
    m_pFile->setText(*chosen);
    settings::Set(settings::kDataFileFolder, QFileInfo(*chosen).absolutePath().toStdString());
}
