#pragma once

#include <string>
#include <utility>

namespace adaptersim {

class AdapterModel;

// The chip kept between runs in a file, as Intel HEX in dumpHex's layout. A save replaces the file
// whole or not at all: a temporary file beside it, fsync, a rename over it, fsync of the folder.
class StateFile {
public:
    explicit StateFile(std::string path) : path_(std::move(path)) {}

    const std::string &path() const { return path_; }
    // The file is there to load from.
    bool exists() const;
    // The chip now holds what the file holds: until it changes, keep() writes nothing.
    void loaded(const AdapterModel &model);
    // Writes the chip unless the file already holds it; empty when done, else why it could not.
    std::string keep(const AdapterModel &model);

private:
    std::string path_;
    std::string kept_; // the file's text as dumpHex gives it; empty while the file may differ
};

} // namespace adaptersim
