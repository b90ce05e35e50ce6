#include "platform/fake/fake_disk.h"

#include "base/path_text.h"
#include "base/text.h"

#include <new>

namespace vesperon::fake {

FakeDisk::FakeDisk() {
    drives['C'] = Drive{};
}

void FakeDisk::usePosixPaths() {
    posix_ = true;
    drives.clear();
    drives['/'] = Drive{};
}

std::string FakeDisk::parentOf(const std::string& path) const {
    return posix_ ? path_text::posixParentFolderName(path)
                  : path_text::windowsParentFolderName(path);
}

const Drive* FakeDisk::driveOf(const std::string& path) const {
    const bool rooted =
        posix_ ? !path.empty() && path[0] == '/' : path.size() >= 2 && path[1] == ':';
    if (!rooted) {
        return nullptr;
    }
    const auto it = drives.find(posix_ ? '/' : upper(path[0]));
    return it == drives.end() ? nullptr : &it->second;
}

std::string FakeDisk::key(const std::string& path) {
    return text::lowerAscii(path);
}

void FakeDisk::addFolder(const std::string& path) {
    const std::string spelling = path_text::removeTrailingSeparator(path, separator());
    std::string k = keyOf(spelling);
    const std::size_t rootSize = posix_ ? 1 : 2; // "/" or "c:"
    while (k.size() > rootSize) {
        folders.insert(k);
        folderNames.emplace(k, spelling.substr(0, k.size()));
        std::string parent = path_text::removeTrailingSeparator(parentOf(k), separator());
        if (parent == k) {
            break;
        }
        k = parent;
    }
}

void FakeDisk::addFile(const std::string& path, const std::string& bytes) {
    addFolder(parentOf(path));
    files[keyOf(path)] = bytes;
    meta(path);
}

bool FakeDisk::hasFolder(const std::string& path) const {
    const std::string k = keyOf(path_text::removeTrailingSeparator(path, separator()));
    if (posix_ ? k == "/" : k.size() == 2 && k[1] == ':') {
        return driveOf(k) != nullptr;
    }
    return folders.contains(k);
}

FakeFileMeta& FakeDisk::meta(const std::string& path) {
    auto [it, added] = metas.try_emplace(keyOf(path));
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
    return files.contains(keyOf(path));
}

std::string FakeDisk::bytesOf(const std::string& path) const {
    auto it = files.find(keyOf(path));
    return it == files.end() ? std::string() : it->second;
}

void FakeDisk::removeFile(const std::string& path) {
    files.erase(keyOf(path));
    metas.erase(keyOf(path));
}

} // namespace vesperon::fake
