#include "shell/main_frame.h"

#include "common/length_text.h"
#include "common/settings_keys.h"
#include "engine/symbologies.h"
#include "job/document_edit.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"
#include "shell/label_panel.h"
#include "shell/options_dialog.h"
#include "shell/quillmark_doc.h"
#include "shell/quillmark_view.h"
#include "shell/status_note.h"
#include "shell/symbol_options_dialog.h"
#include "shell/window_placement.h"
#include "ui/translation.h"

#include <algorithm>
#include <memory>

#include <QAbstractEventDispatcher>
#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>

namespace {

// The symbol's data as the user reads it: UTF-8 for the symbologies that hold any text, else
// Latin-1.
QString DataText(const CBarcode& barcode) {
    return QString::fromStdString(EngineTextAsUtf8(barcode, barcode.m_strData));
}

QString FromLatin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Selects the item equal to `text` (ignoring case), appending it when the list has none.
void SelectOrAppend(QComboBox* box, const QString& text) {
    int at = box->findText(text, Qt::MatchFixedString);
    if (at < 0) {
        box->addItem(text);
        at = box->count() - 1;
    }
    box->setCurrentIndex(at);
}

} // namespace

// Icons and pictures live in the shell library; a static library must ask for them.
static void InitResources() {
    Q_INIT_RESOURCE(quillmark);
}

CMainFrame::CMainFrame(CQuillmarkDoc& doc, CCmdTarget& app) : m_doc(doc), m_app(app) {
    InitResources();
    m_view = new CQuillmarkView(this);
    setCentralWidget(m_view);
    m_view->SetDocument(&m_doc);

    setWindowIcon(QIcon(QStringLiteral(":/icons/quillmark.svg")));
    setAcceptDrops(true);
    CreateActions();
    CreateMenus();
    CreateContextMenu();
    CreateToolBars();
    CreateStatusBar();
    // The label's lines beside the view: shown by Tools > Label Lines, and for a document that
    // has lines.
    m_labelPanel = new CLabelPanel(m_doc, this);
    addDockWidget(Qt::RightDockWidgetArea, m_labelPanel);
    m_labelPanel->hide();
    QAction* lines = m_labelPanel->toggleViewAction();
    lines->setText(Quillmark::tr("Label Li&nes"));
    lines->setStatusTip(Quillmark::tr("Show the lines of text the label holds beside the symbol"));
    m_tools->insertAction(m_tools->actions().value(0), lines);

    connect(&m_doc, &CQuillmarkDoc::BarcodeReplaced, this, &CMainFrame::OnBarcodeReplaced);
    connect(&m_doc, &CDocument::TitleChanged, this, &CMainFrame::UpdateWindowTitle);
    UpdateWindowTitle();
    connect(m_view, &CQuillmarkView::ContextMenuRequested, this, &CMainFrame::ShowContextMenu);
    connect(m_view, &CQuillmarkView::Note, this, &CMainFrame::ShowNote);
    connect(&m_doc, &CQuillmarkDoc::Note, this, &CMainFrame::ShowNote);

    // Wide enough for the whole Format bar, whose symbology list holds long names: nothing of it
    // is tucked away behind the bar's overflow button at first.
    const int width = std::max(620, m_formatBar->sizeHint().width() + 16);
    resize(width, 490);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.width() / 2 - width / 2, area.height() / 2 - 245);
        KeepOnScreen(*this);
    }
    // Check marks and status panes follow the document whenever the event loop has nothing
    // else to do.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &CMainFrame::OnIdleUpdate);
}

CMainFrame::~CMainFrame() = default;

QString CMainFrame::MessagePaneText() const {
    return m_message->Note();
}

const QLabel* CMainFrame::MessagePane() const {
    return m_message;
}

QString CMainFrame::PaneText(int pane) const {
    const auto it = m_panes.find(pane);
    return it == m_panes.end() ? QString() : it->second->text();
}

