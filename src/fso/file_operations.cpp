// The clsFSO members that change the file system.
#include "base/app_identity.h"
#include "base/resume_next.h"
#include "base/text.h"
#include "fso/cls_fso.h"

namespace vesperon {

namespace {

namespace msgbox = platform::msgbox;
using basic_error::check;

std::string errorLead(const FsoError& e) {
    return "Error: " + std::to_string(e.number()) + "  " + e.description();
}

} // namespace

bool clsFSO::KillFile(std::string strFile) {
    // Each step may fail on its own; the final existence test decides.
    fs_.setAttributes(strFile, platform::file_attribute::archive);
    fs_.deleteFile(strFile);
    bool gone = false;
    resumeNext([&] { gone = !File_Exist(strFile); });
    return gone;
}

bool clsFSO::DelTree32(const std::string& strPath) {
    return fs_.deleteFolder(strPath, true) == platform::windows_error::success;
}

void clsFSO::reportRecreateFailure(const std::string& strPath) {
    p_.windowing.messageBox(std::string("Error recreating:  ") + text::crlf + strPath,
                            msgbox::okOnly, applicationTitle);
}

std::vector<std::string> clsFSO::entriesInside(const std::string& list,
                                               const std::string& parent) const {
    // The parent as the listings spell it, untrimmed.
    const std::string prefix = !parent.empty() && parent.back() == edition_.separator
                                   ? parent
                                   : parent + edition_.separator;
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string::npos) {
            end = list.size();
        }
        std::string entry = list.substr(start, end - start);
        const bool inside =
            entry.size() > prefix.size() &&
            (edition_.driveLetters
                 ? text::equalsIgnoringAsciiCase(entry.substr(0, prefix.size()), prefix)
                 : entry.compare(0, prefix.size(), prefix) == 0);
        if (inside) {
            entries.push_back(std::move(entry));
        }
        start = end + 1;
    }
    return entries;
}

bool clsFSO::KillDir(std::string strPath, bool RecreatePath) {
    if (!Folder_Exist(strPath) || DelTree32(strPath)) {
        if (RecreatePath && !Create_Dir_Struct(strPath)) {
            reportRecreateFailure(strPath);
        }
        return true;
    }
    // The tree would not go whole: empty it piece by piece, leaving what resists.
    std::string files;
    resumeNext([&] { files = Get_FileList(strPath, true, "*.*"); });
    for (const auto& file : entriesInside(files, strPath)) {
        fs_.deleteFile(file);
    }
    std::string folders;
    resumeNext([&] { folders = Get_DirList(strPath); });
    for (const auto& folder : entriesInside(folders, strPath)) {
        DelTree32(folder);
    }
    return false;
}

bool clsFSO::Create_Dir_Struct(const std::string& strPath) {
    std::string level;
    try {
        if (text::trimBlanks(strPath).empty()) {
            return false;
        }
        const std::string path = Add_Trailing_Slash(strPath);
        // On Linux the first level is the root, which always exists.
        std::size_t from = !edition_.driveLetters && path.front() == '/' ? 1 : 0;
        for (std::size_t at; (at = path.find(edition_.separator, from)) != std::string::npos;
             from = at + 1) {
            level = path.substr(0, at);
            if (!fs_.FolderExists(level)) {
                check(fs_.createFolder(level));
            }
        }
        return true;
    } catch (const FsoError& e) {
        p_.windowing.messageBox(errorLead(e) + text::crlf + text::crlf +
                                    "An error occured while trying to create " + level,
                                msgbox::information, "Error creating folder");
        return false;
    }
}

namespace {

// What both transfers do when the target exists: ask unless told to overwrite, then clear
// the target away. False when the user keeps the target.
bool clearTarget(platform::Platform& p, const FileInfo& info, const std::string& strSource,
                 const std::string& strTarget, bool askFirst) {
    // Clearing a target that is the source itself would lose the file.
    if (p.fileSystem.sameFile(strSource, strTarget)) {
        throw basic_error::fromWindowsError(platform::windows_error::already_exists);
    }
    if (!p.fileSystem.FileExists(strTarget)) {
        return true;
    }
    if (askFirst) {
        const std::string prompt = std::string("File already exist at") + text::crlf + strTarget +
                                   text::crlf + info.DateLastModified + text::crlf + info.Size +
                                   text::crlf + text::crlf + "Do you want to replace it?";
        if (p.windowing.messageBox(prompt, msgbox::yesNo | msgbox::question, "Replace File?") ==
            msgbox::no) {
            return false;
        }
    }
    check(p.fileSystem.setAttributes(strTarget, platform::file_attribute::normal));
    check(p.fileSystem.deleteFile(strTarget));
    return true;
}

} // namespace

bool clsFSO::Move_File(const std::string& strSource, const std::string& strTarget) {
    try {
        if (!clearTarget(p_, fileInfo_, strSource, strTarget, true)) {
            return false;
        }
        std::int32_t attributes = 0;
        check(fs_.getAttributes(strSource, attributes));
        check(fs_.moveFile(strSource, strTarget));
        check(fs_.setAttributes(strTarget, attributes));
        return true;
    } catch (const FsoError& e) {
        const std::string crlf = text::crlf;
        p_.windowing.messageBox(errorLead(e) + crlf + crlf + "Error while moving a file" + crlf +
                                    crlf + "FROM: " + strSource + crlf + "TO: " + strTarget,
                                msgbox::information, "Errors detected");
        return false;
    }
}

bool clsFSO::Copy_File(const std::string& strSource, const std::string& strTarget,
                       bool boolOverwrite) {
    try {
        if (!clearTarget(p_, fileInfo_, strSource, strTarget, !boolOverwrite)) {
            return false;
        }
        std::int32_t attributes = 0;
        check(fs_.getAttributes(strSource, attributes));
        check(fs_.copyFile(strSource, strTarget, true));
        check(fs_.setAttributes(strTarget, attributes));
        return true;
    } catch (const FsoError&) {
        return false;
    }
}

} // namespace vesperon
