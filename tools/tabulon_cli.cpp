// tabulon-cli: the engine without windows. Reads Access files and prints
// what they hold; exit 0 on success, 1 with the message on stderr on failure.
#include <cstring>
#include <fstream>
#include <optional>
#include <iostream>
#include <string>
#include <vector>

#include "jet/catalog/complex_columns.h"
#include "jet/catalog/consistency_check.h"
#include "jet/catalog/database.h"
#include "jet/catalog/stored_queries.h"
#include "jet/catalog/type_codes.h"
#include "jet/format/property_blob.h"
#include "jet/sql/executor/action.h"
#include "jet/sql/executor/executor.h"
#include "jet/table/index_cursor.h"
#include "jet/table/table_scan.h"
#include "tools/cli_parameters.h"
#include "tools/cli_write_commands.h"
#include "tools/csv_format.h"
#ifdef TABULON_CLI_WRITERS
#include "tools/cli_export_formats.h"
#endif

namespace {

const char* kUsage =
    "usage: tabulon-cli [--password P] COMMAND FILE ...\n"
    "commands:\n"
    "  info FILE              format, version, pages, code page, collation, encryption\n"
    "  tables FILE [--system] table names, one a line, in catalogue order\n"
    "  schema FILE [TABLE]    columns, indexes and relations\n"
    "  count FILE TABLE       number of rows\n"
    "  export FILE TABLE [--format csv|text|sylk|xlsx] [--output OUT]\n"
    "                         rows of a table or stored query: CSV with a header line\n"
    "                         (to OUT or standard output), or a text, SYLK or Excel\n"
    "                         workbook file (OUT) as the export dialog writes it\n"
    "  queries FILE           stored queries and their kinds\n"
    "  query-sql FILE NAME    SQL text of a stored query\n"
    "  index-walk FILE TABLE INDEX  rows as CSV in the order of an index\n"
    "  sql FILE STATEMENT [--param NAME=VALUE]...\n"
    "                         run a SELECT (or a stored query: SELECT * FROM [Name]);\n"
    "                         its rows as CSV with a header line. VALUE is read as a\n"
    "                         literal: 12, 1.5, #2024-03-15#, True, Null, 'text'.\n"
    "                         INSERT, UPDATE, DELETE or the name of a stored action\n"
    "                         query change FILE and print \"N records affected\"\n"
    "  check FILE             read everything and check it; exit 1 on problems\n"
    "writing commands:\n"
    "  create FILE --version KEY [--collation ID] [--password P]\n"
    "                         a new empty database; KEY 32 (3.0), 64 (4.0), 128 (12.0),\n"
    "                         256 (14.0); ID a Windows language id (default 1033)\n"
    "  compact SOURCE DESTINATION [--version KEY] [--collation ID]\n"
    "          [--new-password P | --remove-password]\n"
    "                         rewrite SOURCE (opened with --password) into DESTINATION\n"
    "  load FILE TABLE CSV [--columns \"Name Type(Size), ...\"] [--primary-key COL[,COL]]\n"
    "          [--index COL]... bulk-load a CSV (header line first) into a new table\n";

struct Args {
    tools::WriteArgs write;
    std::string password;
    std::string command;
    std::vector<std::string> rest;
    bool system = false;
    jet::sql::QueryParameters parameters;  // --param NAME=VALUE (sql)
    std::string format = "csv";            // export --format
    std::string output;                    // export --output
};

void printInfo(jet::Database& db) {
    const auto& h = db.header();
    std::cout << "version: " << jet::versionText(h.version) << "\n"
              << "format: " << jet::formatName(h.version) << "\n"
              << "engine: " << h.engineName << "\n"
              << "page size: " << h.pageSize << "\n"
              << "page count: " << db.pages().pageCount() << "\n"
              << "code page: " << h.codePage << "\n"
              << "collation id: " << h.sortOrder.lcid << "\n"
              << "sort order: " << jet::sortOrderName(h.sortOrder, h.version) << "\n"
              << "encryption: " << db.encryption() << "\n"
              << "password: "
              << (h.password.empty() && db.encryption().rfind("Office", 0) != 0 ? "no" : "yes")
              << "\n";
}

std::string propertyText(const jet::Property& p) {
    std::string v = tools::csvField(p.value);
    return p.name + "=" + v;
}

void printSchemaOfTable(jet::Database& db, const jet::CatalogObject& obj) {
    auto def = db.tableAt(obj.tdefPage(), obj.name);
    std::cout << "Table: " << def->name << "\n";
    jet::PropertyBlob props;
    if (!obj.properties.empty()) {
        props = jet::parsePropertyBlob(obj.properties, jet::isJet3(db.version()), db.codePage());
    }
    if (const auto* own = props.forObject("")) {
        for (const auto& p : own->properties) std::cout << "  property " << propertyText(p) << "\n";
    }
    for (const auto& c : def->columns) {
        std::cout << "  column " << c.name << " " << jet::dataTypeName(c.type) << " ("
                  << jet::daoTypeCode(c) << ") size " << c.length << " attributes "
                  << jet::daoFieldAttributes(c);
        if (c.type == jet::DataType::Numeric) {
            std::cout << " precision " << int(c.precision) << " scale " << int(c.scale);
        }
        if (const auto* m = props.forObject(c.name)) {
            for (const auto& p : m->properties) std::cout << " " << propertyText(p);
        }
        std::cout << "\n";
    }
    for (const auto& ix : def->indexes) {
        const auto& real = def->realIndexOf(ix);
        std::cout << "  index " << ix.name << " fields ";
        for (size_t i = 0; i < real.columns.size(); ++i) {
            const auto* col = def->columnByNumber(real.columns[i].columnNumber);
            std::cout << (i ? ";" : "") << (real.columns[i].ascending ? "+" : "-")
                      << (col ? col->name : "?");
        }
        if (ix.isPrimaryKey()) std::cout << " primary";
        if (ix.isForeignKey()) std::cout << " foreign";
        if (real.flags & jet::kIndexUnique) std::cout << " unique";
        if (real.flags & jet::kIndexIgnoreNulls) std::cout << " ignore-nulls";
        if (real.flags & jet::kIndexRequired) std::cout << " required";
        std::cout << "\n";
    }
}

void printSchema(jet::Database& db, const Args& a) {
    std::string only = a.rest.size() > 1 ? a.rest[1] : "";
    bool found = false;
    for (const auto* t : db.tables(!only.empty())) {
        if (!only.empty() && !jet::sameName(t->name, only)) continue;
        found = true;
        printSchemaOfTable(db, *t);
    }
    if (!only.empty() && !found)
        throw jet::Error(jet::ErrorCode::NotFound, jet::missingObjectMessage(only));
    for (const auto& r : db.relations()) {
        if (!only.empty() && !jet::sameName(r.table, only) &&
            !jet::sameName(r.foreignTable, only)) {
            continue;
        }
        std::cout << "Relation: " << r.name << " table " << r.table << " foreign " << r.foreignTable
                  << " attributes " << r.attributes << " fields ";
        for (size_t i = 0; i < r.fields.size(); ++i) {
            std::cout << (i ? ";" : "") << r.fields[i].name << "=" << r.fields[i].foreignName;
        }
        std::cout << "\n";
    }
    if (only.empty()) {
        for (const auto* l : db.linkedTables()) {
            std::cout << "Linked: " << l->name << " foreign " << l->foreignName.value_or("")
                      << " connect " << l->connect.value_or("") << " database "
                      << l->database.value_or("") << "\n";
        }
    }
}

void printCsvHeader(std::ostream& out, const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& n = names[i];
        bool quote = n.find_first_of(",\"\r\n") != std::string::npos;
        out << (i ? "," : "") << (quote ? tools::csvQuote(n) : n);
    }
    out << "\n";
}

