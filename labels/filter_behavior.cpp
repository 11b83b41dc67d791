#include "labels/filter_behavior.h"

#include "ui/translation.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <system_error>

namespace {

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool IsControl(char16_t c) {
    return c < 0x20 || c == 0x7F;
}

// Writes `text` as it is and puts the selection back where it was, as far as the text reaches.
void WriteKeepingSelection(CEditWindow& w, const std::u16string& text) {
    int start = 0, end = 0;
    w.GetSel(start, end);
    w.SetText(text);
    const int len = static_cast<int>(text.size());
    w.SetSel(std::clamp(start, 0, len), std::clamp(end, 0, len));
}

} // namespace

// ---- base ----

std::u16string CFilterBehavior::FilterText() const {
    return m_window.GetText();
}

void CFilterBehavior::HandleChar(char16_t c) {
    if (AcceptsChar(c)) m_window.DefaultChar(c);
}

void CFilterBehavior::HandleKeyDown(CEditWindow::Key key) {
    m_window.DefaultKeyDown(key);
}

void CFilterBehavior::HandleFocusLoss() {
    m_window.DefaultFocusLoss();
}

void CFilterBehavior::HandlePaste() {
    m_window.DefaultPaste();
    Refilter();
}

void CFilterBehavior::Refilter() {
    const std::u16string filtered = FilterText();
    if (filtered != m_window.GetText()) WriteKeepingSelection(m_window, filtered);
}

void CFilterBehavior::HandleCut() {
    int start = 0, end = 0;
    m_window.GetSel(start, end);
    if (start == end) return;
    m_window.CopyToClipboard(m_window.GetText().substr(static_cast<std::size_t>(start),
                                                       static_cast<std::size_t>(end - start)));
    HandleKeyDown(CEditWindow::Key::Delete);
}

void CFilterBehavior::HandleClear() {
    int start = 0, end = 0;
    m_window.GetSel(start, end);
    if (start != end) HandleKeyDown(CEditWindow::Key::Delete);
}

void CFilterBehavior::HandleSetText(const std::u16string& text) {
    m_window.DefaultSetText(text);
    Refilter();
}

void CFilterBehavior::ModifyOptions(std::uint32_t add, std::uint32_t remove) {
    const std::uint32_t options = (m_options & ~remove) | add;
    if (options == m_options) return;
    m_options = options;
    Refilter();
}

// ---- numeric ----

NumberSymbols ResolveNumberSymbols(char16_t minus, char16_t decimalPoint, char16_t groupSeparator) {
    NumberSymbols s;
    if (minus) s.minus = minus;
    if (decimalPoint) s.decimalPoint = decimalPoint;
    if (groupSeparator) s.groupSeparator = groupSeparator;
    if (s.decimalPoint == s.groupSeparator) s.groupSeparator = s.decimalPoint == u',' ? u'.' : u',';
    return s;
}

CNumericFilterBehavior::CNumericFilterBehavior(CEditWindow& window, int maxWholeDigits,
                                               int maxDecimalPlaces, NumberSymbols symbols)
    : CFilterBehavior(window),
      m_maxWhole(maxWholeDigits == INT_MIN ? INT_MAX : std::abs(maxWholeDigits)),
      m_maxDecimals(std::max(maxDecimalPlaces, 0)), m_allowMinus(maxWholeDigits >= 0),
      m_symbols(symbols) {}

std::u16string CNumericFilterBehavior::FilterText() const {
    std::u16string out;
    int whole = 0, decimals = 0;
    bool point = false;
    for (const char16_t c : Window().GetText()) {
        if (c == m_symbols.minus) {
            if (m_allowMinus && out.empty()) out += c;
        } else if (IsDigit(c)) {
            if (!point) {
                if (m_maxWhole == 0 || whole < m_maxWhole) {
                    out += c;
                    ++whole;
                }
            } else if (decimals < m_maxDecimals) {
                out += c;
                ++decimals;
            } else {
                break;
            }
        } else if (c == m_symbols.decimalPoint && !point) {
            if (m_maxDecimals == 0) break;
            out += c;
            point = true;
        }
    }
    return out;
}

