// The engine's only way to touch storage. A File is a byte array with reads
// and writes at offsets; the POSIX implementation wraps a descriptor and the
// in-memory one lets tests inject short reads and failed writes.
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
    virtual void sync() = 0;
};

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
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace jet
