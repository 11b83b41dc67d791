#include "tests/support/zpl_decode.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

// A graphic field: rows of `rowBytes` bytes, 1 bits printed.
struct Graphic {
    int rowBytes = 0;
    int rows = 0;
    std::vector<std::uint8_t> bits;
};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The hex rows of a graphic of `total` bytes, `rowBytes` a row; an error names what is wrong.
Graphic DecodeRows(std::string_view data, int total, int rowBytes, std::string& error) {
    Graphic g;
    if (rowBytes <= 0 || total <= 0 || total % rowBytes != 0) {
        error =
            "graphic of " + std::to_string(total) + " bytes in rows of " + std::to_string(rowBytes);
        return g;
    }
    g.rowBytes = rowBytes;
    g.rows = total / rowBytes;
    const std::size_t digitsPerRow = static_cast<std::size_t>(rowBytes) * 2;
    std::string row, previous(digitsPerRow, '0');
    std::vector<std::string> rows;
    int count = 0;
    const auto endRow = [&](char fill) {
        row.resize(digitsPerRow, fill);
        rows.push_back(row);
        previous = row;
        row.clear();
        count = 0;
    };
    for (char c : data) {
        if (std::isspace(static_cast<unsigned char>(c))) continue;
        if (c >= 'G' && c <= 'Y') {
            count += c - 'F';
        } else if (c >= 'g' && c <= 'z') {
            count += 20 * (c - 'f');
        } else if (c == ',' || c == '!') {
            endRow(c == ',' ? '0' : 'F');
        } else if (c == ':' && row.empty()) {
            row = previous;
            endRow('0');
        } else if (HexValue(c) >= 0) {
            row.append(static_cast<std::size_t>(std::max(count, 1)), c);
            count = 0;
            if (row.size() > digitsPerRow) {
                error = "a row of " + std::to_string(row.size()) + " digits";
                return g;
            }
            if (row.size() == digitsPerRow) endRow('0');
        } else {
            error = std::string("unexpected '") + c + "' in a graphic";
            return g;
        }
    }
    if (!row.empty()) endRow('0');
    if (static_cast<int>(rows.size()) != g.rows) {
        error = std::to_string(rows.size()) + " rows where " + std::to_string(g.rows) + " belong";
        return g;
    }
    for (const std::string& r : rows)
        for (std::size_t i = 0; i < r.size(); i += 2)
            g.bits.push_back(static_cast<std::uint8_t>(HexValue(r[i]) * 16 + HexValue(r[i + 1])));
    return g;
}

// The comma-separated parameters of a command, `count` of them at most (the last takes the
// rest).
std::vector<std::string> Params(std::string_view text, std::size_t count) {
    std::vector<std::string> out;
    while (out.size() + 1 < count) {
        const std::size_t comma = text.find(',');
        if (comma == std::string_view::npos) break;
        out.emplace_back(text.substr(0, comma));
        text.remove_prefix(comma + 1);
    }
    out.emplace_back(text);
    return out;
}

int Int(const std::vector<std::string>& p, std::size_t i) {
    return i < p.size() ? std::atoi(p[i].c_str()) : 0;
}

// A label being read: its size, where the next field goes, and the graphics placed on it.
struct Placed {
    int x = 0, y = 0;
    const Graphic* graphic = nullptr;
};
struct OpenLabel {
    int width = 0, height = 0, copies = 1, x = 0, y = 0;
    std::vector<Placed> placed;
};

ZplLabel Finish(const OpenLabel& open) {
    ZplLabel label;
    label.copies = open.copies;
    for (const Placed& p : open.placed) {
        label.width =
            std::max(label.width, open.width > 0 ? open.width : p.x + p.graphic->rowBytes * 8);
        label.height =
            std::max(label.height, open.height > 0 ? open.height : p.y + p.graphic->rows);
    }
    label.grey.assign(static_cast<std::size_t>(label.width) * label.height, 255);
    for (const Placed& p : open.placed)
        for (int r = 0; r < p.graphic->rows; ++r)
            for (int b = 0; b < p.graphic->rowBytes * 8; ++b) {
                const int x = p.x + b, y = p.y + r;
                const std::uint8_t byte =
                    p.graphic->bits[static_cast<std::size_t>(r) * p.graphic->rowBytes + b / 8];
                if (x < label.width && y < label.height && (byte >> (7 - b % 8)) & 1)
                    label.grey[static_cast<std::size_t>(y) * label.width + x] = 0;
            }
    return label;
}

} // namespace

ZplDocument DecodeZpl(std::string_view text) {
    ZplDocument doc;
    std::map<std::string, Graphic> stored;
    std::vector<std::unique_ptr<Graphic>> inline_;
    OpenLabel open;
    for (std::size_t i = text.find_first_of("^~");
         i != std::string_view::npos && doc.error.empty();) {
        const std::size_t next = text.find_first_of("^~", i + 1);
        const std::string_view command = text.substr(i + 1, 2);
        std::string_view args = text.substr(
            i + 3, next == std::string_view::npos ? std::string_view::npos : next - i - 3);
        while (!args.empty() && std::isspace(static_cast<unsigned char>(args.back())))
            args.remove_suffix(1);
        const char kind = text[i];
        if (kind == '~' && command == "DG") {
            const std::vector<std::string> p = Params(args, 4);
            stored[p[0]] = DecodeRows(p.size() > 3 ? p[3] : "", Int(p, 1), Int(p, 2), doc.error);
        } else if (command == "XA") {
            open = {};
        } else if (command == "PW") {
            open.width = std::atoi(std::string(args).c_str());
        } else if (command == "LL") {
            open.height = std::atoi(std::string(args).c_str());
        } else if (command == "PQ") {
            open.copies = std::max(1, std::atoi(std::string(args).c_str()));
        } else if (command == "FO") {
            const std::vector<std::string> p = Params(args, 2);
            open.x = Int(p, 0);
            open.y = Int(p, 1);
        } else if (command == "GF") {
            const std::vector<std::string> p = Params(args, 5);
            if (p[0] != "A") doc.error = "a graphic field of form " + p[0];
            inline_.push_back(std::make_unique<Graphic>(
                DecodeRows(p.size() > 4 ? p[4] : "", Int(p, 2), Int(p, 3), doc.error)));
            open.placed.push_back({open.x, open.y, inline_.back().get()});
        } else if (command == "XG") {
            const std::vector<std::string> p = Params(args, 3);
            const auto found = stored.find(p[0]);
            if (found == stored.end())
                doc.error = "^XG of " + p[0] + ", which was never stored";
            else if (Int(p, 1) != 1 || Int(p, 2) != 1)
                doc.error = "a graphic recalled magnified";
            else
                open.placed.push_back({open.x, open.y, &found->second});
        } else if (command == "XZ") {
            if (!open.placed.empty()) doc.labels.push_back(Finish(open));
            open = {};
        }
        i = next;
    }
    return doc;
}
