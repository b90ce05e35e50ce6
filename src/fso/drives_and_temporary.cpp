// The clsFSO members for drives, temporary names and disk space.
#include "base/text.h"
#include "forms/form.h"
#include "fso/cls_fso.h"

#include <cmath>
#include <cstring>

namespace vesperon {

namespace {

using basic_error::check;

// The draw behind Rnd2: splitmix64, whose whole state the clock is mixed into.
std::uint64_t mix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

} // namespace

std::vector<std::string> clsFSO::Available_Drives() {
    return fs_.logicalDriveStrings();
}

bool clsFSO::IsThisRestricted(const std::string& strPath) {
    const std::string folder = text::trimBlanks(strPath);
    if (folder.empty()) {
        return true;
    }
    const std::string probe = Add_Trailing_Slash(folder) + "_Test.$$$";
    const std::string crlf = text::crlf;
    try {
        check(fs_.writeNewFile(probe, "X" + crlf));
        check(fs_.appendToFile(probe, "ABC" + crlf));
        check(fs_.deleteFile(probe));
        return false;
    } catch (const FsoError&) {
        return true;
    }
}

std::string clsFSO::fallbackTempFolder() const {
    return edition_.driveLetters ? "C:\\" : "/";
}

std::string clsFSO::systemTempFolder() {
    const auto folder = fs_.tempPath();
    return folder ? Add_Trailing_Slash(Remove_Nulls(*folder)) : fallbackTempFolder();
}

std::string clsFSO::Create_Tmp_Filename(std::string& strTmpFolder) {
    if (text::trimBlanks(strTmpFolder).empty()) {
        strTmpFolder = systemTempFolder();
    }
    const std::string prefix = Create_Tmp_Name(4);
    const auto name = fs_.tempFileName(strTmpFolder, prefix);
    // A failed request leaves the name buffer as it was made: 260 blanks.
    return name ? Remove_Nulls(*name) : std::string(260, ' ');
}

std::string clsFSO::Create_Tmp_Filename() {
    std::string folder;
    return Create_Tmp_Filename(folder);
}

std::string clsFSO::Create_Tmp_Folder() {
    const std::string name = Create_Tmp_Name(8);
    const std::string path = Remove_Trailing_Slash(systemTempFolder() + name);
    if (!fs_.FolderExists(path)) {
        check(fs_.createFolder(path));
    }
    return Add_Trailing_Slash(path);
}

std::string clsFSO::Remove_Nulls(const std::string& strInput) {
    return strInput.substr(0, strInput.find('\0'));
}

std::string clsFSO::Create_Tmp_Name(std::int16_t intLength) {
    if (intLength < 1) {
        return "";
    }
    std::string name = "_";
    while (name.size() < static_cast<std::size_t>(intLength)) {
        int c = static_cast<int>(Rnd2(48, 122));
        if (c == 'Z') {
            continue; // lower-cased it would be z, which the names never hold
        }
        if ((c >= 58 && c <= 64) || (c >= 91 && c <= 96)) {
            c += 7; // past the punctuation between digits and letters
        }
        name += static_cast<char>(c);
    }
    return text::lowerAscii(name);
}

float clsFSO::Rnd2(float sngLow, float sngHigh) {
    p_.windowing.processPendingMessages();
    // Re-seeded from the clock on every call. The clock only moves by whole seconds, so the
    // seed is mixed into the running state rather than replacing it (as Basic's Randomize
    // keeps part of its old seed): draws within one second still differ.
    const std::int64_t now = p_.system.localTimeWholeSeconds();
    const std::int64_t sinceMidnight = ((now % 86400) + 86400) % 86400;
    const double seed = static_cast<double>(now) / 86400.0 + static_cast<double>(sinceMidnight);
    std::uint64_t seedBits = 0;
    std::memcpy(&seedBits, &seed, sizeof seedBits);
    randomState_ ^= seedBits;
    const double r = static_cast<double>(mix(randomState_) >> 11) * 0x1.0p-53; // [0, 1)
    float value = static_cast<float>(r * (static_cast<double>(sngHigh) - sngLow) + sngLow);
    if (sngHigh > sngLow && value >= sngHigh) {
        value = std::nextafter(sngHigh, sngLow); // rounding to float must not reach high
    }
    return value;
}

std::string clsFSO::BrowseForFolder(Form* frm, const std::string& strPrompt) {
    platform::NativeWindow* owner = frm != nullptr ? frm->nativeWindow() : nullptr;
    const auto chosen = p_.windowing.browseForFolder(owner, strPrompt);
    return chosen ? Remove_Nulls(*chosen) : "";
}

std::string clsFSO::Shrink_2_Fit(const std::string& strPath_to_Resize,
                                 std::int16_t intMaxLen) const {
    std::string s = text::trimBlanks(strPath_to_Resize);
    const char sep = edition_.separator;
    const bool drivePath = edition_.driveLetters
                               ? (s.size() >= 2 && s[1] == ':') || s.rfind("\\\\", 0) == 0
                               : !s.empty() && s[0] == sep;
    if (static_cast<long>(s.size()) <= intMaxLen || !drivePath) {
        return s;
    }
    // p: 1-based position of the root separator (after "C:" or "\\server"); 0 when none.
    std::size_t p = 1;
    if (edition_.driveLetters) {
        const auto at = s.find(sep, 2);
        p = at == std::string::npos ? 0 : at + 1;
    }
    const std::string head = s.substr(0, p) + "...";
    const long budget = static_cast<long>(intMaxLen) - static_cast<long>(p + 3);
    while (true) {
        const auto at = s.find(sep, p); // at or after 1-based position p + 1
        if (at == std::string::npos || at == 0) {
            break; // no separator left, or one that would not shorten s
        }
        s = s.substr(at);
        if (static_cast<long>(s.size()) <= budget) {
            break;
        }
    }
    return head + s;
}

bool clsFSO::Get_Disk_Space(const std::string& strPath, double& dblTotalSpace, double& dblFreeSpace,
                            double& dblUsedSpace) {
    dblTotalSpace = dblFreeSpace = dblUsedSpace = 0;
    const std::string path = text::trimBlanks(strPath);
    if (path.empty()) {
        return false;
    }
    // Linux has no drive letters: the file system of the path itself is asked about.
    const std::string drive = edition_.driveLetters ? path.substr(0, 1) + ":" : path;
    if (const auto space = fs_.diskFreeSpaceEx(drive)) {
        dblTotalSpace = static_cast<double>(space->total);
        dblFreeSpace = static_cast<double>(space->free);
        dblUsedSpace = dblTotalSpace - dblFreeSpace;
    }
    if (dblTotalSpace > 2'200'000'000.0) {
        return true;
    }
    dblTotalSpace = dblFreeSpace = dblUsedSpace = 0;
    const auto geometry = fs_.diskFreeSpace(drive);
    if (!geometry) {
        return false;
    }
    // In 64 bits: a drive of 2.15 GB overflows 32-bit products.
    const std::uint64_t cluster =
        std::uint64_t{geometry->sectorsPerCluster} * geometry->bytesPerSector;
    std::uint64_t free = 0;
    std::uint64_t total = 0;
    if (__builtin_mul_overflow(cluster, std::uint64_t{geometry->freeClusters}, &free) ||
        __builtin_mul_overflow(cluster, std::uint64_t{geometry->totalClusters}, &total)) {
        return false;
    }
    dblFreeSpace = static_cast<double>(free);
    dblTotalSpace = static_cast<double>(total);
    dblUsedSpace = dblTotalSpace - dblFreeSpace;
    return true;
}

} // namespace vesperon
