#include "support/table_file.h"

#include "jet/compact/compactor.h"
#include "jet/file/file.h"
#include "jet/write/create_database.h"
#include "jet/write/database_builder.h"
#include "jet/write/table_writer.h"

namespace testing_support {

void writeTableFile(const std::string& path, const jet::TableSpec& table,
                    const std::vector<std::vector<jet::Value>>& rows) {
    jet::createDatabase(*jet::posixFileSystem(), path, jet::CreateOptions{});
    jet::CompactRequest request;
    request.source = path;
    request.destination = path;
    jet::compactDatabase(*jet::posixFileSystem(), request, [&](jet::DatabaseBuilder& builder) {
        jet::NewTablesWriter writer(builder, {jet::NewTable{table, ""}});
        writer.beginTable(table.name);
        for (const std::vector<jet::Value>& row : rows) writer.addRow(row);
        writer.endTable();
        writer.finish();
    });
}

jet::ColumnSpec columnSpec(const std::string& name, int daoType, int size) {
    jet::ColumnSpec column;
    column.name = name;
    column.daoType = daoType;
    column.size = size;
    return column;
}

}  // namespace testing_support
