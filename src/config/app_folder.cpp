#include "config/app_folder.h"

namespace vesperon {

namespace {

std::string fileNameOf(const std::string& path, char separator) {
    auto cut = path.find_last_of(separator);
    // Windows also accepts "/" and a bare drive prefix such as "C:vesperon.exe".
    if (separator == '\\') {
        cut = path.find_last_of("\\/:");
    }
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

} // namespace

std::string AppFolder(platform::Platform& p) {
    const std::string exe = p.system.executablePath();
    const std::string name = fileNameOf(exe, p.edition.separator);
    std::string folder = exe.substr(0, exe.size() - name.size());
    if (!folder.empty() && folder.back() != p.edition.separator) {
        folder += p.edition.separator;
    }
    return folder;
}

bool hasAppFolder(platform::Platform& p) {
    const std::string folder = AppFolder(p);
    if (!p.edition.driveLetters) {
        return !folder.empty() && folder.front() == '/';
    }
    const char drive = static_cast<char>(folder.empty() ? 0 : folder[0] | 0x20);
    const bool driveRoot =
        folder.size() >= 3 && drive >= 'a' && drive <= 'z' && folder[1] == ':' && folder[2] == '\\';
    return driveRoot || folder.rfind("\\\\", 0) == 0;
}

std::string BaseName(platform::Platform& p) {
    std::string name = fileNameOf(p.system.executablePath(), p.edition.separator);
    auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        name.resize(dot);
    }
    return name;
}

std::string configFolder(platform::Platform& p) {
    std::string folder = p.system.configurationFolder();
    if (folder.empty()) {
        return AppFolder(p);
    }
    if (folder.back() != p.edition.separator) {
        folder += p.edition.separator;
    }
    return folder;
}

std::string settingsFilePath(platform::Platform& p) {
    return configFolder(p) + BaseName(p) + ".ini";
}

std::string checkListPath(platform::Platform& p) {
    return configFolder(p) + BaseName(p) + ".cfg";
}

std::string checkRunLockPath(platform::Platform& p) {
    std::string folder = AppFolder(p);
    // A configuration folder such as /etc is no place for a file that changes at every run.
    if (!p.system.configurationFolder().empty()) {
        folder = p.system.stateFolder();
        if (folder.empty()) {
            folder = configFolder(p);
        } else if (folder.back() != p.edition.separator) {
            folder += p.edition.separator;
        }
    }
    return folder + BaseName(p) + ".lock";
}

} // namespace vesperon
