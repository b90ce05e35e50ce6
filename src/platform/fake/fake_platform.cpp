#include "platform/fake/fake_platform.h"

#include "base/path_text.h"
#include "base/text.h"
#include "base/unicode_text.h"
#include "platform/date_value.h"
#include "platform/profile_text.h"
#include "platform/windows_error.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <utility>

namespace vesperon::fake {

namespace {

std::string parentKey(const std::string& key) {
    return path_text::windowsParentFolderName(key);
}

} // namespace

FakeDisk::FakeDisk() {
    drives['C'] = Drive{};
}

std::string FakeDisk::key(const std::string& path) {
    return text::lowerAscii(path);
}

void FakeDisk::addFolder(const std::string& path) {
    const std::string spelling = path_text::removeTrailingSeparator(path, '\\');
    std::string k = key(spelling);
    while (k.size() > 2) {
        folders.insert(k);
        folderNames.emplace(k, spelling.substr(0, k.size()));
        std::string parent = path_text::removeTrailingSeparator(parentKey(k), '\\');
        if (parent == k) {
            break;
        }
        k = parent;
    }
}

void FakeDisk::addFile(const std::string& path, const std::string& bytes) {
    addFolder(path_text::windowsParentFolderName(path));
    files[key(path)] = bytes;
    meta(path);
}

bool FakeDisk::hasFolder(const std::string& path) const {
    const std::string k = key(path_text::removeTrailingSeparator(path, '\\'));
    if (k.size() == 2 && k[1] == ':') {
        return drives.count(upper(k[0])) > 0;
    }
    return folders.count(k) > 0;
}

FakeFileMeta& FakeDisk::meta(const std::string& path) {
    auto [it, added] = metas.try_emplace(key(path));
    if (added) {
        it->second.spelling = path;
    }
    return it->second;
}

std::string FakeDisk::spellingOf(const std::string& k) const {
    if (auto file = metas.find(k); file != metas.end()) {
        return file->second.spelling;
    }
    if (auto folder = folderNames.find(k); folder != folderNames.end()) {
        return folder->second;
    }
    return k;
}

bool FakeDisk::hasFile(const std::string& path) const {
    return files.count(key(path)) > 0;
}

std::string FakeDisk::bytesOf(const std::string& path) const {
    auto it = files.find(key(path));
    return it == files.end() ? std::string() : it->second;
}

void FakeDisk::removeFile(const std::string& path) {
    files.erase(key(path));
    metas.erase(key(path));
}

platform::Presence FakeFiles::presenceOf(const std::string& path) {
    disk_.presenceAsked.push_back(path);
    const std::string k = FakeDisk::key(path);
    if (disk_.throwsOn.count(k) > 0) {
        throw std::bad_alloc();
    }
    const auto drive = disk_.drives.find(FakeDisk::upper(path.empty() ? '\0' : path[0]));
    if (disk_.cannotTell.count(k) > 0 || (drive != disk_.drives.end() && path.size() >= 2 &&
                                          path[1] == ':' && !drive->second.ready)) {
        return platform::Presence::Undetermined;
    }
    if (disk_.files.count(k) > 0) {
        return platform::Presence::File;
    }
    return disk_.hasFolder(path) ? platform::Presence::NotAFile : platform::Presence::Absent;
}

platform::ProbeResult FakeFiles::probe(const std::string& path) {
    disk_.probed.push_back(path);
    const std::string k = FakeDisk::key(path);
    if (disk_.files.count(k) == 0 || disk_.inUse.count(k) > 0 || disk_.unreadable.count(k) > 0) {
        return platform::ProbeResult::InUse;
    }
    return disk_.holdersUnknown ? platform::ProbeResult::Undetermined : platform::ProbeResult::Free;
}

namespace {

// The file's bytes as they were when it was opened; reading may be made to fail part way.
class FakeInputFile final : public platform::InputFile {
public:
    FakeInputFile(std::string bytes, std::size_t failAt)
        : bytes_(std::move(bytes)), failAt_(failAt) {}
    long read(char* buffer, std::size_t size) override {
        if (at_ >= failAt_) {
            return -1;
        }
        const std::size_t n = std::min({size, bytes_.size() - at_, failAt_ - at_});
        std::copy_n(bytes_.data() + at_, n, buffer);
        at_ += n;
        return static_cast<long>(n);
    }
    bool rewind() override {
        at_ = 0;
        return true;
    }

private:
    std::string bytes_;
    std::size_t failAt_;
    std::size_t at_ = 0;
};

} // namespace

platform::OpenedFile FakeFiles::openForReading(const std::string& path) {
    const platform::FileRead whole = readWhole(path);
    if (whole.status != platform::FileRead::Status::Read) {
        return {whole.status, nullptr};
    }
    const auto failing = disk_.readFailsAt.find(FakeDisk::key(path));
    const std::size_t failAt =
        failing == disk_.readFailsAt.end() ? whole.bytes.size() + 1 : failing->second;
    return {platform::FileRead::Status::Read, std::make_unique<FakeInputFile>(whole.bytes, failAt)};
}

std::optional<std::string> FakeSystem::legacyToUtf8(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        unicode::appendUtf8(text, static_cast<unsigned char>(c));
    }
    return text;
}

