#include "shell/label_panel.h"

#include "shell/framework.h"
#include "shell/quillmark_doc.h"
#include "ui/translation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The list's text of a line: its text, or a word for an empty one.
QString Shown(const CDesignLine& line) {
    return line.text.empty() ? Quillmark::tr("(empty line)") : Utf8(line.text);
}

} // namespace

CLabelPanel::CLabelPanel(CQuillmarkDoc& doc, QWidget* parent)
    : QDockWidget(Quillmark::tr("Label"), parent), m_doc(doc) {
    setObjectName(QStringLiteral("Label"));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                QDockWidget::DockWidgetClosable);
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(new QLabel(Quillmark::tr("Lines of the label:"), body));
    m_lines = new QListWidget(body);
    m_lines->setMaximumHeight(130);
    layout->addWidget(m_lines);
    auto* buttons = new QHBoxLayout;
    m_add = new QPushButton(Quillmark::tr("&Add"), body);
    m_remove = new QPushButton(Quillmark::tr("Re&move"), body);
    m_up = new QPushButton(Quillmark::tr("Up"), body);
    m_down = new QPushButton(Quillmark::tr("Down"), body);
    for (QPushButton* b : {m_add, m_remove, m_up, m_down})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    layout->addWidget(BuildLineEditors());
    auto* hint = new QLabel(Quillmark::tr("Fields: {data}, {n}, {number}, {date} and a column "
                                          "of the data file, such as {name} or {2}."),
                            body);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addStretch(1);
    setWidget(body);
    Connect();
    Reload();
}

QWidget* CLabelPanel::BuildLineEditors() {
    auto* box = new QWidget(this);
    auto* form = new QFormLayout(box);
    form->setContentsMargins(0, 0, 0, 0);
    m_text = new QLineEdit(box);
    form->addRow(Quillmark::tr("&Text:"), m_text);
    m_font = new QComboBox(box);
    m_font->addItems(FontFamilies());
    m_font->setEditable(true);
    form->addRow(Quillmark::tr("&Font:"), m_font);
    m_size = new QSpinBox(box);
    m_size->setRange(CLabelDesign::kMinPoints, CLabelDesign::kMaxPoints);
    m_size->setSuffix(Quillmark::tr(" pt"));
    form->addRow(Quillmark::tr("&Size:"), m_size);
    auto* style = new QHBoxLayout;
    m_bold = new QCheckBox(Quillmark::tr("&Bold"), box);
    m_italic = new QCheckBox(Quillmark::tr("&Italic"), box);
    style->addWidget(m_bold);
    style->addWidget(m_italic);
    form->addRow(Quillmark::tr("Style:"), style);
    m_align = new QComboBox(box);
    m_align->addItems({Quillmark::tr("Left"), Quillmark::tr("Centre"), Quillmark::tr("Right")});
    form->addRow(Quillmark::tr("A&lign:"), m_align);
    m_place = new QComboBox(box);
    m_place->addItems({Quillmark::tr("Above the symbol"), Quillmark::tr("Below the symbol"),
                       Quillmark::tr("Left of the symbol"), Quillmark::tr("Right of the symbol")});
    form->addRow(Quillmark::tr("&Place:"), m_place);
    m_template = new QLineEdit(box);
    m_template->setPlaceholderText(Quillmark::tr("the run's own data"));
    form->addRow(Quillmark::tr("&Data in a run:"), m_template);
    return box;
}

