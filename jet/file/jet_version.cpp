#include "jet/file/jet_version.h"

namespace jet {

std::string versionText(JetVersion v) {
    switch (v) {
        case JetVersion::Jet3:
            return "3.0";
        case JetVersion::Jet4:
            return "4.0";
        case JetVersion::Ace12:
            return "12.0";
        default:
            return "14.0";
    }
}

std::string formatName(JetVersion v) {
    switch (v) {
        case JetVersion::Jet3:
            return "Jet 3";
        case JetVersion::Jet4:
            return "Jet 4";
        case JetVersion::Ace12:
            return "ACE 12";
        case JetVersion::Ace14:
            return "ACE 14";
        case JetVersion::Ace15:
            return "ACE 15";
        case JetVersion::Ace16:
            return "ACE 16";
        case JetVersion::Ace17:
            return "ACE 17";
    }
    return "ACE";
}

}  // namespace jet
