#include "config/check_list_file.h"

#include "base/app_identity.h"
#include "base/resume_next.h"
#include "base/text.h"
#include "base/unicode_text.h"
#include "config/app_folder.h"
#include "fso/cls_fso.h"

namespace vesperon {

std::string checkListHeader() {
    const std::string rule = "; " + std::string(44, '*');
    return rule + text::crlf + ";     " + applicationTitle + " - Configuration File" + text::crlf +
           rule + text::crlf;
}

void ensureCheckList(platform::Platform& p, clsFSO& fso) {
    resumeNext([&] {
        const std::string path = checkListPath(p);
        if (fso.File_Exist(path) || !p.files.absent(path)) {
            return;
        }
        p.files.createFile(path, checkListHeader() + text::crlf);
    });
}

bool WriteTextFile(platform::Files& files, const std::string& path, const std::string& text,
                   bool overwrite) {
    return files.writeText(path, text + text::crlf, overwrite);
}

std::string checkListWithEntries(const std::vector<std::string>& entries) {
    std::string bytes = checkListHeader() + text::crlf;
    for (const auto& entry : entries) {
        bytes += entry + text::crlf;
    }
    return bytes;
}

std::optional<std::string> encodeForList(platform::System& system, ListEncoding encoding,
                                         std::string_view text) {
    switch (encoding) {
    case ListEncoding::SystemCodePage:
        return system.utf8ToLegacy(text);
    case ListEncoding::Utf8:
    case ListEncoding::Utf8WithMark:
        return std::string(text);
    case ListEncoding::Utf16Le:
    case ListEncoding::Utf16Be: {
        std::string bytes;
        unicode::appendUtf16(bytes, text, encoding == ListEncoding::Utf16Be);
        return bytes;
    }
    }
    return std::nullopt;
}

std::string_view byteOrderMark(ListEncoding encoding) {
    switch (encoding) {
    case ListEncoding::Utf8WithMark:
        return "\xEF\xBB\xBF";
    case ListEncoding::Utf16Le:
        return "\xFF\xFE";
    case ListEncoding::Utf16Be:
        return "\xFE\xFF";
    default:
        return "";
    }
}

} // namespace vesperon
