#include "StateFile.h"

#include "AdapterModel.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace adaptersim {

namespace {

bool writeAll(int fd, const std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = ::write(fd, text.data() + done, text.size() - done);
        if (count < 0 && errno != EINTR)
            return false;
        done += count > 0 ? static_cast<std::size_t>(count) : 0;
    }
    return true;
}

std::string folderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// What the chip holds, without the faults the adapter shows: a stuck bit is not a programmed one.
std::string chipText(const AdapterModel &model)
{
    AdapterModel withoutFaults = model;
    withoutFaults.setFaults({});
    return withoutFaults.dumpHex();
}

} // namespace

bool StateFile::exists() const
{
    struct stat info {};
    return ::stat(path_.c_str(), &info) == 0;
}

void StateFile::loaded(const AdapterModel &model)
{
    kept_ = chipText(model);
}

std::string StateFile::keep(const AdapterModel &model)
{
    std::string text = chipText(model);
    if (text == kept_)
        return {};
    std::string temporary = path_ + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return "cannot write " + path_ + ": " + std::strerror(errno);
    bool written = writeAll(fd, text) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.c_str(), path_.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return "cannot write " + path_ + ": " + std::strerror(error);
    }
    // The rename lasts once the folder that holds it is on disk.
    const int folder = ::open(folderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    kept_ = std::move(text);
    return {};
}

} // namespace adaptersim
