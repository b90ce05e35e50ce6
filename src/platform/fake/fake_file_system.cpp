#include "platform/fake/fake_file_system.h"

#include "base/path_text.h"
#include "base/text.h"
#include "platform/date_value.h"
#include "platform/profile_text.h"
#include "platform/windows_error.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace vesperon::fake {

namespace {

namespace we = platform::windows_error;

std::string folderKeyOf(const FakeDisk& disk, const std::string& path) {
    return disk.keyOf(path_text::removeTrailingSeparator(path, disk.separator()));
}

// The key of the folder that holds a file or folder key, without trailing separator.
std::string containerKeyOf(const FakeDisk& disk, const std::string& k) {
    return path_text::removeTrailingSeparator(disk.parentOf(k), disk.separator());
}

bool under(const FakeDisk& disk, const std::string& k, const std::string& folderKey) {
    return k.size() > folderKey.size() + 1 && k.compare(0, folderKey.size(), folderKey) == 0 &&
           k[folderKey.size()] == disk.separator();
}

bool badName(const std::string& path) {
    return path.find_first_of("<>|\"*?", 0) != std::string::npos ||
           path.find(':', 2) != std::string::npos;
}

// Reads an unsigned number at s[at...]; false when there is none.
bool readNumber(const std::string& s, std::size_t& at, int& value) {
    const std::size_t start = at;
    value = 0;
    while (at < s.size() && s[at] >= '0' && s[at] <= '9' && at - start < 5) {
        value = value * 10 + (s[at++] - '0');
    }
    return at > start;
}

bool readChar(const std::string& s, std::size_t& at, char c) {
    if (at < s.size() && s[at] == c) {
        ++at;
        return true;
    }
    return false;
}

} // namespace

const Drive* FakeFileSystem::drive(const std::string& text) const {
    const bool bare = disk_.posixPaths() ? text == "/" : text.size() == 2 && text[1] == ':';
    return bare ? disk_.driveOf(text) : nullptr;
}

bool FakeFileSystem::DriveExists(const std::string& text) {
    ++queries;
    return drive(text) != nullptr;
}

bool FakeFileSystem::IsReady(const std::string& text) {
    ++queries;
    const Drive* d = drive(text);
    return d != nullptr && d->ready;
}

std::optional<std::string> FakeFileSystem::DriveProperty(const std::string& text,
                                                         std::string_view name) {
    ++queries;
    const Drive* d = drive(text);
    if (d == nullptr || (!d->ready && name != "DriveLetter" && name != "Path" &&
                         name != "DriveType" && name != "IsReady")) {
        return std::nullopt;
    }
    const std::string letter = disk_.posixPaths() ? "" : std::string(1, FakeDisk::upper(text[0]));
    if (name == "DriveLetter") {
        return letter;
    }
    if (name == "Path") {
        return disk_.posixPaths() ? "/" : letter + ":";
    }
    if (name == "RootFolder") {
        return disk_.posixPaths() ? "/" : letter + ":\\";
    }
    if (name == "SerialNumber") {
        return "439041101"; // 0x1A2B3C4D
    }
    if (name == "TotalSize") {
        return "1000000";
    }
    if (name == "AvailableSpace" || name == "FreeSpace") {
        return "500000";
    }
    if (name == "DriveType") {
        return std::to_string(d->type);
    }
    if (name == "FileSystem") {
        return "NTFS";
    }
    if (name == "IsReady") {
        return d->ready ? "True" : "False";
    }
    return "";
}

std::string FakeFileSystem::GetParentFolderName(const std::string& path) {
    ++queries;
    return disk_.parentOf(path);
}

bool FakeFileSystem::FolderExists(const std::string& path) {
    ++queries;
    if (disk_.posixPaths() ? path == "/" : path.size() == 2 && path[1] == ':') {
        return drive(path) != nullptr;
    }
    return disk_.folders.contains(disk_.keyOf(path));
}

bool FakeFileSystem::FileExists(const std::string& path) {
    ++queries;
    return disk_.hasFile(path);
}

