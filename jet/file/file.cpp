#include "jet/file/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "jet/error.h"

namespace jet {
namespace {

class PosixFile : public File {
public:
    PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~PosixFile() override { ::close(fd_); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    uint64_t size() const override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) fail("cannot read the size of");
        return static_cast<uint64_t>(st.st_size);
    }

    size_t read(uint64_t offset, std::span<uint8_t> data) const override {
        size_t done = 0;
        while (done < data.size()) {
            ssize_t n = ::pread(fd_, data.data() + done, data.size() - done,
                                static_cast<off_t>(offset + done));
            if (n < 0) {
                if (errno == EINTR) continue;
                fail("cannot read");
            }
            if (n == 0) break;
            done += static_cast<size_t>(n);
        }
        return done;
    }

    void write(uint64_t offset, std::span<const uint8_t> data) override {
        size_t done = 0;
        while (done < data.size()) {
            ssize_t n = ::pwrite(fd_, data.data() + done, data.size() - done,
                                 static_cast<off_t>(offset + done));
            if (n < 0) {
                if (errno == EINTR) continue;
                fail("cannot write");
            }
            done += static_cast<size_t>(n);
        }
    }

    void sync() override {
        if (::fsync(fd_) != 0) fail("cannot flush");
    }

private:
    [[noreturn]] void fail(const char* what) const {
        throw Error(ErrorCode::Io, std::string(what) + " '" + path_ + "': " + std::strerror(errno));
    }
    int fd_;
    std::string path_;
};

}  // namespace

std::unique_ptr<File> openPosixFile(const std::string& path, bool writable) {
    int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) {
        throw Error(ErrorCode::Io, "Could not find file '" + path + "'" +
                                       (errno == ENOENT ? "." : std::string(": ") + std::strerror(errno)));
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw Error(ErrorCode::Io, "'" + path + "' is a folder, not a database file.");
    }
    return std::make_unique<PosixFile>(fd, path);
}

size_t MemoryFile::read(uint64_t offset, std::span<uint8_t> data) const {
    if (offset >= bytes_.size()) return 0;
    size_t n = std::min<uint64_t>(data.size(), bytes_.size() - offset);
    std::memcpy(data.data(), bytes_.data() + offset, n);
    return n;
}

void MemoryFile::write(uint64_t offset, std::span<const uint8_t> data) {
    if (offset + data.size() > bytes_.size()) bytes_.resize(offset + data.size());
    std::memcpy(bytes_.data() + offset, data.data(), data.size());
}

}  // namespace jet
