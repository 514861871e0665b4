// A TCP delay line for the benchmark's network row: listens on a local port,
// forwards each connection to another local port, and holds every piece of
// data for a fixed time in each direction, as a network with that latency
// would. Throughput is not limited: pieces are read at once and queued.
//
//   delay_line LISTEN_PORT TARGET_PORT DELAY_MS
//
// Prints "ready" once it listens. Linux only (the benchmark runs there).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Piece {
  Clock::time_point due;
  std::string bytes;
};

// One direction of one connection: a reader queues what arrives, a writer
// sends each piece once its time has come.
class Direction {
 public:
  Direction(int from, int to, Clock::duration delay) : from_(from), to_(to), delay_(delay) {}

  void Run() {
    std::thread writer([this] { Write(); });
    Read();
    writer.join();
  }

 private:
  void Read() {
    std::vector<char> buffer(1 << 16);
    for (;;) {
      const ssize_t n = ::read(from_, buffer.data(), buffer.size());
      std::lock_guard lock(mutex_);
      if (n <= 0) {
        ended_ = true;
        ready_.notify_one();
        return;
      }
      queue_.push_back({Clock::now() + delay_, std::string(buffer.data(), n)});
      ready_.notify_one();
    }
  }

  void Write() {
    for (;;) {
      Piece piece;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return ended_ || !queue_.empty(); });
        if (queue_.empty()) break;
        piece = std::move(queue_.front());
        queue_.pop_front();
      }
      std::this_thread::sleep_until(piece.due);
      const char* data = piece.bytes.data();
      std::size_t left = piece.bytes.size();
      while (left > 0) {
        const ssize_t n = ::write(to_, data, left);
        if (n <= 0) {
          ::shutdown(from_, SHUT_RD);
          return;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
      }
    }
    ::shutdown(to_, SHUT_WR);
  }

  int from_;
  int to_;
  Clock::duration delay_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Piece> queue_;
  bool ended_ = false;
};

void NoDelay(int fd) {
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

int Connect(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    if (fd >= 0) ::close(fd);
    return -1;
  }
  NoDelay(fd);
  return fd;
}

void Serve(int client, int targetPort, Clock::duration delay) {
  const int server = Connect(targetPort);
  if (server < 0) {
    ::close(client);
    return;
  }
  NoDelay(client);
  Direction up(client, server, delay);
  Direction down(server, client, delay);
  std::thread other([&] { down.Run(); });
  up.Run();
  other.join();
  ::close(client);
  ::close(server);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: delay_line LISTEN_PORT TARGET_PORT DELAY_MS\n");
    return 2;
  }
  const int listenPort = std::atoi(argv[1]);
  const int targetPort = std::atoi(argv[2]);
  const auto delay = std::chrono::microseconds(static_cast<long>(std::atof(argv[3]) * 1000));
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int one = 1;
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<std::uint16_t>(listenPort));
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
      ::listen(listener, 16) != 0) {
    std::perror("delay_line");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) {
    const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    std::thread(Serve, client, targetPort, delay).detach();
  }
}