long FakeFileSystem::getFile(const std::string& path, platform::FileDetails& details) {
    ++queries;
    const std::string k = disk_.keyOf(path);
    if (!disk_.hasFile(path)) {
        return we::file_not_found;
    }
    const FakeFileMeta& m = disk_.meta(path);
    details.Path = m.spelling;
    if (disk_.posixPaths()) {
        details.Drive = "/";
    } else {
        details.Drive = m.spelling.size() >= 2 && m.spelling[1] == ':'
                            ? std::string(1, FakeDisk::upper(m.spelling[0])) + ":"
                            : "";
    }
    details.ParentFolder = disk_.parentOf(m.spelling);
    details.Size = disk_.files[k].size();
    const std::string extension = text::upperAscii(extensionName(m.spelling));
    details.Type = extension.empty() ? "File" : extension + " File";
    details.DateLastAccessed = m.accessed;
    details.DateLastModified = m.modified;
    details.DateCreated = m.created;
    std::int32_t attributes = 0;
    getAttributes(path, attributes);
    details.Attributes = attributes;
    return we::success;
}

std::string FakeFileSystem::extensionName(const std::string& path) {
    return path_text::extensionNameOf(path, !disk_.posixPaths());
}

std::string FakeFileSystem::fileName(const std::string& path) {
    return path_text::fileNameOf(path, !disk_.posixPaths());
}

std::string FakeFileSystem::fileVersion(const std::string& path) {
    return disk_.hasFile(path) ? disk_.meta(path).version : "";
}

std::optional<double> FakeFileSystem::dateValue(const std::string& text) {
    const std::string s = text::trimBlanks(text);
    std::size_t at = 0;
    int month = 0;
    int day = 0;
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!readNumber(s, at, month) || !readChar(s, at, '/') || !readNumber(s, at, day) ||
        !readChar(s, at, '/') || !readNumber(s, at, year)) {
        return std::nullopt;
    }
    if (readChar(s, at, ' ')) {
        if (!readNumber(s, at, hour) || !readChar(s, at, ':') || !readNumber(s, at, minute) ||
            !readChar(s, at, ':') || !readNumber(s, at, second)) {
            return std::nullopt;
        }
        const std::string rest = s.substr(at);
        if (rest == " PM" || rest == " AM") {
            if (hour < 1 || hour > 12) {
                return std::nullopt;
            }
            hour = hour % 12 + (rest == " PM" ? 12 : 0);
            at = s.size();
        }
    }
    if (at != s.size()) {
        return std::nullopt;
    }
    return platform::basicDateValue(year, month, day, hour, minute, second);
}

long FakeFileSystem::getFolder(const std::string& path) {
    ++queries;
    return disk_.hasFolder(path) ? we::success : we::path_not_found;
}

long FakeFileSystem::listEntries(const std::string& folder, bool folders,
                                 std::vector<std::string>& paths) {
    ++queries;
    paths.clear();
    if (!disk_.hasFolder(folder)) {
        return we::path_not_found;
    }
    const std::string folderKey = folderKeyOf(disk_, folder);
    const std::string prefix = path_text::addTrailingSeparator(
        path_text::removeTrailingSeparator(folder, disk_.separator()), disk_.separator());
    auto take = [&](const std::string& k) {
        if (containerKeyOf(disk_, k) == folderKey) {
            paths.push_back(prefix +
                            path_text::fileNameOf(disk_.spellingOf(k), !disk_.posixPaths()));
        }
    };
    if (folders) {
        for (const auto& k : disk_.folders) {
            take(k);
        }
    } else {
        for (const auto& [k, bytes] : disk_.files) {
            take(k);
        }
    }
    return we::success;
}

long FakeFileSystem::listFiles(const std::string& folder, std::vector<std::string>& paths) {
    return listEntries(folder, false, paths);
}

long FakeFileSystem::listSubFolders(const std::string& folder, std::vector<std::string>& paths) {
    return listEntries(folder, true, paths);
}

long FakeFileSystem::folderRefuses(const std::string& path) const {
    const std::string container = containerKeyOf(disk_, disk_.keyOf(path));
    if (container.empty() || !disk_.hasFolder(container)) {
        return we::path_not_found;
    }
    return disk_.readOnly.contains(container) ? we::access_denied : we::success;
}

