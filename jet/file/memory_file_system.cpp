#include "jet/file/memory_file_system.h"

#include <algorithm>
#include <cstring>

#include "jet/error.h"

namespace jet {
namespace {

[[noreturn]] void crash() {
    throw Error(ErrorCode::Io, "the disk stopped answering (simulated crash)");
}

// A handle on one file of the system. It keeps the contents alive even when
// the name is removed, as an open descriptor would.
class MemoryFsFile : public File {
public:
    MemoryFsFile(std::shared_ptr<MemoryFileSystem> fs, std::shared_ptr<std::vector<uint8_t>> bytes,
                 bool writable, std::string path)
        : fs_(std::move(fs)),
          bytes_(std::move(bytes)),
          writable_(writable),
          path_(std::move(path)) {}

    uint64_t size() const override {
        fs_->checkUp();
        return bytes_->size();
    }
    size_t read(uint64_t offset, std::span<uint8_t> data) const override {
        fs_->checkUp();
        if (offset >= bytes_->size()) return 0;
        size_t n = static_cast<size_t>(std::min<uint64_t>(data.size(), bytes_->size() - offset));
        std::memcpy(data.data(), bytes_->data() + offset, n);
        return n;
    }
    void write(uint64_t offset, std::span<const uint8_t> data) override {
        requireWritable();
        bool fails = fs_->beginChange();
        store(offset, fails ? data.first(data.size() / 2) : data);
        if (fails) crash();
    }
    void sync() override {
        if (fs_->beginChange()) crash();
    }
    void truncate(uint64_t size) override {
        requireWritable();
        if (fs_->beginChange()) crash();
        bytes_->resize(size);
    }

private:
    void requireWritable() const {
        if (!writable_)
            throw Error(ErrorCode::Io, "cannot write '" + path_ + "': opened read-only");
    }
    void store(uint64_t offset, std::span<const uint8_t> data) {
        if (data.empty()) return;
        if (offset + data.size() > bytes_->size()) bytes_->resize(offset + data.size());
        std::memcpy(bytes_->data() + offset, data.data(), data.size());
    }
    std::shared_ptr<MemoryFileSystem> fs_;
    std::shared_ptr<std::vector<uint8_t>> bytes_;
    bool writable_;
    std::string path_;
};

}  // namespace

std::unique_ptr<File> MemoryFileSystem::open(const std::string& path, bool writable) {
    checkUp();
    auto it = files_.find(path);
    if (it == files_.end()) throw Error(ErrorCode::Io, "Could not find file '" + path + "'.");
    return std::make_unique<MemoryFsFile>(shared_from_this(), it->second, writable, path);
}

std::unique_ptr<File> MemoryFileSystem::create(const std::string& path) {
    if (beginChange()) crash();
    auto bytes = std::make_shared<std::vector<uint8_t>>();
    files_[path] = bytes;
    return std::make_unique<MemoryFsFile>(shared_from_this(), bytes, true, path);
}

void MemoryFileSystem::remove(const std::string& path) {
    if (beginChange()) crash();
    files_.erase(path);
}

void MemoryFileSystem::rename(const std::string& from, const std::string& to) {
    if (beginChange()) crash();
    auto it = files_.find(from);
    if (it == files_.end()) throw Error(ErrorCode::Io, "Could not find file '" + from + "'.");
    auto bytes = it->second;
    files_.erase(it);
    files_[to] = std::move(bytes);
}

bool MemoryFileSystem::exists(const std::string& path) const {
    checkUp();
    return files_.count(path) != 0;
}

void MemoryFileSystem::put(const std::string& path, std::vector<uint8_t> bytes) {
    files_[path] = std::make_shared<std::vector<uint8_t>>(std::move(bytes));
}

const std::vector<uint8_t>& MemoryFileSystem::bytes(const std::string& path) const {
    auto it = files_.find(path);
    if (it == files_.end()) throw Error(ErrorCode::Io, "Could not find file '" + path + "'.");
    return *it->second;
}

void MemoryFileSystem::failAfter(std::optional<uint64_t> count) {
    remaining_ = count;
}

void MemoryFileSystem::restart() {
    crashed_ = false;
    remaining_.reset();
}

void MemoryFileSystem::checkUp() const {
    if (crashed_) crash();
}

bool MemoryFileSystem::beginChange() {
    checkUp();
    if (remaining_ && *remaining_ == 0) {
        crashed_ = true;
        return true;
    }
    if (remaining_) --*remaining_;
    ++operations_;
    return false;
}

}  // namespace jet
