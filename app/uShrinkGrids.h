// The models behind the shrink window's two grids: the condition grid (one
// row per condition of a list, each row holding a copy of its record) and
// the result grid (one row per accepted combination).
#pragma once

#include "app/uShrinkFilter.h"
#include "app/uShrinkScheme.h"
#include "engine/uCdtList.h"

#include <QAbstractTableModel>

#include <string>
#include <vector>

// "是" for a set flag, "否" for a cleared one.
const char* FlagText(bool flag);

// The condition grid's rows. Each row keeps a copy of its record, made when
// the grid is rebuilt; the texts come from the copy. Changes made through
// the grid (check boxes, the keep and tolerance flags) go to the copy and
// to the list's record of the same identity.
class TCdtModel : public QAbstractTableModel {
 public:
  // "序号", "名称", "保留", "容错", "条件值或条件数".
  enum TColumn : int { colNo, colName, colSave, colRC, colValues, ColumnCount };

  explicit TCdtModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  // One row per record of the list, in order; each row's box shows its
  // record's IsCheck.
  void Rebuild(TCdtList& list);
  const TCdtData& Copy(int row) const { return rows_.at(static_cast<size_t>(row)); }
  // The list's record of a row (nullptr when it is no longer listed).
  TCdtData* Record(int row) const;

  // The keep (colSave) or tolerance (colRC) flag of a row's copy.
  bool Flag(int row, int column) const;
  // Sets that flag in the copy, then copies the copy's IsSave and IsRC into
  // the record.
  void SetFlag(int row, int column, bool value);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // The check box of column 0: IsCheck of the copy and of the record.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  TCdtList* list_ = nullptr;
  std::vector<TCdtData> rows_;
};

// The result grid's rows: "序号", "红号1".."红号6" and, with the blue
// option, "蓝球".
class TResultModel : public QAbstractTableModel {
 public:
  explicit TResultModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  bool Blue() const { return blue_; }
  void SetBlue(bool blue);
  void Clear();
  void Append(const std::vector<TShrinkRow>& rows);
  const std::vector<TShrinkRow>& Rows() const { return rows_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  bool blue_ = false;
  std::vector<TShrinkRow> rows_;
};
