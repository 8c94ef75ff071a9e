// Cross-check with an independent reader: every property blob in the
// fixtures, read by parsePropertyBlob, must give the properties mdbtools'
// mdb-prop prints for the same object. The blobs come from mdb-export's hex
// dump of MSysObjects; the fixtures are only read.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "jet/format/property_blob.h"
#include "support/fixtures.h"

namespace jet {
namespace {

using testing_support::allFixtures;
using testing_support::fixture;
using testing_support::runCommand;
using testing_support::shellQuote;

// RFC 4180 records: quoted fields may hold commas, doubled quotes and line breaks.
std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(std::move(field));
            field.clear();
        } else if (c == '\n') {
            rows.back().push_back(std::move(field));
            field.clear();
            rows.emplace_back();
        } else {
            field += c;
        }
    }
    if (!rows.back().empty() || !field.empty()) {
        rows.back().push_back(std::move(field));
    } else {
        rows.pop_back();
    }
    return rows;
}

std::vector<uint8_t> fromHex(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

// mdb-prop's way of printing a value.
std::string mdbPropText(const Value& v) {
    if (v.is<bool>()) return v.as<bool>() ? "yes" : "no";
    if (v.is<int64_t>()) return std::to_string(v.as<int64_t>());
    if (v.is<float>()) return formatSingle(v.as<float>());
    if (v.is<std::string>()) return v.as<std::string>();
    if (v.is<Blob>()) return "(binary data of length " + std::to_string(v.as<Blob>().size()) + ")";
    if (v.is<Guid>()) {
        // mdb-prop leaves out the last hyphen of a GUID.
        std::string s = v.as<Guid>().toString();
        return s.erase(s.rfind('-'), 1);
    }
    return "(a value mdb-prop does not print)";
}

std::vector<std::string> ourLines(const PropertyBlob& blob) {
    std::vector<std::string> lines;
    for (const PropertyMap& map : blob.maps) {
        std::string object = map.objectName.empty() ? "(none)" : map.objectName;
        for (const Property& p : map.properties) {
            lines.push_back(object + " | " + p.name + ": " + mdbPropText(p.value));
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// mdb-prop prints "name: <object>" then one tab-indented "<property>: <value>"
// line per property; text values may run over several lines.
std::vector<std::string> mdbPropLines(const std::string& output) {
    std::vector<std::string> lines;
    std::string object;
    size_t pos = 0;
    while (pos < output.size()) {
        size_t end = output.find('\n', pos);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(pos, end - pos);
        pos = end + 1;
        if (line.rfind("name: ", 0) == 0) {
            object = line.substr(6);
        } else if (!line.empty() && line[0] == '\t') {
            lines.push_back(object + " | " + line.substr(1));
        } else if (!lines.empty() && !(line.empty() && pos >= output.size())) {
            lines.back() += "\n" + line;  // continuation of a multi-line value
        }
    }
    // The blank line that ends each map is not part of the last value.
    for (std::string& l : lines) {
        while (!l.empty() && l.back() == '\n') l.pop_back();
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

bool isJet3File(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(0x14);
    char version = 0;
    in.get(version);
    return version == 0;
}

TEST(PropertyBlobAgainstMdbtools, EveryFixtureBlobReadsAsMdbPropPrintsIt) {
    if (runCommand(
            "command -v mdb-export >/dev/null && command -v mdb-prop >/dev/null && echo ok") !=
        "ok\n") {
        GTEST_SKIP() << "mdbtools is not installed";
    }
    size_t compared = 0;
    for (const std::string& relative : allFixtures()) {
        if (relative.rfind("encrypted/", 0) == 0) continue;
        SCOPED_TRACE(relative);
        std::string path = fixture(relative).string();
        bool jet3 = isJet3File(path);
        auto rows = parseCsv(
            runCommand("mdb-export -b hex " + shellQuote(path) + " MSysObjects 2>/dev/null"));
        if (rows.empty()) continue;
        auto column = [&](const char* name) {
            auto it = std::find(rows[0].begin(), rows[0].end(), name);
            return static_cast<size_t>(it - rows[0].begin());
        };
        size_t nameColumn = column("Name");
        size_t propColumn = column("LvProp");
        ASSERT_LT(propColumn, rows[0].size());

        // mdb-prop finds an object by name alone, so names used twice are skipped.
        std::map<std::string, int> uses;
        for (size_t r = 1; r < rows.size(); ++r) {
            if (rows[r].size() > nameColumn) ++uses[rows[r][nameColumn]];
        }
        for (size_t r = 1; r < rows.size(); ++r) {
            if (rows[r].size() <= propColumn || rows[r][propColumn].empty()) continue;
            const std::string& object = rows[r][nameColumn];
            if (uses[object] != 1) continue;
            SCOPED_TRACE(object);
            PropertyBlob blob = parsePropertyBlob(fromHex(rows[r][propColumn]), jet3);
            std::string printed = runCommand("mdb-prop " + shellQuote(path) + " " +
                                             shellQuote(object) + " 2>/dev/null");
            EXPECT_EQ(ourLines(blob), mdbPropLines(printed));
            ++compared;
        }
    }
    EXPECT_GT(compared, 100u);  // the fixtures hold several hundred blobs
}

}  // namespace
}  // namespace jet