void CNumericFilterBehavior::HandleChar(char16_t c) {
    CEditWindow& w = Window();
    if (w.IsReadOnly()) return;
    Typing t;
    t.text = w.GetText();
    t.len = static_cast<int>(t.text.size());
    w.GetSel(t.start, t.end);
    const std::size_t pointAt = t.text.find(m_symbols.decimalPoint);
    t.point = pointAt == std::u16string::npos ? -1 : static_cast<int>(pointAt);

    if (IsDigit(c)) {
        if (t.point >= 0 && t.point < t.start) return TypeDecimalDigit(c, t);
        return TypeWholeDigit(c, t);
    }
    if (c == m_symbols.decimalPoint) return TypeDecimalPoint(t);
    // The keyboard's hyphen stands for the locale's minus sign when that is another character.
    if (c == m_symbols.minus || c == u'-') return TypeMinus(t);
    if (IsControl(c)) InsertNormally(c);
}

void CNumericFilterBehavior::InsertNormally(char16_t c) {
    Window().DefaultChar(c);
    Refilter();
}

void CNumericFilterBehavior::TypeDecimalDigit(char16_t c, const Typing& t) {
    CEditWindow& w = Window();
    const int decimals = t.len - t.point - 1;
    if (decimals < m_maxDecimals) return InsertNormally(c);
    // All decimals are there: the digit replaces the one at the caret (a selection that reaches
    // the end is replaced whole); beyond the last decimal it is refused.
    if (t.start > t.point + m_maxDecimals) return;
    w.SetSel(t.start, t.end < t.len ? t.start + 1 : t.end);
    w.ReplaceSel(std::u16string(1, c));
}

void CNumericFilterBehavior::TypeWholeDigit(char16_t c, const Typing& t) {
    CEditWindow& w = Window();
    const int wholeEnd = t.point >= 0 ? t.point : t.len;
    const auto wholeDigits = std::count_if(t.text.begin(), t.text.begin() + wholeEnd, IsDigit);
    const bool full = m_maxWhole > 0 && wholeDigits >= m_maxWhole;
    if (!full || t.start != t.end) return InsertNormally(c);
    if (t.start == wholeEnd) {
        // At the end of a full whole part the digit may start the decimals.
        if (!(GetOptions() & kInsertPointWhenFull) || m_maxDecimals == 0) return;
        if (t.point < 0) {
            w.ReplaceSel(std::u16string{m_symbols.decimalPoint, c});
            return Refilter();
        }
        w.SetSel(t.point + 1, t.point + 1);
        return HandleChar(c);
    }
    // A full whole part is overtyped; the sign is not a digit to overtype.
    const int at =
        t.text[static_cast<std::size_t>(t.start)] == m_symbols.minus ? t.start + 1 : t.start;
    w.SetSel(at, at + 1);
    w.ReplaceSel(std::u16string(1, c));
}

void CNumericFilterBehavior::TypeDecimalPoint(const Typing& t) {
    CEditWindow& w = Window();
    if (m_maxDecimals == 0) return;
    if (t.point < 0) return InsertNormally(m_symbols.decimalPoint);
    if (t.start <= t.point && t.point < t.end) {
        w.ReplaceSel(std::u16string(1, m_symbols.decimalPoint));
        return Refilter();
    }
    // A second point moves the caret behind the one there is.
    w.SetSel(t.point + 1, t.point + 1);
}

void CNumericFilterBehavior::TypeMinus(const Typing& t) {
    CEditWindow& w = Window();
    if (!m_allowMinus) return;
    const bool negative = !t.text.empty() && t.text.front() == m_symbols.minus;
    if (t.start == 0 && t.end == 0) {
        if (negative)
            w.SetSel(1, 1);
        else
            w.ReplaceSel(std::u16string(1, m_symbols.minus));
        return;
    }
    // Elsewhere the sign is toggled and the selection moves with the text.
    std::u16string toggled = t.text;
    const int shift = negative ? -1 : 1;
    if (negative)
        toggled.erase(0, 1);
    else
        toggled.insert(toggled.begin(), m_symbols.minus);
    w.SetText(toggled);
    w.SetSel(std::max(t.start + shift, 0), std::max(t.end + shift, 0));
}

