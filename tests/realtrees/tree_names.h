// Names for generated trees, as people and programs make them, from a
// seed: the same names on every machine. The real-tree tests draw every
// kind; the benchmark's trees only plain ones, alike on every system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace mirtel::realtrees {

// Deterministic from its seed on every system.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : engine_(seed) {}
  std::uint64_t Next() { return engine_(); }
  std::uint64_t Below(std::uint64_t n) { return n == 0 ? 0 : engine_() % n; }
  std::uint64_t Between(std::uint64_t lo, std::uint64_t hi) { return lo + Below(hi - lo + 1); }
  bool Percent(int p) { return Below(100) < static_cast<std::uint64_t>(p); }
  template <typename T>
  const T& Pick(const std::vector<T>& from) {
    return from[Below(from.size())];
  }

 private:
  std::mt19937_64 engine_;
};

// The pieces names are made of.
extern const std::vector<std::string> kLatin;
extern const std::vector<std::string> kJapanese;
extern const std::vector<std::string> kOtherScripts;
extern const std::vector<std::pair<std::string, std::string>> kNormalForms;
extern const std::vector<std::string> kPosixOnly;
extern const std::vector<std::string> kInvalidUtf8;
extern const std::vector<std::string> kJoints;
extern const std::vector<std::string> kExtensions;
extern const std::vector<std::string> kOneByte;

// `name` cut to at most `bytes`, between characters.
std::string CutTo(std::string name, std::size_t bytes);
// Exactly the pattern of the program's own temporaries (".mirtel-<pid>-<n>.tmp").
bool LooksTemporary(const std::string& name);
// No <>:"\|?* or control character, no trailing dot or space, no device name.
bool WindowsTakes(const std::string& name);
// A name of 5 to 80 bytes of Latin and Japanese words, with an extension
// where asked, that every system takes and the program holds ordinary.
std::string PlainName(Rng& rng, bool withExtension);

}  // namespace mirtel::realtrees
