// The clsFSO members that walk folders.
#include "base/text.h"
#include "fso/cls_fso.h"

#include <cmath>
#include <cstdio>

namespace vesperon {

namespace {

namespace msgbox = platform::msgbox;
using basic_error::check;

// Basic's number-to-text conversion of a total: whole numbers as digits, up to 15
// significant digits, exponent form beyond.
std::string numberText(double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    return buffer;
}

// Format(text, "#,0"): digits grouped by thousands, no decimals; a text that is no number
// stays as it is.
std::string groupedThousands(const std::string& number) {
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (number.empty() || end == number.c_str() || *end != '\0') {
        return number;
    }
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.0f", std::fabs(value));
    std::string digits = buffer;
    for (std::size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, ",");
    }
    return (value <= -0.5 ? "-" : "") + digits;
}

double sizeValue(const std::string& size) {
    char* end = nullptr;
    const double value = std::strtod(size.c_str(), &end);
    if (size.empty() || *end != '\0') {
        throw basic_error::typeMismatchError();
    }
    return value;
}

} // namespace

std::vector<std::string> clsFSO::TextSearch(const std::string& strPath,
                                            const std::string& strText) {
    check(fs_.getFolder(strPath));
    std::vector<std::string> files;
    check(fs_.listFiles(strPath, files));
    std::vector<std::string> found(101);
    std::size_t count = 0;
    const std::string wanted = text::lowerAscii(strText);
    for (const auto& file : files) {
        const platform::FileRead read = p_.files.readWhole(file);
        if (read.status != platform::FileRead::Status::Read) {
            check(read.status == platform::FileRead::Status::Absent
                      ? platform::windows_error::file_not_found
                      : platform::windows_error::invalid_function);
        }
        if (text::lowerAscii(read.bytes).find(wanted) != std::string::npos) {
            found[count] = file;
            ++count;
            if (count == found.size() - 1) {
                found.resize(found.size() + 100);
            }
        }
    }
    if (count == 0) {
        return {"N/A", ""};
    }
    found.resize(count);
    return found;
}

std::string clsFSO::Get_Totals(const std::string& strPath, std::int16_t intDataType,
                               const std::string& strPattern, bool blnSearchSubfolders) {
    double total = 0;
    if (intDataType < 1 || intDataType > 4 || text::trimBlanks(strPath).empty()) {
        return "0";
    }
    std::optional<double> since;
    if (intDataType > 1) {
        since = fs_.dateValue(strPattern);
        if (!since) {
            p_.windowing.messageBox("An invalid date was passed.", msgbox::information,
                                    "Invalid date format");
            return "0";
        }
    }
    // A missing folder reaches the caller from here.
    std::string list = Get_FileList(strPath, blnSearchSubfolders, strPattern);
    if (!list.empty() && list.back() == ';') {
        list.pop_back();
    }
    std::vector<std::string> entries;
    for (std::size_t start = 0;;) {
        const std::size_t end = list.find(';', start);
        entries.push_back(list.substr(start, end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    std::string entry;
    try {
        for (const auto& each : entries) {
            entry = each;
            if (text::trimBlanks(entry).empty()) {
                break;
            }
            if (!Get_FileInfo(entry)) {
                continue;
            }
            if (intDataType == 1) {
                total += sizeValue(fileInfo_.Size);
                if (events_ != nullptr) {
                    events_->CountTotals(total, entry);
                }
                continue;
            }
            const std::string& stamp = intDataType == 2   ? fileInfo_.DateLastAccessed
                                       : intDataType == 3 ? fileInfo_.DateLastModified
                                                          : fileInfo_.DateCreated;
            const auto day = fs_.dateValue(stamp.substr(0, stamp.find(' ')));
            if (!day) {
                throw basic_error::typeMismatchError();
            }
            if (*day >= *since) {
                total += 1;
                if (events_ != nullptr) {
                    events_->CountTotals(total, entry);
                }
            }
        }
    } catch (const FsoError& e) {
        const std::string crlf = text::crlf;
        p_.windowing.messageBox("Error: " + std::to_string(e.number()) + "  " + e.description() +
                                    crlf + crlf + "File: " + entry + crlf +
                                    "Size: " + groupedThousands(fileInfo_.Size) + crlf +
                                    "Created:  " + fileInfo_.DateCreated + crlf +
                                    "Modified: " + fileInfo_.DateLastModified + crlf +
                                    "Accessed: " + fileInfo_.DateLastAccessed,
                                msgbox::information, "Errors detected");
        total = 0;
    }
    return numberText(total);
}

std::string clsFSO::Get_FileList(const std::string& strFolder, bool blnSearchSubfolders,
                                 const std::string& strPattern) {
    if (cancelledAfterPendingMessages()) {
        return "";
    }
    check(fs_.getFolder(strFolder));
    std::vector<std::string> files;
    check(fs_.listFiles(strFolder, files));
    const bool allFiles = strPattern == "*.*" || strPattern.find('*') == std::string::npos;
    const std::string wanted = allFiles ? "" : text::lowerAscii(fs_.extensionName(strPattern));
    std::string list;
    for (const auto& file : files) {
        if (cancelledAfterPendingMessages()) {
            break;
        }
        if (allFiles) {
            list += file + ";";
        } else if (text::lowerAscii(fs_.extensionName(file)) == wanted) {
            list += file + ";";
            count_ += 1;
            if (events_ != nullptr) {
                events_->CountFiles(count_, file);
            }
        }
    }
    if (cancelledAfterPendingMessages()) {
        return "";
    }
    if (blnSearchSubfolders) {
        std::vector<std::string> folders;
        check(fs_.listSubFolders(strFolder, folders));
        for (const auto& folder : folders) {
            if (cancelledAfterPendingMessages()) {
                break;
            }
            list += Get_FileList(folder, blnSearchSubfolders, strPattern);
        }
    }
    return list;
}

std::string clsFSO::Get_DirList(const std::string& strPath) {
    check(fs_.getFolder(strPath));
    std::vector<std::string> folders;
    try {
        check(fs_.listSubFolders(strPath, folders));
    } catch (const FsoError& e) {
        AccessErrNum(e.number());
    }
    std::string list;
    for (const auto& folder : folders) {
        if (cancelledAfterPendingMessages()) {
            break;
        }
        list += folder + ";";
    }
    if (cancelledAfterPendingMessages()) {
        return "";
    }
    if (!list.empty() && list.back() == ';') {
        list.pop_back();
    }
    return list;
}

} // namespace vesperon