std::optional<std::string> FakeSystem::utf8ToLegacy(std::string_view text) {
    std::string bytes;
    for (std::size_t at = 0; at < text.size();) {
        const char32_t c = unicode::decodeUtf8(text, at);
        if (c > 0xFF) {
            return std::nullopt;
        }
        bytes += static_cast<char>(c);
    }
    return bytes;
}

namespace {

class FakeLock final : public platform::FileLock {
public:
    FakeLock(FakeDisk& disk, std::string key) : disk_(disk), key_(std::move(key)) {
        disk_.locked.insert(key_);
    }
    ~FakeLock() override { disk_.locked.erase(key_); }
    FakeLock(const FakeLock&) = delete;
    FakeLock& operator=(const FakeLock&) = delete;

private:
    FakeDisk& disk_;
    std::string key_;
};

} // namespace

platform::LockAttempt FakeFiles::lockFile(const std::string& path) {
    using Status = platform::LockAttempt::Status;
    const std::string k = FakeDisk::key(path);
    if (disk_.lockedElsewhere.count(k) > 0) {
        return {Status::TimedOut, nullptr};
    }
    // Created when missing, as the real lock files are.
    if (!writeText(path, "", false)) {
        return {Status::Unavailable, nullptr};
    }
    return {Status::Held, std::make_unique<FakeLock>(disk_, k)};
}

platform::FileRead FakeFiles::readWhole(const std::string& path) {
    const std::string k = FakeDisk::key(path);
    if (disk_.unreadable.count(k) > 0) {
        return {platform::FileRead::Status::Unreadable, {}};
    }
    auto it = disk_.files.find(k);
    if (it == disk_.files.end()) {
        return {platform::FileRead::Status::Absent, {}};
    }
    return {platform::FileRead::Status::Read, it->second};
}

bool FakeFiles::writeText(const std::string& path, const std::string& bytes, bool overwrite) {
    const std::string k = FakeDisk::key(path);
    const std::string folder = parentKey(k);
    if (disk_.readOnly.count(k) > 0 || disk_.readOnly.count(folder) > 0 ||
        (folder.size() > 3 && disk_.folders.count(folder) == 0)) {
        return false;
    }
    if (overwrite) {
        disk_.files[k] = bytes;
    } else {
        disk_.files[k] += bytes;
    }
    return true;
}

bool FakeFiles::pathAbsent(const std::string& path) {
    const std::string k = FakeDisk::key(path);
    return disk_.files.count(k) == 0 && disk_.folders.count(k) == 0 &&
           disk_.unreadable.count(k) == 0;
}

bool FakeFiles::deleteFile(const std::string& path) {
    const std::string k = FakeDisk::key(path);
    if (disk_.readOnly.count(k) > 0 || disk_.inUse.count(k) > 0) {
        return false;
    }
    disk_.metas.erase(k);
    return disk_.files.erase(k) > 0;
}

bool FakeFiles::replaceFile(const std::string& path, const std::string& bytes) {
    if (disk_.replaceFails) {
        return false;
    }
    return writeText(path, bytes, true);
}