void CNumericFilterBehavior::HandleKeyDown(CEditWindow::Key key) {
    CEditWindow& w = Window();
    if (key != CEditWindow::Key::Delete) return CFilterBehavior::HandleKeyDown(key);
    const int len = static_cast<int>(w.GetText().size());
    int start = 0, end = 0;
    w.GetSel(start, end);
    w.DefaultKeyDown(key);
    Refilter();
    if (end >= len) {
        const int at = std::min(start, static_cast<int>(w.GetText().size()));
        w.SetSel(at, at);
    }
}

void CNumericFilterBehavior::HandleFocusLoss() {
    CEditWindow& w = Window();
    w.DefaultFocusLoss();
    const std::uint32_t options = GetOptions();
    std::string plain = PlainNumberText(w.GetText());
    const std::size_t sign = plain.starts_with('-') ? 1 : 0;
    if (plain.size() > sign && plain[sign] == '.') {
        plain.insert(sign, "0");
    } else if ((options & 0x0FFF) == 0 || (plain.empty() && (options & kLeaveEmptyAlone))) {
        return;
    }
    if ((options & kPadDecimals) && m_maxDecimals > 0) {
        if (plain.empty() || plain == "-") plain = "0";
        std::size_t point = plain.find('.');
        if (point == std::string::npos) {
            point = plain.size();
            plain += '.';
        }
        while (plain.size() - point - 1 < static_cast<std::size_t>(m_maxDecimals))
            plain += '0';
    }
    if ((options & kPadWholeDigits) && m_maxWhole > 0) {
        const std::size_t from = plain.starts_with('-') ? 1 : 0;
        std::size_t wholeEnd = std::min(plain.find('.'), plain.size());
        while (wholeEnd - from < static_cast<std::size_t>(m_maxWhole)) {
            plain.insert(from, "0");
            ++wholeEnd;
        }
    }
    const std::u16string result = ToFieldChars(plain);
    if (result != w.GetText()) WriteKeepingSelection(w, result);

    if (w.GetText().empty()) {
        if (options & kBeepEmpty) w.Beep();
        if (options & kClampEmpty) Clamp();
        if ((options & kMessageEmpty) == kMessageEmpty) ReportInvalid();
        if (options & kFocusBackEmpty) w.TakeFocusBack();
    } else if (!IsInRange()) {
        if (options & kBeepOutOfRange) w.Beep();
        if (options & kClampOutOfRange) Clamp();
        if ((options & kMessageOutOfRange) == kMessageOutOfRange) ReportInvalid();
        if (options & kFocusBackOutOfRange) w.TakeFocusBack();
    }
}

bool CNumericFilterBehavior::IsInRange() const {
    const double v = GetValue();
    return v >= m_minimum && v <= m_maximum;
}

void CNumericFilterBehavior::ReportInvalid() {
    const bool hasMin = m_minimum > std::numeric_limits<double>::lowest();
    const bool hasMax = m_maximum < std::numeric_limits<double>::max();
    const auto number = [this](double v) {
        return QString::fromStdU16String(ToFieldChars(FormatNumber(v, true)));
    };
    QString text;
    if (hasMin && hasMax)
        text = Quillmark::tr("Please specify a numeric value between %1 and %2.")
                   .arg(number(m_minimum), number(m_maximum));
    else if (hasMin)
        text = Quillmark::tr("Please specify a numeric value greater than or equal to %1.")
                   .arg(number(m_minimum));
    else if (hasMax)
        text = Quillmark::tr("Please specify a numeric value less than or equal to %1.")
                   .arg(number(m_maximum));
    else
        text = Quillmark::tr("Please specify a valid numeric value.");
    Window().ShowWarning(text.toStdU16String());
}

void CNumericFilterBehavior::Clamp() {
    if (IsInRange()) return;
    if (!Window().GetText().empty()) Refilter();
    const double v = GetValue();
    if (v < m_minimum)
        SetValue(m_minimum, true);
    else if (v > m_maximum)
        SetValue(m_maximum, true);
}

