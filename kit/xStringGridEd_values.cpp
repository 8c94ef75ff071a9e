#include "kit/xStringGridEd_values.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <vector>

#include "kit/xImprovedComps_numeric.h"

namespace kit {
namespace {

const QDate kZeroDate(1899, 12, 30);

QChar firstChar(const QString& text, QChar fallback) {
    return text.isEmpty() ? fallback : text.at(0);
}

// ---- Formats in the grid's notation -------------------------------------

enum class Part { Day, WeekDay, Month, MonthName, Year, Hour, Minute, Second, AmPm, Literal };

struct Token {
    Part part;
    int width = 0;  // letters written: dd = 2, yyyy = 4
    QString literal;
};

bool isTimePart(Part part) {
    return part == Part::Hour || part == Part::Minute || part == Part::Second || part == Part::AmPm;
}

std::vector<Token> tokenize(const QString& format) {
    std::vector<Token> tokens;
    auto addLiteral = [&tokens](const QString& text) {
        if (!tokens.empty() && tokens.back().part == Part::Literal)
            tokens.back().literal += text;
        else
            tokens.push_back({Part::Literal, 0, text});
    };
    bool lastNumberWasHour = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == '"' || c == '\'') {
            const qsizetype end = format.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? format.size() : end;
            addLiteral(format.mid(i + 1, stop - i - 1));
            i = stop + 1;
            continue;
        }
        if (format.mid(i, 4).compare("ampm", Qt::CaseInsensitive) == 0 ||
            format.mid(i, 5).compare("am/pm", Qt::CaseInsensitive) == 0) {
            tokens.push_back({Part::AmPm, 0, {}});
            i += format.mid(i, 4).compare("ampm", Qt::CaseInsensitive) == 0 ? 4 : 5;
            continue;
        }
        const QChar lower = c.toLower();
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run).toLower() == lower) ++run;
        const int width = static_cast<int>(run);
        switch (lower.unicode()) {
            case 'd':
                tokens.push_back({width >= 3 ? Part::WeekDay : Part::Day, width, {}});
                lastNumberWasHour = false;
                break;
            case 'm':
                if (width <= 2 && lastNumberWasHour)
                    tokens.push_back({Part::Minute, width, {}});
                else
                    tokens.push_back({width >= 3 ? Part::MonthName : Part::Month, width, {}});
                lastNumberWasHour = false;
                break;
            case 'y':
                tokens.push_back({Part::Year, width <= 2 ? 2 : 4, {}});
                lastNumberWasHour = false;
                break;
            case 'h':
                tokens.push_back({Part::Hour, width, {}});
                lastNumberWasHour = true;
                break;
            case 'n':
                tokens.push_back({Part::Minute, width, {}});
                lastNumberWasHour = false;
                break;
            case 's':
                tokens.push_back({Part::Second, width, {}});
                lastNumberWasHour = false;
                break;
            default:
                addLiteral(format.mid(i, run));
                break;
        }
        i += run;
    }
    return tokens;
}

int expandYear(int year, int digits) {
    if (digits > 2) return year;
    return year < 50 ? 2000 + year : 1900 + year;
}

std::optional<int> monthFromName(const QString& name, const QLocale& locale) {
    if (name.isEmpty()) return std::nullopt;
    for (const QLocale& loc : {locale, QLocale::c()}) {
        for (int month = 1; month <= 12; ++month) {
            for (auto format : {QLocale::LongFormat, QLocale::ShortFormat}) {
                QString candidate = loc.monthName(month, format);
                if (candidate.endsWith('.')) candidate.chop(1);
                if (candidate.compare(name, Qt::CaseInsensitive) == 0) return month;
            }
        }
    }
    return std::nullopt;
}

struct Fields {
    int year = kZeroDate.year(), month = kZeroDate.month(), day = kZeroDate.day();
    int hour = 0, minute = 0, second = 0;
    std::optional<bool> pm;
    bool hasDate = false;
};

