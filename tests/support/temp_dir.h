// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
#pragma once

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The whole content of a file, empty when it can't be read.
std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& content);