void printCsvResult(std::ostream& out, const jet::sql::QueryResult& result) {
    std::vector<std::string> names;
    for (const auto& c : result.columns) names.push_back(c.name);
    printCsvHeader(out, names);
    for (const auto& row : result.rows) {
        std::string line;
        for (size_t i = 0; i < row.values.size(); ++i) {
            line += (i ? "," : "") + tools::csvField(row.values[i]);
        }
        out << line << "\n";
    }
}

void exportTable(jet::Database& db, const std::string& name, std::ostream& out) {
    std::shared_ptr<const jet::TableDef> def;
    try {
        def = db.table(name);
    } catch (const jet::Error& e) {
        if (e.code() != jet::ErrorCode::NotFound) throw;
        // Not a table: a stored query of that name gives its rows.
        jet::readStoredQuery(db, name);  // throws when there is none either
        std::string quoted = name;
        for (size_t at = quoted.find(']'); at != std::string::npos; at = quoted.find(']', at + 2))
            quoted.insert(at, "]");
        printCsvResult(out, jet::sql::executeSelect(db, "SELECT * FROM [" + quoted + "]", {}));
        return;
    }
    std::vector<std::string> names;
    for (const auto& c : def->columns) names.push_back(c.name);
    printCsvHeader(out, names);

    // A complex column stores only a key into a hidden table. Multi-value
    // fields show their values and attachment fields their file names, each
    // joined with "; " in one quoted field; other kinds keep the key.
    std::vector<std::unique_ptr<jet::ComplexColumnReader>> complex(def->columns.size());
    for (size_t i = 0; i < def->columns.size(); ++i) {
        if (def->columns[i].type != jet::DataType::Complex) continue;
        auto reader = std::make_unique<jet::ComplexColumnReader>(db, *def, def->columns[i]);
        jet::ComplexKind kind = reader->info().kind;
        if (kind == jet::ComplexKind::MultiValue || kind == jet::ComplexKind::Attachment) {
            complex[i] = std::move(reader);
        }
    }
    auto complexField = [&](jet::ComplexColumnReader& reader, const jet::Value& key) {
        if (!key.is<int64_t>()) return tools::csvField(key);
        int32_t k = static_cast<int32_t>(key.as<int64_t>());
        std::string joined;
        auto add = [&](const std::string& s) {
            if (!joined.empty()) joined += "; ";
            joined += s;
        };
        if (reader.info().kind == jet::ComplexKind::MultiValue) {
            for (const jet::Value& v : reader.multiValues(k)) {
                std::string f = v.is<std::string>() ? v.as<std::string>() : tools::csvField(v);
                if (!v.is<std::string>() && f.size() >= 2 && f.front() == '"') {
                    f = f.substr(1, f.size() - 2);  // dates and GUIDs: the text without quotes
                }
                add(f);
            }
        } else {
            for (const jet::Attachment& a : reader.attachments(k, false)) add(a.fileName);
        }
        return tools::csvQuote(joined);
    };

    jet::TableScan scan(db, def);
    std::string line;
    while (scan.next()) {
        line.clear();
        for (size_t i = 0; i < def->columns.size(); ++i) {
            if (i) line += ',';
            line += complex[i] ? complexField(*complex[i], scan.value(i))
                               : tools::csvField(scan.value(i));
        }
        line += '\n';
        out << line;
    }
}

