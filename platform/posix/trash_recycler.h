// The desktop's Trash, in the freedesktop.org layout: the home Trash for items
// on the volume of the data folder, the volume's own .Trash/$uid or
// .Trash-$uid for items elsewhere. An item that no Trash can take stays where
// it is: nothing is ever deleted for good.
#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/recycler.h"

namespace mirtel {

class FileSystem;

class TrashRecycler : public Recycler {
 public:
  // `fs`, when given, learns about every item moved away.
  explicit TrashRecycler(FileSystem* fs = nullptr) : fs_(fs) {}

  void MoveToRecycleBin(const std::string& path) override;
  std::function<void()> MoveLater(const std::string& path) override;

 private:
  struct Trash {
    std::string files;  // .../Trash/files
    std::string info;   // .../Trash/info
    // Its volume cannot promise a rename that never replaces (a share):
    // not asked again for every item.
    bool plainRename = false;
  };

  // MoveToRecycleBin without telling fs_; safe on several threads at once.
  void Move(const std::string& path);
  // The Trash for items on `device`, made where missing. `item` lies on that
  // device. Found once per device and kept.
  Trash TrashFor(dev_t device, const std::string& item);
  Trash FindTrash(dev_t device, const std::string& item) const;
  // Writes the info file and moves `item` in under a free name; false when
  // the Trash itself has gone (so that it is looked up again).
  // `name` is the item's name in its folder `dir`, held open.
  bool MoveInto(const Trash& trash, dev_t device, const std::string& item, int dir,
                const std::string& name);
  // Claims `name` in the files/ of a Trash whose volume renames only
  // plainly: false when an item there holds it.
  bool ClaimPlainName(dev_t device, const Trash& trash, const std::string& name);

  FileSystem* fs_;
  // Guards the two maps; the moves themselves run unlocked, their names
  // kept apart by the info files each makes anew.
  std::mutex mutex_;
  std::map<dev_t, Trash> trashes_;
  // The last number given to a name in a Trash: a thousand items of the
  // same name do not try the same thousand numbers again each.
  std::map<std::string, unsigned> lastNumber_;
  // The names in files/ of each Trash renamed into plainly: read once, then
  // kept with every name this job gives, instead of a look across the
  // network before every move.
  std::map<dev_t, std::set<std::string>> plainNames_;
};

}  // namespace mirtel
