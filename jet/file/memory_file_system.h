// A file system held in memory, for tests and tools that must not touch the
// disk. It can also play a failing disk: after a chosen number of changing
// operations (write, sync, truncate, create, remove, rename) the next one fails and
// the "machine" is down, so every later call throws too, until restart().
// A failing write is torn: it stores the first half of its bytes. Every
// completed write counts as durable, so after restart() the files hold
// exactly what a crash at that point would have left, in the worst order the
// engine allows itself. Create it with std::make_shared: the files it hands
// out keep it alive.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/file/file.h"

namespace jet {

class MemoryFileSystem : public FileSystem, public std::enable_shared_from_this<MemoryFileSystem> {
public:
    std::unique_ptr<File> open(const std::string& path, bool writable) override;
    std::unique_ptr<File> create(const std::string& path) override;
    void remove(const std::string& path) override;
    bool exists(const std::string& path) const override;
    void rename(const std::string& from, const std::string& to) override;

    // Sets (or replaces) a file's whole contents; not counted as an operation.
    void put(const std::string& path, std::vector<uint8_t> bytes);
    // The file's contents. Throws jet::Error(Io) when there is no such file.
    const std::vector<uint8_t>& bytes(const std::string& path) const;

    // The next `count` changing operations succeed; the one after fails and
    // brings the machine down. std::nullopt lifts the limit.
    void failAfter(std::optional<uint64_t> count);
    // Brings the machine back up with whatever the files then hold.
    void restart();
    bool crashed() const { return crashed_; }
    // Changing operations done so far, successful ones only.
    uint64_t operations() const { return operations_; }

    // For the files handed out: throw if down, else count one operation and
    // report whether this one is the one that fails.
    bool beginChange();
    void checkUp() const;

private:
    std::map<std::string, std::shared_ptr<std::vector<uint8_t>>> files_;
    std::optional<uint64_t> remaining_;
    uint64_t operations_ = 0;
    bool crashed_ = false;
};

}  // namespace jet