std::optional<QDateTime> assemble(const Fields& f) {
    int hour = f.hour;
    if (f.pm) {
        if (hour < 1 || hour > 12) return std::nullopt;
        hour = (hour % 12) + (*f.pm ? 12 : 0);
    }
    const QDate date(f.year, f.month, f.day);
    const QTime time(hour, f.minute, f.second);
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    return QDateTime(date, time);
}

std::optional<QDateTime> parseWithFormat(const QString& text, const QString& format,
                                         const QLocale& locale) {
    const std::vector<Token> tokens = tokenize(format);
    Fields fields;
    qsizetype pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && text.at(pos).isSpace()) ++pos;
    };
    auto readDigits = [&](int maxDigits) -> std::optional<int> {
        skipBlanks();
        qsizetype start = pos;
        while (pos < text.size() && pos - start < maxDigits && text.at(pos).isDigit()) ++pos;
        if (pos == start) return std::nullopt;
        return text.mid(start, pos - start).toInt();
    };
    auto readWord = [&]() {
        skipBlanks();
        qsizetype start = pos;
        while (pos < text.size() && text.at(pos).isLetter()) ++pos;
        return text.mid(start, pos - start);
    };
    for (size_t t = 0; t < tokens.size(); ++t) {
        const Token& token = tokens[t];
        skipBlanks();
        if (pos >= text.size()) {
            // A text may stop before the time: what is left must be time or separators.
            bool onlyTimeLeft = true;
            for (size_t rest = t; rest < tokens.size(); ++rest)
                if (tokens[rest].part != Part::Literal && !isTimePart(tokens[rest].part))
                    onlyTimeLeft = false;
            if (!onlyTimeLeft) return std::nullopt;
            break;
        }
        switch (token.part) {
            case Part::Literal:
                for (QChar want : token.literal) {
                    if (want.isSpace()) continue;
                    skipBlanks();
                    if (pos >= text.size()) break;
                    const QChar got = text.at(pos);
                    const bool bothSeparators = !want.isLetterOrNumber() && !got.isLetterOrNumber();
                    if (got.toLower() != want.toLower() && !bothSeparators) return std::nullopt;
                    ++pos;
                }
                break;
            case Part::Day:
            case Part::Month:
            case Part::Hour:
            case Part::Minute:
            case Part::Second: {
                const auto number = readDigits(2);
                if (!number) return std::nullopt;
                if (token.part == Part::Day) fields.day = *number;
                if (token.part == Part::Month) fields.month = *number;
                if (token.part == Part::Hour) fields.hour = *number;
                if (token.part == Part::Minute) fields.minute = *number;
                if (token.part == Part::Second) fields.second = *number;
                if (token.part == Part::Day || token.part == Part::Month) fields.hasDate = true;
                break;
            }
            case Part::Year: {
                const qsizetype before = pos;
                const auto number = readDigits(4);
                if (!number) return std::nullopt;
                skipBlanks();
                const int digits = static_cast<int>(pos - before);
                fields.year = expandYear(*number, token.width == 4 && digits > 2 ? 4 : digits);
                fields.hasDate = true;
                break;
            }
            case Part::MonthName: {
                const auto month = monthFromName(readWord(), locale);
                if (!month) return std::nullopt;
                fields.month = *month;
                fields.hasDate = true;
                break;
            }
            case Part::WeekDay:
                readWord();
                break;
            case Part::AmPm: {
                const QString word = readWord().toLower();
                if (word == "am" || word == "a")
                    fields.pm = false;
                else if (word == "pm" || word == "p")
                    fields.pm = true;
                else
                    return std::nullopt;
                break;
            }
        }
    }
    skipBlanks();
    if (pos != text.size()) return std::nullopt;
    return assemble(fields);
}

// Positions of day, month and year in the locale's short date: 0, 1, 2.
struct DateOrder {
    int day, month, year;
};

