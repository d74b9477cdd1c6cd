#pragma once

#include <QAbstractItemModel>

#include "engine/run/plan_tree.h"

namespace trackfold {

// A preview's plan for a tree view: Name, Files (in a folder, all below it) and Action. The
// view asks only for the rows it shows, so 100,000 files cost no more than the rows in sight.
class PlanTreeModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    enum Column { Name, Files, Action, ColumnCount };

    // The tree must be finished and outlive the model.
    explicit PlanTreeModel(const PlanTree& tree, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    const PlanNode& node(const QModelIndex& index) const;

    const PlanTree& tree_;
};

}  // namespace trackfold
