#include "fso/cls_fso.h"

#include "base/path_text.h"
#include "base/text.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

namespace vesperon {

namespace {

// "1A2B-3C4D": the serial as eight upper-case hex digits, high word first.
std::string formatSerialNumber(const std::string& decimal) {
    const auto value = static_cast<std::uint32_t>(std::stoll(decimal));
    char hex[10];
    std::snprintf(hex, sizeof hex, "%08X", value);
    std::string s(hex);
    return s.substr(0, 4) + "-" + s.substr(4);
}

} // namespace

clsFSO::clsFSO(platform::Platform& platform)
    : p_(platform), fs_(platform.fileSystem), edition_(platform.edition) {
    reset();
}

clsFSO::~clsFSO() {
    reset();
}

void clsFSO::reset() {
    fileInfo_ = {};
    driveInfo_ = {};
    count_ = 0;
}

std::string clsFSO::driveTextOf(const std::string& path) const {
    if (edition_.driveLetters) {
        return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : std::string();
    }
    return !path.empty() && path[0] == '/' ? "/" : std::string();
}

std::string clsFSO::StripDrive(std::string strPath) {
    if (!strPath.empty() && strPath.front() == '{' && strPath.back() == '}') {
        return strPath;
    }
    if (strPath.size() >= 2 && strPath[1] == ':') {
        return strPath.substr(2);
    }
    return "";
}

bool clsFSO::IsDriveReady(std::string strDrive) {
    if (strDrive.empty()) {
        throw std::invalid_argument("IsDriveReady: empty drive text");
    }
    if (!edition_.driveLetters) {
        return strDrive[0] == '/' && fs_.IsReady("/");
    }
    const char letter = text::upperAscii(strDrive.substr(0, 1))[0];
    if (letter < 'A' || letter > 'Z') {
        return false;
    }
    return fs_.IsReady(std::string(1, letter) + ":");
}

bool clsFSO::Drive_Exist(const std::string& strSearchData, std::int32_t& lngDriveType) {
    lngDriveType = 0;
    try {
        const std::string drive = driveTextOf(strSearchData);
        if (drive.empty() || !fs_.DriveExists(drive) || !IsDriveReady(drive)) {
            return false;
        }
        auto read = [&](const char* name) {
            auto value = fs_.DriveProperty(drive, name);
            if (!value) {
                throw std::runtime_error(name);
            }
            return *value;
        };
        driveInfo_.DriveLetter = read("DriveLetter");
        driveInfo_.ShareName = read("ShareName");
        driveInfo_.Path = read("Path");
        driveInfo_.RootFolder = read("RootFolder");
        driveInfo_.SerialNumber = formatSerialNumber(read("SerialNumber"));
        driveInfo_.VolumeName = read("VolumeName");
        driveInfo_.TotalSize = read("TotalSize");
        driveInfo_.AvailableSpace = read("AvailableSpace");
        driveInfo_.FreeSpace = read("FreeSpace");
        driveInfo_.DriveType = read("DriveType");
        driveInfo_.FileSystem = read("FileSystem");
        driveInfo_.IsReady = read("IsReady") == "True" ? "1" : "0";
        lngDriveType = static_cast<std::int32_t>(std::stol(driveInfo_.DriveType));
        return true;
    } catch (const std::exception&) {
        lngDriveType = 0;
        return false;
    }
}

bool clsFSO::File_Exist(const std::string& strSearchItem) {
    if (text::trimBlanks(strSearchItem).empty()) {
        return false;
    }
    std::int32_t driveType = 0;
    if (!Drive_Exist(strSearchItem.substr(0, 2), driveType) || driveType == 0) {
        return false;
    }
    const std::size_t rootLength = edition_.driveLetters ? 3 : 1;
    if (strSearchItem.size() > rootLength &&
        !Folder_Exist(fs_.GetParentFolderName(strSearchItem))) {
        return false;
    }
    return fs_.FileExists(strSearchItem);
}

bool clsFSO::Folder_Exist(const std::string& strFolder) {
    return fs_.FolderExists(Remove_Trailing_Slash(strFolder));
}

std::string clsFSO::Add_Trailing_Slash(const std::string& strPath) const {
    return path_text::addTrailingSeparator(strPath, edition_.separator);
}

std::string clsFSO::Remove_Trailing_Slash(const std::string& strPath) const {
    return path_text::removeTrailingSeparator(strPath, edition_.separator);
}

bool clsFSO::cancelledAfterPendingMessages() {
    p_.windowing.processPendingMessages();
    return cancelProcessing_ != 0;
}

} // namespace vesperon
