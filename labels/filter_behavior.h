#pragma once
// The filtering rules of the entry fields on a plain text-and-selection model, free of any GUI
// (its warnings go through the program's translation, which needs only Qt's core).

#include <cstdint>
#include <limits>
#include <string>

// What a filtering rule needs of the text box it serves. The Qt fields implement it on a
// QLineEdit; tests implement it on a string.
class CEditWindow {
public:
    enum class Key { Delete };

    virtual ~CEditWindow() = default;

    virtual std::u16string GetText() const = 0;
    // Writes the text as it is, without filtering.
    virtual void SetText(const std::u16string& text) = 0;
    virtual void GetSel(int& start, int& end) const = 0;
    virtual void SetSel(int start, int end) = 0;
    virtual void ReplaceSel(const std::u16string& text) = 0;
    virtual bool IsReadOnly() const = 0;

    // The text box's own handling of each message, as if no filter were there.
    virtual void DefaultChar(char16_t c) = 0; // '\b' is backspace
    virtual void DefaultKeyDown(Key key) = 0;
    virtual void DefaultPaste() = 0;
    virtual void DefaultSetText(const std::u16string& text) = 0;
    virtual void DefaultFocusLoss() = 0;

    virtual void CopyToClipboard(const std::u16string& text) = 0;
    virtual void Beep() = 0;
    virtual void ShowWarning(const std::u16string& text) = 0;
    virtual void TakeFocusBack() = 0;
};

// The base rule: accepts everything and routes each message to the window's default handling.
class CFilterBehavior {
public:
    explicit CFilterBehavior(CEditWindow& window) : m_window(window) {}
    virtual ~CFilterBehavior() = default;
    CFilterBehavior(const CFilterBehavior&) = delete;
    CFilterBehavior& operator=(const CFilterBehavior&) = delete;

    // The valid form of the current text.
    virtual std::u16string FilterText() const;
    virtual void HandleChar(char16_t c);
    virtual void HandleKeyDown(CEditWindow::Key key);
    virtual void HandleFocusLoss();
    virtual void HandlePaste();
    virtual void Refilter();
    virtual bool AcceptsChar(char16_t) const { return true; }

    void HandleCut();
    void HandleClear();
    void HandleSetText(const std::u16string& text);

    std::uint32_t GetOptions() const { return m_options; }
    void ModifyOptions(std::uint32_t add, std::uint32_t remove);

protected:
    CEditWindow& Window() const { return m_window; }

private:
    CEditWindow& m_window;
    std::uint32_t m_options = 0;
};

// The three characters a number is written with in the user's locale.
struct NumberSymbols {
    char16_t minus = u'-';
    char16_t decimalPoint = u'.';
    char16_t groupSeparator = u',';
};

// The symbols from whatever the locale supplies (0 where it supplies nothing), with the
// defaults elsewhere and a group separator that never equals the decimal point.
NumberSymbols ResolveNumberSymbols(char16_t minus, char16_t decimalPoint, char16_t groupSeparator);

// A decimal number of a bounded number of whole digits and decimal places.
class CNumericFilterBehavior : public CFilterBehavior {
public:
    // Applied when the field loses the focus (except kInsertPointWhenFull, applied while typing).
    enum Option : std::uint32_t {
        kBeepOutOfRange = 0x0001,
        kBeepEmpty = 0x0002,
        kClampOutOfRange = 0x0004,
        kClampEmpty = 0x0008,
        kFocusBackOutOfRange = 0x0010,
        kFocusBackEmpty = 0x0020,
        kMessageOutOfRange = 0x0050, // both bits
        kMessageEmpty = 0x00A0,      // both bits
        kPadWholeDigits = 0x0100,
        kPadDecimals = 0x0200,
        kLeaveEmptyAlone = 0x0400,
        kInsertPointWhenFull = 0x1000,
    };

    // A negative whole-digit count refuses the minus sign; its absolute value is the limit
    // (0 means no limit).
    CNumericFilterBehavior(CEditWindow& window, int maxWholeDigits, int maxDecimalPlaces,
                           NumberSymbols symbols = {});

    std::u16string FilterText() const override;
    void HandleChar(char16_t c) override;
    void HandleKeyDown(CEditWindow::Key key) override;
    void HandleFocusLoss() override;
    virtual bool IsInRange() const;
    virtual void ReportInvalid();

    void SetDecimalPlaces(int places);
    void SetAllowMinus(bool allow);
    void SetRange(double minimum, double maximum);
    int GetWholeDigits() const { return m_maxWhole; }
    int GetDecimalPlaces() const { return m_maxDecimals; }
    bool GetAllowMinus() const { return m_allowMinus; }
    const NumberSymbols& Symbols() const { return m_symbols; }

    double GetValue() const;
    int GetIntValue() const;
    void SetValue(double value, bool trimZeros);
    void SetIntValue(int value);

    // The text reduced to ASCII digits, '-' and '.', everything else dropped.
    std::string PlainNumberText(const std::u16string& text) const;

private:
    // What a typed character meets: the text, the selection, and where the decimal point is
    // (-1 when there is none).
    struct Typing {
        std::u16string text;
        int len = 0;
        int start = 0;
        int end = 0;
        int point = -1;
    };
    void InsertNormally(char16_t c); // the text box's own handling, then the filter
    void TypeDecimalDigit(char16_t c, const Typing& t);
    void TypeWholeDigit(char16_t c, const Typing& t);
    void TypeDecimalPoint(const Typing& t);
    void TypeMinus(const Typing& t);

    std::u16string ToFieldChars(const std::string& plain) const;
    std::string FormatNumber(double value, bool trimZeros) const;
    void Clamp();

    int m_maxWhole;
    int m_maxDecimals;
    bool m_allowMinus;
    NumberSymbols m_symbols;
    double m_minimum = std::numeric_limits<double>::lowest();
    double m_maximum = std::numeric_limits<double>::max();
};

// Free text that refuses some characters and may be limited in length.
class CAlphanumericFilterBehavior : public CFilterBehavior {
public:
    CAlphanumericFilterBehavior(CEditWindow& window, int maxChars, std::u16string refused);

    std::u16string FilterText() const override;
    void HandleChar(char16_t c) override;

    int GetMaxChars() const { return m_maxChars; }
    const std::u16string& GetRefused() const { return m_refused; }

private:
    int m_maxChars;
    std::u16string m_refused;
};
