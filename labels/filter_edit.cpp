#include "labels/filter_edit.h"

#include "ui/message_box.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include <mutex>

namespace {

// Names the family registers although nothing in the program creates them.
const CRuntimeClass kUnusedMembers[] = {
    {"CFilterCurrencyEdit", 0, 0xFFFF, nullptr, &CFilterEdit::classCFilterEdit},
    {"CFilterDateEdit", 0, 0xFFFF, nullptr, &CFilterEdit::classCFilterEdit},
    {"CFilterTimeEdit", 0, 0xFFFF, nullptr, &CFilterEdit::classCFilterEdit},
    {"CFilterDateTimeEdit", 0, 0xFFFF, nullptr, &CFilterEdit::classCFilterEdit},
    {"CFilterMaskedEdit", 0, 0xFFFF, nullptr, &CFilterEdit::classCFilterEdit},
    {"CFilterMultiMaskedEdit", 0, 0xFFFF, nullptr, &CFilterEdit::classCFilterEdit},
};

char16_t FirstChar(const QString& s) {
    return s.isEmpty() ? char16_t(0) : s.front().unicode();
}

NumberSymbols LocaleSymbols() {
    const QLocale locale;
    return ResolveNumberSymbols(FirstChar(locale.negativeSign()), FirstChar(locale.decimalPoint()),
                                FirstChar(locale.groupSeparator()));
}

bool IsPrintable(QChar c) {
    return c.unicode() >= 0x20 && c.unicode() != 0x7F;
}

} // namespace

const CRuntimeClass CFilterEdit::classCFilterEdit = {"CFilterEdit", sizeof(CFilterEdit), 0xFFFF,
                                                     nullptr, nullptr};
const CRuntimeClass CFilterAlphanumericEdit::classCFilterAlphanumericEdit = {
    "CFilterAlphanumericEdit", sizeof(CFilterAlphanumericEdit), 0xFFFF, nullptr,
    &CFilterEdit::classCFilterEdit};
const CRuntimeClass CFilterNumericEdit::classCFilterNumericEdit = {
    "CFilterNumericEdit", sizeof(CFilterNumericEdit), 0xFFFF, nullptr,
    &CFilterEdit::classCFilterEdit};
const CRuntimeClass CFilterIntegerEdit::classCFilterIntegerEdit = {
    "CFilterIntegerEdit", sizeof(CFilterIntegerEdit), 0xFFFF, nullptr,
    &CFilterNumericEdit::classCFilterNumericEdit};

void CFilterEdit::RegisterClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        CRuntimeClass::Register(&classCFilterEdit);
        CRuntimeClass::Register(&CFilterAlphanumericEdit::classCFilterAlphanumericEdit);
        CRuntimeClass::Register(&CFilterNumericEdit::classCFilterNumericEdit);
        CRuntimeClass::Register(&CFilterIntegerEdit::classCFilterIntegerEdit);
        for (const CRuntimeClass& record : kUnusedMembers)
            CRuntimeClass::Register(&record);
    });
}

CFilterEdit::CFilterEdit(QWidget* parent) : QLineEdit(parent) {
    RegisterClasses();
}

CFilterEdit::~CFilterEdit() = default;

void CFilterEdit::SetBehavior(std::unique_ptr<CFilterBehavior> behavior) {
    m_behavior = std::move(behavior);
}

void CFilterEdit::SetWindowText(const QString& text) {
    m_behavior->HandleSetText(text.toStdU16String());
}

// ---- message routing ----

void CFilterEdit::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Cut) {
        m_behavior->HandleCut();
    } else if (event == QKeySequence::Paste) {
        m_behavior->HandlePaste();
    } else if (event->key() == Qt::Key_Delete &&
               (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        m_behavior->HandleKeyDown(Key::Delete);
    } else if (event->key() == Qt::Key_Backspace &&
               (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        m_behavior->HandleChar(u'\b');
    } else if (const QString typed = event->text();
               !typed.isEmpty() && std::all_of(typed.begin(), typed.end(), IsPrintable) &&
               !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        for (const QChar c : typed)
            m_behavior->HandleChar(c.unicode());
    } else {
        // Movement, selection, undo and the like; undo can bring back text the rule has not
        // seen in this form, so it is checked once more.
        const QString before = text();
        QLineEdit::keyPressEvent(event);
        if (text() != before) m_behavior->Refilter();
        return;
    }
    event->accept();
}

void CFilterEdit::focusOutEvent(QFocusEvent* event) {
    // A context menu or a popup takes the focus only for a moment; the user is still editing.
    if (event->reason() == Qt::PopupFocusReason) return QLineEdit::focusOutEvent(event);
    m_focusEvent = event;
    m_behavior->HandleFocusLoss();
    m_focusEvent = nullptr;
}

void CFilterEdit::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(CreateContextMenu());
    menu->exec(event->globalPos());
}

