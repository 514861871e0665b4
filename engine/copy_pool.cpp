#include "engine/copy_pool.h"

#include <chrono>
#include <utility>

namespace mirtel {

CopyPool::CopyPool(int workers, std::function<bool()> idle)
    : limit_(static_cast<std::size_t>(workers) * 4), idle_(std::move(idle)) {
  for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { WorkerLoop(); });
}

CopyPool::~CopyPool() {
  DropQueued();
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  workReady_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void CopyPool::WorkerLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    workReady_.wait(lock, [this] { return quit_ || !queue_.empty(); });
    if (queue_.empty()) return;
    Ticket* ticket = queue_.front();
    queue_.pop_front();
    ticket->state = State::Running;
    lock.unlock();
    std::exception_ptr error;
    try {
      ticket->work();
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    ticket->error = error;
    ticket->state = State::Finished;
    workDone_.notify_all();
  }
}

void CopyPool::Submit(Work work, Done done) {
  // Bounded: memory stays flat however large the tree. A `done` that hands
  // out more is not held up here; its own turn comes first anyway.
  while (!telling_ && tickets_.size() >= limit_) {
    WaitFor(tickets_.front().get());
    Release();
  }
  auto ticket = std::make_unique<Ticket>();
  ticket->work = std::move(work);
  ticket->done = std::move(done);
  Ticket* raw = ticket.get();
  // After a stop, work is no longer handed out.
  const bool hasWork = static_cast<bool>(raw->work) && !stopped_;
  {
    std::lock_guard lock(mutex_);
    if (static_cast<bool>(raw->work) && stopped_) {
      raw->state = State::Dropped;
    } else if (hasWork) {
      queue_.push_back(raw);
    } else {
      raw->state = State::Finished;
    }
  }
  tickets_.push_back(std::move(ticket));
  if (hasWork) workReady_.notify_one();
}

void CopyPool::Tell(bool wait) {
  if (telling_) return;
  telling_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{telling_};
  while (!tickets_.empty()) {
    Ticket* front = tickets_.front().get();
    if (wait) WaitFor(front);
    State state;
    {
      std::lock_guard lock(mutex_);
      state = front->state;
    }
    if (!Settled(state)) return;
    const std::unique_ptr<Ticket> ticket = std::move(tickets_.front());
    tickets_.pop_front();
    if (state == State::Finished) ticket->done(ticket->error);
  }
}

void CopyPool::Release() { Tell(false); }

void CopyPool::Drain() { Tell(true); }

void CopyPool::WaitFor(const Ticket* ticket) {
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      if (workDone_.wait_for(lock, std::chrono::milliseconds(40),
                             [ticket] { return Settled(ticket->state); })) {
        return;
      }
    }
    if (idle_ && idle_()) DropQueued();
  }
}

void CopyPool::DropQueued() {
  stopped_ = true;
  std::lock_guard lock(mutex_);
  for (Ticket* ticket : queue_) ticket->state = State::Dropped;
  queue_.clear();
}

void CopyPool::Stop() {
  DropQueued();
  Drain();
}

}  // namespace mirtel
