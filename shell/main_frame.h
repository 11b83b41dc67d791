#pragma once
// CMainFrame: the program's one top-level window with its menus, toolbars and status bar. It
// routes every command to the view, then the document, then itself, then the application. It
// keeps no barcode state: it loads its controls from the document when the document says the
// barcode was replaced, and hands every edit to the document.

#include "shell/framework.h"

#include <QMainWindow>

#include <map>
#include <vector>

class CLabelPanel;
class CQuillmarkDoc;
class CQuillmarkView;
class CBarcode;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class CStatusNote;
class QMenu;
class QToolBar;

class CMainFrame : public QMainWindow, public CCmdTarget {
    Q_OBJECT
public:
    CMainFrame(CQuillmarkDoc& doc, CCmdTarget& app);
    ~CMainFrame() override;

    CQuillmarkView* GetActiveView() const { return m_view; }
    CQuillmarkDoc& GetDocument() const { return m_doc; }

    // Sends a command along the route; false when no target took it.
    bool RouteCommand(int id);
    // Refreshes enabled states, check marks and status panes, as when the program is idle.
    void OnIdleUpdate();
    QAction* Action(int id) const;
    QMenu* FileMenu() const { return m_fileMenu; }

    // Loads the toolbar controls from the barcode.
    void UpdateBarcodeControls();

    // The toolbar controls and status panes, for tests.
    QComboBox* DataBox() const { return m_dataBox; }
    QComboBox* HeightBox() const { return m_heightBox; }
    QComboBox* FontNameList() const { return m_fontName; }
    QComboBox* FontSizeList() const { return m_fontSize; }
    QComboBox* SymbologyList() const { return m_symbology; }
    // The current symbology's own choice (QR Code's level, Data Matrix's shape); hidden while
    // the symbology has none.
    QComboBox* OptionList() const { return m_option; }
    QCheckBox* ShowTextBox() const { return m_showText; }
    QToolBar* StandardBar() const { return m_standardBar; }
    // The panel where the label's lines are edited.
    CLabelPanel* LabelPanel() const { return m_labelPanel; }
    QToolBar* FormatBar() const { return m_formatBar; }
    // The whole note of the message pane, and the pane (which may show it shortened).
    QString MessagePaneText() const;
    const QLabel* MessagePane() const;
    QString PaneText(int pane) const;

    // Enter or Esc in the data box or the height box; a choice from one of the lists.
    void OnDataReturn();
    void OnDataChosen(const QString& text);
    void OnHeightReturn();
    void OnHeightChosen(const QString& text);
    void OnSymbologyChosen(const QString& text);
    // A choice from the option list: the barcode takes it and the document is modified.
    void OnOptionChosen(int index);
    void OnShowTextClicked(bool checked);
    // Applies what the data and height boxes hold, as Enter would.
    void CommitPendingEdits();

    bool OnCommand(int id) override;
    void OnUpdateCommand(CCmdUI& ui) override;

    // The recent-file entries in the File menu (shortened paths); empty: "Recent File" disabled.
    void SetRecentFiles(const QStringList& paths);

signals:
    // A file was dropped on the window; several are announced one after another.
    void FileDropped(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    QAction* AddAction(int id, const char* menuText, const char* prompt,
                       const std::vector<QKeySequence>& keys);
    void CreateMenus();
    void CreateContextMenu();
    void CreateToolBars();
    void CreateStandardBar();
    void CreateFormatBar();
    void ConnectToolbarControls();
    void CreateStatusBar();
    QComboBox* CreateCombo(int id, int width, bool editable, QToolBar* bar);
    QComboBox* ComboOf(QObject* watched) const;
    // Hands typed data to the document and shows the encoded data in the box.
    void ApplyTypedData(const QString& typed, bool toHistory);
    void OnBarcodeReplaced();
    // The document's note of an edit in the message pane; "Ready" for none.
    void ShowNote(const QString& note);
    // Fills the option list with the barcode's choices and shows it, or hides it.
    void UpdateOptionList();
    void UpdateWindowTitle();
    void OnOptions();
    void OnSymbolOptions();
    void ShowContextMenu(const QPoint& globalPos);

    CQuillmarkDoc& m_doc;
    CCmdTarget& m_app;
    CQuillmarkView* m_view = nullptr;
    std::map<int, QAction*> m_actions;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_contextMenu = nullptr;
    std::vector<QAction*> m_recentActions;
    QToolBar* m_standardBar = nullptr;
    QToolBar* m_formatBar = nullptr;
    QComboBox* m_dataBox = nullptr;
    QComboBox* m_heightBox = nullptr;
    QComboBox* m_fontName = nullptr;
    QComboBox* m_fontSize = nullptr;
    QComboBox* m_symbology = nullptr;
    QComboBox* m_option = nullptr;
    QAction* m_optionAction = nullptr; // shows and hides the option list on the toolbar
    QCheckBox* m_showText = nullptr;
    CStatusNote* m_message = nullptr;
    CLabelPanel* m_labelPanel = nullptr;
    QMenu* m_tools = nullptr;
    std::map<int, QLabel*> m_panes;
    bool m_placed = false; // kept on the screen once shown, its frame known
};
