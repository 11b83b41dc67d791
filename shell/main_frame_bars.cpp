// The main window's menus, tool bars, context menu and status bar, and the actions they share.

#include "shell/main_frame.h"

#include "engine/symbologies.h"
#include "shell/command_ids.h"
#include "shell/command_table.h"
#include "shell/quillmark_doc.h"
#include "shell/status_note.h"
#include "ui/translation.h"

#include <algorithm>
#include <memory>

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

QAction* CMainFrame::AddAction(int id, const char* menuText, const char* prompt,
                               const std::vector<QKeySequence>& keys) {
    auto* action = new QAction(Quillmark::tr(menuText), this);
    const QString text = Quillmark::tr(prompt);
    const int nl = text.indexOf('\n');
    action->setStatusTip(nl < 0 ? text : text.left(nl));
    if (nl >= 0) action->setToolTip(text.mid(nl + 1));
    action->setShortcuts(QList<QKeySequence>(keys.begin(), keys.end()));
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
    addAction(action); // keys work without a menu item
    m_actions[id] = action;
    return action;
}

void CMainFrame::CreateActions() {
    for (const CommandText& c : Commands())
        AddAction(c.id, c.menuText, c.prompt, c.keys);
    // One check mark among the symbologies: a group of exclusive choices.
    auto* symbologies = new QActionGroup(this);
    symbologies->setExclusive(true);
    for (const SymbologyInfo& s : Symbologies()) {
        QAction* action = AddAction(s.command, s.menuText, s.prompt, {});
        action->setCheckable(true);
        symbologies->addAction(action);
    }
    for (int id : {cmd::kFileNew, cmd::kEditCopy, cmd::kZoomIn, cmd::kZoomOut, cmd::kOptions,
                   cmd::kFilePrintPreview, cmd::kFilePrint, cmd::kAbout, cmd::kFontPicture,
                   cmd::kRotateLeft, cmd::kRotateRight})
        Action(id)->setIcon(CommandIcon(id));
}

void CMainFrame::CreateMenus() {
    m_fileMenu = menuBar()->addMenu(Quillmark::tr("&File"));
    m_fileMenu->addAction(Action(cmd::kFileNew));
    m_fileMenu->addAction(Action(cmd::kFileOpen));
    m_fileMenu->addAction(Action(cmd::kFileSave));
    m_fileMenu->addAction(Action(cmd::kFileSaveDocumentAs));
    m_fileMenu->addAction(Action(cmd::kFileExport));
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(Action(cmd::kFilePrint));
    m_fileMenu->addAction(Action(cmd::kFilePrintPreview));
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(Action(cmd::kFileMruFirst));
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(Action(cmd::kAppExit));

    QMenu* edit = menuBar()->addMenu(Quillmark::tr("&Edit"));
    edit->addAction(Action(cmd::kEditUndo));
    edit->addAction(Action(cmd::kEditRedo));

    // A submenu per group of the symbology table, in the table's order within each.
    QMenu* symbology = menuBar()->addMenu(Quillmark::tr("&Symbology"));
    for (int g = 0; g < static_cast<int>(SymbologyGroup::Count); ++g) {
        const auto group = static_cast<SymbologyGroup>(g);
        QMenu* submenu = symbology->addMenu(ShownText(GroupName(group)));
        for (const SymbologyInfo& s : Symbologies())
            if (s.group == group) submenu->addAction(Action(s.command));
    }

    QMenu* tools = m_tools = menuBar()->addMenu(Quillmark::tr("&Tools"));
    tools->addAction(Action(cmd::kEditCopy));
    tools->addSeparator();
    tools->addAction(Action(cmd::kRotateLeft));
    tools->addAction(Action(cmd::kRotateRight));
    tools->addSeparator();
    tools->addAction(Action(cmd::kZoomIn));
    tools->addAction(Action(cmd::kZoomOut));
    tools->addSeparator();
    tools->addAction(Action(cmd::kOptions));
    tools->addAction(Action(cmd::kSymbolOptions));

    QMenu* help = menuBar()->addMenu(Quillmark::tr("&Help"));
    help->addAction(Action(cmd::kUserGuide));
    help->addAction(Action(cmd::kForum));
    help->addAction(Action(cmd::kSupport));
    help->addSeparator();
    help->addAction(Action(cmd::kAbout));

    SetRecentFiles({});
}