const Drive* FakeFileSystem::drive(const std::string& text) const {
    if (text.size() != 2 || text[1] != ':') {
        return nullptr;
    }
    auto it = disk_.drives.find(FakeDisk::upper(text[0]));
    return it == disk_.drives.end() ? nullptr : &it->second;
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
    const std::string letter(1, FakeDisk::upper(text[0]));
    if (name == "DriveLetter") {
        return letter;
    }
    if (name == "Path") {
        return letter + ":";
    }
    if (name == "RootFolder") {
        return letter + ":\\";
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
    return path_text::windowsParentFolderName(path);
}

bool FakeFileSystem::FolderExists(const std::string& path) {
    ++queries;
    if (path.size() == 2 && path[1] == ':') {
        return drive(path) != nullptr;
    }
    return disk_.folders.count(FakeDisk::key(path)) > 0;
}

bool FakeFileSystem::FileExists(const std::string& path) {
    ++queries;
    return disk_.hasFile(path);
}

namespace {

namespace we = platform::windows_error;

std::string folderKeyOf(const std::string& path) {
    return FakeDisk::key(path_text::removeTrailingSeparator(path, '\\'));
}

// The key of the folder that holds a file or folder key, without trailing separator.
std::string containerKeyOf(const std::string& k) {
    return path_text::removeTrailingSeparator(path_text::windowsParentFolderName(k), '\\');
}

bool under(const std::string& k, const std::string& folderKey) {
    return k.size() > folderKey.size() + 1 && k.compare(0, folderKey.size(), folderKey) == 0 &&
           k[folderKey.size()] == '\\';
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

long FakeFileSystem::getFile(const std::string& path, platform::FileDetails& details) {
    ++queries;
    const std::string k = FakeDisk::key(path);
    if (!disk_.hasFile(path)) {
        return we::file_not_found;
    }
    const FakeFileMeta& m = disk_.meta(path);
    details.Path = m.spelling;
    details.Drive = m.spelling.size() >= 2 && m.spelling[1] == ':'
                        ? std::string(1, FakeDisk::upper(m.spelling[0])) + ":"
                        : "";
    details.ParentFolder = path_text::windowsParentFolderName(m.spelling);
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
    return path_text::extensionNameOf(path, true);
}

std::string FakeFileSystem::fileName(const std::string& path) {
    return path_text::fileNameOf(path, true);
}

std::string FakeFileSystem::fileVersion(const std::string& path) {
    return disk_.hasFile(path) ? disk_.meta(path).version : "";
}

std::optional<double> FakeFileSystem::dateValue(const std::string& text) {
    const std::string s = text::trimBlanks(text);
    std::size_t at = 0;
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
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
    const std::string folderKey = folderKeyOf(folder);
    const std::string prefix =
        path_text::addTrailingSeparator(path_text::removeTrailingSeparator(folder, '\\'), '\\');
    auto take = [&](const std::string& k) {
        if (containerKeyOf(k) == folderKey) {
            paths.push_back(prefix + path_text::fileNameOf(disk_.spellingOf(k), true));
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
    const std::string container = containerKeyOf(FakeDisk::key(path));
    if (container.empty() || !disk_.hasFolder(container)) {
        return we::path_not_found;
    }
    return disk_.readOnly.count(container) > 0 ? we::access_denied : we::success;
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
    const std::string folderKey = folderKeyOf(path);
    if (folderKey.size() <= 2 || disk_.folders.count(folderKey) == 0) {
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
        if (!under(k, folderKey)) {
            ++it;
        } else if (disk_.inUse.count(k) > 0) {
            note(we::sharing_violation);
            ++it;
        } else if (!force && disk_.readOnly.count(k) > 0) {
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
        if (k == folderKey || under(k, folderKey)) {
            doomed.push_back(k);
        }
    }
    std::sort(doomed.begin(), doomed.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const auto& k : doomed) {
        auto holds = [&](const std::string& other) { return under(other, k); };
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
    const std::string from = FakeDisk::key(source);
    const std::string to = FakeDisk::key(target);
    FakeFileMeta m = disk_.meta(source);
    m.spelling = target;
    disk_.files[to] = disk_.files[from];
    disk_.metas[to] = m;
    if (disk_.readOnly.count(from) > 0) {
        disk_.readOnly.insert(to);
    }
}

long FakeFileSystem::moveFile(const std::string& source, const std::string& target) {
    ++queries;
    const std::string from = FakeDisk::key(source);
    const std::string to = FakeDisk::key(target);
    if (!disk_.hasFile(source)) {
        return we::file_not_found;
    }
    if (disk_.inUse.count(from) > 0) {
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
    const std::string from = FakeDisk::key(source);
    const std::string to = FakeDisk::key(target);
    if (!disk_.hasFile(source)) {
        return we::file_not_found;
    }
    if (disk_.unreadable.count(from) > 0 || disk_.hasFolder(target)) {
        return we::access_denied;
    }
    if (disk_.hasFile(target)) {
        if (!overwrite) {
            return we::file_exists;
        }
        if (disk_.inUse.count(to) > 0) {
            return we::sharing_violation;
        }
        if (disk_.readOnly.count(to) > 0) {
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
    const std::string k = FakeDisk::key(path);
    if (disk_.hasFile(path)) {
        attributes = (disk_.meta(path).attributes & ~platform::file_attribute::readOnly) |
                     (disk_.readOnly.count(k) > 0 ? platform::file_attribute::readOnly : 0);
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
    const std::string k = FakeDisk::key(path);
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
    const std::string k = FakeDisk::key(path);
    if (!disk_.hasFile(path)) {
        return we::file_not_found;
    }
    if (disk_.inUse.count(k) > 0) {
        return we::sharing_violation;
    }
    if (disk_.readOnly.count(k) > 0) {
        return we::access_denied;
    }
    disk_.removeFile(path);
    return we::success;
}

long FakeFileSystem::writeNewFile(const std::string& path, const std::string& bytes) {
    ++queries;
    const std::string k = FakeDisk::key(path);
    if (const long refused = folderRefuses(path)) {
        return refused;
    }
    if (disk_.hasFolder(path) || disk_.readOnly.count(k) > 0 || disk_.inUse.count(k) > 0) {
        return we::access_denied;
    }
    disk_.files[k] = bytes;
    disk_.meta(path);
    return we::success;
}

long FakeFileSystem::appendToFile(const std::string& path, const std::string& bytes) {
    ++queries;
    const std::string k = FakeDisk::key(path);
    if (!disk_.hasFile(path)) {
        return we::file_not_found;
    }
    if (disk_.readOnly.count(k) > 0 || disk_.inUse.count(k) > 0) {
        return we::access_denied;
    }
    disk_.files[k] += bytes;
    return we::success;
}

std::vector<std::string> FakeFileSystem::logicalDriveStrings() {
    std::vector<std::string> roots;
    if (!driveListFails) {
        for (const auto& [letter, d] : disk_.drives) {
            roots.push_back(std::string(1, letter) + ":\\");
        }
    }
    return roots;
}

std::optional<std::string> FakeFileSystem::tempFileName(const std::string& folder,
                                                        const std::string& prefix) {
    ++queries;
    const std::string base = path_text::addTrailingSeparator(folder, '\\');
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

std::optional<platform::DiskSpace> FakeFileSystem::diskFreeSpaceEx(const std::string& d) {
    diskQueries.push_back("Ex " + d);
    return diskSpace;
}

std::optional<platform::DiskGeometry> FakeFileSystem::diskFreeSpace(const std::string& d) {
    diskQueries.push_back(d);
    return diskGeometry;
}

std::string FakeProfile::getString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue, std::size_t bufferSize,
                                   const std::string& file) {
    ++reads;
    if (disk_.hasFile(file) && disk_.unreadable.count(FakeDisk::key(file)) == 0) {
        if (auto raw = platform::profile_text::findRawValue(disk_.bytesOf(file), section, key)) {
            return platform::profile_text::copyToBuffer(*raw, bufferSize);
        }
    }
    if (bufferSize == 0) {
        return {};
    }
    return defaultValue.substr(0, bufferSize - 1);
}

platform::ProfileWrite FakeProfile::writeString(const std::string& section, const std::string& key,
                                                const std::string& value, const std::string& file) {
    ++writes;
    const std::string k = FakeDisk::key(file);
    if (disk_.readOnly.count(k) > 0 || disk_.readOnly.count(parentKey(k)) > 0 ||
        disk_.unreadable.count(k) > 0) {
        return {false, "Access is denied. (error 5)"};
    }
    disk_.files[k] = platform::profile_text::setValue(disk_.bytesOf(file), section, key, value);
    return {true, ""};
}

std::optional<std::string> FakeProfile::whyUnreadable(const std::string& file) {
    if (disk_.hasFile(file) && disk_.unreadable.count(FakeDisk::key(file)) > 0) {
        return "Access is denied. (error 5)";
    }
    return std::nullopt;
}

long FakeRegistry::createKey(std::uint32_t root, const std::string& path,
                             platform::RegistryHandle& handle) {
    calls.push_back("create");
    if (createKeyError != 0) {
        return createKeyError;
    }
    keys[{root, path}];
    handle = next_++;
    open_[handle] = {root, path};
    return 0;
}

long FakeRegistry::setValue(platform::RegistryHandle handle, const std::string& name,
                            std::uint32_t type, const std::vector<std::uint8_t>& data) {
    calls.push_back("set " + name);
    auto it = open_.find(handle);
    if (it == open_.end()) {
        return platform::windows_error::invalid_handle;
    }
    if (auto error = setValueErrors.find(name); error != setValueErrors.end()) {
        return error->second;
    }
    keys[it->second][name] = RegistryValue{type, data};
    return 0;
}

long FakeRegistry::closeKey(platform::RegistryHandle handle) {
    calls.push_back("close");
    return open_.erase(handle) > 0 ? 0 : platform::windows_error::invalid_handle;
}

platform::EventSourceHandle FakeEventLog::registerEventSource(const std::string& /*server*/,
                                                              const std::string& source) {
    ++registrations;
    if (registerFails) {
        return 0;
    }
    const platform::EventSourceHandle handle = 100 + sources_.size();
    sources_[handle] = source;
    return handle;
}

bool FakeEventLog::reportEvent(platform::EventSourceHandle handle, std::uint16_t type,
                               std::uint16_t category, std::uint32_t eventId,
                               const std::vector<std::string>& strings,
                               const std::vector<std::uint8_t>& rawData) {
    if (reportFails || sources_.count(handle) == 0) {
        return false;
    }
    events.push_back({sources_[handle], type, category, eventId, strings, rawData});
    return true;
}

void FakeEventLog::deregisterEventSource(platform::EventSourceHandle handle) {
    ++deregistrations;
    sources_.erase(handle);
}

namespace {

// Forgets its window in the fake's table when the form lets it go.
class TrackedWindow final : public platform::NativeWindow {
public:
    TrackedWindow(std::map<std::string, FakeNativeWindow*>& table,
                  std::map<std::string, std::vector<std::string>>& textLog, std::string name)
        : table_(table), textLog_(textLog), name_(std::move(name)) {
        table_[name_] = &window_;
    }
    ~TrackedWindow() override { table_.erase(name_); }
    void show() override { window_.show(); }
    void hide() override { window_.hide(); }
    void setCaption(const std::string& text) override { window_.setCaption(text); }
    void setCheck(const std::string& c, int v) override { window_.setCheck(c, v); }
    void setListItems(const std::string& c, const std::vector<std::string>& items,
                      int selected) override {
        window_.setListItems(c, items, selected);
    }
    void setText(const std::string& c, const std::string& t) override {
        window_.setText(c, t);
        textLog_[name_ + "." + c].push_back(t);
    }
    void setFocus(const std::string& c) override { window_.setFocus(c); }
    platform::Rect clientArea() override { return {}; }
    std::optional<platform::Rect> controlRect(const std::string&) override { return std::nullopt; }

private:
    std::map<std::string, FakeNativeWindow*>& table_;
    std::map<std::string, std::vector<std::string>>& textLog_;
    std::string name_;
    FakeNativeWindow window_;
};

} // namespace

std::unique_ptr<platform::NativeWindow>
FakeWindowing::createWindow(const platform::FormLayout& design, platform::WindowEvents& e) {
    events[design.name] = &e;
    return std::make_unique<TrackedWindow>(windows_, textLog, design.name);
}

FakeNativeWindow* FakeWindowing::window(const std::string& formName) {
    auto it = windows_.find(formName);
    return it == windows_.end() ? nullptr : it->second;
}

int FakeWindowing::messageBox(const std::string& prompt, int buttons, const std::string& title) {
    messages.push_back({prompt, buttons, title});
    if (answers.empty()) {
        return platform::msgbox::ok;
    }
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

std::optional<std::string> FakeWindowing::openFileDialog(const std::string& title,
                                                         const std::string& filter,
                                                         const std::string& initialName) {
    dialogs.push_back({title, filter, initialName});
    if (dialogResults.empty()) {
        return std::nullopt;
    }
    auto result = dialogResults.front();
    dialogResults.erase(dialogResults.begin());
    return result;
}

std::optional<std::string> FakeWindowing::browseForFolder(platform::NativeWindow* owner,
                                                          const std::string& prompt) {
    folderBrowses.emplace_back(owner, prompt);
    if (folderResults.empty()) {
        return std::nullopt;
    }
    auto result = folderResults.front();
    folderResults.erase(folderResults.begin());
    return result;
}

void FakeWindowing::runUntil(const std::function<bool()>& /*done*/) {
    // Nothing happens on its own here: a test drives the handlers itself.
}

platform::ProcessHandle FakeProcessListing::createProcessSnapshot() {
    snapshotAt_ = 0;
    return snapshotFails ? 0 : 7;
}

bool FakeProcessListing::process32First(platform::ProcessHandle snapshot, std::string& exeFile) {
    snapshotAt_ = 0;
    return process32Next(snapshot, exeFile);
}

bool FakeProcessListing::process32Next(platform::ProcessHandle, std::string& exeFile) {
    if (snapshotAt_ >= processes.size()) {
        return false;
    }
    // The record's 260-character field: the name, then zeros.
    exeFile = processes[snapshotAt_++].path;
    exeFile.resize(260, '\0');
    return true;
}

void FakeProcessListing::enumProcesses(std::vector<std::uint32_t>& ids, std::uint32_t cb,
                                       std::uint32_t& bytesReturned) {
    enumCalls.push_back(cb);
    const std::size_t n = std::min<std::size_t>(processes.size(), cb / 4);
    for (std::size_t i = 0; i < n && i < ids.size(); ++i) {
        ids[i] = processes[i].id;
    }
    bytesReturned = static_cast<std::uint32_t>(n * 4);
}

platform::ProcessHandle FakeProcessListing::openProcess(std::uint32_t access, bool,
                                                        std::uint32_t processId) {
    accessAsked.push_back(access);
    for (const auto& p : processes) {
        if (p.id == processId && p.opens) {
            return 1000 + processId;
        }
    }
    return 0;
}

const FakeProcess* FakeProcessListing::opened(platform::ProcessHandle process) const {
    for (const auto& p : processes) {
        if (1000 + p.id == process) {
            return &p;
        }
    }
    return nullptr;
}

bool FakeProcessListing::enumProcessModules(platform::ProcessHandle process,
                                            std::uintptr_t& firstModule, std::uint32_t,
                                            std::uint32_t&) {
    const FakeProcess* p = opened(process);
    firstModule = process;
    return p != nullptr && p->modulesListed;
}

std::uint32_t FakeProcessListing::moduleFileName(platform::ProcessHandle process, std::uintptr_t,
                                                 std::string& buffer, std::uint32_t size) {
    const FakeProcess* p = opened(process);
    if (p == nullptr) {
        return 0;
    }
    const std::size_t n = std::min<std::size_t>(p->path.size(), size);
    buffer.replace(0, n, p->path.substr(0, n));
    return static_cast<std::uint32_t>(n);
}

FakePlatform::FakePlatform()
    : platform{platform::windowsEdition,
               system,
               files,
               fileSystem,
               processes,
               profile,
               registry,
               eventLog,
               windowing,
               processListing,
               inhibitors} {
    disk.addFolder("C:\\Tools");
}

} // namespace vesperon::fake
