#include "app/plan_tree_model.h"

#include <QBrush>
#include <QLocale>

#include "app/run_texts.h"

namespace trackfold {

namespace {

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// Only what differs from a plain copy stands out.
QVariant action_colour(const PlanNode& node) {
    if (node.folder) {
        return {};
    }
    switch (node.mark) {
        case PlanMark::Failed:
            return QBrush(Qt::darkRed);
        case PlanMark::Numbered:
        case PlanMark::Replaced:
            return QBrush(Qt::darkBlue);
        case PlanMark::AlreadyThere:
        case PlanMark::LeftOut:
            return QBrush(Qt::darkGray);
        default:
            return {};
    }
}

}  // namespace

PlanTreeModel::PlanTreeModel(const PlanTree& tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree) {}

const PlanNode& PlanTreeModel::node(const QModelIndex& index) const {
    return index.isValid() ? *static_cast<const PlanNode*>(index.internalPointer()) : tree_.root();
}

QModelIndex PlanTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const PlanNode& above = node(parent);
    if (row < 0 || column < 0 || column >= ColumnCount ||
        static_cast<std::size_t>(row) >= above.children.size()) {
        return {};
    }
    return createIndex(row, column, above.children[static_cast<std::size_t>(row)].get());
}

QModelIndex PlanTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) {
        return {};
    }
    const PlanNode* above = node(child).parent;
    if (above == nullptr || above == &tree_.root()) {
        return {};
    }
    return createIndex(static_cast<int>(above->row), 0, const_cast<PlanNode*>(above));
}

int PlanTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) {
        return 0;
    }
    return static_cast<int>(node(parent).children.size());
}

int PlanTreeModel::columnCount(const QModelIndex&) const {
    return ColumnCount;
}

QVariant PlanTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const PlanNode& item = node(index);
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case Name:
                return tree_.is_not_placed(item) ? RunTexts::not_placed()
                       : tree_.is_left_out(item) ? RunTexts::left_out()
                                                 : text(item.name);
            case Files:
                return item.folder ? QLocale().toString(static_cast<qulonglong>(item.files))
                                   : QString();
            default:
                return RunTexts::action(item.word);
        }
    }
    if (role == Qt::ToolTipRole && !item.folder) {
        return item.reason.empty() ? text(item.source) : text(item.source + "\n" + item.reason);
    }
    if (role == Qt::ForegroundRole) {
        return action_colour(item);
    }
    if (role == Qt::TextAlignmentRole && index.column() == Files) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant PlanTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const names[] = {QT_TR_NOOP("Name"), QT_TR_NOOP("Files"),
                                        QT_TR_NOOP("Action")};
    return section >= 0 && section < ColumnCount ? tr(names[section]) : QVariant();
}

}  // namespace trackfold
