// Shared between the parts of the system catalogue blueprint.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/write/system_catalog.h"

namespace jet {

// The definitions of systemTables(v, sort) without their rows.
std::vector<SystemTable> systemTableDefinitions(JetVersion v, const SortOrder& sort,
                                                uint16_t jet3CodePage);

}  // namespace jet