bool CMainFrame::event(QEvent* e) {
    // Prompts of the highlighted command in the message pane; "Ready" when none is.
    if (e->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(e)->tip();
        ShowNote(tip);
        return true;
    }
    // Its frame is known once the window is shown: it too stays on the screen.
    if (e->type() == QEvent::Show && !m_placed) {
        m_placed = true;
        KeepOnScreen(*this);
    }
    return QMainWindow::event(e);
}

QComboBox* CMainFrame::ComboOf(QObject* watched) const {
    for (QComboBox* box : {m_dataBox, m_heightBox, m_fontName, m_fontSize, m_symbology, m_option})
        if (box && (watched == box || watched == box->lineEdit() || watched == box->view()))
            return box;
    return nullptr;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* e) {
    QComboBox* box = ComboOf(watched);
    if (!box) return QMainWindow::eventFilter(watched, e);
    // The wheel over a closed list that the user is not working in changes nothing: it is
    // meant for the window, and each notch would switch the symbology or the font.
    if (e->type() == QEvent::Wheel && !box->hasFocus() && !box->view()->isVisible()) {
        e->ignore();
        return true;
    }
    // With its list open, the list takes Enter and Esc before they are pressed (as a shortcut
    // override) to choose its highlighted item. A box the user types in (data, height) answers
    // them here first with what was typed; the other lists choose their highlighted item.
    const bool listKey =
        box->isEditable() && e->type() == QEvent::ShortcutOverride && watched == box->view();
    if (e->type() != QEvent::KeyPress && !listKey) return QMainWindow::eventFilter(watched, e);
    const auto* key = static_cast<QKeyEvent*>(e);
    if (listKey && key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter &&
        key->key() != Qt::Key_Escape)
        return QMainWindow::eventFilter(watched, e);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: {
        if (!box->isEditable()) break;
        // Enter or Esc closes the list and applies the box's text, never the item the list
        // has highlighted; the key goes no further.
        const QString typed = box->currentText();
        {
            // Closing the list would choose its highlighted item; nothing is chosen here.
            const QSignalBlocker quiet(box);
            box->hidePopup();
        }
        if (box->isEditable() && box->currentText() != typed) box->setEditText(typed);
        if (box == m_dataBox) OnDataReturn();
        if (box == m_heightBox) OnHeightReturn();
        return true;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) &&
            !box->view()->isVisible()) {
            box->showPopup();
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, e);
}

void CMainFrame::ApplyTypedData(const QString& typed, bool toHistory) {
    if (!m_doc.GetBarcode() || typed.isEmpty()) return;
    m_doc.ApplyTypedData(typed);
    // The box shows the data the symbol carries; the history keeps it when there is any.
    const QString encoded = DataText(*m_doc.GetBarcode());
    if (toHistory && !encoded.isEmpty() && m_dataBox->findText(encoded, Qt::MatchFixedString) < 0)
        m_dataBox->addItem(encoded);
    if (toHistory) {
        const int at = m_dataBox->findText(encoded, Qt::MatchFixedString);
        if (at >= 0) m_dataBox->setCurrentIndex(at);
    }
    m_dataBox->setEditText(encoded);
}

void CMainFrame::ShowNote(const QString& note) {
    m_message->SetNote(note.isEmpty() ? Quillmark::tr("Ready") : note);
}

void CMainFrame::OnDataReturn() {
    ApplyTypedData(m_dataBox->currentText(), true);
}

void CMainFrame::OnDataChosen(const QString& text) {
    ApplyTypedData(text, false);
}

void CMainFrame::CommitPendingEdits() {
    OnDataReturn();
    OnHeightReturn();
}

void CMainFrame::OnHeightReturn() {
    const QString typed = m_heightBox->currentText();
    if (!m_doc.ApplyTypedHeight(typed).applied) return;
    if (m_heightBox->findText(typed, Qt::MatchFixedString) < 0) {
        m_heightBox->addItem(typed);
        m_heightBox->setCurrentIndex(m_heightBox->count() - 1);
    }
    m_heightBox->setEditText(typed);
}

