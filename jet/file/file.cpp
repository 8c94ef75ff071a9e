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

    void truncate(uint64_t size) override {
        while (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
            if (errno != EINTR) fail("cannot change the length of");
        }
    }

private:
    [[noreturn]] void fail(const char* what) const {
        throw Error(ErrorCode::Io, std::string(what) + " '" + path_ + "': " + std::strerror(errno));
    }
    int fd_;
    std::string path_;
};

[[noreturn]] void failPath(const char* what, const std::string& path) {
    throw Error(ErrorCode::Io, std::string(what) + " '" + path + "': " + std::strerror(errno));
}

// A created file's name is only durable once its folder is flushed too.
void syncParentFolder(const std::string& path) {
    auto slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "."
                         : slash == 0               ? "/"
                                                    : path.substr(0, slash);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) failPath("cannot open the folder of", path);
    int rc = ::fsync(fd);
    ::close(fd);
    if (rc != 0) failPath("cannot flush the folder of", path);
}

class PosixFileSystem : public FileSystem {
public:
    std::unique_ptr<File> open(const std::string& path, bool writable) override {
        return openPosixFile(path, writable);
    }
    std::unique_ptr<File> create(const std::string& path) override {
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) failPath("cannot create", path);
        auto file = std::make_unique<PosixFile>(fd, path);
        syncParentFolder(path);
        return file;
    }
    void remove(const std::string& path) override {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) failPath("cannot delete", path);
    }
    bool exists(const std::string& path) const override {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0;
    }
    void rename(const std::string& from, const std::string& to) override {
        if (::rename(from.c_str(), to.c_str()) != 0) failPath("cannot rename", from);
        syncParentFolder(to);
    }
};

}  // namespace

std::shared_ptr<FileSystem> posixFileSystem() {
    static const std::shared_ptr<FileSystem> fs = std::make_shared<PosixFileSystem>();
    return fs;
}

std::unique_ptr<File> openPosixFile(const std::string& path, bool writable) {
    int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) {
        throw Error(ErrorCode::Io,
                    "Could not find file '" + path + "'" +
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
