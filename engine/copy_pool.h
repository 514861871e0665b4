// A few workers for the file work the walk decides on. The walk hands out
// tickets in its own order; each ticket's work runs on a worker, several at
// once, and its result is told back on the walk's thread strictly in the
// order the tickets were handed out, so that what the user reads comes in
// the walk's order whatever finished first.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace mirtel {

class CopyPool {
 public:
  using Work = std::function<void()>;
  // Told on the walk's thread how the work ended: null, or what it threw.
  using Done = std::function<void(std::exception_ptr)>;

  // `workers` threads; at most `workers` * 4 tickets out at once. While the
  // walk's thread waits for a worker, `idle` runs every few hundredths of a
  // second (the window stays responsive); when it returns true, the work no
  // worker has started is dropped, as by Stop.
  CopyPool(int workers, std::function<bool()> idle);
  // Drops what no worker has started and waits for the rest, telling nothing.
  ~CopyPool();
  CopyPool(const CopyPool&) = delete;
  CopyPool& operator=(const CopyPool&) = delete;

  // Hands out a ticket. Empty `work` has nothing to run: `done` comes in its
  // turn (a line to show, a step that must follow the work before it). When
  // too many are out, first waits for the oldest and tells it.
  void Submit(Work work, Done done);

  // True while a ticket is out that has not been told yet.
  bool Pending() const { return !tickets_.empty(); }
  // True while a `done` runs: what it does is already in its turn.
  bool Telling() const { return telling_; }

  // Tells every finished ticket at the front, waiting for none.
  void Release();
  // Waits for every ticket and tells them all.
  void Drain();
  // Drops the work no worker has started (its `done` never comes; empty
  // work's still does) and hands out no more, waits for what is in flight
  // and tells it.
  void Stop();

 private:
  enum class State { Queued, Running, Finished, Dropped };
  struct Ticket {
    Work work;
    Done done;
    std::exception_ptr error;
    State state = State::Queued;
  };

  void WorkerLoop();
  static bool Settled(State state) { return state == State::Finished || state == State::Dropped; }
  // Waits until `ticket` is settled, running idle_ meanwhile.
  void WaitFor(const Ticket* ticket);
  void DropQueued();
  // Tells the front tickets while they are settled; with `wait`, waits for
  // each in turn until none is left.
  void Tell(bool wait);

  std::size_t limit_;
  std::function<bool()> idle_;
  // The walk's thread alone adds and takes tickets; their states and the
  // queue are guarded by mutex_.
  std::deque<std::unique_ptr<Ticket>> tickets_;
  bool telling_ = false;
  bool stopped_ = false;  // work is no longer handed out

  std::mutex mutex_;
  std::condition_variable workReady_;
  std::condition_variable workDone_;
  std::deque<Ticket*> queue_;
  bool quit_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace mirtel
