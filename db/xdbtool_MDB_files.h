// How the file routines of xdbtool_MDB (CompactMDBInPlace and the replacing
// create and compact) put a finished file in its place. By default a rename
// replaces a file at the new name in one step (rename(2)); tests install a
// renamer that fails on names of their choice, to reach the failure a real
// disk rarely shows (the new file refusing to take its place).
#pragma once

#include <QString>
#include <functional>

// Returns true when `from` now has the name `to`.
using MdbFileRenamer = std::function<bool(const QString& from, const QString& to)>;

// Installs `renamer` for the lifetime of this object (an empty one means the
// replacing rename) and restores the previous one afterwards. Scopes nest and
// must end in reverse order; user-interface thread only.
class ScopedMdbFileRenamer {
public:
    explicit ScopedMdbFileRenamer(MdbFileRenamer renamer);
    ~ScopedMdbFileRenamer();
    ScopedMdbFileRenamer(const ScopedMdbFileRenamer&) = delete;
    ScopedMdbFileRenamer& operator=(const ScopedMdbFileRenamer&) = delete;

private:
    MdbFileRenamer previous_;
};