void CNumericFilterBehavior::SetDecimalPlaces(int places) {
    places = std::max(places, 0);
    if (places == m_maxDecimals) return;
    m_maxDecimals = places;
    Refilter();
}

void CNumericFilterBehavior::SetAllowMinus(bool allow) {
    if (allow == m_allowMinus) return;
    m_allowMinus = allow;
    Refilter();
}

void CNumericFilterBehavior::SetRange(double minimum, double maximum) {
    m_minimum = minimum;
    m_maximum = maximum;
}

std::string CNumericFilterBehavior::PlainNumberText(const std::u16string& text) const {
    std::string plain;
    for (const char16_t c : text) {
        if (IsDigit(c))
            plain += static_cast<char>(c);
        else if (c == m_symbols.minus)
            plain += '-';
        else if (c == m_symbols.decimalPoint)
            plain += '.';
    }
    return plain;
}

double CNumericFilterBehavior::GetValue() const {
    // from_chars, unlike strtod, ignores the C locale that the GUI toolkit switches to the user's.
    const std::string plain = PlainNumberText(Window().GetText());
    double value = 0;
    const auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) return plain.starts_with('-') ? -HUGE_VAL : HUGE_VAL;
    return ec == std::errc() ? value : 0.0;
}

int CNumericFilterBehavior::GetIntValue() const {
    const std::string plain = PlainNumberText(Window().GetText());
    int value = 0;
    const auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) return plain.starts_with('-') ? INT_MIN : INT_MAX;
    return ec == std::errc() ? value : 0;
}

std::string CNumericFilterBehavior::FormatNumber(double value, bool trimZeros) const {
    char buf[400]; // "%lf" of the largest double: 309 digits, a sign, a point and six decimals
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
    std::string s = ec == std::errc() ? std::string(buf, end) : std::string("0");
    if (trimZeros && s.find('.') != std::string::npos) {
        while (s.ends_with('0'))
            s.pop_back();
        if (s.ends_with('.')) s.pop_back();
    }
    return s;
}

std::u16string CNumericFilterBehavior::ToFieldChars(const std::string& plain) const {
    std::u16string out;
    for (const char c : plain)
        out += c == '.' ? m_symbols.decimalPoint : c == '-' ? m_symbols.minus : char16_t(c);
    return out;
}

void CNumericFilterBehavior::SetValue(double value, bool trimZeros) {
    HandleSetText(ToFieldChars(FormatNumber(value, trimZeros)));
}

void CNumericFilterBehavior::SetIntValue(int value) {
    HandleSetText(ToFieldChars(std::to_string(value)));
}

// ---- alphanumeric ----

CAlphanumericFilterBehavior::CAlphanumericFilterBehavior(CEditWindow& window, int maxChars,
                                                         std::u16string refused)
    : CFilterBehavior(window), m_maxChars(std::max(maxChars, 0)), m_refused(std::move(refused)) {}

std::u16string CAlphanumericFilterBehavior::FilterText() const {
    std::u16string out;
    for (const char16_t c : Window().GetText())
        if (m_refused.find(c) == std::u16string::npos) out += c;
    if (m_maxChars > 0 && out.size() > static_cast<std::size_t>(m_maxChars))
        out.resize(static_cast<std::size_t>(m_maxChars));
    return out;
}

void CAlphanumericFilterBehavior::HandleChar(char16_t c) {
    CEditWindow& w = Window();
    if (w.IsReadOnly()) return;
    if (m_refused.find(c) != std::u16string::npos) return w.Beep();
    const int len = static_cast<int>(w.GetText().size());
    int start = 0, end = 0;
    w.GetSel(start, end);
    if (m_maxChars > 0 && len >= m_maxChars && !IsControl(c) && start < m_maxChars) {
        if (start == end) w.SetSel(start, start + 1);
        w.ReplaceSel(std::u16string(1, c));
        return;
    }
    w.DefaultChar(c);
    // Typing at the end of a full field must not take it past its limit.
    if (m_maxChars > 0) Refilter();
}