long FakeFileSystem::createFolder(const std::string& path) {
    ++queries;
    if (text::trimBlanks(path).empty()) {
        return we::invalid_parameter;
    }
    if (badName(path)) {
        return we::invalid_name;
    }
    if (disk_.hasFolder(path) || disk_.hasFile(path)) {
        return we::already_exists;
    }
    if (const long refused = folderRefuses(path)) {
        return refused;
    }
    disk_.addFolder(path);
    return we::success;
}

long FakeFileSystem::deleteFolder(const std::string& path, bool force) {
    ++queries;
    const std::string folderKey = folderKeyOf(disk_, path);
    if (folderKey.size() <= 2 || !disk_.folders.contains(folderKey)) {
        return folderKey.size() <= 2 && disk_.hasFolder(path) ? we::access_denied
                                                              : we::path_not_found;
    }
    long first = we::success;
    auto note = [&](long error) {
        if (first == we::success) {
            first = error;
        }
    };
    for (auto it = disk_.files.begin(); it != disk_.files.end();) {
        const std::string& k = it->first;
        if (!under(disk_, k, folderKey)) {
            ++it;
        } else if (disk_.inUse.contains(k)) {
            note(we::sharing_violation);
            ++it;
        } else if (!force && disk_.readOnly.contains(k)) {
            note(we::access_denied);
            ++it;
        } else {
            disk_.readOnly.erase(k);
            disk_.metas.erase(k);
            it = disk_.files.erase(it);
        }
    }
    // Deepest first: a folder goes when nothing is left in it.
    std::vector<std::string> doomed;
    for (const auto& k : disk_.folders) {
        if (k == folderKey || under(disk_, k, folderKey)) {
            doomed.push_back(k);
        }
    }
    std::sort(doomed.begin(), doomed.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const auto& k : doomed) {
        auto holds = [&](const std::string& other) { return under(disk_, other, k); };
        if (std::any_of(disk_.files.begin(), disk_.files.end(),
                        [&](const auto& file) { return holds(file.first); }) ||
            std::any_of(disk_.folders.begin(), disk_.folders.end(), holds)) {
            continue;
        }
        disk_.folders.erase(k);
        disk_.folderNames.erase(k);
        disk_.readOnly.erase(k);
    }
    return first;
}

void FakeFileSystem::placeCopy(const std::string& source, const std::string& target) {
    const std::string from = disk_.keyOf(source);
    const std::string to = disk_.keyOf(target);
    FakeFileMeta m = disk_.meta(source);
    m.spelling = target;
    disk_.files[to] = disk_.files[from];
    disk_.metas[to] = m;
    if (disk_.readOnly.contains(from)) {
        disk_.readOnly.insert(to);
    }
}

bool FakeFileSystem::sameFile(const std::string& first, const std::string& second) {
    ++queries;
    return disk_.hasFile(first) && disk_.keyOf(first) == disk_.keyOf(second);
}

long FakeFileSystem::moveFile(const std::string& source, const std::string& target) {
    ++queries;
    const std::string from = disk_.keyOf(source);
    const std::string to = disk_.keyOf(target);
    if (!disk_.hasFile(source)) {
        return we::file_not_found;
    }
    if (disk_.inUse.contains(from)) {
        return we::sharing_violation;
    }
    if (disk_.hasFile(target) || disk_.hasFolder(target)) {
        return we::already_exists;
    }
    if (const long refused = folderRefuses(target)) {
        return refused;
    }
    placeCopy(source, target);
    disk_.readOnly.erase(from);
    disk_.files.erase(from);
    disk_.metas.erase(from);
    return we::success;
}

long FakeFileSystem::copyFile(const std::string& source, const std::string& target,
                              bool overwrite) {
    ++queries;
    const std::string from = disk_.keyOf(source);
    const std::string to = disk_.keyOf(target);
    if (!disk_.hasFile(source)) {
        return we::file_not_found;
    }
    if (disk_.unreadable.contains(from) || disk_.hasFolder(target)) {
        return we::access_denied;
    }
    if (disk_.hasFile(target)) {
        if (!overwrite) {
            return we::file_exists;
        }
        if (disk_.inUse.contains(to)) {
            return we::sharing_violation;
        }
        if (disk_.readOnly.contains(to)) {
            return we::access_denied;
        }
    }
    if (const long refused = folderRefuses(target)) {
        return refused;
    }
    placeCopy(source, target);
    return we::success;
}

