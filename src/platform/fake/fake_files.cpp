#include "platform/fake/fake_files.h"

#include "base/text.h"

#include <algorithm>
#include <new>
#include <utility>

namespace vesperon::fake {

namespace {

// The file's bytes as they were when it was opened; reading may be made to fail part way.
class FakeInputFile final : public platform::InputFile {
public:
    FakeInputFile(std::string bytes, std::size_t failAt, std::size_t piece)
        : bytes_(std::move(bytes)), failAt_(failAt), piece_(piece) {}
    long read(char* buffer, std::size_t size) override {
        if (at_ >= failAt_) {
            return -1;
        }
        const std::size_t n = std::min({size, piece_, bytes_.size() - at_, failAt_ - at_});
        std::copy_n(bytes_.data() + at_, n, buffer);
        at_ += n;
        return static_cast<long>(n);
    }

private:
    std::string bytes_;
    std::size_t failAt_;
    std::size_t piece_;
    std::size_t at_ = 0;
};

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

platform::Presence FakeFiles::presenceOf(const std::string& path) {
    disk_.presenceAsked.push_back(path);
    const std::string k = disk_.keyOf(path);
    if (disk_.throwsOn.contains(k)) {
        throw std::bad_alloc();
    }
    const Drive* drive = disk_.driveOf(path);
    if (disk_.cannotTell.contains(k) || (drive != nullptr && !drive->ready)) {
        return platform::Presence::Undetermined;
    }
    if (disk_.files.contains(k)) {
        return platform::Presence::File;
    }
    return disk_.hasFolder(path) ? platform::Presence::NotAFile : platform::Presence::Absent;
}

platform::ProbeResult FakeFiles::probe(const std::string& path) {
    disk_.probed.push_back(path);
    const std::string k = disk_.keyOf(path);
    if (!disk_.files.contains(k) || disk_.inUse.contains(k) || disk_.unreadable.contains(k)) {
        return platform::ProbeResult::InUse;
    }
    return disk_.holdersUnknown ? platform::ProbeResult::Undetermined : platform::ProbeResult::Free;
}

platform::OpenedFile FakeFiles::openForReading(const std::string& path) {
    const platform::FileRead whole = readWhole(path);
    if (whole.status != platform::FileRead::Status::Read) {
        return {whole.status, nullptr};
    }
    const auto failing = disk_.readFailsAt.find(disk_.keyOf(path));
    const std::size_t failAt =
        failing == disk_.readFailsAt.end() ? whole.bytes.size() + 1 : failing->second;
    return {platform::FileRead::Status::Read,
            std::make_unique<FakeInputFile>(whole.bytes, failAt, disk_.readPiece)};
}

platform::LockAttempt FakeFiles::lockFile(const std::string& path) {
    using Status = platform::LockAttempt::Status;
    const std::string k = disk_.keyOf(path);
    if (disk_.lockedElsewhere.contains(k)) {
        return {Status::TimedOut, nullptr};
    }
    // Created when missing, as the real lock files are.
    if (!writeText(path, "", false)) {
        return {Status::Unavailable, nullptr};
    }
    return {Status::Held, std::make_unique<FakeLock>(disk_, k)};
}

platform::FileRead FakeFiles::readWhole(const std::string& path) {
    const std::string k = disk_.keyOf(path);
    if (disk_.unreadable.contains(k)) {
        return {platform::FileRead::Status::Unreadable, {}};
    }
    auto it = disk_.files.find(k);
    if (it == disk_.files.end()) {
        return {platform::FileRead::Status::Absent, {}};
    }
    return {platform::FileRead::Status::Read, it->second};
}

bool FakeFiles::writeText(const std::string& path, const std::string& bytes, bool overwrite) {
    const std::string k = disk_.keyOf(path);
    const std::string folder = disk_.parentOf(k);
    if (disk_.readOnly.contains(k) || disk_.readOnly.contains(folder) ||
        (folder.size() > 3 && !disk_.folders.contains(folder))) {
        return false;
    }
    if (overwrite) {
        disk_.files[k] = bytes;
    } else {
        disk_.files[k] += bytes;
    }
    return true;
}

bool FakeFiles::absent(const std::string& path) {
    const std::string k = disk_.keyOf(path);
    return !disk_.files.contains(k) && !disk_.folders.contains(k) && !disk_.unreadable.contains(k);
}

bool FakeFiles::deleteFile(const std::string& path) {
    const std::string k = disk_.keyOf(path);
    if (disk_.readOnly.contains(k) || disk_.inUse.contains(k)) {
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

} // namespace vesperon::fake
