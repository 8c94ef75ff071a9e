#include "jet/write/create_database.h"

#include "jet/error.h"
#include "jet/write/collations.h"
#include "jet/write/database_builder.h"
#include "jet/write/new_file.h"
#include "jet/write/page_sink.h"

namespace jet {

std::optional<JetVersion> versionFromKey(int key) {
    switch (key) {
        case 32:
            return JetVersion::Jet3;
        case 64:
            return JetVersion::Jet4;
        case 128:
            return JetVersion::Ace12;
        case 256:
            return JetVersion::Ace14;
        default:
            return std::nullopt;
    }
}

JetVersion writableVersion(JetVersion v) {
    return v > JetVersion::Ace14 ? JetVersion::Ace14 : v;
}

int versionKeyOf(JetVersion v) {
    switch (writableVersion(v)) {
        case JetVersion::Jet3:
            return 32;
        case JetVersion::Jet4:
            return 64;
        case JetVersion::Ace12:
            return 128;
        default:
            return 256;
    }
}

void createDatabase(FileSystem& fs, const std::string& path, const CreateOptions& options) {
    NewDatabaseOptions newDb;
    newDb.version = options.version;
    newDb.codePage = collationCodePage(options.collation);
    newDb.sortOrder = sortOrderFor(options.version, options.collation);
    newDb.password = options.password;
    writeFileAtomically(fs, path, [&](File& file) {
        FilePageSink sink(file, pageSizeOf(options.version));
        DatabaseBuilder builder(sink, newDb);
        builder.finish();
    });
}

}  // namespace jet
