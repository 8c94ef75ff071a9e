#include "app/structure_tree_model.h"

#include <algorithm>
#include <functional>
#include <set>

#include "db/db_types.h"

namespace {

const QString kLoading = QStringLiteral("Loading...");
const QString kViewError = QStringLiteral("Error in view def.");

// Relations that do not enforce integrity carry this attribute bit.
constexpr int kRelationDontEnforce = 2;

// The whole field names of the primary indexes, case-folded; a descending
// field is listed with a leading "-" in the index's field text.
std::set<QString> primaryKeyFields(const TIndexRecArray& indexes) {
    std::set<QString> names;
    for (const TIndexRec& index : indexes) {
        if (!index.Primary) continue;
        for (QString name : index.FieldNames.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (name.startsWith(QLatin1Char('-')) || name.startsWith(QLatin1Char('+')))
                name.remove(0, 1);
            names.insert(name.toCaseFolded());
        }
    }
    return names;
}

StructImage indexImage(const TIndexRec& index) {
    if (index.Required) return StructImage::Key;
    if (index.Unique) return StructImage::KeySheet;
    return StructImage::Sheet;
}

QString indexText(const TIndexRec& index) {
    if (index.FieldNames == index.IndexName) return index.FieldNames;
    return QStringLiteral("%1 (%2)").arg(index.FieldNames, index.IndexName);
}

void removeIfChildless(StructNode& parent, StructNode* node) {
    if (node->children.empty()) parent.removeChild(node);
}

}  // namespace

// ---- StructNode ---------------------------------------------------------------

StructNode* StructNode::addChild(StructKind childKind, const QString& childText,
                                 StructImage childImage) {
    auto child = std::make_unique<StructNode>();
    child->kind = childKind;
    child->text = childText;
    child->image = childImage;
    child->table = table;
    child->view = view;
    child->parent = this;
    children.push_back(std::move(child));
    return children.back().get();
}

void StructNode::removeChild(const StructNode* child) {
    const auto it = std::find_if(children.begin(), children.end(),
                                 [child](const auto& c) { return c.get() == child; });
    if (it != children.end()) children.erase(it);
}

int StructNode::depth() const {
    int level = 0;
    for (const StructNode* p = parent; p; p = p->parent) ++level;
    return level;
}

// ---- Type texts -----------------------------------------------------------------

QString fieldTypeText(const TFieldRec& field) {
    QString name = FieldTypeName(field.FieldType);
    if (name.isEmpty()) name = QStringLiteral("Type %1").arg(field.FieldType);
    if (field.FieldType == 10) return QStringLiteral("%1 %2").arg(name).arg(field.FieldSize);
    return name;
}

QString viewColumnTypeText(db::DataType type, int size) {
    using db::DataType;
    switch (type) {
        case DataType::Text:
            return QStringLiteral("Text %1").arg(size);
        case DataType::Memo:
            return QStringLiteral("Memo");
        case DataType::Byte:
            return QStringLiteral("Byte");
        case DataType::Integer:
            return QStringLiteral("Integer");
        case DataType::Long:
            return QStringLiteral("Long");
        case DataType::BigInt:
            return QStringLiteral("BigInt");
        case DataType::Currency:
            return QStringLiteral("Currency");
        case DataType::Single:
            return QStringLiteral("Single");
        case DataType::Double:
            return QStringLiteral("Double");
        case DataType::Boolean:
            return QStringLiteral("Boolean");
        case DataType::DateTime:
            return QStringLiteral("Date");
        case DataType::ExtDateTime:
            return QStringLiteral("DateTime2");
        case DataType::Binary:
            return QStringLiteral("Binary");
        case DataType::LongBinary:
            return QStringLiteral("LongBinary");
        case DataType::Guid:
            return QStringLiteral("GUID");
        case DataType::Numeric:
            return QStringLiteral("Decimal");
        case DataType::Complex:
            return QStringLiteral("Complex");
    }
    return db::dataTypeName(type);
}

// ---- StructureTreeModel -------------------------------------------------------------

StructureTreeModel::StructureTreeModel() = default;

bool StructureTreeModel::MatchesFilter(const QString& text) const {
    return filter_.isEmpty() || text.contains(filter_, Qt::CaseInsensitive);
}

void StructureTreeModel::clear() {
    roots_.clear();
}

