// Whether a component of the skin library is still being read.
//
// A component made in code is ready at once. One read from stored data
// (its properties in a property stream, skinlib/manager/PropertyStream.h)
// is "loading" from its construction until its owner has read every
// property and calls its Loaded(): work that needs the whole component
// (making an image list's images, loading a skin) waits until then. Every
// component keeps this one state; its Loaded() ends the loading first.
#pragma once

class TacLoadingState {
 public:
  enum class Origin { Code, StoredData };
  explicit TacLoadingState(Origin origin = Origin::Code) : loading_(origin == Origin::StoredData) {}

  bool IsLoading() const { return loading_; }

 protected:
  // Reading properties into a component that exists already.
  void BeginLoading() { loading_ = true; }
  void EndLoading() { loading_ = false; }

 private:
  bool loading_;
};
