// An export source over rows held in memory, so a test states exactly the
// columns and values a writer gets.
#pragma once

#include <ostream>
#include <vector>

#include "io/export_source.h"

// Failing comparisons of texts show the texts.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace io_test {

class TableSource : public ExportSource {
public:
    struct Col {
        QString name;
        db::DataType type;
        int size = 0;
    };
    TableSource(std::vector<Col> cols, std::vector<std::vector<db::Value>> rows)
        : rows_(std::move(rows)) {
        for (size_t i = 0; i < cols.size(); ++i) {
            ExportColumn c;
            c.index = int(i);
            c.fieldName = cols[i].name;
            c.caption = cols[i].name;
            c.type = cols[i].type;
            c.size = cols[i].size;
            columns_.push_back(c);
        }
    }
    TSourceType sourceType() const override { return stDataset; }
    bool usable() const override { return true; }
    std::vector<ExportColumn> columns() const override { return columns_; }
    size_t recordCount() const override { return rows_.size(); }
    bool scan(bool, const std::function<bool(size_t)>& visit) override {
        for (current_ = 0; current_ < rows_.size(); ++current_)
            if (!visit(current_ + 1)) return false;
        return true;
    }
    const db::Value& value(int column) const override { return rows_[current_][size_t(column)]; }

private:
    std::vector<ExportColumn> columns_;
    std::vector<std::vector<db::Value>> rows_;
    size_t current_ = 0;
};

inline db::Value text(const char* s) {
    return db::Value::text(s);
}

}  // namespace io_test
