#include "platform/posix/core/posix_windowing.h"

#include "platform/posix/fltk/module_entry.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace vesperon::platform::posix {

namespace {

constexpr const char* installHint = "install the vesperon-gui package of the same version";
// Where the vesperon-gui package puts the module.
constexpr const char* libraryFolder = VESPERON_MODULE_FOLDER;

std::string folderOf(const std::string& path) {
    const auto cut = path.find_last_of('/');
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

} // namespace

PosixWindowing::PosixWindowing(System& system) : system_(system) {}

// The module stays mapped to the end: its toolkit keeps exit handlers of its own.
PosixWindowing::~PosixWindowing() = default;

Windowing* PosixWindowing::module() {
    if (!tried_) {
        tried_ = true;
        failure_ = load();
    }
    return module_.get();
}

std::string PosixWindowing::load() {
    // /proc/self/exe names the real file, so a program started through a link in
    // /usr/sbin looks in its own folder.
    const std::string places[] = {folderOf(system_.executablePath()) + windowingModuleFileName,
                                  std::string(libraryFolder) + "/" + windowingModuleFileName};
    std::string path;
    for (const std::string& place : places) {
        struct stat info {};
        if (place.front() == '/' && ::stat(place.c_str(), &info) == 0) {
            path = place;
            break;
        }
    }
    if (path.empty()) {
        return "the configuration window needs " + places[0] + " or " + places[1] + ": " +
               installHint;
    }
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return std::string("cannot load the configuration window (") + ::dlerror() +
               "): " + installHint;
    }
    auto entry = reinterpret_cast<WindowingModuleEntry>(::dlsym(handle, windowingModuleEntryName));
    if (entry == nullptr) {
        return path + " is not a Vesperon window module: " + installHint;
    }
    module_.reset(entry(windowingModuleBuildKey));
    if (!module_) {
        return path + " comes from another build of Vesperon: " + installHint;
    }
    return {};
}

bool PosixWindowing::available() {
    return module() != nullptr && module_->available();
}

std::string PosixWindowing::unavailableReason() {
    module();
    return failure_; // empty once loaded: then only the display can be missing
}

std::unique_ptr<NativeWindow> PosixWindowing::createWindow(const FormLayout& design,
                                                           WindowEvents& events) {
    if (module() == nullptr) {
        return std::make_unique<NoWindow>();
    }
    return module_->createWindow(design, events);
}

int PosixWindowing::messageBox(const std::string& prompt, int buttons, const std::string& title) {
    return module() != nullptr ? module_->messageBox(prompt, buttons, title)
                               : msgbox::dismissed(buttons);
}

std::optional<std::string> PosixWindowing::openFileDialog(const std::string& title,
                                                          const std::string& filter,
                                                          const std::string& initialName) {
    if (module() == nullptr) {
        return std::nullopt;
    }
    return module_->openFileDialog(title, filter, initialName);
}

std::optional<std::string> PosixWindowing::browseForFolder(NativeWindow* owner,
                                                           const std::string& prompt) {
    if (module() == nullptr) {
        return std::nullopt;
    }
    return module_->browseForFolder(owner, prompt);
}

void PosixWindowing::processPendingMessages() {
    if (module_) {
        module_->processPendingMessages();
    }
}

void PosixWindowing::runUntil(const std::function<bool()>& done) {
    if (module_) {
        // Called back from the module: an exception must end the program here, not unwind
        // through the module's frames.
        module_->runUntil([&done]() noexcept { return done(); });
    }
}

} // namespace vesperon::platform::posix
