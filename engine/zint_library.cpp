#include "engine/zint_library.h"

#include "common/shared_library.h"

#include <zint.h>

#include <cstdlib>
#include <cstring>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

struct ZintFunctions {
    decltype(&::ZBarcode_Create) Create = nullptr;
    decltype(&::ZBarcode_Delete) Delete = nullptr;
    decltype(&::ZBarcode_Encode) Encode = nullptr;
};

bool TakeZint(CSharedLibrary& so, ZintFunctions& z) {
    return so.Take(z.Create, "ZBarcode_Create") && so.Take(z.Delete, "ZBarcode_Delete") &&
           so.Take(z.Encode, "ZBarcode_Encode");
}

// Loaded when a symbol of its symbologies is first encoded: a linear symbol of the program's
// own engine, and every command that draws none of these, never loads it.
const CLoadedLibrary<ZintFunctions>& Zint() {
    return LoadLibraryOnce("libzint.so.2.11", TakeZint);
}

struct SymbolFree {
    void operator()(zint_symbol* s) const { Zint().Get()->Delete(s); }
};

// "Error 259: Invalid data length for AI (01)" gives 259 and "Invalid data length for AI (01)".
void SplitReason(const char* errtxt, ZintSymbol& out) {
    const char* colon = std::strchr(errtxt, ':');
    if (!colon) {
        out.reason = errtxt;
        return;
    }
    const char* digits = colon;
    while (digits > errtxt && digits[-1] >= '0' && digits[-1] <= '9')
        --digits;
    out.errorNumber = digits < colon ? std::atoi(digits) : 0;
    out.reason = colon[1] == ' ' ? colon + 2 : colon + 1;
}

void TakeRows(const zint_symbol& s, ZintSymbol& out) {
    out.rows = s.rows;
    out.width = s.width;
    out.height = s.height;
    out.text = reinterpret_cast<const char*>(s.text);
    out.dark.resize(static_cast<std::size_t>(s.rows) * static_cast<std::size_t>(s.width));
    out.rowHeights.assign(s.row_height, s.row_height + s.rows);
    // Each row's modules are bits, the first module in the lowest bit of its first byte.
    for (int r = 0; r < s.rows; ++r)
        for (int c = 0; c < s.width; ++c)
            out.dark[static_cast<std::size_t>(r) * static_cast<std::size_t>(s.width) +
                     static_cast<std::size_t>(c)] = (s.encoded_data[r][c >> 3] >> (c & 7)) & 1;
}

} // namespace

bool ZintAvailable(std::string* why) {
    if (Zint().Get()) return true;
    if (why) *why = Zint().error;
    return false;
}

ZintSymbol ZintEncode(const ZintRequest& request) {
    ZintSymbol out;
    const ZintFunctions* z = Zint().Get();
    if (!z) {
        out.status = ZINT_ERROR_ENCODING_PROBLEM;
        out.errorNumber = -1;
        out.reason = Zint().error;
        return out;
    }
    if (request.data.empty() || request.data.size() > ZINT_MAX_DATA_LEN) {
        out.status = ZINT_ERROR_TOO_LONG;
        return out;
    }
    const std::unique_ptr<zint_symbol, SymbolFree> s(z->Create());
    if (!s) {
        out.status = ZINT_ERROR_MEMORY;
        return out;
    }
    s->symbology = request.symbology;
    s->input_mode = request.inputMode;
    s->option_1 = request.option1;
    s->option_2 = request.option2;
    s->option_3 = request.option3;
    s->eci = request.eci;
    s->warn_level = WARN_FAIL_ALL;
    s->show_hrt = 1;
    const int status =
        z->Encode(s.get(), reinterpret_cast<const unsigned char*>(request.data.data()),
                  static_cast<int>(request.data.size()));
    if (status >= ZINT_ERROR || s->rows <= 0 || s->width <= 0) {
        out.status = status >= ZINT_ERROR ? status : ZINT_ERROR_ENCODING_PROBLEM;
        SplitReason(s->errtxt, out);
        return out;
    }
    TakeRows(*s, out);
    return out;
}

namespace {

// The symbols kept by ZintEncodeKept: most recently asked for first, found by their request.
class CKeptSymbols {
public:
    std::shared_ptr<const ZintSymbol> Find(const std::string& key) {
        const auto it = m_index.find(key);
        if (it == m_index.end()) return nullptr;
        m_order.splice(m_order.begin(), m_order, it->second);
        return it->second->symbol;
    }
    void Keep(const std::string& key, std::shared_ptr<const ZintSymbol> symbol) {
        if (m_index.count(key)) return;
        const std::size_t bytes = key.size() + symbol->dark.size() +
                                  symbol->rowHeights.size() * sizeof(float) + symbol->text.size();
        m_order.push_front({key, std::move(symbol), bytes});
        m_index.emplace(key, m_order.begin());
        m_bytes += bytes;
        while (m_bytes > kMostBytes && m_order.size() > 1) {
            m_bytes -= m_order.back().bytes;
            m_index.erase(m_order.back().key);
            m_order.pop_back();
        }
    }

private:
    static constexpr std::size_t kMostBytes = 32u << 20;
    struct Entry {
        std::string key;
        std::shared_ptr<const ZintSymbol> symbol;
        std::size_t bytes;
    };
    std::list<Entry> m_order;
    std::unordered_map<std::string, std::list<Entry>::iterator> m_index;
    std::size_t m_bytes = 0;
};

std::string KeyOf(const ZintRequest& r) {
    std::string key;
    for (const int n : {r.symbology, r.inputMode, r.option1, r.option2, r.option3, r.eci})
        key += std::to_string(n) + ',';
    return key + r.data;
}

} // namespace

std::shared_ptr<const ZintSymbol> ZintEncodeKept(const ZintRequest& request) {
    static std::mutex lock;
    static CKeptSymbols* const kept = new CKeptSymbols(); // outlives whatever draws at exit
    const std::string key = KeyOf(request);
    {
        const std::lock_guard guard(lock);
        if (auto symbol = kept->Find(key)) return symbol;
    }
    auto symbol = std::make_shared<const ZintSymbol>(ZintEncode(request));
    const std::lock_guard guard(lock);
    kept->Keep(key, symbol);
    return symbol;
}
