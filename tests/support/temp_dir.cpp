#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace vesperon::test {

namespace fs = std::filesystem;

namespace {

// Names are UTF-8 on both editions; Windows would read a plain string in another code page.
fs::path pathOf(const std::string& utf8) {
#ifdef _WIN32
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return fs::path(utf8);
#endif
}

} // namespace

TempDir::TempDir() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            fs::temp_directory_path() / ("vesperon-test-" + std::to_string(random() % 100000000));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = candidate.string();
            return;
        }
    }
    throw std::runtime_error("no temporary folder could be created");
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may have taken write permission away; give it back before removing.
    for (auto it = fs::recursive_directory_iterator(path_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

std::string TempDir::file(const std::string& name) const {
    return (fs::path(path_) / pathOf(name).make_preferred()).string();
}

void TempDir::write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(pathOf(file(name)), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string TempDir::read(const std::string& name) const {
    std::ifstream in(pathOf(file(name)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

long TempDir::entries(const std::string& name) const {
    return std::distance(fs::directory_iterator(pathOf(name.empty() ? path_ : file(name))), {});
}

bool TempDir::exists(const std::string& name) const {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(pathOf(file(name)), ignored));
}

} // namespace vesperon::test
