#pragma once
// Single-line entry fields that only ever hold text of one shape: a name without certain
// characters, a decimal number, a whole number.

#include "common/object.h"
#include "labels/filter_behavior.h"

#include <QClipboard>
#include <QLineEdit>

class QMenu;

#include <memory>

// A QLineEdit whose typed characters, keys, focus loss, cut, clear, paste (from the clipboard,
// the context menu or a middle click's selection) and set-text go through a filtering rule.
// QLineEdit::setText does not filter; use SetWindowText.
class CFilterEdit : public QLineEdit, protected CEditWindow {
    Q_OBJECT
public:
    ~CFilterEdit() override;

    // Sets the text through the rule, as a program writing into the field does.
    void SetWindowText(const QString& text);
    CFilterBehavior& Behavior() const { return *m_behavior; }
    void ModifyOptions(std::uint32_t add, std::uint32_t remove) {
        m_behavior->ModifyOptions(add, remove);
    }

    // Run-time class records, so that code can ask by name what kind of field it holds.
    static const CRuntimeClass classCFilterEdit;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCFilterEdit; }
    bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }
    // Makes every member of the family findable by name, including the six that nothing creates.
    static void RegisterClasses();

    // The usual context menu, its cut, paste and delete going through the rule.
    QMenu* CreateContextMenu();

protected:
    explicit CFilterEdit(QWidget* parent);
    void SetBehavior(std::unique_ptr<CFilterBehavior> behavior);

    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    // CEditWindow
    std::u16string GetText() const override;
    void SetText(const std::u16string& text) override;
    void GetSel(int& start, int& end) const override;
    void SetSel(int start, int end) override;
    void ReplaceSel(const std::u16string& text) override;
    bool IsReadOnly() const override { return isReadOnly(); }
    void DefaultChar(char16_t c) override;
    void DefaultKeyDown(Key key) override;
    void DefaultPaste() override;
    void DefaultSetText(const std::u16string& text) override;
    void DefaultFocusLoss() override;
    void CopyToClipboard(const std::u16string& text) override;
    void Beep() override;
    void ShowWarning(const std::u16string& text) override;
    void TakeFocusBack() override;

private:
    std::unique_ptr<CFilterBehavior> m_behavior;
    // Where the paste being handled takes its text from: the clipboard, or for a middle click
    // the selection.
    QClipboard::Mode m_pasteFrom = QClipboard::Clipboard;
    QFocusEvent* m_focusEvent = nullptr; // the focus loss being handled, for DefaultFocusLoss
};

class CFilterAlphanumericEdit : public CFilterEdit {
    Q_OBJECT
public:
    // maxChars 0 means no limit.
    explicit CFilterAlphanumericEdit(int maxChars = 0, const QString& refused = {},
                                     QWidget* parent = nullptr);

    static const CRuntimeClass classCFilterAlphanumericEdit;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCFilterAlphanumericEdit; }
};

class CFilterNumericEdit : public CFilterEdit {
    Q_OBJECT
public:
    // A negative whole-digit count refuses the minus sign. The minus sign, decimal point and
    // group separator are the current locale's.
    explicit CFilterNumericEdit(int maxWholeDigits = 9, int maxDecimalPlaces = 4,
                                QWidget* parent = nullptr);

    CNumericFilterBehavior& Numeric() const;
    void SetDecimalPlaces(int places) { Numeric().SetDecimalPlaces(places); }
    void SetAllowMinus(bool allow) { Numeric().SetAllowMinus(allow); }
    void SetRange(double minimum, double maximum) { Numeric().SetRange(minimum, maximum); }
    double GetValue() const { return Numeric().GetValue(); }
    int GetIntValue() const { return Numeric().GetIntValue(); }
    void SetValue(double value, bool trimZeros) { Numeric().SetValue(value, trimZeros); }
    void SetIntValue(int value) { Numeric().SetIntValue(value); }

    static const CRuntimeClass classCFilterNumericEdit;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCFilterNumericEdit; }
};

class CFilterIntegerEdit : public CFilterNumericEdit {
    Q_OBJECT
public:
    explicit CFilterIntegerEdit(int maxWholeDigits = 9, QWidget* parent = nullptr);

    static const CRuntimeClass classCFilterIntegerEdit;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCFilterIntegerEdit; }
};
