// The content of the "DB Structure" tree without a window: tables with their
// fields, indexes and references, views with their columns, the filter that
// narrows it, the lazy loading of view columns and the indented text export.
//
// What callers rely on:
// - Every node keeps what it designates (table, field, index, relation,
//   view) in its own members; nothing is ever read back from display text,
//   so names holding "(" or ")" are safe.
// - The tree is rebuilt as a whole by BuildStructureTree; the nodes of the
//   previous build are gone afterwards (pointers to them dangle).
// - The view column cache answers by view name (without regard to case)
//   until clearViewColumnCache; a failed column query leaves no entry.
// - Read failures of fields and indexes propagate as db::Error and leave
//   the tree partly built; a failing view column query shows the error node.
#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>

#include "db/db_types.h"
#include "db/xdbtool_MDB.h"

enum class StructKind : int {
    Folder = 0,  // the roots, and the error child of a view
    Table = 10,
    FieldFolder = 11,
    Field = 12,
    IndexFolder = 13,
    Index = 14,
    ReferenceFolder = 15,
    Reference = 16,
    View = 20,           // columns loaded
    ViewNotLoaded = 21,  // has the "Loading..." placeholder
    ViewColumn = 22,
    Placeholder = -1,  // "Loading..." under a view not loaded yet
};

// Positions in the tree's image list.
enum class StructImage : int {
    Folder = 0,
    Table = 1,
    View = 2,
    Sheet = 3,          // plain field, view column or index
    KeySheet = 4,       // primary-key field, unique index
    RequiredSheet = 5,  // required field
    Key = 6,            // index that requires values
    Warning = 7,
    LinkFrom = 8,  // reference from this table, integrity not enforced
    LinkFromEnforced = 9,
    LinkTo = 10,  // reference to this table from another, not enforced
    LinkToEnforced = 11,
};
inline constexpr int kStructImageCount = 12;

struct StructNode {
    StructKind kind = StructKind::Folder;
    QString text;
    StructImage image = StructImage::Folder;
    // What the node designates; empty where it does not apply.
    QString table;      // table node and everything under it
    QString field;      // field node, view column node
    QString index;      // index node
    QString reference;  // reference node
    QString view;       // view node, its columns, placeholder and error node

    StructNode* parent = nullptr;
    std::vector<std::unique_ptr<StructNode>> children;

    StructNode* addChild(StructKind childKind, const QString& childText, StructImage childImage);
    void removeChild(const StructNode* child);
    int depth() const;  // 0 for the roots
};

struct ViewColumnInfo {
    QString name;
    db::DataType type = db::DataType::Text;
    int size = 0;  // characters of a Text column
};

// Where the tree's content comes from: the table, view and relation lists as
// the main window keeps them loaded, and per table the catalogue's fields and
// indexes, per view its result columns.
class StructureSource {
public:
    virtual ~StructureSource() = default;
    virtual QStringList tableNames() const = 0;
    virtual QStringList viewNames() const = 0;
    // The stored SQL text of a view; empty for an unknown name.
    virtual QString viewSql(const QString& view) const = 0;
    virtual const TRelationRecArray& relations() const = 0;
    virtual void readFields(const QString& table, TFieldRecArray& fields) = 0;
    // Without the indexes that belong to relations.
    virtual void readIndexes(const QString& table, TIndexRecArray& indexes) = 0;
    // The result columns of the view; throws db::Error when the view's
    // statement cannot run.
    virtual std::vector<ViewColumnInfo> viewColumns(const QString& view) = 0;
};

// "Text 50", "Long", ... for a catalogue field.
QString fieldTypeText(const TFieldRec& field);
// The type text of a view column: 16-bit "Integer", 32-bit "Long" (an
// auto-increment column is a 32-bit one), 64-bit "BigInt", "Text <size>", ...
QString viewColumnTypeText(db::DataType type, int size);

// What the selected node designates, for "Edit selected" and the data pane.
struct NodeDetail {
    const StructNode* SelNode = nullptr;
    QString Tbl;
    QString Fld;
    QString Indx;
    QString Ref;
    QString View;
    int TblIdx = -1;
    int ViewIdx = -1;
};

class StructureTreeModel {
public:
    StructureTreeModel();

    // nullptr: no database; the source must outlive its use here.
    void setSource(StructureSource* source) { source_ = source; }
    StructureSource* source() const { return source_; }

    const QString& filterText() const { return filter_; }
    void setFilterText(const QString& text) { filter_ = text; }
    // True for an empty filter, or when the filter occurs in `text` without
    // regard to letter case.
    bool MatchesFilter(const QString& text) const;

    // Rebuilds the whole tree from the source (only the two empty roots when
    // there is no source). With a filter, views are loaded at once and those
    // left without children removed.
    void BuildStructureTree();
    // The tree without any node (no roots), as while no database is open.
    void clear();

    // The roots "Tables" and "Views"; empty after clear().
    const std::vector<std::unique_ptr<StructNode>>& roots() const { return roots_; }
    StructNode* tablesRoot() const;
    StructNode* viewsRoot() const;

    // Fills a view node (kind ViewNotLoaded) with its columns; see the
    // header comment for the cache. `showAll` adds every column, otherwise
    // only those matching the filter.
    void LoadViewNode(StructNode& node, bool showAll);
    // What expanding a node loads: the columns of a view not loaded yet.
    // True when the node's children changed.
    bool expandNode(StructNode& node);
    // Loads every view not loaded yet, unfiltered (what "Expand all" does).
    void loadAllViews();

    void clearViewColumnCache() { columnCache_.clear(); }
    // The cached columns of a view, or nullptr.
    const std::vector<ViewColumnInfo>* cachedViewColumns(const QString& view) const;

    NodeDetail nodeDetail(const StructNode* node) const;

    // One line per node in tree order, indented by two spaces per level,
    // each line ended by "\n".
    QString exportText() const;

    // Number of nodes in the whole tree.
    int nodeCount() const;

private:
    void addTable(StructNode& tablesFolder, const QString& table);
    static QString cacheKey(const QString& view) { return view.toCaseFolded(); }

    StructureSource* source_ = nullptr;
    QString filter_;
    std::vector<std::unique_ptr<StructNode>> roots_;
    std::map<QString, std::vector<ViewColumnInfo>> columnCache_;
};
