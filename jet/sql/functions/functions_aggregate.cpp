#include "jet/sql/functions/functions_aggregate.h"

#include <cmath>

#include "jet/sql/functions/value_ops_convert.h"
#include "jet/sql/functions/value_ops_decimal.h"
#include "jet/sql/functions/value_ops_errors.h"
#include "jet/sql/functions/value_ops_text.h"

namespace jet {

namespace {

const Value& numericOnly(const Value& v) {
    if (v.is<std::string>() || v.is<Blob>() || v.is<Guid>()) throwTypeMismatch();
    return v;
}

class CountAccumulator : public Accumulator {
public:
    explicit CountAccumulator(bool rows) : rows_(rows) {}
    void add(const Value& v) override {
        if (rows_ || !v.isNull()) ++count_;
    }
    Value result() const override { return Value::integer(count_); }

private:
    bool rows_;
    int64_t count_ = 0;
};

class SumAccumulator : public Accumulator {
public:
    explicit SumAccumulator(bool average) : average_(average) {}
    void add(const Value& v) override {
        if (v.isNull()) return;
        const Value& x = numericOnly(v);
        sum_ = count_ == 0 ? (x.is<bool>() ? Value::integer(x.as<bool>() ? -1 : 0) : x)
                           : jet::add(sum_, x);
        ++count_;
    }
    Value result() const override {
        if (count_ == 0) return Value::null();
        if (!average_) return sum_;
        const SqlLocale& locale = englishUnitedStates();
        if (sum_.is<CurrencyValue>())
            return divideCurrency(sum_.as<CurrencyValue>().tenThousandths);
        if (sum_.is<Decimal>())
            return Value::decimal(decimalDivide(sum_.as<Decimal>(), decimalFromInt64(count_)));
        return Value::real(toDouble(sum_, locale) / static_cast<double>(count_));
    }

private:
    Value divideCurrency(int64_t total) const {
        Decimal d = decimalDivide(decimalFromCurrency(total), decimalFromInt64(count_));
        return Value::currency(toCurrencyUnits(Value::decimal(d), englishUnitedStates()));
    }
    bool average_;
    Value sum_;
    int64_t count_ = 0;
};

class ExtremeAccumulator : public Accumulator {
public:
    ExtremeAccumulator(bool maximum, TextCollation collation)
        : maximum_(maximum), order_(std::move(collation)) {}
    void add(const Value& v) override {
        if (v.isNull()) return;
        if (best_.isNull()) {
            best_ = v;
            return;
        }
        int c = order_.compare(v, best_);
        if (maximum_ ? c > 0 : c < 0) best_ = v;
    }
    Value result() const override { return best_; }

private:
    bool maximum_;
    ValueOrder order_;
    Value best_;
};

class EndAccumulator : public Accumulator {
public:
    explicit EndAccumulator(bool last) : last_(last) {}
    void add(const Value& v) override {
        if (last_ || !seen_) value_ = v;
        seen_ = true;
    }
    Value result() const override { return value_; }

private:
    bool last_;
    bool seen_ = false;
    Value value_;
};

// Welford's running mean and sum of squared deviations.
class SpreadAccumulator : public Accumulator {
public:
    SpreadAccumulator(bool population, bool deviation)
        : population_(population), deviation_(deviation) {}
    void add(const Value& v) override {
        if (v.isNull()) return;
        double x = toDouble(numericOnly(v), englishUnitedStates());
        ++n_;
        double delta = x - mean_;
        mean_ += delta / static_cast<double>(n_);
        m2_ += delta * (x - mean_);
    }
    Value result() const override {
        int64_t needed = population_ ? 1 : 2;
        if (n_ < needed) return Value::null();
        double variance = m2_ / static_cast<double>(population_ ? n_ : n_ - 1);
        if (variance < 0) variance = 0;
        return Value::real(deviation_ ? std::sqrt(variance) : variance);
    }

private:
    bool population_, deviation_;
    int64_t n_ = 0;
    double mean_ = 0, m2_ = 0;
};

}  // namespace

std::optional<AggregateKind> aggregateKindOf(std::string_view name) {
    std::string n = asciiUpper(name);
    if (n == "COUNT") return AggregateKind::Count;
    if (n == "SUM") return AggregateKind::Sum;
    if (n == "AVG") return AggregateKind::Avg;
    if (n == "MIN") return AggregateKind::Min;
    if (n == "MAX") return AggregateKind::Max;
    if (n == "FIRST") return AggregateKind::First;
    if (n == "LAST") return AggregateKind::Last;
    if (n == "STDEV") return AggregateKind::StDev;
    if (n == "STDEVP") return AggregateKind::StDevP;
    if (n == "VAR") return AggregateKind::Var;
    if (n == "VARP") return AggregateKind::VarP;
    return std::nullopt;
}

std::unique_ptr<Accumulator> makeAccumulator(AggregateKind kind, TextCollation collation) {
    switch (kind) {
        case AggregateKind::Count:
            return std::make_unique<CountAccumulator>(false);
        case AggregateKind::CountRows:
            return std::make_unique<CountAccumulator>(true);
        case AggregateKind::Sum:
            return std::make_unique<SumAccumulator>(false);
        case AggregateKind::Avg:
            return std::make_unique<SumAccumulator>(true);
        case AggregateKind::Min:
            return std::make_unique<ExtremeAccumulator>(false, collation);
        case AggregateKind::Max:
            return std::make_unique<ExtremeAccumulator>(true, collation);
        case AggregateKind::First:
            return std::make_unique<EndAccumulator>(false);
        case AggregateKind::Last:
            return std::make_unique<EndAccumulator>(true);
        case AggregateKind::StDev:
            return std::make_unique<SpreadAccumulator>(false, true);
        case AggregateKind::StDevP:
            return std::make_unique<SpreadAccumulator>(true, true);
        case AggregateKind::Var:
            return std::make_unique<SpreadAccumulator>(false, false);
        case AggregateKind::VarP:
            return std::make_unique<SpreadAccumulator>(true, false);
    }
    return nullptr;
}

}  // namespace jet
