// The list behind window-procedure chains and window hooks: handlers are
// called newest first (within each level), and each one passes a call on
// to the next by choice. A handler may go at any time, also while it runs
// or while one in front of it runs: removing unlinks that one alone, and a
// call in progress passes on to whichever handler follows it now.
#pragma once

#include <climits>
#include <memory>
#include <utility>

namespace platform {

template <class Fn>
class HandlerList {
 public:
  struct Node {
    Fn fn;
    int level = 0;
    bool removed = false;
    bool suspended = false;
    // Kept by a removed node too, so that a call running in it can go on.
    std::shared_ptr<Node> next;
    HandlerList* owner = nullptr;
  };
  using NodePtr = std::shared_ptr<Node>;

  HandlerList() = default;
  HandlerList(const HandlerList&) = delete;
  HandlerList& operator=(const HandlerList&) = delete;
  ~HandlerList() { Clear(); }

  // Puts `fn` in front of the handlers of its level and of every later
  // level; the handle removes it again.
  std::weak_ptr<void> Add(Fn fn, int level = 0) {
    auto node = std::make_shared<Node>();
    node->fn = std::move(fn);
    node->level = level;
    node->owner = this;
    NodePtr* link = &head_;
    while (*link && (*link)->level < level) link = &(*link)->next;
    node->next = *link;
    *link = node;
    return node;
  }

  // Unlinks the handler behind `handle`; false when it is gone already.
  static bool Remove(const std::weak_ptr<void>& handle) {
    NodePtr node = Lock(handle);
    if (!node || node->removed) return false;
    for (NodePtr* link = &node->owner->head_; *link; link = &(*link)->next) {
      if (*link == node) {
        *link = node->next;
        break;
      }
    }
    node->removed = true;
    return true;
  }

  static NodePtr Lock(const std::weak_ptr<void>& handle) {
    return std::static_pointer_cast<Node>(handle.lock());
  }

  void Clear() {
    for (Node* n = head_.get(); n; n = n->next.get()) n->removed = true;
    head_.reset();
  }
  bool Empty() const { return !head_; }

  // The first handler of `level` or a later level.
  NodePtr First(int level = INT_MIN) const {
    NodePtr n = head_;
    while (n && n->level < level) n = n->next;
    return n;
  }
  // `n`, or the first handler after it, that is listed and not suspended.
  static NodePtr Live(NodePtr n) {
    while (n && (n->removed || n->suspended)) n = n->next;
    return n;
  }

 private:
  NodePtr head_;
};

}  // namespace platform