DateOrder localeDateOrder(const QLocale& locale) {
    const QString pattern = locale.dateFormat(QLocale::ShortFormat);
    std::vector<std::pair<qsizetype, char>> found;
    for (char part : {'d', 'M', 'y'}) {
        const qsizetype at = pattern.indexOf(QChar(part));
        found.push_back({at < 0 ? pattern.size() : at, part});
    }
    std::sort(found.begin(), found.end());
    DateOrder order{0, 1, 2};
    for (int i = 0; i < 3; ++i) {
        if (found[i].second == 'd') order.day = i;
        if (found[i].second == 'M') order.month = i;
        if (found[i].second == 'y') order.year = i;
    }
    return order;
}

bool readLenientTime(const QString& text, Fields& fields) {
    static const QRegularExpression pattern(
        R"(^(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?\s*(am|pm|a|p)?$)",
        QRegularExpression::CaseInsensitiveOption);
    const auto match = pattern.match(text);
    if (!match.hasMatch()) return false;
    fields.hour = match.captured(1).toInt();
    fields.minute = match.captured(2).toInt();
    fields.second = match.captured(3).isEmpty() ? 0 : match.captured(3).toInt();
    if (!match.captured(4).isEmpty()) fields.pm = match.captured(4).at(0).toLower() == 'p';
    return true;
}

bool readLenientDate(const QString& text, Fields& fields, const QLocale& locale) {
    static const QRegularExpression separators(R"([./\-\s,]+)");
    const QStringList parts = text.split(separators, Qt::SkipEmptyParts);
    if (parts.size() < 2 || parts.size() > 3) return false;
    std::vector<int> numbers;
    std::vector<int> digits;
    std::optional<int> namedMonth;
    for (const QString& part : parts) {
        bool ok = false;
        const int number = part.toInt(&ok);
        if (ok && part.size() <= 4) {
            numbers.push_back(number);
            digits.push_back(static_cast<int>(part.size()));
        } else if (!namedMonth) {
            namedMonth = monthFromName(part, locale);
            if (!namedMonth) return false;
        } else {
            return false;
        }
    }
    const DateOrder order = localeDateOrder(locale);
    fields.year = QDate::currentDate().year();
    if (namedMonth) {
        fields.month = *namedMonth;
        if (numbers.size() == 1) {
            fields.day = numbers[0];
        } else {
            const bool dayFirst = order.day < order.year && digits[0] <= 2;
            fields.day = dayFirst ? numbers[0] : numbers[1];
            const int yearAt = dayFirst ? 1 : 0;
            fields.year = expandYear(numbers[yearAt], digits[yearAt]);
        }
    } else if (numbers.size() == 3) {
        if (digits[0] == 4) {  // year first whatever the locale says
            fields.year = numbers[0];
            fields.month = numbers[1];
            fields.day = numbers[2];
        } else {
            fields.day = numbers[order.day];
            fields.month = numbers[order.month];
            fields.year = expandYear(numbers[order.year], digits[order.year]);
        }
    } else {
        const bool dayFirst = order.day < order.month;
        fields.day = numbers[dayFirst ? 0 : 1];
        fields.month = numbers[dayFirst ? 1 : 0];
    }
    fields.hasDate = true;
    return true;
}

std::optional<QDateTime> parseLenient(const QString& input, TxStringGridEdDataType type,
                                      const QLocale& locale) {
    const QString text = input.trimmed();
    Fields fields;
    static const QRegularExpression iso(R"(^(\d{4})-(\d{1,2})-(\d{1,2})(?:[T\s]+(.*))?$)");
    static const QRegularExpression timeAtEnd(
        R"((?:^|[\sT])(\d{1,2}:\d{1,2}(?::\d{1,2})?\s*(?:am|pm|a|p)?)$)",
        QRegularExpression::CaseInsensitiveOption);
    QString datePart = text;
    QString timePart;
    if (const auto match = iso.match(text); match.hasMatch()) {
        fields.year = match.captured(1).toInt();
        fields.month = match.captured(2).toInt();
        fields.day = match.captured(3).toInt();
        fields.hasDate = true;
        datePart.clear();
        timePart = match.captured(4).trimmed();
        if (!timePart.isEmpty() && !readLenientTime(timePart, fields)) return std::nullopt;
    } else {
        if (const auto timeMatch = timeAtEnd.match(text); timeMatch.hasMatch()) {
            timePart = timeMatch.captured(1);
            datePart = text.left(timeMatch.capturedStart(1)).trimmed();
            if (!readLenientTime(timePart, fields)) return std::nullopt;
        }
        if (!datePart.isEmpty() && !readLenientDate(datePart, fields, locale)) return std::nullopt;
    }
    if (type == sgdTime) {
        if (fields.hasDate || timePart.isEmpty()) return std::nullopt;
    } else if (!fields.hasDate) {
        return std::nullopt;
    }
    return assemble(fields);
}

