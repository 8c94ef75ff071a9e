// Object names in Access are compared without regard to case, also outside
// ASCII ("Größe" and "GRÖSSE" name the same column). Every name comparison in
// the engine goes through these two functions.
#pragma once

#include <string>
#include <string_view>

namespace jet {

// The key under which two names count as the same (full Unicode case folding).
std::string foldName(std::string_view name);
bool sameName(std::string_view a, std::string_view b);

}  // namespace jet