StructNode* StructureTreeModel::tablesRoot() const {
    return roots_.empty() ? nullptr : roots_[0].get();
}

StructNode* StructureTreeModel::viewsRoot() const {
    return roots_.size() < 2 ? nullptr : roots_[1].get();
}

void StructureTreeModel::BuildStructureTree() {
    roots_.clear();
    const auto addRoot = [this](const QString& text) {
        auto root = std::make_unique<StructNode>();
        root->text = text;
        roots_.push_back(std::move(root));
        return roots_.back().get();
    };
    StructNode* tables = addRoot(QStringLiteral("Tables"));
    if (source_)
        for (const QString& table : source_->tableNames()) addTable(*tables, table);

    StructNode* views = addRoot(QStringLiteral("Views"));
    if (!source_) return;
    for (const QString& view : source_->viewNames()) {
        StructNode* node = views->addChild(StructKind::ViewNotLoaded, view, StructImage::View);
        node->view = view;
        StructNode* placeholder =
            node->addChild(StructKind::Placeholder, kLoading, StructImage::Sheet);
        (void)placeholder;
        if (!filter_.isEmpty()) {
            LoadViewNode(*node, MatchesFilter(view));
            removeIfChildless(*views, node);
        }
    }
}

void StructureTreeModel::addTable(StructNode& tablesFolder, const QString& table) {
    StructNode* tableNode = tablesFolder.addChild(StructKind::Table, table, StructImage::Table);
    tableNode->table = table;

    TFieldRecArray fields;
    TIndexRecArray indexes;
    source_->readFields(table, fields);
    source_->readIndexes(table, indexes);
    const bool tableMatches = MatchesFilter(table);
    const auto listed = [&](const QString& text) { return tableMatches || MatchesFilter(text); };

    StructNode* fieldFolder =
        tableNode->addChild(StructKind::FieldFolder,
                            QStringLiteral("Fields (%1)").arg(fields.size()), StructImage::Folder);
    StructNode* indexFolder = tableNode->addChild(
        StructKind::IndexFolder, QStringLiteral("Indexes (%1)").arg(indexes.size()),
        StructImage::Folder);
    StructNode* refFolder =
        tableNode->addChild(StructKind::ReferenceFolder, QString(), StructImage::Folder);

    for (const TIndexRec& index : indexes) {
        const QString text = indexText(index);
        if (!listed(text)) continue;
        indexFolder->addChild(StructKind::Index, text, indexImage(index))->index = index.IndexName;
    }

    const std::set<QString> keyFields = primaryKeyFields(indexes);
    for (const TFieldRec& field : fields) {
        const QString text = QStringLiteral("%1 (%2)").arg(field.FieldName, fieldTypeText(field));
        if (!listed(text)) continue;
        StructImage image = StructImage::Sheet;
        if (keyFields.count(field.FieldName.toCaseFolded()))
            image = StructImage::KeySheet;
        else if (field.Required)
            image = StructImage::RequiredSheet;
        fieldFolder->addChild(StructKind::Field, text, image)->field = field.FieldName;
    }

    const auto addReference = [&](const TRelationRec& rel, const QString& text, bool outgoing) {
        if (!listed(text)) return;
        const bool enforced = (rel.Attributes & kRelationDontEnforce) == 0;
        const StructImage image =
            outgoing ? (enforced ? StructImage::LinkFromEnforced : StructImage::LinkFrom)
                     : (enforced ? StructImage::LinkToEnforced : StructImage::LinkTo);
        refFolder->addChild(StructKind::Reference, text, image)->reference = rel.Name;
    };
    const TRelationRecArray& relations = source_->relations();
    for (const TRelationRec& rel : relations)
        if (rel.Table.compare(table, Qt::CaseInsensitive) == 0)
            addReference(
                rel,
                QStringLiteral("%1 (%2 => %3.%4)")
                    .arg(rel.Name, rel.FieldNames, rel.ForeignTable, rel.ForeignFieldNames),
                true);
    for (const TRelationRec& rel : relations)
        if (rel.ForeignTable.compare(table, Qt::CaseInsensitive) == 0)
            addReference(rel,
                         QStringLiteral("%1 (%2.%3 => %4)")
                             .arg(rel.Name, rel.Table, rel.FieldNames, rel.ForeignFieldNames),
                         false);
    refFolder->text = QStringLiteral("References (%1)").arg(refFolder->children.size());

    removeIfChildless(*tableNode, fieldFolder);
    removeIfChildless(*tableNode, indexFolder);
    removeIfChildless(*tableNode, refFolder);
    removeIfChildless(tablesFolder, tableNode);
}

