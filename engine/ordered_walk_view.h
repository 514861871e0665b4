// The walk's view while copies are in flight: every line, status and count
// waits for the copies handed out before it, so that the user reads them in
// the walk's order, exactly as a walk without workers shows them.
#pragma once

#include <string>
#include <string_view>

#include "engine/copy_pool.h"
#include "platform/walk_view.h"

namespace mirtel {

class OrderedWalkView final : public WalkView {
 public:
  explicit OrderedWalkView(WalkView& inner) : inner_(inner) {}

  // The pool whose tickets the view keeps order with; null: none.
  void Use(CopyPool* pool) { pool_ = pool; }

  void SetStatus(std::string_view text) override {
    if (!Waiting()) return inner_.SetStatus(text);
    pool_->Submit({},
                  [this, line = std::string(text)](std::exception_ptr) { inner_.SetStatus(line); });
  }
  void AppendResult(std::string_view line) override {
    if (!Waiting()) return inner_.AppendResult(line);
    pool_->Submit(
        {}, [this, text = std::string(line)](std::exception_ptr) { inner_.AppendResult(text); });
  }
  void Copied(const std::string& source) override {
    if (!Waiting()) return inner_.Copied(source);
    pool_->Submit({}, [this, source](std::exception_ptr) { inner_.Copied(source); });
  }
  // The window's events run at once (Stop among them); finished copies are
  // told on the way.
  void Yield() override {
    inner_.Yield();
    if (pool_ != nullptr) pool_->Release();
  }
  // A question is asked only once everything before it has been told.
  int MsgBox(std::string_view prompt, int buttons, std::string_view title) override {
    if (Waiting()) pool_->Drain();
    return inner_.MsgBox(prompt, buttons, title);
  }

 private:
  // Something handed out before is not told yet, and this is not its telling.
  bool Waiting() const { return pool_ != nullptr && pool_->Pending() && !pool_->Telling(); }

  WalkView& inner_;
  CopyPool* pool_ = nullptr;
};

}  // namespace mirtel
