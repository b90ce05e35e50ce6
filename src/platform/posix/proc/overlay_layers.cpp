#include "platform/posix/proc/overlay_layers.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace vesperon::platform::posix {

namespace {

// mountinfo writes blanks, tabs, line ends, backslashes (and in options commas) as "\ooo".
std::string unescaped(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        unsigned value = 0;
        const char* digits = text.data() + at + 1;
        if (text[at] == '\\' && at + 3 < text.size() &&
            std::from_chars(digits, digits + 3, value, 8).ptr == digits + 3) {
            out += static_cast<char>(value);
            at += 3;
        } else {
            out += text[at];
        }
    }
    return out;
}

// The folders an overlay option names, from its value as mountinfo shows it: the text the
// mount was given, octal-escaped. There a backslash escapes the next character (the kernel
// removes it) except in lowerdir+ and datadir+; lowerdir alone holds several folders,
// separated by unescaped colons.
std::vector<std::string> foldersOf(std::string_view key, std::string_view shown) {
    const std::string value = unescaped(shown);
    if (key != "lowerdir" && key != "upperdir") {
        return {value};
    }
    std::vector<std::string> folders{""};
    for (std::size_t at = 0; at < value.size(); ++at) {
        if (value[at] == '\\' && at + 1 < value.size()) {
            folders.back() += value[++at];
        } else if (value[at] == ':' && key == "lowerdir") {
            folders.emplace_back();
        } else {
            folders.back() += value[at];
        }
    }
    return folders;
}

std::vector<std::string_view> fields(std::string_view text) {
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const auto start = text.find_first_not_of(' ');
        if (start == std::string_view::npos) {
            break;
        }
        text.remove_prefix(start);
        const auto end = std::min(text.find(' '), text.size());
        out.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return out;
}

} // namespace

void OverlayLayers::forget() {
    loaded_ = false;
    layers_.clear();
    folders_.clear();
}

void OverlayLayers::load() {
    loaded_ = true;
    std::string text;
    const int fd = ::open(mountInfo_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    char buffer[16384];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    for (std::string_view rest = text; !rest.empty();) {
        const auto end = std::min(rest.find('\n'), rest.size());
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(rest.size(), end + 1));
        // "36 25 0:32 / /merged rw,relatime - overlay overlay rw,lowerdir=...,upperdir=..."
        const auto dash = line.find(" - ");
        if (dash == std::string_view::npos) {
            continue;
        }
        const std::vector<std::string_view> head = fields(line.substr(0, dash));
        const std::vector<std::string_view> tail = fields(line.substr(dash + 3));
        if (head.size() < 5 || tail.size() < 3 || tail[0] != "overlay") {
            continue;
        }
        for (std::string_view options = tail[2]; !options.empty();) {
            const auto comma = std::min(options.find(','), options.size());
            const std::string_view option = options.substr(0, comma);
            options.remove_prefix(std::min(options.size(), comma + 1));
            const auto equals = option.find('=');
            const std::string_view key = option.substr(0, equals);
            if (equals == std::string_view::npos || (key != "lowerdir" && key != "lowerdir+" &&
                                                     key != "upperdir" && key != "datadir+")) {
                continue;
            }
            for (const std::string& folder : foldersOf(key, option.substr(equals + 1))) {
                struct stat info {};
                if (::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
                    layers_.push_back({info.st_dev, info.st_ino, unescaped(head[4])});
                }
            }
        }
    }
}

std::vector<std::string> OverlayLayers::mergedFolders(const std::string& folder) {
    if (const auto known = folders_.find(folder); known != folders_.end()) {
        return known->second;
    }
    // Up from the folder itself, each folder it lies in: is it a layer's top?
    std::vector<std::string> merged;
    for (std::string above = folder; !above.empty();) {
        struct stat info {};
        if (::stat(above.c_str(), &info) == 0) {
            for (const Layer& layer : layers_) {
                if (layer.dev == info.st_dev && layer.ino == info.st_ino) {
                    const std::string below = folder.substr(above == "/" ? 0 : above.size());
                    merged.push_back((layer.mountPoint == "/" ? "" : layer.mountPoint) + below);
                }
            }
        }
        if (above == "/") {
            break;
        }
        const auto slash = above.find_last_of('/');
        above = slash == std::string::npos ? "" : slash == 0 ? "/" : above.substr(0, slash);
    }
    return folders_.emplace(folder, std::move(merged)).first->second;
}

std::vector<std::string> OverlayLayers::mergedPathsOf(const std::string& path, dev_t dev) {
    if (!loaded_) {
        load();
    }
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos ||
        std::none_of(layers_.begin(), layers_.end(),
                     [&](const Layer& layer) { return layer.dev == dev; })) {
        return {};
    }
    std::vector<std::string> paths = mergedFolders(slash == 0 ? "/" : path.substr(0, slash));
    for (std::string& merged : paths) {
        merged += path.substr(slash);
    }
    return paths;
}

} // namespace vesperon::platform::posix