QMenu* CFilterEdit::CreateContextMenu() {
    // The toolkit's own menu would cut and paste behind the rule's back, so the field has its own.
    auto* menu = new QMenu(this);
    const bool editable = !isReadOnly();
    const bool selected = hasSelectedText();
    auto add = [&](const QString& text, QKeySequence::StandardKey key, bool enabled,
                   const char* name, auto handler) {
        const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
        QAction* action =
            menu->addAction(shortcut.isEmpty() ? text : text + QLatin1Char('\t') + shortcut);
        action->setEnabled(enabled);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
    };
    add(tr("&Undo"), QKeySequence::Undo, editable && isUndoAvailable(), "edit-undo", [this] {
        undo();
        m_behavior->Refilter();
    });
    add(tr("&Redo"), QKeySequence::Redo, editable && isRedoAvailable(), "edit-redo", [this] {
        redo();
        m_behavior->Refilter();
    });
    menu->addSeparator();
    add(tr("Cu&t"), QKeySequence::Cut, editable && selected, "edit-cut",
        [this] { m_behavior->HandleCut(); });
    add(tr("&Copy"), QKeySequence::Copy, selected, "edit-copy", [this] { copy(); });
    add(tr("&Paste"), QKeySequence::Paste,
        editable && !QGuiApplication::clipboard()->text().isEmpty(), "edit-paste",
        [this] { m_behavior->HandlePaste(); });
    add(tr("Delete"), QKeySequence::Delete, editable && selected, "edit-delete",
        [this] { m_behavior->HandleClear(); });
    menu->addSeparator();
    add(tr("Select All"), QKeySequence::SelectAll, !text().isEmpty(), "select-all",
        [this] { selectAll(); });
    return menu;
}

void CFilterEdit::mouseReleaseEvent(QMouseEvent* event) {
    // A middle click pastes the selection where the system keeps one; the toolkit would insert
    // it behind the rule's back.
    if (event->button() == Qt::MiddleButton && !isReadOnly() &&
        QGuiApplication::clipboard()->supportsSelection()) {
        m_pasteFrom = QClipboard::Selection;
        m_behavior->HandlePaste();
        m_pasteFrom = QClipboard::Clipboard;
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void CFilterEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (event->preeditString().isEmpty() && event->replacementLength() == 0 &&
        !event->commitString().isEmpty()) {
        for (const QChar c : event->commitString())
            m_behavior->HandleChar(c.unicode());
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
    if (event->preeditString().isEmpty()) m_behavior->Refilter();
}

void CFilterEdit::dropEvent(QDropEvent* event) {
    QLineEdit::dropEvent(event);
    m_behavior->Refilter();
}

// ---- the window operations the rules use ----

std::u16string CFilterEdit::GetText() const {
    return text().toStdU16String();
}

void CFilterEdit::SetText(const std::u16string& text) {
    QLineEdit::setText(QString::fromStdU16String(text));
}

void CFilterEdit::GetSel(int& start, int& end) const {
    if (hasSelectedText()) {
        start = selectionStart();
        end = selectionEnd();
    } else {
        start = end = cursorPosition();
    }
}

void CFilterEdit::SetSel(int start, int end) {
    if (start == end)
        setCursorPosition(start);
    else
        setSelection(start, end - start);
}

void CFilterEdit::ReplaceSel(const std::u16string& text) {
    insert(QString::fromStdU16String(text));
}

void CFilterEdit::DefaultChar(char16_t c) {
    if (isReadOnly()) return;
    if (c == u'\b')
        backspace();
    else if (c >= 0x20 && c != 0x7F)
        insert(QString(QChar(c)));
}

void CFilterEdit::DefaultKeyDown(Key key) {
    if (key == Key::Delete && !isReadOnly()) del();
}

void CFilterEdit::DefaultPaste() {
    if (isReadOnly()) return;
    if (m_pasteFrom == QClipboard::Selection) {
        // As the toolkit pastes a selection: in place of nothing, at the click.
        deselect();
        insert(QGuiApplication::clipboard()->text(QClipboard::Selection));
    } else {
        paste();
    }
}

void CFilterEdit::DefaultSetText(const std::u16string& text) {
    QLineEdit::setText(QString::fromStdU16String(text));
}

void CFilterEdit::DefaultFocusLoss() {
    if (m_focusEvent) QLineEdit::focusOutEvent(m_focusEvent);
}

void CFilterEdit::CopyToClipboard(const std::u16string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(text));
}

void CFilterEdit::Beep() {
    QmBeep();
}

void CFilterEdit::ShowWarning(const std::u16string& text) {
    QmMessageBox(QString::fromStdU16String(text), MsgIcon::Exclamation, MsgButtons::Ok, this);
}

void CFilterEdit::TakeFocusBack() {
    // The focus is still on its way elsewhere; taking it back now would be undone by that move.
    QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
}

// ---- members ----

CFilterAlphanumericEdit::CFilterAlphanumericEdit(int maxChars, const QString& refused,
                                                 QWidget* parent)
    : CFilterEdit(parent) {
    SetBehavior(std::make_unique<CAlphanumericFilterBehavior>(static_cast<CEditWindow&>(*this),
                                                              maxChars, refused.toStdU16String()));
    if (maxChars > 0) setMaxLength(maxChars);
}

CFilterNumericEdit::CFilterNumericEdit(int maxWholeDigits, int maxDecimalPlaces, QWidget* parent)
    : CFilterEdit(parent) {
    SetBehavior(std::make_unique<CNumericFilterBehavior>(
        static_cast<CEditWindow&>(*this), maxWholeDigits, maxDecimalPlaces, LocaleSymbols()));
}

CNumericFilterBehavior& CFilterNumericEdit::Numeric() const {
    return static_cast<CNumericFilterBehavior&>(Behavior());
}

CFilterIntegerEdit::CFilterIntegerEdit(int maxWholeDigits, QWidget* parent)
    : CFilterNumericEdit(maxWholeDigits, 0, parent) {}
