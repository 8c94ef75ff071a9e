// The domain functions: DCount, DSum, DAvg, DMin, DMax, DFirst, DLast and
// DLookup (expression, domain, optional criteria). Each is the statement
// "SELECT <aggregate>(<expression>) FROM <domain> WHERE <criteria>" run on
// the database the query runs on; the domain is a table or a stored query,
// bracketed unless it already is, and the criteria a WHERE condition built
// as text (often from the current row's values: "ID = " & [ID]). DLookup
// gives the expression of the first row found. A Null expression or domain
// is "Invalid use of Null"; a Null or empty criteria reads every row.
#include <string>

#include "jet/sql/functions/functions_registry.h"
#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_errors.h"

namespace jet {

namespace {

std::string trimmed(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string domainName(const std::string& domain) {
    const std::string name = trimmed(domain);
    if (!name.empty() && name.front() == '[') return name;
    return "[" + name + "]";
}

Value runDomain(const char* aggregate, const std::vector<Value>& a, const FunctionContext& c) {
    if (a[0].isNull() || a[1].isNull()) throwInvalidUseOfNull();
    if (!c.firstValueOf) throwInvalidCall();
    const std::string expression = toText(a[0], *c.locale);
    std::string sql = "SELECT ";
    sql += aggregate ? std::string(aggregate) + "(" + expression + ")" : expression;
    sql += " FROM " + domainName(toText(a[1], *c.locale));
    const Value& criteria = arg(a, 2);
    if (!criteria.isNull()) {
        const std::string where = trimmed(toText(criteria, *c.locale));
        if (!where.empty()) sql += " WHERE " + where;
    }
    return c.firstValueOf(sql);
}

template <const char* Aggregate>
Value domainFn(const std::vector<Value>& a, const FunctionContext& c) {
    return runDomain(Aggregate, a, c);
}

Value dLookupFn(const std::vector<Value>& a, const FunctionContext& c) {
    return runDomain(nullptr, a, c);
}

constexpr char kCount[] = "Count";
constexpr char kSum[] = "Sum";
constexpr char kAvg[] = "Avg";
constexpr char kMin[] = "Min";
constexpr char kMax[] = "Max";
constexpr char kFirst[] = "First";
constexpr char kLast[] = "Last";

}  // namespace

void addDomainFunctions(std::vector<FunctionInfo>& out) {
    out.push_back({"DCount", 2, 3, domainFn<kCount>, FunctionKind::Volatile});
    out.push_back({"DSum", 2, 3, domainFn<kSum>, FunctionKind::Volatile});
    out.push_back({"DAvg", 2, 3, domainFn<kAvg>, FunctionKind::Volatile});
    out.push_back({"DMin", 2, 3, domainFn<kMin>, FunctionKind::Volatile});
    out.push_back({"DMax", 2, 3, domainFn<kMax>, FunctionKind::Volatile});
    out.push_back({"DFirst", 2, 3, domainFn<kFirst>, FunctionKind::Volatile});
    out.push_back({"DLast", 2, 3, domainFn<kLast>, FunctionKind::Volatile});
    out.push_back({"DLookup", 2, 3, dLookupFn, FunctionKind::Volatile});
}

}  // namespace jet
