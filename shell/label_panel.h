#pragma once
// The panel beside the view where the label's lines are edited: the lines in order (add,
// remove, move up and down), and for the chosen one its text with fields, font, size, style,
// alignment and place; and the data a run gives the symbol. Every edit goes to the document at
// once, where Edit > Undo takes it back.

#include "job/label_design.h"

#include <QDockWidget>

class CQuillmarkDoc;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

class CLabelPanel : public QDockWidget {
    Q_OBJECT
public:
    CLabelPanel(CQuillmarkDoc& doc, QWidget* parent);

    // The controls, for tests.
    QListWidget& Lines() const { return *m_lines; }
    QPushButton& AddButton() const { return *m_add; }
    QPushButton& RemoveButton() const { return *m_remove; }
    QPushButton& UpButton() const { return *m_up; }
    QPushButton& DownButton() const { return *m_down; }
    QLineEdit& TextField() const { return *m_text; }
    QComboBox& FontList() const { return *m_font; }
    QSpinBox& SizeBox() const { return *m_size; }
    QCheckBox& BoldBox() const { return *m_bold; }
    QCheckBox& ItalicBox() const { return *m_italic; }
    QComboBox& AlignList() const { return *m_align; }
    QComboBox& PlaceList() const { return *m_place; }
    QLineEdit& DataTemplateField() const { return *m_template; }

    // Shows the document's design, keeping the chosen line where it still is one.
    void Reload();

private:
    QWidget* BuildLineEditors();
    void Connect();
    // The design with the chosen line as the editors show it, to the document.
    void ApplyLine(const std::string& mergeKey = {});
    void ApplyTemplate();
    void OnAdd();
    void OnRemove();
    void OnMove(int by);
    void ShowLine(int row);
    void EnableEditors();

    CQuillmarkDoc& m_doc;
    bool m_applying = false; // the panel's own edit is reaching the document
    QListWidget* m_lines = nullptr;
    QPushButton *m_add = nullptr, *m_remove = nullptr, *m_up = nullptr, *m_down = nullptr;
    QLineEdit* m_text = nullptr;
    QComboBox* m_font = nullptr;
    QSpinBox* m_size = nullptr;
    QCheckBox *m_bold = nullptr, *m_italic = nullptr;
    QComboBox *m_align = nullptr, *m_place = nullptr;
    QLineEdit* m_template = nullptr;
};
