#pragma once

#include <string>

namespace vesperon::test {

// A fresh folder under the system's temporary folder, removed with everything in it. Names
// are UTF-8.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(const std::string& name) const;
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    // How many names the folder (name "": this one) holds.
    long entries(const std::string& name = "") const;

private:
    std::string path_;
};

} // namespace vesperon::test
