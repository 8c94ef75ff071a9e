// The regional conventions the expression functions use: month and day
// names, the short date order, separators and the currency layout. Every
// text a function produces or reads through a locale goes through one
// SqlLocale, so another convention can be added without touching the
// functions. The engine currently uses English (United States) only.
#pragma once

#include <array>
#include <string>

namespace jet {

struct SqlLocale {
    std::array<std::string, 12> monthNames;
    std::array<std::string, 12> monthAbbreviations;
    std::array<std::string, 7> dayNames;  // Sunday first
    std::array<std::string, 7> dayAbbreviations;
    char decimalPoint = '.';
    char thousandsSeparator = ',';
    char dateSeparator = '/';
    char timeSeparator = ':';
    std::string amDesignator = "AM";
    std::string pmDesignator = "PM";
    std::string currencySymbol = "$";
    // Short date as month/day/year when true, else day/month/year; also the
    // order an ambiguous typed date like 3/4/2001 is read in.
    bool monthBeforeDay = true;
    // "Long Date": weekday, month name, day, year ("Wednesday, January 27, 1993").
    // "Medium Date": day-month abbreviation-two digit year ("27-Jan-93").
    // "Currency": symbol before the amount, negatives in parentheses.
    bool currencyNegativeInParentheses = true;
};

// English (United States): m/d/yyyy, 12-hour times with AM/PM, "." decimals.
const SqlLocale& englishUnitedStates();

}  // namespace jet
