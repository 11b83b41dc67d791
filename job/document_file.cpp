#include "job/document_file.h"

#include "common/file_errors.h"
#include "common/file_io.h"
#include "engine/barcode_file.h"

#include <exception>
#include <span>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Whether the first bytes of a file are those of a document: the new-class tag, a class name
// of the program's that is a barcode.
bool StartsLikeADocument(std::span<const std::uint8_t> head) {
    if (head.size() < 6 || head[0] != 0xFF || head[1] != 0xFF) return false;
    const std::size_t length = head[4] | (head[5] << 8);
    if (length > CArchive::kMaxClassNameLength || head.size() < 6 + length) return false;
    return IsDocumentClass(CRuntimeClass::FromName(
        std::string_view(reinterpret_cast<const char*>(head.data() + 6), length)));
}

// The first bytes of a file; empty when it cannot be read.
std::vector<std::uint8_t> FileHead(const std::string& nativePath) {
    std::vector<std::uint8_t> head(6 + CArchive::kMaxClassNameLength);
    UniqueFd fd(::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    const ssize_t n = fd.Valid() ? ::read(fd.Get(), head.data(), head.size()) : -1;
    head.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return head;
}

} // namespace

CDocumentFile ReadDocumentFile(const std::string& nativePath, const std::string& shownPath) {
    using Result = CDocumentFile::Result;
    CDocumentFile read;
    const CMessage notADocument = MakeMessage(Msg::DocumentUnexpectedFormat, shownPath);
    std::vector<std::uint8_t> bytes;
    if (const std::error_code ec = ReadWholeFile(nativePath, bytes, kMaxDocumentBytes)) {
        read.result = Result::NotOpened;
        if (ec == std::errc::file_too_large) {
            // Told apart by its first bytes: a large file of another kind is simply not a
            // document.
            read.message = StartsLikeADocument(FileHead(nativePath))
                               ? MakeMessage(Msg::DocumentTooLarge, shownPath,
                                             std::to_string(kMaxDocumentBytes >> 20))
                               : notADocument;
        } else {
            read.message = FileError(ec, shownPath);
        }
        return read;
    }
    // An empty file holds nothing to read.
    if (bytes.empty()) return read;
    try {
        CLoadedDocument loaded = LoadDocument(bytes);
        read.barcode = std::move(loaded.barcode);
        read.design = std::move(loaded.design);
    } catch (const CArchiveException&) {
        read.result = Result::FailedToLoad;
        read.message = notADocument;
    } catch (const std::exception&) {
        read.result = Result::FailedToLoad;
        read.message = MakeMessage(Msg::DocumentFailedToOpen, shownPath);
    }
    return read;
}