void CLabelPanel::Connect() {
    connect(&m_doc, &CDocument::Changed, this, [this] {
        if (!m_applying) Reload();
    });
    connect(m_lines, &QListWidget::currentRowChanged, this, &CLabelPanel::ShowLine);
    connect(m_add, &QPushButton::clicked, this, &CLabelPanel::OnAdd);
    connect(m_remove, &QPushButton::clicked, this, &CLabelPanel::OnRemove);
    connect(m_up, &QPushButton::clicked, this, [this] { OnMove(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { OnMove(1); });
    // Typing is one edit of a line for Undo; every other choice an edit of its own.
    connect(m_text, &QLineEdit::textEdited, this,
            [this] { ApplyLine("text " + std::to_string(m_lines->currentRow())); });
    connect(m_font, &QComboBox::currentTextChanged, this, [this] { ApplyLine(); });
    connect(m_size, &QSpinBox::valueChanged, this, [this] { ApplyLine(); });
    connect(m_bold, &QCheckBox::toggled, this, [this] { ApplyLine(); });
    connect(m_italic, &QCheckBox::toggled, this, [this] { ApplyLine(); });
    connect(m_align, &QComboBox::currentIndexChanged, this, [this] { ApplyLine(); });
    connect(m_place, &QComboBox::currentIndexChanged, this, [this] { ApplyLine(); });
    connect(m_template, &QLineEdit::textEdited, this, &CLabelPanel::ApplyTemplate);
}

void CLabelPanel::Reload() {
    const CLabelDesign& design = m_doc.GetDesign();
    const int row = m_lines->currentRow();
    {
        const QSignalBlocker quiet(m_lines);
        m_lines->clear();
        for (const CDesignLine& line : design.lines)
            m_lines->addItem(Shown(line));
        if (!design.lines.empty())
            m_lines->setCurrentRow(std::clamp(row, 0, static_cast<int>(design.lines.size()) - 1));
    }
    if (m_template->text() != Utf8(design.dataTemplate))
        m_template->setText(Utf8(design.dataTemplate));
    ShowLine(m_lines->currentRow());
}

void CLabelPanel::ShowLine(int row) {
    const CLabelDesign& design = m_doc.GetDesign();
    const bool have = row >= 0 && static_cast<std::size_t>(row) < design.lines.size();
    const CDesignLine line = have ? design.lines[static_cast<std::size_t>(row)] : CDesignLine{};
    const QSignalBlocker a(m_text), b(m_font), c(m_size), d(m_bold), e(m_italic), f(m_align),
        g(m_place);
    if (m_text->text() != Utf8(line.text)) m_text->setText(have ? Utf8(line.text) : QString());
    m_font->setCurrentText(Utf8(line.face));
    m_size->setValue(line.points);
    m_bold->setChecked(line.bold);
    m_italic->setChecked(line.italic);
    m_align->setCurrentIndex(static_cast<int>(line.align));
    m_place->setCurrentIndex(static_cast<int>(line.place));
    EnableEditors();
}

void CLabelPanel::EnableEditors() {
    const int row = m_lines->currentRow(), count = m_lines->count();
    const bool have = row >= 0;
    for (QWidget* w : std::initializer_list<QWidget*>{m_text, m_font, m_size, m_bold, m_italic,
                                                      m_align, m_place, m_remove})
        w->setEnabled(have);
    m_up->setEnabled(have && row > 0);
    m_down->setEnabled(have && row + 1 < count);
    m_add->setEnabled(static_cast<std::size_t>(count) < CLabelDesign::kMaxLines);
}

void CLabelPanel::ApplyLine(const std::string& mergeKey) {
    const int row = m_lines->currentRow();
    CLabelDesign design = m_doc.GetDesign();
    if (row < 0 || static_cast<std::size_t>(row) >= design.lines.size()) return;
    CDesignLine& line = design.lines[static_cast<std::size_t>(row)];
    line.text = m_text->text().toStdString();
    line.face = m_font->currentText().toStdString();
    line.points = m_size->value();
    line.bold = m_bold->isChecked();
    line.italic = m_italic->isChecked();
    line.align = static_cast<LineAlign>(std::max(0, m_align->currentIndex()));
    line.place = static_cast<LinePlace>(std::max(0, m_place->currentIndex()));
    m_lines->item(row)->setText(Shown(line));
    m_applying = true;
    m_doc.SetDesign(design, mergeKey);
    m_applying = false;
}

void CLabelPanel::ApplyTemplate() {
    CLabelDesign design = m_doc.GetDesign();
    design.dataTemplate = m_template->text().toStdString();
    m_applying = true;
    m_doc.SetDesign(design, "template");
    m_applying = false;
}

void CLabelPanel::OnAdd() {
    CLabelDesign design = m_doc.GetDesign();
    if (design.lines.size() >= CLabelDesign::kMaxLines) return;
    // Below the chosen line, as it is set.
    const int row = m_lines->currentRow();
    CDesignLine line = row >= 0 ? design.lines[static_cast<std::size_t>(row)] : CDesignLine{};
    line.text = "{data}";
    const int at = row >= 0 ? row + 1 : static_cast<int>(design.lines.size());
    design.lines.insert(design.lines.begin() + at, line);
    m_doc.SetDesign(design);
    m_lines->setCurrentRow(at);
    m_text->setFocus();
    m_text->selectAll();
}

void CLabelPanel::OnRemove() {
    CLabelDesign design = m_doc.GetDesign();
    const int row = m_lines->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= design.lines.size()) return;
    design.lines.erase(design.lines.begin() + row);
    m_doc.SetDesign(design);
}

void CLabelPanel::OnMove(int by) {
    CLabelDesign design = m_doc.GetDesign();
    const int row = m_lines->currentRow(), to = row + by;
    if (row < 0 || to < 0 || static_cast<std::size_t>(to) >= design.lines.size()) return;
    std::swap(design.lines[static_cast<std::size_t>(row)],
              design.lines[static_cast<std::size_t>(to)]);
    m_doc.SetDesign(design);
    m_lines->setCurrentRow(to);
}
