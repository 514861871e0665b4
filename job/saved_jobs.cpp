#include "job/saved_jobs.h"

#include <toml++/toml.h>

#include <cstdint>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "engine/error_text.h"
#include "text/message.h"

namespace mirtel {

namespace {

constexpr std::size_t kMaxNameLength = 64;

// Reads the file at `path` as TOML; an empty table when it is missing.
std::optional<toml::table> ReadTable(FileSystem& fs, const std::string& path, std::string& error) {
  std::string text;
  try {
    text = fs.ReadFile(path);
  } catch (const FsError& e) {
    if (e.kind() == FsErrorKind::NotFound) return toml::table{};
    error = Text(Msg::CannotReadFile, ErrorReason(e), path);
    return std::nullopt;
  } catch (const std::exception& e) {
    error = Text(Msg::CannotReadFile, ErrorReason(e), path);
    return std::nullopt;
  }
  try {
    return toml::parse(text, std::string_view(path));
  } catch (const toml::parse_error& e) {
    error = Text(Msg::BadTomlLine, path, e.source().begin.line, e.description());
    return std::nullopt;
  }
}

bool WriteTable(FileSystem& fs, const std::string& path, std::string_view header,
                const toml::table& table, std::string& error) {
  std::ostringstream text;
  text << header
       << toml::toml_formatter(
              table, toml::toml_formatter::default_flags & ~toml::format_flags::indentation)
       << '\n';
  // Never replace a readable file with one that cannot be read back.
  try {
    if (toml::parse(text.str()) != table) throw std::runtime_error("differs");
  } catch (const std::exception&) {
    error = Text(Msg::NotWrittenUnreadable, path);
    return false;
  }
  try {
    fs.WriteFileAtomically(path, text.str());
  } catch (const std::exception& e) {
    error = Text(Msg::CannotWriteFile, ErrorReason(e), path);
    return false;
  }
  return true;
}

// The table of saved jobs inside the file's table, made when missing; null
// when the file gives the key another meaning.
toml::table* JobsTable(toml::table& file, const std::string& path, std::string& error) {
  if (!file.contains("jobs")) file.insert("jobs", toml::table{});
  toml::table* jobs = file["jobs"].as_table();
  if (jobs == nullptr) error = Text(Msg::JobsNotTable, path);
  return jobs;
}

void PutJob(toml::table& entry, const SavedJob& job) {
  entry.insert_or_assign("source", job.source);
  entry.insert_or_assign("destination", job.destination);
  entry.insert_or_assign("mode", job.sync ? "sync" : "normal");
  entry.insert_or_assign("destination_volume", job.destinationVolume);
  entry.insert_or_assign("force_remove", job.forceRemove);
  entry.insert_or_assign("count_first", job.countFirst);
  if (job.parallel > 0) {
    entry.insert_or_assign("parallel", job.parallel);
  } else {
    entry.erase("parallel");
  }
  if (job.logFile.empty()) {
    entry.erase("log");
  } else {
    entry.insert_or_assign("log", job.logFile);
  }
  if (job.versions.empty()) {
    entry.erase("versions");
  } else {
    entry.insert_or_assign("versions", job.versions);
  }
  if (job.keepVersions == 0) {
    entry.erase("keep_versions");
  } else {
    entry.insert_or_assign("keep_versions", static_cast<std::int64_t>(job.keepVersions));
  }
}

// One job from its table; false, with `error` naming the job and the key,
// when a key the job needs is missing or of the wrong kind.
bool GetJob(const toml::table& entry, const std::string& name, SavedJob& job, std::string& error) {
  job = SavedJob{};
  job.name = name;
  const auto text = [&](const char* key, std::string& into, bool needed) {
    const toml::node* node = entry.get(key);
    if (node == nullptr) {
      if (needed) error = Text(Msg::JobKeyMissing, name, key);
      return !needed;
    }
    const auto* value = node->as_string();
    if (value == nullptr || (needed && value->get().empty())) {
      error = Text(Msg::JobKeyNotString, name, key);
      return false;
    }
    into = value->get();
    return true;
  };
  const auto flag = [&](const char* key, bool& into) {
    const toml::node* node = entry.get(key);
    if (node == nullptr) return true;
    const auto* value = node->as_boolean();
    if (value == nullptr) {
      error = Text(Msg::JobKeyNotBool, name, key);
      return false;
    }
    into = value->get();
    return true;
  };
  // A whole number from 1 to `most`; `refusal` names what it must be.
  const auto whole = [&](const char* key, int& into, std::int64_t most, const auto& refusal) {
    const toml::node* node = entry.get(key);
    if (node == nullptr) return true;
    const auto* value = node->as_integer();
    if (value == nullptr || value->get() < 1 || value->get() > most) {
      error = refusal(key);
      return false;
    }
    into = static_cast<int>(value->get());
    return true;
  };
  const auto days = [&](const char* key, int& into) {
    return whole(key, into, 99999,
                 [&](const char* k) { return Text(Msg::JobKeyNeedsDays, name, k); });
  };
  const auto count = [&](const char* key, int& into) {
    return whole(key, into, kMaxSavedParallel, [&](const char* k) {
      return Text(Msg::JobKeyNeedsCount, name, k, kMaxSavedParallel);
    });
  };
  std::string mode = "normal";
  if (!count("parallel", job.parallel) || !text("versions", job.versions, false) ||
      !days("keep_versions", job.keepVersions) || !text("source", job.source, true) ||
      !text("destination", job.destination, true) || !text("mode", mode, false) ||
      !text("destination_volume", job.destinationVolume, false) ||
      !text("log", job.logFile, false) || !flag("force_remove", job.forceRemove) ||
      !flag("count_first", job.countFirst)) {
    return false;
  }
  if (mode != "normal" && mode != "sync") {
    error = Text(Msg::JobBadMode, name, mode);
    return false;
  }
  job.sync = mode == "sync";
  return true;
}

}  // namespace

std::string SavedJobsPath(const std::string& settingsFolder) {
  return settingsFolder + "jobs.toml";
}

std::string LastJobPath(const std::string& settingsFolder) {
  return settingsFolder + "last-job.toml";
}

std::string JobNameProblem(const std::string& name) {
  if (name.empty()) return Text(Msg::JobNameEmpty);
  std::size_t characters = 0;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return Text(Msg::JobNameControl);
    // The file's key quoting cannot always carry these.
    if (c == '\'' || c == '"' || c == '\\') return Text(Msg::JobNameQuotes);
    if ((byte & 0xC0) != 0x80) ++characters;
  }
  if (characters > kMaxNameLength) return Text(Msg::JobNameTooLong);
  return {};
}