std::vector<std::string> splitCommas(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        if (comma > start) parts.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return parts;
}

int run(const Args& a) {
    if (a.rest.empty()) {
        std::cerr << kUsage;
        return 1;
    }
    auto argAt = [&](size_t n) {
        if (a.rest.size() <= n)
            throw jet::Error(jet::ErrorCode::InvalidArgument, "missing argument for " + a.command);
        return a.rest[n];
    };
    if (a.command == "create") return tools::createCommand(argAt(0), a.write);
    if (a.command == "compact") return tools::compactCommand(argAt(0), argAt(1), a.write);
    if (a.command == "load") return tools::loadCommand(argAt(0), argAt(1), argAt(2), a.write);
    jet::OpenOptions options;
    options.password = a.password;
    auto db = jet::Database::open(a.rest[0], options);
    const std::string& cmd = a.command;
    auto needArg = [&](size_t n) {
        if (a.rest.size() <= n)
            throw jet::Error(jet::ErrorCode::InvalidArgument, "missing argument for " + cmd);
        return a.rest[n];
    };
    if (cmd == "info") {
        printInfo(*db);
    } else if (cmd == "tables") {
        for (const auto* t : db->tables(a.system)) std::cout << t->name << "\n";
    } else if (cmd == "schema") {
        printSchema(*db, a);
    } else if (cmd == "count") {
        auto def = db->table(needArg(1));
        jet::TableScan scan(*db, def);
        uint64_t n = 0;
        while (scan.next()) ++n;
        std::cout << n << "\n";
    } else if (cmd == "export") {
        if (a.format == "csv") {
            if (a.output.empty()) {
                exportTable(*db, needArg(1), std::cout);
            } else {
                std::ofstream out(a.output, std::ios::binary | std::ios::trunc);
                if (!out) throw std::runtime_error("cannot write " + a.output);
                exportTable(*db, needArg(1), out);
                out.close();
                if (!out) throw std::runtime_error("cannot write " + a.output);
            }
            return 0;
        }
#ifdef TABULON_CLI_WRITERS
        if (tools::isWriterFormat(a.format)) {
            if (a.output.empty()) throw std::invalid_argument("--format " + a.format + " needs --output OUT");
            db.reset();  // the writers open the file through the data surface
            return tools::exportWithWriter(a.rest[0], a.password, needArg(1), a.format, a.output);
        }
        throw std::invalid_argument("unknown export format '" + a.format +
                                    "' (csv, text, sylk or xlsx)");
#else
        throw std::invalid_argument("this tabulon-cli is an engine-only build: --format " +
                                    a.format + " needs the full build (only csv here)");
#endif
    } else if (cmd == "queries") {
        for (const auto& q : jet::readStoredQueries(*db)) {
            std::cout << q.name << "\t" << jet::queryKindName(q.query.kind) << "\n";
        }
    } else if (cmd == "check") {
        jet::CheckReport report = jet::checkDatabase(*db);
        for (const auto& p : report.problems) std::cerr << p << "\n";
        for (const auto& n : report.notes) std::cout << "note: " << n << "\n";
        std::cout << (report.ok() ? "OK" : "PROBLEMS") << ": " << report.tablesChecked
                  << " tables, " << report.rowsChecked << " rows, " << report.pagesChecked
                  << " pages, " << report.indexEntriesChecked << " index entries\n";
        return report.ok() ? 0 : 1;
    } else if (cmd == "query-sql") {
        std::cout << jet::readStoredQuery(*db, needArg(1)).query.sql << "\n";
    } else if (cmd == "sql") {
        jet::sql::ExecuteOptions execute;
        execute.parameters = a.parameters;
        const std::string text = needArg(1);
        std::optional<jet::sql::Statement> statement;
        try {
            statement = jet::sql::parseStatement(text);
        } catch (const jet::sql::SyntaxError&) {
            // A stored action query runs by its name alone; anything else
            // reports the syntax error.
            if (!jet::sql::isStoredAction(*db, text)) throw;
        }
        if (!statement || jet::sql::changesDatabase(*statement)) {
            // Only a statement that writes opens the file for writing.
            db.reset();
            options.writable = true;
            db = jet::Database::open(a.rest[0], options);
            const size_t affected = statement
                                        ? jet::sql::executeActionStatement(*db, *statement, execute)
                                        : jet::sql::executeStoredAction(*db, text, execute);
            std::cout << affected << " records affected\n";
            return 0;
        }
        const jet::sql::QueryResult result = jet::sql::executeStatement(*db, *statement, execute);
        for (size_t i = 0; i < result.columns.size(); ++i) {
            const std::string& n = result.columns[i].name;
            bool quote = n.find_first_of(",\"\r\n") != std::string::npos;
            std::cout << (i ? "," : "") << (quote ? tools::csvQuote(n) : n);
        }
        std::cout << "\n";
        for (const auto& row : result.rows) {
            std::string line;
            for (size_t i = 0; i < row.values.size(); ++i) {
                line += (i ? "," : "") + tools::csvField(row.values[i]);
            }
            std::cout << line << "\n";
        }
    } else if (cmd == "index-walk") {
        auto def = db->table(needArg(1));
        const jet::IndexDef* index = nullptr;
        for (const auto& i : def->indexes) {
            if (jet::sameName(i.name, needArg(2))) index = &i;
        }
        if (!index) {
            throw jet::Error(jet::ErrorCode::NotFound,
                             "The index '" + needArg(2) + "' is not in table '" + def->name + "'.");
        }
        for (size_t i = 0; i < def->columns.size(); ++i) {
            const std::string& n = def->columns[i].name;
            bool quote = n.find_first_of(",\"\r\n") != std::string::npos;
            std::cout << (i ? "," : "") << (quote ? tools::csvQuote(n) : n);
        }
        std::cout << "\n";
        jet::IndexCursor cursor(*db, def, *index);
        for (bool ok = cursor.first(); ok; ok = cursor.next()) {
            std::string line;
            for (size_t i = 0; i < cursor.values().size(); ++i) {
                line += (i ? "," : "") + tools::csvField(cursor.values()[i]);
            }
            std::cout << line << "\n";
        }
    } else {
        std::cerr << "unknown command '" << cmd << "'\n" << kUsage;
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Args a;
        std::vector<std::string> positional;
        for (int i = 1; i < argc; ++i) {
            std::string s = argv[i];
            auto value = [&]() -> std::string {
                if (i + 1 >= argc) throw std::invalid_argument(s + " needs a value");
                return argv[++i];
            };
            if (s == "--password") {
                a.password = value();
                a.write.password = a.password;
            } else if (s == "--version") {
                a.write.version = std::stoi(value());
            } else if (s == "--collation") {
                a.write.collation = std::stoi(value());
            } else if (s == "--new-password") {
                a.write.newPassword = value();
            } else if (s == "--remove-password") {
                a.write.removePassword = true;
            } else if (s == "--columns") {
                a.write.columns = value();
            } else if (s == "--primary-key") {
                a.write.primaryKey = splitCommas(value());
            } else if (s == "--index") {
                a.write.indexes.push_back(value());
            } else if (s == "--system") {
                a.system = true;
            } else if (s == "--format") {
                a.format = value();
            } else if (s == "--output") {
                a.output = value();
            } else if (s == "--param") {
                a.parameters.named.insert(tools::parseParameterArgument(value()));
            } else if (s == "--help" || s == "-h") {
                std::cout << kUsage;
                return 0;
            } else {
                positional.push_back(s);
            }
        }
        if (positional.empty()) {
            std::cerr << kUsage;
            return 1;
        }
        a.command = positional[0];
        a.rest.assign(positional.begin() + 1, positional.end());
        return run(a);
    } catch (const jet::Error& e) {
        std::cerr << e.what() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << "\n";
    }
    return 1;
}
