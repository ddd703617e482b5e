// Shrink conditions: one indicator with the values (and counts) a user
// chose for it, and the global list of the current conditions.
#pragma once

#include "engine/uBaseDef.h"

#include <memory>
#include <string>
#include <vector>

class TFormulate;

// A new condition identity, never given before in this process.
uint64_t NewCdtId();

// One condition.
struct TCdtData {
  const TFormulate* Formula = nullptr;  // a registered indicator (not owned)
  std::string Name;                     // display name
  int32_t CdtNo = 0;                    // number in the list, counting from 1
  bool IsCheck = false;
  bool IsSave = false;  // "保留": takes part in a filter run
  bool IsRC = false;    // tolerance condition
  bool IsJC = false;    // passed as the repeat argument to the indicator
  T2DIntAry Values;     // row 0 the chosen values, row 1 the chosen counts
  // Identity: copies keep it, so a window holding a copy of a record finds
  // the list's record again (TCdtList::Find) even after the list changed,
  // and learns when that record is gone.
  uint64_t Id = NewCdtId();
};

// The conditions, in order. The list owns its records: removing a record or
// clearing the list frees it.
class TCdtList {
 public:
  TCdtList() = default;
  TCdtList(const TCdtList&) = delete;
  TCdtList& operator=(const TCdtList&) = delete;

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  TCdtData* GetItem(int32_t index) const { return items_.at(static_cast<size_t>(index)).get(); }
  int32_t IndexOf(const TCdtData* item) const;
  // The record with that identity; nullptr when the list holds none.
  TCdtData* Find(uint64_t id) const;

  // Appends the record and takes it over, unless the list already holds
  // that same record (then nothing changes). Sets the record's CdtNo to the
  // list's count after the addition; a copy of a listed record gets an
  // identity of its own. Returns whether it was added.
  bool Add(TCdtData* item);
  TCdtData* Add(std::unique_ptr<TCdtData> item);

  // Removes and frees the record at the index.
  void Delete(int32_t index);
  // Removes and frees every record.
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TCdtData>> items_;
};

// The global condition list, empty on first use.
TCdtList& CdtList();
