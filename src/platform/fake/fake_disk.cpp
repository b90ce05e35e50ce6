
#include "platform/fake/fake_disk.h"

#include "base/path_text.h"
#include "base/text.h"

#include <new>

namespace vesperon::fake {

std::string parentKey(const std::string& key) {
    return path_text::windowsParentFolderName(key);
}

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

} // namespace vesperon::fake
