// The engine's only way to touch storage. A File is a byte array with reads
// and writes at offsets; the POSIX implementation wraps a descriptor and the
// in-memory one lets tests inject short reads and failed writes. A FileSystem
// names files, so the rollback journal can live beside its database whether
// that is on disk or in memory (jet/file/memory_file_system.h).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace jet {

class File {
public:
    virtual ~File() = default;
    virtual uint64_t size() const = 0;
    // Reads up to data.size() bytes at `offset`; returns how many were read
    // (fewer only at the end of the file). Throws jet::Error(Io) on failure.
    virtual size_t read(uint64_t offset, std::span<uint8_t> data) const = 0;
    // Writes all of `data` at `offset`, growing the file when needed.
    virtual void write(uint64_t offset, std::span<const uint8_t> data) = 0;
    // Makes every completed write durable before returning.
    virtual void sync() = 0;
    // Cuts the file to `size` bytes (or grows it with zeros).
    virtual void truncate(uint64_t size) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens an existing file. Throws jet::Error(Io) naming the path when it cannot.
    virtual std::unique_ptr<File> open(const std::string& path, bool writable) = 0;
    // Creates the file, or empties an existing one, opened for writing. The
    // new name is durable when this returns.
    virtual std::unique_ptr<File> create(const std::string& path) = 0;
    // Deletes the file; a missing file is not an error.
    virtual void remove(const std::string& path) = 0;
    virtual bool exists(const std::string& path) const = 0;
    // Moves `from` to `to`, replacing `to` atomically when it exists, and
    // makes the new name durable.
    virtual void rename(const std::string& from, const std::string& to) = 0;
};

// The real file system. Stateless; shared by everyone who needs it.
std::shared_ptr<FileSystem> posixFileSystem();

// Opens an existing file. Throws jet::Error(Io) naming the path when it cannot.
std::unique_ptr<File> openPosixFile(const std::string& path, bool writable);

// A file held in memory, for tests and for building files before writing them.
class MemoryFile : public File {
public:
    explicit MemoryFile(std::vector<uint8_t> bytes = {}) : bytes_(std::move(bytes)) {}
    uint64_t size() const override { return bytes_.size(); }
    size_t read(uint64_t offset, std::span<uint8_t> data) const override;
    void write(uint64_t offset, std::span<const uint8_t> data) override;
    void sync() override {}
    void truncate(uint64_t size) override { bytes_.resize(size); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace jet
