#include "app/uShrinkGrids.h"

#include "editors/MDI_VTEditor.h"
#include "engine/uBaseFunc.h"
#include "engine/uFormulaDef.h"

#include <array>

const char* FlagText(bool flag) { return flag ? "是" : "否"; }

// --- TCdtModel ----------------------------------------------------------------

void TCdtModel::Rebuild(TCdtList& list) {
  beginResetModel();
  list_ = &list;
  rows_.clear();
  rows_.reserve(static_cast<size_t>(list.Count()));
  for (int32_t i = 0; i < list.Count(); ++i) rows_.push_back(*list.GetItem(i));
  endResetModel();
}

TCdtData* TCdtModel::Record(int row) const {
  return list_ && row >= 0 && row < rowCount() ? list_->Find(Copy(row).Id) : nullptr;
}

bool TCdtModel::Flag(int row, int column) const {
  const TCdtData& c = Copy(row);
  return column == colSave ? c.IsSave : c.IsRC;
}

void TCdtModel::SetFlag(int row, int column, bool value) {
  if (row < 0 || row >= rowCount() || (column != colSave && column != colRC)) return;
  TCdtData& c = rows_[static_cast<size_t>(row)];
  (column == colSave ? c.IsSave : c.IsRC) = value;
  if (TCdtData* record = Record(row)) {
    record->IsSave = c.IsSave;
    record->IsRC = c.IsRC;
  }
  emit dataChanged(index(row, colSave), index(row, colRC), {Qt::DisplayRole});
}

int TCdtModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TCdtModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TCdtModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const TCdtData& c = Copy(index.row());
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole: {
      std::string text;
      switch (column) {
        case colNo:
          text = std::to_string(c.CdtNo);
          break;
        case colName:
          if (c.Formula) text = c.Formula->Group() + " " + c.Formula->Name();
          break;
        case colSave:
          text = FlagText(c.IsSave);
          break;
        case colRC:
          text = FlagText(c.IsRC);
          break;
        default:
          text = JoinValues(c, 0);
          if (c.Formula && c.Formula->RowKind() == 1) text += "|" + JoinValues(c, 1);
      }
      return QString::fromStdString(text);
    }
    case Qt::CheckStateRole:
      return column == colNo ? QVariant(c.IsCheck ? Qt::Checked : Qt::Unchecked) : QVariant();
    case Qt::TextAlignmentRole:
      return headerData(column, Qt::Horizontal, role);
    case TVTEditLink::NodeDataRole:
      return column == colNo ? QVariant(static_cast<qulonglong>(c.Id)) : QVariant();
    default:
      return {};
  }
}

QVariant TCdtModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const std::array<const char*, ColumnCount> captions{"序号", "名称", "保留", "容错", "条件值或条件数"};
  if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount) return {};
  if (role == Qt::DisplayRole) return QString::fromUtf8(captions[static_cast<size_t>(section)]);
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::Alignment((section == colValues ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter));
  return {};
}

Qt::ItemFlags TCdtModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == colNo) f |= Qt::ItemIsUserCheckable;
  // Only the keep and tolerance flags are edited in place.
  if (index.column() == colSave || index.column() == colRC) f |= Qt::ItemIsEditable;
  return f;
}

bool TCdtModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || !index.isValid() || index.column() != colNo) return false;
  const auto state = static_cast<Qt::CheckState>(value.toInt());
  if (state == Qt::PartiallyChecked) return false;
  TCdtData& c = rows_[static_cast<size_t>(index.row())];
  c.IsCheck = state == Qt::Checked;
  if (TCdtData* record = Record(index.row())) record->IsCheck = c.IsCheck;
  emit dataChanged(index, index, {Qt::CheckStateRole});
  return true;
}

// --- TResultModel -------------------------------------------------------------

void TResultModel::SetBlue(bool blue) {
  if (blue == blue_) return;
  beginResetModel();
  blue_ = blue;
  endResetModel();
}

void TResultModel::Clear() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void TResultModel::Append(const std::vector<TShrinkRow>& rows) {
  if (rows.empty()) return;
  const int first = rowCount();
  beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
  rows_.insert(rows_.end(), rows.begin(), rows.end());
  endInsertRows();
}

int TResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 1 + RedCount + (blue_ ? 1 : 0);
}

QVariant TResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
  if (role != Qt::DisplayRole) return {};
  const TShrinkRow& r = rows_[static_cast<size_t>(index.row())];
  // Text, not numbers: the view would group the digits of a number.
  const int column = index.column();
  return QString::number(column == 0 ? r.No : r.Balls[static_cast<size_t>(column - 1)]);
}

QVariant TResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section == 0) return QStringLiteral("序号");
  if (section <= RedCount) return QStringLiteral("红号%1").arg(section);
  return QStringLiteral("蓝球");
}
