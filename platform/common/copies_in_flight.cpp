#include <thread>

#include "platform/file_system.h"

namespace mirtel {

int FileSystem::CopiesInFlightOnALocalDisk() {
  // The system copies the data on the core that asks, so a second copy in
  // flight keeps a second core busy; a third only waits for one of them.
  return std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

}  // namespace mirtel
