#pragma once

#include <string>
#include <sys/types.h>
#include <unordered_map>
#include <vector>

namespace vesperon::platform::posix {

// The layer folders (upper and lower) of the overlay mounts this process sees. A file in a
// layer is another file, with another device and inode, to the programs that use it through
// the overlay's merged view (a container's root, say): held there, it looks free here.
class OverlayLayers {
public:
    explicit OverlayLayers(std::string mountInfo) : mountInfo_(std::move(mountInfo)) {}
    // The next question reads the mounts again.
    void forget();
    // The paths at which the overlays show the file at path (of device dev), when path lies
    // inside one of their layer folders; empty otherwise.
    std::vector<std::string> mergedPathsOf(const std::string& path, dev_t dev);

private:
    struct Layer {
        dev_t dev;
        ino_t ino;
        std::string mountPoint;
    };
    void load();
    std::vector<std::string> mergedFolders(const std::string& folder);

    std::string mountInfo_;
    bool loaded_ = false;
    std::vector<Layer> layers_;
    // The merged folders of each folder asked about: a check list names many files of few.
    std::unordered_map<std::string, std::vector<std::string>> folders_;
};

} // namespace vesperon::platform::posix
