// The type and size of a result column, worked out from its expression
// before any row is read (a query that returns no rows still has typed
// columns). Where the type depends on the values (a function whose result
// type varies), `known` is cleared and the executor takes the type of the
// first value it produces.
#include <algorithm>
#include <array>
#include <string_view>

#include "jet/sql/binder/binder_internal.h"
#include "jet/util/names.h"

namespace jet::sql::detail {
namespace {

// The size a result column of the type reports.
int fixedSize(DataType type) {
    switch (type) {
        case DataType::Numeric:
            return 16;
        case DataType::Text:
            return 255;
        default:
            return fixedValueSize(type);
    }
}

ResultColumn ofType(DataType type) {
    ResultColumn c;
    c.type = type;
    c.size = fixedSize(type);
    return c;
}

// Order of numeric types in arithmetic: the result takes the wider one.
int numericRank(DataType t) {
    switch (t) {
        case DataType::Boolean:
        case DataType::Byte:
            return 1;
        case DataType::Integer:
            return 2;
        case DataType::Long:
            return 3;
        case DataType::BigInt:
            return 4;
        case DataType::Single:
            return 5;
        case DataType::Double:
            return 6;
        case DataType::Currency:
            return 7;
        case DataType::Numeric:
            return 8;
        default:
            return 0;
    }
}

DataType valueType(const Value& v) {
    if (v.is<bool>()) return DataType::Boolean;
    if (v.is<int64_t>()) {
        const int64_t i = v.as<int64_t>();
        return i >= -32768 && i <= 32767 ? DataType::Integer : DataType::Long;
    }
    if (v.is<float>()) return DataType::Single;
    if (v.is<double>()) return DataType::Double;
    if (v.is<CurrencyValue>()) return DataType::Currency;
    if (v.is<Decimal>()) return DataType::Numeric;
    if (v.is<DateTimeValue>()) return DataType::DateTime;
    if (v.is<Blob>()) return DataType::Binary;
    if (v.is<Guid>()) return DataType::Guid;
    return DataType::Text;
}

struct NamedType {
    std::string_view name;
    DataType type;
};

// Functions whose result type does not depend on their arguments.
constexpr std::array kFunctionTypes = {
    NamedType{"Len", DataType::Long},
    NamedType{"InStr", DataType::Long},
    NamedType{"InStrRev", DataType::Long},
    NamedType{"StrComp", DataType::Integer},
    NamedType{"Year", DataType::Integer},
    NamedType{"Month", DataType::Integer},
    NamedType{"Day", DataType::Integer},
    NamedType{"Hour", DataType::Integer},
    NamedType{"Minute", DataType::Integer},
    NamedType{"Second", DataType::Integer},
    NamedType{"Weekday", DataType::Integer},
    NamedType{"DatePart", DataType::Integer},
    NamedType{"DateDiff", DataType::Long},
    NamedType{"CInt", DataType::Integer},
    NamedType{"CLng", DataType::Long},
    NamedType{"CSng", DataType::Single},
    NamedType{"CDbl", DataType::Double},
    NamedType{"CCur", DataType::Currency},
    NamedType{"CDec", DataType::Numeric},
    NamedType{"CDate", DataType::DateTime},
    NamedType{"CBool", DataType::Boolean},
    NamedType{"CByte", DataType::Byte},
    NamedType{"CStr", DataType::Text},
    NamedType{"Val", DataType::Double},
    NamedType{"Date", DataType::DateTime},
    NamedType{"Time", DataType::DateTime},
    NamedType{"Now", DataType::DateTime},
    NamedType{"DateAdd", DataType::DateTime},
    NamedType{"DateSerial", DataType::DateTime},
    NamedType{"TimeSerial", DataType::DateTime},
    NamedType{"DateValue", DataType::DateTime},
    NamedType{"TimeValue", DataType::DateTime},
    NamedType{"IsNull", DataType::Boolean},
    NamedType{"IsNumeric", DataType::Boolean},
    NamedType{"IsDate", DataType::Boolean},
    NamedType{"Sqr", DataType::Double},
    NamedType{"Exp", DataType::Double},
    NamedType{"Log", DataType::Double},
    NamedType{"Left", DataType::Text},
    NamedType{"Right", DataType::Text},
    NamedType{"Mid", DataType::Text},
    NamedType{"Trim", DataType::Text},
    NamedType{"LTrim", DataType::Text},
    NamedType{"RTrim", DataType::Text},
    NamedType{"UCase", DataType::Text},
    NamedType{"LCase", DataType::Text},
    NamedType{"Replace", DataType::Text},
    NamedType{"Space", DataType::Text},
    NamedType{"String", DataType::Text},
    NamedType{"Format", DataType::Text},
    NamedType{"Str", DataType::Text},
    NamedType{"MonthName", DataType::Text},
    NamedType{"WeekdayName", DataType::Text},
    NamedType{"StrReverse", DataType::Text},
    NamedType{"Chr", DataType::Text},
    NamedType{"ChrW", DataType::Text},
    NamedType{"Asc", DataType::Integer},
    NamedType{"AscW", DataType::Integer},
    NamedType{"Hex", DataType::Text},
    NamedType{"Oct", DataType::Text},
    NamedType{"FormatNumber", DataType::Text},
    NamedType{"FormatPercent", DataType::Text},
    NamedType{"FormatCurrency", DataType::Text},
    NamedType{"FormatDateTime", DataType::Text},
};

}  // namespace

ResultColumn Binder::describe(const BoundExpr& expr, const BoundSelect& select, bool* known) const {
    switch (expr.kind) {
        case BoundKind::Column:
            if (expr.depth == 0) {
                for (const BoundSource& source : select.sources) {
                    if (expr.column >= source.columnOffset &&
                        expr.column < source.columnOffset + source.columns.size()) {
                        return source.columns[expr.column - source.columnOffset].info;
                    }
                }
            }
            *known = false;
            return ofType(DataType::Text);
        case BoundKind::Literal:
            if (expr.value.isNull()) *known = false;
            return ofType(valueType(expr.value));
        case BoundKind::Unary:
            if (expr.unaryOp == UnaryOp::Not) return ofType(DataType::Boolean);
            return describe(*expr.operands[0], select, known);
        case BoundKind::Binary: {
            switch (expr.binaryOp) {
                case BinaryOp::Concat:
                    return ofType(DataType::Text);
                case BinaryOp::Divide:
                case BinaryOp::Power:
                    return ofType(DataType::Double);
                case BinaryOp::IntDivide:
                case BinaryOp::Modulo:
                    return ofType(DataType::Long);
                case BinaryOp::Add:
                case BinaryOp::Subtract:
                case BinaryOp::Multiply: {
                    const DataType a = describe(*expr.operands[0], select, known).type;
                    const DataType b = describe(*expr.operands[1], select, known).type;
                    if (a == DataType::DateTime || b == DataType::DateTime) {
                        if (expr.binaryOp == BinaryOp::Subtract && a == b)
                            return ofType(DataType::Double);
                        return ofType(DataType::DateTime);
                    }
                    if (expr.binaryOp == BinaryOp::Add && a == DataType::Text &&
                        b == DataType::Text) {
                        return ofType(DataType::Text);
                    }
                    if (numericRank(a) == 0 || numericRank(b) == 0) return ofType(DataType::Double);
                    DataType wider = numericRank(a) >= numericRank(b) ? a : b;
                    if (numericRank(wider) < numericRank(DataType::Long)) wider = DataType::Long;
                    return ofType(wider);
                }
                default:
                    return ofType(DataType::Boolean);
            }
        }
        case BoundKind::Between:
        case BoundKind::InList:
        case BoundKind::InSubquery:
        case BoundKind::IsNull:
        case BoundKind::Like:
        case BoundKind::Exists:
        case BoundKind::Quantified:
            return ofType(DataType::Boolean);
        case BoundKind::Subquery:
            if (!expr.subquery->columns.empty()) {
                ResultColumn c = expr.subquery->columns[0];
                c.updatable = false;
                c.baseTable.clear();
                c.baseColumn.clear();
                c.rowIdSlot = -1;
                return c;
            }
            return ofType(DataType::Text);
        case BoundKind::Conditional: {
            ResultColumn c = describe(*expr.operands[1], select, known);
            c.updatable = false;
            c.baseTable.clear();
            c.baseColumn.clear();
            c.rowIdSlot = -1;
            return c;
        }
        case BoundKind::Aggregate: {
            const BoundAggregate& a = select.aggregates[expr.column];
            switch (a.kind) {
                case AggregateKind::Count:
                case AggregateKind::CountRows:
                    return ofType(DataType::Long);
                case AggregateKind::Avg:
                case AggregateKind::StDev:
                case AggregateKind::StDevP:
                case AggregateKind::Var:
                case AggregateKind::VarP: {
                    const DataType t = describe(*a.argument, select, known).type;
                    if (a.kind == AggregateKind::Avg &&
                        (t == DataType::Currency || t == DataType::Numeric)) {
                        return ofType(t);
                    }
                    return ofType(DataType::Double);
                }
                default: {
                    ResultColumn c = describe(*a.argument, select, known);
                    c.updatable = false;
                    c.baseTable.clear();
                    c.baseColumn.clear();
                    c.rowIdSlot = -1;
                    c.name.clear();
                    return c;
                }
            }
        }
        case BoundKind::Function:
            for (const auto& f : kFunctionTypes) {
                if (sameName(f.name, expr.function->name)) return ofType(f.type);
            }
            *known = false;
            return ofType(DataType::Text);
    }
    *known = false;
    return ofType(DataType::Text);
}

}  // namespace jet::sql::detail
