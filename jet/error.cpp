#include "jet/error.h"

namespace jet {

void throwCorrupt(const std::string& what) {
    throw Error(ErrorCode::Corrupt, "The database file is damaged: " + what + ".");
}

}  // namespace jet
