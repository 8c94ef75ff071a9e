// The edit buffer of a recordset: the values a user has typed for the
// current record (Edit) or for a new one (AddNew), kept apart from the rows
// until they are posted.
//
// What a caller may rely on:
// - In Browse state the buffer is empty. Edit starts from the current
//   record's values, AddNew from Nulls (defaults are filled in when posting).
// - Only set values are marked changed; Cancel drops everything and returns
//   to Browse. Writing the buffer back to the base tables comes with the
//   table writer.
#pragma once

#include <cstddef>
#include <vector>

#include "jet/value.h"

namespace jet {

enum class EditState { Browse, Edit, Insert };

class EditBuffer {
public:
    EditState state() const { return state_; }

    void begin(EditState state, std::vector<Value> values) {
        state_ = state;
        values_ = std::move(values);
        changed_.assign(values_.size(), false);
    }
    void clear() {
        state_ = EditState::Browse;
        values_.clear();
        changed_.clear();
    }
    void set(size_t field, Value value) {
        values_.at(field) = std::move(value);
        changed_.at(field) = true;
    }
    const Value& value(size_t field) const { return values_.at(field); }
    bool changed(size_t field) const { return changed_.at(field); }
    // Whether any field was set since begin().
    bool modified() const {
        for (bool c : changed_) {
            if (c) return true;
        }
        return false;
    }
    const std::vector<Value>& values() const { return values_; }

private:
    EditState state_ = EditState::Browse;
    std::vector<Value> values_;
    std::vector<bool> changed_;
};

}  // namespace jet
