#include "engine/uCdtList.h"

#include <atomic>
#include <stdexcept>

uint64_t NewCdtId() {
  static std::atomic<uint64_t> last{0};
  return ++last;
}

int32_t TCdtList::IndexOf(const TCdtData* item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return static_cast<int32_t>(i);
  return -1;
}

TCdtData* TCdtList::Find(uint64_t id) const {
  for (const auto& p : items_)
    if (p->Id == id) return p.get();
  return nullptr;
}

bool TCdtList::Add(TCdtData* item) {
  if (!item || IndexOf(item) >= 0) return false;
  if (Find(item->Id)) item->Id = NewCdtId();
  items_.emplace_back(item);
  item->CdtNo = Count();
  return true;
}

TCdtData* TCdtList::Add(std::unique_ptr<TCdtData> item) {
  TCdtData* p = item.release();
  Add(p);
  return p;
}

void TCdtList::Delete(int32_t index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("TCdtList::Delete: index out of range");
  items_.erase(items_.begin() + index);
}

TCdtList& CdtList() {
  static TCdtList list;
  return list;
}
