// A small database made by the engine's writer for the structure tree's
// tests: names that need brackets, a composite text, a relation, rows.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "jet/compact/compactor.h"
#include "jet/file/file.h"
#include "jet/write/create_database.h"
#include "jet/write/database_builder.h"
#include "jet/write/table_writer.h"

namespace structure_test {

inline jet::ColumnSpec column(const std::string& name, int daoType, int size = 0,
                              bool autoIncrement = false, bool required = false) {
    jet::ColumnSpec c;
    c.name = name;
    c.daoType = daoType;
    c.size = size;
    c.autoIncrement = autoIncrement;
    c.required = required;
    return c;
}

inline jet::IndexSpec primaryKey(const std::string& field) {
    jet::IndexSpec index;
    index.name = "PrimaryKey";
    index.columns = {{field, true}};
    index.primary = index.unique = index.required = true;
    return index;
}

// Customers (ID key, Name required, "City (main)"), with `customers` rows,
// and "Order-Details" (OrderID key, CustomerID, "Qty#"), three rows,
// related by "CustomersOrders" on Customers.ID = Order-Details.CustomerID.
inline void writeShopDatabase(const QString& path, int customers = 12) {
    const std::string file = path.toStdString();
    jet::CreateOptions create;
    create.version = jet::JetVersion::Jet4;
    jet::createDatabase(*jet::posixFileSystem(), file, create);

    jet::TableSpec cust;
    cust.name = "Customers";
    cust.columns = {column("ID", 4, 0, false, true), column("Name", 10, 50, false, true),
                    column("City (main)", 10, 30)};
    cust.indexes = {primaryKey("ID")};
    jet::TableSpec orders;
    orders.name = "Order-Details";
    orders.columns = {column("OrderID", 4), column("CustomerID", 4), column("Qty#", 3)};
    orders.indexes = {primaryKey("OrderID")};
    jet::RelationSpec rel;
    rel.name = "CustomersOrders";
    rel.table = "Customers";
    rel.foreignTable = "Order-Details";
    rel.fields = {{"ID", "CustomerID"}};

    jet::CompactRequest request;
    request.source = file;
    request.destination = file;
    jet::compactDatabase(*jet::posixFileSystem(), request, [&](jet::DatabaseBuilder& builder) {
        jet::NewTablesWriter writer(builder, {jet::NewTable{cust, ""}, jet::NewTable{orders, ""}},
                                    {rel});
        writer.beginTable("Customers");
        for (int i = 1; i <= customers; ++i) {
            const std::vector<jet::Value> row{jet::Value::integer(i),
                                              jet::Value::text("Customer " + std::to_string(i)),
                                              jet::Value::text(i % 2 ? "Berlin" : "Oslo")};
            writer.addRow(row);
        }
        writer.endTable();
        writer.beginTable("Order-Details");
        for (int i = 1; i <= 3; ++i) {
            const std::vector<jet::Value> row{jet::Value::integer(100 + i), jet::Value::integer(i),
                                              jet::Value::integer(i * 10)};
            writer.addRow(row);
        }
        writer.endTable();
        writer.finish();
    });
}

}  // namespace structure_test