void StructureTreeModel::LoadViewNode(StructNode& node, bool showAll) {
    if (node.kind != StructKind::ViewNotLoaded) return;
    node.kind = StructKind::View;
    // Columns go before the placeholder, which is removed (or becomes the
    // error node) at the end.
    StructNode* placeholder = node.children.empty() ? nullptr : node.children.front().get();
    const auto addColumns = [&](const std::vector<ViewColumnInfo>& columns) {
        for (const ViewColumnInfo& column : columns) {
            const QString text = QStringLiteral("%1 (%2)").arg(
                column.name, viewColumnTypeText(column.type, column.size));
            if (!showAll && !MatchesFilter(text)) continue;
            node.addChild(StructKind::ViewColumn, text, StructImage::Sheet)->field = column.name;
        }
        if (placeholder) node.removeChild(placeholder);
    };

    const auto cached = columnCache_.find(cacheKey(node.view));
    if (cached != columnCache_.end()) {
        addColumns(cached->second);
        return;
    }
    std::vector<ViewColumnInfo> columns;
    try {
        if (!source_) throw db::Error(db::ErrorCode::InvalidArgument, "No database is open.");
        columns = source_->viewColumns(node.view);
    } catch (const std::exception&) {
        if (!placeholder)
            placeholder = node.addChild(StructKind::Placeholder, kLoading, StructImage::Sheet);
        if (!showAll && !filter_.isEmpty()) {
            node.removeChild(placeholder);
        } else {
            placeholder->kind = StructKind::Folder;
            placeholder->text = kViewError;
            placeholder->image = StructImage::Warning;
        }
        return;
    }
    addColumns(columns);
    if (!columns.empty()) columnCache_[cacheKey(node.view)] = std::move(columns);
}

bool StructureTreeModel::expandNode(StructNode& node) {
    if (node.kind != StructKind::ViewNotLoaded) return false;
    LoadViewNode(node, true);
    return true;
}

void StructureTreeModel::loadAllViews() {
    if (StructNode* views = viewsRoot())
        for (const auto& view : views->children) expandNode(*view);
}

const std::vector<ViewColumnInfo>* StructureTreeModel::cachedViewColumns(
    const QString& view) const {
    const auto it = columnCache_.find(cacheKey(view));
    return it == columnCache_.end() ? nullptr : &it->second;
}

NodeDetail StructureTreeModel::nodeDetail(const StructNode* node) const {
    NodeDetail detail;
    detail.SelNode = node;
    if (!node) return detail;
    const auto position = [](const QStringList& names, const QString& name) {
        return int(names.indexOf(name));
    };
    switch (node->kind) {
        case StructKind::Table:
        case StructKind::FieldFolder:
        case StructKind::Field:
        case StructKind::IndexFolder:
        case StructKind::Index:
            detail.Tbl = node->table;
            detail.TblIdx = source_ ? position(source_->tableNames(), node->table) : -1;
            if (node->kind == StructKind::Field) detail.Fld = node->field;
            if (node->kind == StructKind::Index) detail.Indx = node->index;
            break;
        case StructKind::Reference:
            detail.Ref = node->reference;
            break;
        case StructKind::View:
        case StructKind::ViewNotLoaded:
        case StructKind::ViewColumn:
            detail.View = node->view;
            detail.ViewIdx = source_ ? position(source_->viewNames(), node->view) : -1;
            break;
        default:
            break;
    }
    return detail;
}

QString StructureTreeModel::exportText() const {
    QString text;
    std::function<void(const StructNode&, int)> write = [&](const StructNode& node, int level) {
        text += QString(level * 2, QLatin1Char(' ')) + node.text + QLatin1Char('\n');
        for (const auto& child : node.children) write(*child, level + 1);
    };
    for (const auto& root : roots_) write(*root, 0);
    return text;
}

int StructureTreeModel::nodeCount() const {
    std::function<int(const StructNode&)> count = [&](const StructNode& node) {
        int n = 1;
        for (const auto& child : node.children) n += count(*child);
        return n;
    };
    int total = 0;
    for (const auto& root : roots_) total += count(*root);
    return total;
}