QString defaultDatePattern(const QLocale& locale) {
    QString pattern = locale.dateFormat(QLocale::ShortFormat);
    if (!pattern.contains("yyyy")) pattern.replace("yy", "yyyy");
    return pattern;
}

const QString kDefaultTimePattern = "HH:mm:ss";

}  // namespace

std::optional<long long> parseGridInteger(const QString& text) {
    bool ok = false;
    const long long value = text.trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    return value;
}

std::optional<double> parseGridNumber(const QString& text, const QLocale& locale) {
    QString cleaned = text;
    const QString group = locale.groupSeparator();
    if (!group.isEmpty() && group != locale.decimalPoint()) cleaned.remove(group);
    cleaned.remove(QRegularExpression(R"(\s)"));
    if (cleaned.isEmpty()) return std::nullopt;
    QLocale reader = locale;
    reader.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = reader.toDouble(cleaned, &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

QString formatGridNumber(double value, const QString& format, const QLocale& locale) {
    const QChar decimal = firstChar(locale.decimalPoint(), '.');
    const QChar group = firstChar(locale.groupSeparator(), ',');
    if (!format.isEmpty()) return formatFloat(value, format, decimal, group);
    QString text = QString::number(value, 'g', 15);
    if (text.contains('e')) {  // no exponent in a cell: plain digits, no trailing zeros
        text = QString::number(value, 'f', 15);
        while (text.endsWith('0')) text.chop(1);
        if (text.endsWith('.')) text.chop(1);
    }
    return text.replace('.', decimal);
}

QString qtDateTimePattern(const QString& format) {
    QString pattern;
    auto letters = [](char letter, int count) { return QString(count, QChar(letter)); };
    const std::vector<Token> tokens = tokenize(format);
    const bool twelveHour = std::any_of(tokens.begin(), tokens.end(),
                                        [](const Token& t) { return t.part == Part::AmPm; });
    for (const Token& token : tokens) {
        switch (token.part) {
            case Part::Day:
                pattern += letters('d', std::min(token.width, 2));
                break;
            case Part::WeekDay:
                pattern += letters('d', token.width >= 4 ? 4 : 3);
                break;
            case Part::Month:
                pattern += letters('M', std::min(token.width, 2));
                break;
            case Part::MonthName:
                pattern += letters('M', token.width >= 4 ? 4 : 3);
                break;
            case Part::Year:
                pattern += letters('y', token.width);
                break;
            case Part::Hour:
                pattern += letters(twelveHour ? 'h' : 'H', std::min(token.width, 2));
                break;
            case Part::Minute:
                pattern += letters('m', std::min(token.width, 2));
                break;
            case Part::Second:
                pattern += letters('s', std::min(token.width, 2));
                break;
            case Part::AmPm:
                pattern += "AP";
                break;
            case Part::Literal: {
                QString quoted = token.literal;
                quoted.replace("'", "''");
                pattern += "'" + quoted + "'";
                break;
            }
        }
    }
    return pattern;
}

std::optional<QDateTime> parseGridDateTime(const QString& text, const QString& format,
                                           TxStringGridEdDataType type, const QLocale& locale) {
    if (text.trimmed().isEmpty()) return std::nullopt;
    if (!format.isEmpty()) return parseWithFormat(text, format, locale);
    return parseLenient(text, type, locale);
}

QString formatGridDateTime(const QDateTime& value, const QString& format,
                           TxStringGridEdDataType type, const QLocale& locale) {
    if (!format.isEmpty()) return locale.toString(value, qtDateTimePattern(format));
    if (type == sgdTime) return locale.toString(value.time(), kDefaultTimePattern);
    const QString date = locale.toString(value.date(), defaultDatePattern(locale));
    if (value.time() == QTime(0, 0)) return date;
    return date + " " + locale.toString(value.time(), kDefaultTimePattern);
}

TxStringGridEdDataState validateCellText(const QString& text, TxStringGridEdDataType type,
                                         const QString& format, double minValue, double maxValue,
                                         const QLocale& locale) {
    if (text.trimmed().isEmpty()) return sdsEmpty;
    std::optional<double> number;
    switch (type) {
        case sgdText:
            return sdsOk;
        case sgdNumber:
        case sgdDataBar:
            number = parseGridNumber(text, locale);
            break;
        case sgdInteger:
        case sgdStatusBar: {
            QString cleaned = text;
            cleaned.remove(locale.groupSeparator());
            if (const auto integer = parseGridInteger(cleaned))
                number = static_cast<double>(*integer);
            break;
        }
        case sgdDate:
        case sgdDateTime: {
            const auto value = parseGridDateTime(text, format, type, locale);
            if (!value || *value == QDateTime(kZeroDate, QTime(0, 0))) return sdsInvalid;
            return sdsOk;
        }
        case sgdTime:
            return parseGridDateTime(text, format, type, locale) ? sdsOk : sdsInvalid;
    }
    if (!number) return sdsInvalid;
    if ((minValue != 0 || maxValue != 0) && (*number < minValue || *number > maxValue))
        return sdsOutOfLimit;
    return sdsOk;
}

QString normalizedCellText(const QString& text, TxStringGridEdDataType type, const QString& format,
                           const QLocale& locale) {
    if (isNumberType(type)) {
        const TxStringGridEdDataState state = validateCellText(text, type, format, 0, 0, locale);
        if (state != sdsOk) return text;
        if (type == sgdInteger || type == sgdStatusBar) {
            QString cleaned = text;
            cleaned.remove(locale.groupSeparator());
            const long long value = *parseGridInteger(cleaned);
            // Whole numbers beyond a double's 15 digits stay exact without a format.
            if (format.isEmpty()) return QString::number(value);
            return formatGridNumber(static_cast<double>(value), format, locale);
        }
        return formatGridNumber(*parseGridNumber(text, locale), format, locale);
    }
    if (isDateTimeType(type)) {
        const auto value = parseGridDateTime(text, format, type, locale);
        if (!value) return text;
        QDateTime kept = *value;
        if (type == sgdDate) kept.setTime(QTime(0, 0));
        if (type == sgdTime) kept.setDate(kZeroDate);
        if (!format.isEmpty()) return formatGridDateTime(kept, format, type, locale);
        if (type == sgdDateTime)
            return locale.toString(kept.date(), defaultDatePattern(locale)) + " " +
                   locale.toString(kept.time(), kDefaultTimePattern);
        return formatGridDateTime(kept, format, type, locale);
    }
    return text;
}

std::optional<QString> dateShortcutText(QChar key, TxStringGridEdDataType type,
                                        const QString& format, const QDateTime& now,
                                        const QLocale& locale) {
    if (type != sgdDate && type != sgdDateTime) return std::nullopt;
    const QDate today = now.date();
    QDateTime value;
    switch (key.toLower().unicode()) {
        case '*':
        case 't':
            value = type == sgdDateTime ? now : QDateTime(today, QTime(0, 0));
            break;
        case 'e':
            value = QDateTime(QDate(today.year(), today.month(), today.daysInMonth()), QTime(0, 0));
            break;
        case 's':
            value = QDateTime(QDate(today.year(), today.month(), 1), QTime(0, 0));
            break;
        default:
            return std::nullopt;
    }
    if (type == sgdDateTime)
        value.setTime(QTime(value.time().hour(), value.time().minute(), value.time().second()));
    return formatGridDateTime(value, format, type, locale);
}

}  // namespace kit
