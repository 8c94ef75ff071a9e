// Tables linked from another Access file: the split design in which a
// front-end file holds forms and queries and links to the tables of a
// back-end file. The catalogue row names the back end's path as the front
// end's machine saw it (usually a Windows path, "Z:\data\backend.accdb") and
// the table's name there.
//
// The back end is looked for at the stored path, then as a file of the same
// name beside the front end (where a copied pair of files has it). A
// password comes from the link's connect string (";PWD=..."). Opening the
// back end reads it as any database is read; the link is followed for
// reading only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "jet/catalog/database.h"

namespace jet {

struct LinkedTable {
    std::shared_ptr<Database> database;  // the back end, open for as long as this is held
    std::shared_ptr<const TableDef> table;
};

// The places a link's file is looked for, in order.
std::vector<std::string> linkedFileCandidates(const std::string& frontEndPath,
                                              const std::string& storedPath);

// Follows link `link` (a catalogue row of `frontEnd` of the linked-Access
// kind). Throws jet::Error: NotFound "Could not find file '<stored path>'."
// when no candidate exists, the back end's own errors when it cannot be
// opened, NotFound when it has no such table, InvalidArgument for a row of
// another kind.
LinkedTable openLinkedTable(const Database& frontEnd, const CatalogObject& link);

}  // namespace jet