long FakeFileSystem::getAttributes(const std::string& path, std::int32_t& attributes) {
    ++queries;
    const std::string k = disk_.keyOf(path);
    if (disk_.hasFile(path)) {
        attributes = (disk_.meta(path).attributes & ~platform::file_attribute::readOnly) |
                     (disk_.readOnly.contains(k) ? platform::file_attribute::readOnly : 0);
        return we::success;
    }
    if (disk_.hasFolder(path)) {
        attributes = platform::file_attribute::directory;
        return we::success;
    }
    return we::file_not_found;
}

long FakeFileSystem::setAttributes(const std::string& path, std::int32_t attributes) {
    ++queries;
    const std::string k = disk_.keyOf(path);
    if (!disk_.hasFile(path)) {
        return disk_.hasFolder(path) ? we::success : we::file_not_found;
    }
    namespace fa = platform::file_attribute;
    disk_.meta(path).attributes = attributes & (fa::hidden | fa::system | fa::archive);
    if ((attributes & fa::readOnly) != 0) {
        disk_.readOnly.insert(k);
    } else {
        disk_.readOnly.erase(k);
    }
    return we::success;
}

long FakeFileSystem::deleteFile(const std::string& path) {
    ++queries;
    const std::string k = disk_.keyOf(path);
    if (!disk_.hasFile(path)) {
        return we::file_not_found;
    }
    if (disk_.inUse.contains(k)) {
        return we::sharing_violation;
    }
    if (disk_.readOnly.contains(k)) {
        return we::access_denied;
    }
    disk_.removeFile(path);
    return we::success;
}

long FakeFileSystem::writeNewFile(const std::string& path, const std::string& bytes) {
    ++queries;
    const std::string k = disk_.keyOf(path);
    if (const long refused = folderRefuses(path)) {
        return refused;
    }
    if (disk_.hasFolder(path) || disk_.readOnly.contains(k) || disk_.inUse.contains(k)) {
        return we::access_denied;
    }
    disk_.files[k] = bytes;
    disk_.meta(path);
    return we::success;
}

long FakeFileSystem::appendToFile(const std::string& path, const std::string& bytes) {
    ++queries;
    const std::string k = disk_.keyOf(path);
    if (!disk_.hasFile(path)) {
        return we::file_not_found;
    }
    if (disk_.readOnly.contains(k) || disk_.inUse.contains(k)) {
        return we::access_denied;
    }
    disk_.files[k] += bytes;
    return we::success;
}

std::vector<std::string> FakeFileSystem::logicalDriveStrings() {
    std::vector<std::string> roots;
    if (!driveListFails) {
        for (const auto& [letter, d] : disk_.drives) {
            roots.push_back(disk_.posixPaths() ? "/" : std::string(1, letter) + ":\\");
        }
    }
    return roots;
}

std::optional<std::string> FakeFileSystem::tempFileName(const std::string& folder,
                                                        const std::string& prefix) {
    ++queries;
    const std::string base = path_text::addTrailingSeparator(folder, disk_.separator());
    for (unsigned tries = 0; tries < 0x10000; ++tries) {
        tempNumber = (tempNumber + 1) & 0xFFFF;
        if (tempNumber == 0) {
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", tempNumber);
        const std::string path = base + prefix.substr(0, 3) + hex + ".TMP";
        if (disk_.hasFile(path)) {
            continue;
        }
        if (writeNewFile(path, "") != we::success) {
            return std::nullopt;
        }
        return path;
    }
    return std::nullopt;
}

std::optional<platform::DiskSpace> FakeFileSystem::diskFreeSpaceEx(const std::string&) {
    return diskSpace;
}

std::optional<platform::DiskGeometry> FakeFileSystem::diskFreeSpace(const std::string&) {
    return diskGeometry;
}

} // namespace vesperon::fake