void CMainFrame::CreateContextMenu() {
    // The view's context menu, owned by the frame so its commands route like the menus'.
    m_contextMenu = new QMenu(this);
    m_contextMenu->addAction(Action(cmd::kFileSave));
    m_contextMenu->addAction(Action(cmd::kFileExport));
    m_contextMenu->addSeparator();
    m_contextMenu->addAction(Action(cmd::kEditCopy));
    m_contextMenu->addSeparator();
    m_contextMenu->addAction(Action(cmd::kZoomIn));
    m_contextMenu->addAction(Action(cmd::kZoomOut));
}

QComboBox* CMainFrame::CreateCombo(int id, int width, bool editable, QToolBar* bar) {
    auto* box = new QComboBox(bar);
    box->setEditable(editable);
    box->setFixedWidth(width);
    box->setMaxVisibleItems(10);
    // A list, never a menu as tall as the screen, whatever the style prefers.
    box->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    if (editable) box->setInsertPolicy(QComboBox::NoInsert);
    // A turn of the wheel gives no focus: the wheel over a list the user is not in is meant for
    // the window, and the event filter can only tell so while the list has not taken focus.
    box->setFocusPolicy(Qt::StrongFocus);
    const QAction* action = Action(id);
    if (action) {
        box->setToolTip(action->toolTip());
        box->setStatusTip(action->statusTip());
    }
    box->installEventFilter(this);
    // With the list open the keys go to it: Enter and Esc must still apply the box's text.
    box->view()->installEventFilter(this);
    if (box->lineEdit()) {
        box->lineEdit()->installEventFilter(this);
        // What the box shows is what is applied: no history item completes the typing.
        box->setCompleter(nullptr);
    }
    bar->addWidget(box);
    return box;
}

void CMainFrame::CreateToolBars() {
    CreateStandardBar();
    // The window is too narrow for both bars in one row.
    addToolBarBreak(Qt::TopToolBarArea);
    CreateFormatBar();
    ConnectToolbarControls();
}

void CMainFrame::CreateStandardBar() {
    m_standardBar = new QToolBar(Quillmark::tr("Standard"), this);
    m_standardBar->setObjectName(QStringLiteral("Standard"));
    m_standardBar->addAction(Action(cmd::kFileNew));
    m_standardBar->addSeparator();
    m_standardBar->addAction(Action(cmd::kEditCopy));
    m_standardBar->addSeparator();
    m_standardBar->addAction(Action(cmd::kZoomIn));
    m_standardBar->addAction(Action(cmd::kZoomOut));
    m_standardBar->addSeparator();
    m_dataBox = CreateCombo(cmd::kDataBox, 160, true, m_standardBar);
    m_standardBar->addSeparator();
    m_standardBar->addAction(Action(cmd::kOptions));
    // Wide enough for "10.00 inch" in this desktop's font, and never narrower than 80.
    const int heightWidth = std::max(80, QFontMetrics(font()).horizontalAdvance("10.00 inch") + 36);
    m_heightBox = CreateCombo(cmd::kHeightBox, heightWidth, true, m_standardBar);
    m_standardBar->addSeparator();
    m_standardBar->addAction(Action(cmd::kFilePrintPreview));
    m_standardBar->addAction(Action(cmd::kFilePrint));
    m_standardBar->addSeparator();
    m_standardBar->addAction(Action(cmd::kAbout));
    addToolBar(Qt::TopToolBarArea, m_standardBar);
}

