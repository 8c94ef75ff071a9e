#include "tools/cli_write_commands.h"

#include <fstream>
#include <iostream>

#include "jet/catalog/database.h"
#include "jet/compact/compactor.h"
#include "jet/error.h"
#include "jet/file/file.h"
#include "jet/write/collations.h"
#include "jet/write/create_database.h"
#include "jet/write/database_builder.h"
#include "jet/write/name_rules.h"
#include "jet/write/table_layout.h"
#include "jet/write/table_writer.h"
#include "tools/csv_column_typing.h"
#include "tools/csv_reader.h"

namespace tools {

namespace {

jet::JetVersion requireVersion(int key) {
    if (auto v = jet::versionFromKey(key)) return *v;
    throw jet::Error(
        jet::ErrorCode::InvalidArgument,
        "--version takes 32 (3.0), 64 (4.0), 128 (12.0) or 256 (14.0), not " + std::to_string(key));
}

// ";LANGID=0x0409;CP=1252;COUNTRY=0" for a collation id.
std::string localeText(int lcid) {
    if (!jet::isKnownCollation(static_cast<uint16_t>(lcid)))
        throw jet::Error(jet::ErrorCode::InvalidArgument,
                         "unknown collation " + std::to_string(lcid));
    char buf[64];
    std::snprintf(buf, sizeof buf, ";LANGID=0x%04X;CP=%u;COUNTRY=0", lcid,
                  unsigned{jet::collationCodePage(static_cast<uint16_t>(lcid))});
    return buf;
}

std::ifstream openCsv(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw jet::Error(jet::ErrorCode::Io, "Could not find file '" + path + "'.");
    return in;
}

}  // namespace

int createCommand(const std::string& file, const WriteArgs& args) {
    if (!args.version)
        throw jet::Error(jet::ErrorCode::InvalidArgument, "create needs --version KEY");
    jet::CreateOptions options;
    options.version = requireVersion(*args.version);
    options.collation = static_cast<uint16_t>(args.collation.value_or(1033));
    options.password = args.password;
    jet::createDatabase(*jet::posixFileSystem(), file, options);
    return 0;
}

int compactCommand(const std::string& source, const std::string& destination,
                   const WriteArgs& args) {
    jet::CompactRequest request;
    request.source = source;
    request.destination = destination;
    request.versionKey = args.version.value_or(0);
    if (args.version) requireVersion(*args.version);
    if (args.collation) request.destinationLocale = localeText(*args.collation);
    if (args.removePassword) {
        request.destinationLocale += ";pwd=";
    } else if (args.newPassword) {
        request.destinationLocale += ";pwd=" + *args.newPassword;
    }
    if (!args.password.empty()) request.sourceLocale = ";pwd=" + args.password;
    jet::compactDatabase(*jet::posixFileSystem(), request);
    return 0;
}

int loadCommand(const std::string& file, const std::string& table, const std::string& csvPath,
                const WriteArgs& args) {
    jet::OpenOptions open;
    open.password = args.password;
    std::shared_ptr<jet::Database> db = jet::Database::open(file, open);
    std::vector<std::string> existing;
    for (const jet::CatalogObject& o : db->objects())
        if (o.type == 1 || o.type == 5 || o.type == 4 || o.type == 6) existing.push_back(o.name);
    jet::checkNewTableName(table, existing);

    // The columns: as given, or typed from a first pass over the data.
    std::vector<jet::ColumnSpec> columns;
    if (!args.columns.empty()) {
        columns = parseColumnList(args.columns);
    } else {
        std::ifstream in = openCsv(csvPath);
        CsvReader reader(in);
        CsvColumnTyper typer;
        std::vector<std::string> fields;
        if (reader.next(fields)) typer.addHeader(fields);
        while (reader.next(fields)) typer.addRow(fields);
        columns = typer.columns();
    }
    jet::TableSpec spec;
    spec.name = table;
    spec.columns = columns;
    if (!args.primaryKey.empty()) {
        jet::IndexSpec pk;
        pk.name = "PrimaryKey";
        pk.primary = pk.unique = pk.required = true;
        for (const auto& c : args.primaryKey) pk.columns.push_back({c, true});
        spec.indexes.push_back(pk);
    }
    for (const auto& c : args.indexes) {
        jet::IndexSpec index;
        index.name = c;
        index.columns.push_back({c, true});
        spec.indexes.push_back(index);
    }

    jet::CompactRequest request;
    request.source = file;
    request.destination = file;
    if (!args.password.empty()) request.sourceLocale = ";pwd=" + args.password;
    uint64_t loaded = 0;
    jet::compactDatabase(*jet::posixFileSystem(), request, [&](jet::DatabaseBuilder& builder) {
        // Empty cells load as nulls, so only Required can refuse a row; the
        // column properties go into the file as Access keeps them.
        jet::NewTablesWriter writer(builder, {jet::NewTable{spec, ""}}, {}, existing);
        writer.beginTable(table);
        std::ifstream in = openCsv(csvPath);
        CsvReader reader(in);
        std::vector<std::string> fields;
        reader.next(fields);  // the header line
        std::vector<jet::Value> values(columns.size());
        while (reader.next(fields)) {
            for (size_t i = 0; i < values.size(); ++i)
                values[i] = i < fields.size() && !fields[i].empty() ? jet::Value::text(fields[i])
                                                                    : jet::Value();
            writer.addRow(values);
            ++loaded;
        }
        writer.endTable();
        writer.finish();
    });
    std::cout << loaded << " rows loaded into " << table << "\n";
    return 0;
}

}  // namespace tools
