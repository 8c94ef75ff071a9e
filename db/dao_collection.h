// The collections of the catalogue surface (TableDefs, Fields, Indexes,
// QueryDefs, Relations): Count, item by position or by name, Refresh.
//
// A collection reads its members from the engine on first use and keeps
// them until Refresh, so positions stay stable while a caller walks it.
// Items are shared: one fetched before a Refresh stays valid (it then
// describes the state it was read in). Names are found without regard to
// case, as Access compares object names.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "jet/error.h"

namespace dao {

// DAO's message for a position or name that is not in a collection.
inline const char* const kItemNotFound = "Item not found in this collection.";

template <class T>
class Collection {
public:
    using Item_t = std::shared_ptr<T>;
    using Loader = std::function<std::vector<Item_t>()>;

    explicit Collection(Loader loader) : loader_(std::move(loader)) {}

    int Count() const { return static_cast<int>(items().size()); }

    // Throws jet::Error (NotFound) "Item not found in this collection." when
    // `index` is outside 0 .. Count()-1.
    Item_t Item(int index) const {
        const auto& all = items();
        if (index < 0 || index >= static_cast<int>(all.size())) {
            throw jet::Error(jet::ErrorCode::NotFound, kItemNotFound);
        }
        return all[static_cast<size_t>(index)];
    }

    // The first member whose Name() equals `name` without regard to case;
    // jet::Error (NotFound) when there is none.
    Item_t Item(const QString& name) const {
        if (Item_t found = find(name)) return found;
        throw jet::Error(jet::ErrorCode::NotFound, kItemNotFound);
    }

    // nullptr when no member has that name.
    Item_t find(const QString& name) const {
        for (const auto& item : items()) {
            if (item->Name().compare(name, Qt::CaseInsensitive) == 0) return item;
        }
        return nullptr;
    }

    // Reads the members again from the engine.
    void Refresh() {
        loaded_ = false;
        items();
    }

    auto begin() const { return items().begin(); }
    auto end() const { return items().end(); }

private:
    const std::vector<Item_t>& items() const {
        if (!loaded_) {
            items_ = loader_();
            loaded_ = true;
        }
        return items_;
    }

    Loader loader_;
    mutable std::vector<Item_t> items_;
    mutable bool loaded_ = false;
};

}  // namespace dao
