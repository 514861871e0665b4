// The saved jobs' file through the real file system: what is stored comes
// back as it was, whatever the names and paths hold, and a file cut or
// damaged anywhere is refused with a reason and never changed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job/saved_jobs.h"
#include "tests/fakes/scratch_folder.h"

#include "platform/native_file_system.h"

namespace mirtel {
namespace {

class SavedJobsTest : public ::testing::Test {
 protected:
  std::vector<SavedJob> Load(bool expectOk = true) {
    std::vector<SavedJob> jobs;
    std::string error;
    EXPECT_EQ(LoadSavedJobs(*fs_, path_, jobs, error), expectOk) << error;
    if (!expectOk) {
      EXPECT_FALSE(error.empty());
    }
    return jobs;
  }

  ScratchFolder dir_;
  std::unique_ptr<FileSystem> fs_ = MakeNativeFileSystem();
  std::string path_ = SavedJobsPath(dir_.F());
};

TEST_F(SavedJobsTest, WhatIsStoredComesBackWhateverItsNamesAndPathsHold) {
  // Names and paths a user may well have: Japanese, spaces, both quote
  // marks, backslashes, a dotted name, a name like a TOML key path.
  const std::vector<std::string> texts = {
      "nightly", "写真 の バックアップ", "it's \"ok\"", "C:\\Users\\田中\\写真",
      "a.b.c",   "jobs.other = 1\n[x]",  "末尾\\",      "'''"};
  std::vector<SavedJob> stored;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SavedJob job;
    job.name = JobNameProblem(texts[i]).empty() ? texts[i] : "名前" + std::to_string(i);
    job.source = texts[i];
    job.destination = texts[(i + 1) % texts.size()];
    job.sync = i % 2 == 0;
    job.forceRemove = i % 3 == 0;
    job.countFirst = i % 4 == 0;
    job.parallel = static_cast<int>(i % 3) * 8;
    job.logFile = i % 2 == 0 ? std::string() : texts[(i + 2) % texts.size()];
    job.destinationVolume = "uuid:" + std::to_string(i);
    std::string error;
    ASSERT_TRUE(StoreSavedJob(*fs_, path_, job, error)) << error;
    stored.push_back(job);
  }
  // Saved again under the same name: replaced, not added.
  stored[0].sync = !stored[0].sync;
  std::string error;
  ASSERT_TRUE(StoreSavedJob(*fs_, path_, stored[0], error)) << error;

  std::vector<SavedJob> loaded = Load();
  ASSERT_EQ(loaded.size(), stored.size());
  for (const SavedJob& job : stored) {
    EXPECT_TRUE(std::find(loaded.begin(), loaded.end(), job) != loaded.end()) << job.name;
  }

  bool found = false;
  ASSERT_TRUE(DeleteSavedJob(*fs_, path_, stored[1].name, found, error)) << error;
  EXPECT_TRUE(found);
  ASSERT_TRUE(DeleteSavedJob(*fs_, path_, stored[1].name, found, error)) << error;
  EXPECT_FALSE(found);
  EXPECT_EQ(Load().size(), stored.size() - 1);

  EXPECT_EQ(JobNameProblem(std::string(64, 'a')), "");
  std::string japanese;
  for (int i = 0; i < 64; ++i) japanese += "写";
  EXPECT_EQ(JobNameProblem(japanese), "");
  EXPECT_NE(JobNameProblem(japanese + "真"), "");
  EXPECT_NE(JobNameProblem(""), "");
  EXPECT_NE(JobNameProblem("a\tb"), "");
  EXPECT_NE(JobNameProblem("a\x1b[31m"), "");
  // A name the file cannot carry is refused, and the file stays readable.
  SavedJob odd = stored[2];
  odd.name = "x" + std::string(3, '\'') + "y";
  EXPECT_NE(JobNameProblem(odd.name), "");
  EXPECT_FALSE(StoreSavedJob(*fs_, path_, odd, error));
  EXPECT_EQ(Load().size(), stored.size() - 1);
}

TEST_F(SavedJobsTest, AFileCutOrDamagedAnywhereIsRefusedAndNeverChanged) {
  SavedJob job;
  job.name = "写真";
  job.source = "/home/u/写真";
  job.destination = "/media/backup";
  job.sync = true;
  std::string error;
  ASSERT_TRUE(StoreSavedJob(*fs_, path_, job, error)) << error;
  const std::string whole = fs_->ReadFile(path_);

  SavedJob other = job;
  other.name = "other";
  std::vector<std::string> damaged;
  for (std::size_t cut = 0; cut < whole.size(); ++cut) damaged.push_back(whole.substr(0, cut));
  damaged.push_back(whole + "[jobs.x\n");
  damaged.push_back(whole + "jobs = 3\n");
  damaged.push_back("jobs = 3\n");
  damaged.push_back("[jobs.a]\nsource = 1\ndestination = '/d'\n");
  damaged.push_back("[jobs.a]\nsource = '/s'\ndestination = '/d'\nmode = 'mirror'\n");
  damaged.push_back("[jobs.a]\nsource = '/s'\ndestination = '/d'\nforce_remove = 'yes'\n");
  damaged.push_back("[jobs]\na = 1\n");
  damaged.push_back("[jobs.a]\nsource = '/s'\ndestination = '/d'\nparallel = 0\n");
  damaged.push_back("[jobs.a]\nsource = '/s'\ndestination = '/d'\nparallel = 65\n");
  damaged.push_back("[jobs.a]\nsource = '/s'\ndestination = '/d'\nparallel = '8'\n");
  damaged.push_back("\xff\xfe garbage");
  for (const std::string& bytes : damaged) {
    fs_->WriteFileAtomically(path_, bytes);
    std::vector<SavedJob> jobs;
    std::string why;
    const bool loaded = LoadSavedJobs(*fs_, path_, jobs, why);
    // A cut that still parses must not invent a job: whatever loads is whole.
    if (loaded) {
      for (const SavedJob& j : jobs) EXPECT_TRUE(j == job) << bytes;
      continue;
    }
    EXPECT_FALSE(why.empty()) << bytes;
    // What could not be read is not written over.
    if (!StoreSavedJob(*fs_, path_, other, why)) {
      EXPECT_EQ(fs_->ReadFile(path_), bytes);
    }
    fs_->WriteFileAtomically(path_, bytes);
    bool found = false;
    if (!DeleteSavedJob(*fs_, path_, job.name, found, why)) {
      EXPECT_EQ(fs_->ReadFile(path_), bytes);
    }
  }
}

}  // namespace
}  // namespace mirtel
