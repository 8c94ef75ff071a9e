#include "jet/sql/stored_query_from.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "jet/sql/stored_query_format.h"

namespace jet::query_format {

namespace {

// Access allows 32 tables in a query; far more join rows than that means the
// rows are not a query, and the limit keeps the nesting (and the recursion
// that prints it) shallow.
constexpr std::size_t kMaxJoinRows = 1024;

bool isAsciiDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

bool isNameChar(unsigned char c) {
    return c >= 0x80 || isAsciiDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           c == '_';
}

bool isBracketed(std::string_view text) {
    return text.size() >= 2 && text.front() == '[' && text.back() == ']';
}

unsigned char asciiLower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Access compares object names without regard to case.
bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiLower(static_cast<unsigned char>(x)) ==
                      asciiLower(static_cast<unsigned char>(y));
           });
}

const char* joinKeyword(int type) {
    switch (type) {
        case kInnerJoin:
            return " INNER JOIN ";
        case kLeftJoin:
            return " LEFT JOIN ";
        case kRightJoin:
            return " RIGHT JOIN ";
        default:
            return nullptr;
    }
}

// The FROM sources while join rows are replayed: a forest whose roots are the
// comma-separated sources, leaves the tables and inner nodes the joins.
class JoinForest {
public:
    explicit JoinForest(int32_t objectId) : objectId_(objectId) {}

    void addTable(const QueryRow& row) {
        std::string text;
        if (row.name1 && row.expression) {
            // A table reached through a qualifier, e.g. [C:\other.mdb].Table1.
            text = (isBracketed(*row.expression) ? *row.expression : "[" + *row.expression + "]") +
                   "." + quoteQualifiedName(*row.name1);
        } else if (row.name1) {
            text = quoteQualifiedName(*row.name1);
        } else if (row.expression) {
            text = "(" + *row.expression + ")";  // a subquery used as a table
        } else {
            throwQueryCorrupt(objectId_, "a table row names no table");
        }
        if (row.name2) text += " AS " + quoteName(*row.name2);
        std::string key = row.name2 ? *row.name2 : row.name1.value_or(std::string());
        roots_.push_back(addLeaf(std::move(text), std::move(key)));
    }

    void addJoin(const QueryRow& row) {
        if (!row.name1 || !row.name2) throwQueryCorrupt(objectId_, "a join row lacks a table name");
        if (!row.expression) throwQueryCorrupt(objectId_, "a join row has no ON condition");
        if (!joinKeyword(row.flag)) {
            throwQueryCorrupt(objectId_, "unknown join type " + std::to_string(row.flag));
        }
        const std::ptrdiff_t left = findRoot(*row.name1);
        const std::ptrdiff_t right = findRoot(*row.name2);
        if (left >= 0 && left == right) {
            Node& join = nodes_[roots_[static_cast<std::size_t>(left)]];
            if (join.joinType != row.flag) {
                throwQueryCorrupt(objectId_, "the joins between " + *row.name1 + " and " +
                                                 *row.name2 + " disagree on the join type");
            }
            join.conditions.insert(join.conditions.begin(), *row.expression);
            return;
        }
        const std::size_t leftNode = left >= 0
                                         ? roots_[static_cast<std::size_t>(left)]
                                         : addLeaf(quoteQualifiedName(*row.name1), *row.name1);
        const std::size_t rightNode = right >= 0
                                          ? roots_[static_cast<std::size_t>(right)]
                                          : addLeaf(quoteQualifiedName(*row.name2), *row.name2);
        // Erase the later position first so the earlier one stays valid.
        for (std::ptrdiff_t position : {std::max(left, right), std::min(left, right)}) {
            if (position >= 0) roots_.erase(roots_.begin() + position);
        }
        Node join;
        join.joinType = row.flag;
        join.left = leftNode;
        join.right = rightNode;
        join.conditions.push_back(*row.expression);
        join.tables = nodes_[leftNode].tables;
        join.tables.insert(join.tables.end(), nodes_[rightNode].tables.begin(),
                           nodes_[rightNode].tables.end());
        nodes_.push_back(std::move(join));
        roots_.push_back(nodes_.size() - 1);
    }

    std::string text() const {
        std::string out;
        for (std::size_t i = 0; i < roots_.size(); ++i) {
            if (i > 0) out += ", ";
            append(roots_[i], false, out);
        }
        return out;
    }

private:
    struct Node {
        std::string text;                 // a leaf's SQL
        std::vector<std::string> tables;  // names a join row may use to reach this source
        int joinType = 0;                 // 0 for a leaf
        std::size_t left = 0, right = 0;
        std::vector<std::string> conditions;
    };

    std::size_t addLeaf(std::string text, std::string key) {
        Node leaf;
        leaf.text = std::move(text);
        leaf.tables.push_back(std::move(key));
        nodes_.push_back(std::move(leaf));
        return nodes_.size() - 1;
    }

    std::ptrdiff_t findRoot(std::string_view table) const {
        for (std::size_t i = 0; i < roots_.size(); ++i) {
            const auto& names = nodes_[roots_[i]].tables;
            if (std::any_of(names.begin(), names.end(),
                            [&](const std::string& name) { return sameName(name, table); })) {
                return static_cast<std::ptrdiff_t>(i);
            }
        }
        return -1;
    }

    void append(std::size_t index, bool nested, std::string& out) const {
        const Node& node = nodes_[index];
        if (node.joinType == 0) {
            out += node.text;
            return;
        }
        if (nested) out += '(';
        append(node.left, true, out);
        out += joinKeyword(node.joinType);
        append(node.right, true, out);
        out += " ON ";
        if (node.conditions.size() == 1) {
            out += node.conditions.front();
        } else {
            out += '(';
            for (std::size_t i = 0; i < node.conditions.size(); ++i) {
                if (i > 0) out += ") AND (";
                out += node.conditions[i];
            }
            out += ')';
        }
        if (nested) out += ')';
    }

    int32_t objectId_;
    std::vector<Node> nodes_;
    std::vector<std::size_t> roots_;
};

}  // namespace

std::string quoteName(std::string_view name) {
    if (isBracketed(name)) return std::string(name);
    const bool plain = !name.empty() && !isAsciiDigit(static_cast<unsigned char>(name.front())) &&
                       std::all_of(name.begin(), name.end(), [](char c) {
                           return isNameChar(static_cast<unsigned char>(c));
                       });
    return plain ? std::string(name) : "[" + std::string(name) + "]";
}

std::string quoteQualifiedName(std::string_view name) {
    std::string out;
    std::size_t partStart = 0;
    bool inBrackets = false;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || (name[i] == '.' && !inBrackets)) {
            if (partStart > 0) out += '.';
            out += quoteName(name.substr(partStart, i - partStart));
            partStart = i + 1;
        } else if (name[i] == '[') {
            inBrackets = true;
        } else if (name[i] == ']') {
            inBrackets = false;
        }
    }
    return out;
}

std::string fromSources(int32_t objectId, const std::vector<const QueryRow*>& tables,
                        const std::vector<const QueryRow*>& joins) {
    if (joins.size() > kMaxJoinRows) {
        throwQueryCorrupt(objectId,
                          std::to_string(joins.size()) + " join rows, more than any query holds");
    }
    JoinForest forest(objectId);
    for (const QueryRow* table : tables) forest.addTable(*table);
    for (const QueryRow* join : joins) forest.addJoin(*join);
    return forest.text();
}

}  // namespace jet::query_format