bool LoadSavedJobs(FileSystem& fs, const std::string& path, std::vector<SavedJob>& jobs,
                   std::string& error) {
  jobs.clear();
  std::optional<toml::table> file = ReadTable(fs, path, error);
  if (!file) return false;
  if (!file->contains("jobs")) return true;
  const toml::table* table = (*file)["jobs"].as_table();
  if (table == nullptr) {
    error = Text(Msg::JobsNotTable, path);
    return false;
  }
  for (const auto& [key, node] : *table) {
    const std::string name(key.str());
    const toml::table* entry = node.as_table();
    if (entry == nullptr) {
      error = Text(Msg::JobNotTable, path, name);
      return false;
    }
    SavedJob job;
    if (!GetJob(*entry, name, job, error)) {
      error = Text(Msg::Prefixed, path, error);
      return false;
    }
    jobs.push_back(std::move(job));
  }
  return true;
}

bool StoreSavedJob(FileSystem& fs, const std::string& path, const SavedJob& job,
                   std::string& error) {
  std::optional<toml::table> file = ReadTable(fs, path, error);
  if (!file) return false;
  toml::table* jobs = JobsTable(*file, path, error);
  if (jobs == nullptr) return false;
  // A job saved again keeps what the user added to it by hand.
  toml::table entry;
  if (const toml::table* old = jobs->get_as<toml::table>(job.name)) entry = *old;
  PutJob(entry, job);
  jobs->insert_or_assign(job.name, std::move(entry));
  return WriteTable(fs, path, Text(Msg::JobsFileHeader), *file, error);
}

bool DeleteSavedJob(FileSystem& fs, const std::string& path, const std::string& name, bool& found,
                    std::string& error) {
  found = false;
  std::optional<toml::table> file = ReadTable(fs, path, error);
  if (!file) return false;
  toml::table* jobs = (*file)["jobs"].as_table();
  if (jobs == nullptr || !jobs->contains(name)) return true;
  found = true;
  jobs->erase(name);
  return WriteTable(fs, path, Text(Msg::JobsFileHeader), *file, error);
}

bool StoreLastJob(FileSystem& fs, const std::string& path, const SavedJob& job,
                  std::string& error) {
  // Only the pair changes; a damaged record is simply replaced.
  std::optional<toml::table> file = ReadTable(fs, path, error);
  if (!file) file = toml::table{};
  if (!(*file)["last"].is_table()) file->insert_or_assign("last", toml::table{});
  toml::table& last = *(*file)["last"].as_table();
  last.insert_or_assign("source", job.source);
  last.insert_or_assign("destination", job.destination);
  return WriteTable(fs, path, Text(Msg::LastJobFileHeader), *file, error);
}

bool LoadLastJob(FileSystem& fs, const std::string& path, SavedJob& job, std::string& error) {
  std::optional<toml::table> file = ReadTable(fs, path, error);
  if (!file) return false;
  const toml::table* last = (*file)["last"].as_table();
  if (last == nullptr) {
    error = Text(Msg::NoLastJob);
    return false;
  }
  if (!GetJob(*last, "last", job, error)) {
    error = Text(Msg::Prefixed, path, error);
    return false;
  }
  return true;
}

}  // namespace mirtel