void CMainFrame::CreateFormatBar() {
    m_formatBar = new QToolBar(Quillmark::tr("Format"), this);
    m_formatBar->setObjectName(QStringLiteral("Format"));
    m_formatBar->addAction(Action(cmd::kFontPicture));
    m_fontName = CreateCombo(cmd::kFontName, 110, false, m_formatBar);
    m_fontName->addItems(FontFamilies());
    m_fontName->view()->setMinimumWidth(285);
    m_fontName->setCurrentIndex(m_fontName->findText(DefaultFontName()));
    m_fontSize = CreateCombo(cmd::kFontSize, 50, false, m_formatBar);
    m_fontSize->addItems({"8", "9", "10", "12", "14", "16", "24", "36", "48", "72"});
    m_formatBar->addSeparator();
    m_showText = new QCheckBox(Quillmark::tr("Show Text"), m_formatBar);
    // As wide as its caption needs, no wider: the bar has little room to spare.
    m_showText->setFixedSize(m_showText->sizeHint().width(), 30);
    m_showText->setToolTip(Action(cmd::kShowText)->toolTip());
    m_showText->setStatusTip(Action(cmd::kShowText)->statusTip());
    m_formatBar->addWidget(m_showText);
    m_formatBar->addSeparator();
    m_formatBar->addAction(Action(cmd::kRotateLeft));
    m_formatBar->addAction(Action(cmd::kRotateRight));
    m_formatBar->addSeparator();
    // Wide enough for the longest name in this desktop's font, and never narrower than 110.
    int symbologyWidth = 110;
    for (const SymbologyInfo& s : Symbologies())
        symbologyWidth =
            std::max(symbologyWidth, QFontMetrics(font()).horizontalAdvance(s.listName) + 26);
    m_symbology = CreateCombo(cmd::kSymbologyList, symbologyWidth, false, m_formatBar);
    // Each with what it is for, as its tool tip.
    for (const SymbologyInfo& s : Symbologies()) {
        m_symbology->addItem(QString::fromLatin1(s.listName));
        m_symbology->setItemData(m_symbology->count() - 1, QString::fromUtf8(s.help),
                                 Qt::ToolTipRole);
    }
    m_symbology->view()->setMinimumWidth(150);
    m_option = CreateCombo(0, 60, false, m_formatBar);
    m_optionAction = m_formatBar->actions().back();
    m_optionAction->setVisible(false);
    m_formatBar->addAction(Action(cmd::kSymbolOptions));
    addToolBar(Qt::TopToolBarArea, m_formatBar);
}

void CMainFrame::ConnectToolbarControls() {
    const auto applyFont = [this] {
        m_doc.ApplyFont(m_fontName->currentText(), m_fontSize->currentText());
    };
    connect(m_dataBox, &QComboBox::activated, this,
            [this](int i) { OnDataChosen(m_dataBox->itemText(i)); });
    connect(m_heightBox, &QComboBox::activated, this,
            [this](int i) { OnHeightChosen(m_heightBox->itemText(i)); });
    connect(m_fontName, &QComboBox::activated, this, applyFont);
    connect(m_fontSize, &QComboBox::activated, this, applyFont);
    connect(m_symbology, &QComboBox::activated, this,
            [this](int i) { OnSymbologyChosen(m_symbology->itemText(i)); });
    connect(m_showText, &QCheckBox::clicked, this, &CMainFrame::OnShowTextClicked);
    connect(m_option, &QComboBox::activated, this, &CMainFrame::OnOptionChosen);
}

void CMainFrame::CreateStatusBar() {
    m_message = new CStatusNote;
    m_message->SetNote(Quillmark::tr("Ready"));
    statusBar()->addWidget(m_message, 1);
    const QFontMetrics fm(statusBar()->font());
    for (const auto& [id, sample] :
         {std::pair{cmd::kPaneSymbology, "Code39 Extended"},
          std::pair{cmd::kPaneSize, " 2.88inX12.99in "}, std::pair{cmd::kPaneZoom, " 200% "}}) {
        auto* pane = new QLabel(statusBar());
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(fm.horizontalAdvance(QString::fromLatin1(sample)) + 8);
        statusBar()->addPermanentWidget(pane);
        m_panes[id] = pane;
    }
}