void CMainFrame::OnHeightChosen(const QString& text) {
    m_doc.ApplyTypedHeight(text);
}

void CMainFrame::OnSymbologyChosen(const QString& text) {
    if (const SymbologyInfo* s = FindSymbologyByListName(text.toStdString()))
        RouteCommand(s->command);
}

void CMainFrame::OnOptionChosen(int index) {
    m_doc.ApplyOption(index);
}

void CMainFrame::OnShowTextClicked(bool checked) {
    m_view->m_bShowText = checked;
    m_view->update();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    // One after another, as File Open would: the last one stays open.
    for (const QUrl& url : urls)
        if (url.isLocalFile()) emit FileDropped(url.toLocalFile());
}

QAction* CMainFrame::Action(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::ShowContextMenu(const QPoint& globalPos) {
    m_contextMenu->popup(globalPos);
}

bool CMainFrame::RouteCommand(int id) {
    // What the boxes hold is what prints, exports, copies and saves, confirmed or not.
    static constexpr int kUsesTheData[] = {
        cmd::kFilePrint,   cmd::kFilePrintDirect, cmd::kFilePrintPreview,
        cmd::kFileExport,  cmd::kFileSaveAs,      cmd::kEditCopy,
        cmd::kEditCopyWmf, cmd::kFileSave,        cmd::kFileSaveDocumentAs};
    if (std::find(std::begin(kUsesTheData), std::end(kUsesTheData), id) != std::end(kUsesTheData))
        CommitPendingEdits();
    if (m_view->OnCommand(id)) return true;
    if (m_doc.OnCommand(id)) return true;
    if (OnCommand(id)) return true;
    return m_app.OnCommand(id);
}

bool CMainFrame::OnCommand(int id) {
    if (id == cmd::kOptions) {
        OnOptions();
        return true;
    }
    if (id == cmd::kSymbolOptions) {
        OnSymbolOptions();
        return true;
    }
    return false;
}

void CMainFrame::OnUpdateCommand(CCmdUI& ui) {
    if (ui.id != cmd::kSymbolOptions) return;
    const CBarcode* bc = m_doc.GetBarcode();
    ui.Enable(bc && !bc->GetOptions().empty());
}

void CMainFrame::OnSymbolOptions() {
    const CBarcode* bc = m_doc.GetBarcode();
    if (!bc || bc->GetOptions().empty()) return;
    CSymbolOptionsDialog dialog(*bc, this);
    if (dialog.exec() != QDialog::Accepted) return;
    // Each changed option through the document, which says what became of the data.
    const std::vector<int> chosen = dialog.Choices();
    for (std::size_t i = 0; i < chosen.size(); ++i)
        if (m_doc.GetBarcode() && chosen[i] != m_doc.GetBarcode()->GetOptionValue(i))
            m_doc.ApplyOption(i, chosen[i]);
    UpdateOptionList();
}

void CMainFrame::OnOptions() {
    COptionsDialog dialog(this);
    dialog.exec();
    // The X dimension and ratio may have changed: every view draws again.
    m_doc.UpdateAllViews();
}

void CMainFrame::OnIdleUpdate() {
    for (const auto& [id, action] : m_actions) {
        CCmdUI ui;
        ui.id = id;
        m_view->OnUpdateCommand(ui);
        if (!ui.handled) m_doc.OnUpdateCommand(ui);
        if (!ui.handled) OnUpdateCommand(ui);
        if (!ui.handled) m_app.OnUpdateCommand(ui);
        if (action->isEnabled() != ui.enabled) action->setEnabled(ui.enabled);
        if (ui.checked && action->isChecked() != *ui.checked) action->setChecked(*ui.checked);
    }
    const CBarcode* bc = m_doc.GetBarcode();
    const SymbologyInfo* symbology = bc ? FindSymbology(bc->GetRuntimeClass()) : nullptr;
    const auto set = [this](int pane, const QString& text) {
        if (m_panes[pane]->text() != text) m_panes[pane]->setText(text);
    };
    set(cmd::kPaneSymbology, symbology ? QString::fromLatin1(symbology->paneName) : QString());
    set(cmd::kPaneSize, bc ? m_view->SizeReadout() : QString());
    if (const QString module = bc ? m_view->ModuleReadout() : QString();
        m_panes[cmd::kPaneSize]->toolTip() != module)
        m_panes[cmd::kPaneSize]->setToolTip(module);
    set(cmd::kPaneZoom, QStringLiteral("%1%").arg(m_view->m_nZoom * 100));
}

void CMainFrame::UpdateWindowTitle() {
    // The document's name, and a mark while it has changes that are not saved.
    setWindowTitle(Quillmark::tr("%1[*] - Bellwick Quillmark").arg(m_doc.GetTitle()));
    setWindowModified(m_doc.IsModified());
}

void CMainFrame::OnBarcodeReplaced() {
    UpdateBarcodeControls();
    if (!m_doc.GetDesign().lines.empty()) m_labelPanel->show();
    m_showText->setChecked(m_view->m_bShowText);
}

void CMainFrame::UpdateBarcodeControls() {
    const CBarcode* bc = m_doc.GetBarcode();
    if (!bc) return;
    SelectOrAppend(m_dataBox, DataText(*bc));
    // Mils, or thousandths of a centimetre.
    const bool centimetres = bc->m_nHeightUnit != 0;
    const double height = centimetres ? bc->m_nHeight : MilsInThousandthsCm(bc->m_nHeight);
    SelectOrAppend(m_heightBox,
                   QString::fromStdString(LengthNumber(height, centimetres)) +
                       (centimetres ? QStringLiteral(" cm") : QStringLiteral(" inch")));
    int font = m_fontName->findText(FromLatin1(bc->m_strFontName), Qt::MatchFixedString);
    if (font < 0) font = m_fontName->findText(DefaultFontName());
    m_fontName->setCurrentIndex(font);
    SelectOrAppend(m_fontSize, QString::number(bc->m_nFontSize));
    if (const SymbologyInfo* s = FindSymbology(bc->GetRuntimeClass()))
        m_symbology->setCurrentIndex(
            m_symbology->findText(QString::fromLatin1(s->listName), Qt::MatchFixedString));
    UpdateOptionList();
}

void CMainFrame::UpdateOptionList() {
    const CBarcode* bc = m_doc.GetBarcode();
    const CBarcode::COption* option = bc ? bc->GetOption() : nullptr;
    m_optionAction->setVisible(option != nullptr);
    if (!option) return;
    const QSignalBlocker quiet(m_option);
    m_option->clear();
    // As narrow as its longest choice allows: the bar has little room left.
    int width = 0;
    for (const char* choice : option->choices) {
        m_option->addItem(ShownText(choice));
        width = std::max(width, QFontMetrics(m_option->font())
                                    .horizontalAdvance(m_option->itemText(m_option->count() - 1)));
    }
    m_option->setFixedWidth(width + 32);
    m_option->setCurrentIndex(bc->GetOptionValue());
    const QString name = ShownText(option->name);
    m_option->setToolTip(name);
    m_option->setStatusTip(name);
}

void CMainFrame::SetRecentFiles(const QStringList& paths) {
    for (QAction* a : m_recentActions) {
        m_fileMenu->removeAction(a);
        a->deleteLater();
    }
    m_recentActions.clear();
    QAction* placeholder = Action(cmd::kFileMruFirst);
    placeholder->setVisible(paths.isEmpty());
    for (int i = 0; i < paths.size() && i < 4; ++i) {
        const QString shown = AbbreviatePath(paths[i]);
        auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown), this);
        a->setStatusTip(Quillmark::tr("Open this document"));
        const int id = cmd::kFileMruFirst + i;
        connect(a, &QAction::triggered, this, [this, id] { RouteCommand(id); });
        m_fileMenu->insertAction(placeholder, a);
        m_recentActions.push_back(a);
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    CommitPendingEdits();
    if (m_doc.SaveModified())
        event->accept();
    else
        event->ignore();
}
