#include "jet/sql/functions/functions_locale.h"

namespace jet {

const SqlLocale& englishUnitedStates() {
    static const SqlLocale locale = [] {
        SqlLocale l;
        l.monthNames = {"January", "February", "March",     "April",   "May",      "June",
                        "July",    "August",   "September", "October", "November", "December"};
        l.monthAbbreviations = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        l.dayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
        l.dayAbbreviations = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
        return l;
    }();
    return locale;
}

}  // namespace jet
