// Saving under failure: a whole open-edit-commit-close of a book is run once
// for every write, sync and name removal it performs, with that one operation
// made to fail (and once more with it and everything after it failing, as when
// the device goes away). Afterwards the book file must open, check clean and
// hold exactly the old content or exactly the new (the new exactly when the
// commit said it succeeded), and no half-made file may be left beside it.
#include <gtest/gtest.h>
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/db.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/whole_book_reader.h"
#include "hostile_support.h"
#include "kit/error_msg_exception.h"
#include "platform/io/fault_injection.h"
#include "platform/io/share_open.h"
#include "sample_book.h"

namespace {

FuzzNexil& app() {
  static FuzzNexil* a = new FuzzNexil();  // lives for the whole test program
  return *a;
}

// The edit a user makes: rename the home page, replace the second page's body,
// add a page with a body and an attribute, drop an attribute, then commit. Each
// step's result is looked at; the first failure abandons the edit without
// committing, as a careful caller would. Returns the commit's result, or -2
// when the edit was abandoned.
int editAndCommit(const std::string& book, const std::string& shortBody,
                  const std::string& longBody) {
  DBRef hold;
  try {
    DB* db = new DB(app(), "", book.c_str(), _O_RDWR, _SH_DENYWR);
    hold.ref(db);
    if (db->isReadOnly()) return -2;
    const String home("Home, renamed");
    if (db->changeName_Type_Flags(0, &home, nullptr, nullptr) != 0) return -2;
    // A page is saved by emptying its body and writing it afresh.
    if (db->clearNodeStream(1) != 0) return -2;
    {
      std::unique_ptr<std::iostream> body = db->getNodeStream(1, 1);
      if (!body) return -2;
      body->write(shortBody.data(), static_cast<std::streamsize>(shortBody.size()));
      body->flush();
      if (!body->good()) return -2;
    }
    const ULONG added = db->createNode(String("Added page"), String("map"), 0);
    {
      std::unique_ptr<std::iostream> body = db->getNodeStream(added, 1);
      if (!body) return -2;
      body->write(longBody.data(), static_cast<std::streamsize>(longBody.size()));
      body->flush();
      if (!body->good()) return -2;
    }
    if (db->createAttribute(added, "made", "today") != 0) return -2;
    if (db->removeAttribute(0, "author") != 0) return -2;
    return db->commit();
  } catch (const ErrorMsgException&) {
    return -2;
  }
}

// Names in the scratch folder other than the files the tests made themselves.
std::vector<std::string> leftovers(const std::vector<std::string>& expected) {
  std::vector<std::string> names;
  if (DIR* d = opendir(scratchDir().c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      bool known = false;
      for (const std::string& x : expected) known = known || name == x;
      if (!known) names.push_back(name);
    }
    closedir(d);
  }
  return names;
}

class CommitUnderFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    quietProcess();
    base_ = scratchDir() + "commit_base.tvx";
    book_ = scratchDir() + "commit_book.tvx";
    ASSERT_TRUE(makeSampleBook(app(), base_));
    original_ = fileBytes(base_);
    oldImage_ = readWholeBook(app(), base_);
    ASSERT_EQ(0, oldImage_.problems);
    // Page bodies for the edit: the home page's (shorter than the second
    // page's, which it replaces) and the second page's long one.
    shortBody_ = oldImage_.entries[0].facets[DB::Body];
    longBody_ = oldImage_.entries[1].facets[DB::Body];
    ASSERT_LT(shortBody_.size(), longBody_.size());

    // The run without failures: how many operations it performs, and the new book.
    writeBytes(book_, original_);
    FaultInjection::countOnly();
    ASSERT_EQ(0, editAndCommit(book_, shortBody_, longBody_));
    operations_ = FaultInjection::count();
    FaultInjection::disarm();
    newImage_ = readWholeBook(app(), book_);
    ASSERT_EQ(0, newImage_.problems);
    ASSERT_FALSE(sameBook(oldImage_, newImage_)) << "the edit changed nothing";
  }

  // One run with failures armed by `arm`; checks the book afterwards.
  void runWith(const std::string& label, const std::function<void()>& arm) {
    writeBytes(book_, original_);
    arm();
    const int rc = editAndCommit(book_, shortBody_, longBody_);
    const uint64_t injected = FaultInjection::failures();
    FaultInjection::disarm();

    const BookImage image = readWholeBook(app(), book_);
    const bool isOld = sameBook(oldImage_, image);
    const bool isNew = sameBook(newImage_, image);
    EXPECT_TRUE(isOld || isNew) << label << ": the book holds neither the old nor the new content"
                                << " (commit result " << rc << ", " << injected << " failures)";
    EXPECT_EQ(0, image.problems) << label << ": " << image.lastReport;
    EXPECT_EQ("", checkBookFile(book_)) << label;
    // A commit that said it succeeded saved the new content; one that said it
    // failed left the old.
    if (rc == 0) {
      EXPECT_TRUE(isNew) << label << ": commit succeeded but the old book is there";
    } else {
      EXPECT_TRUE(isOld) << label << ": commit failed (" << rc << ") but the new book is there";
    }
    const std::vector<std::string> left =
        leftovers({"commit_base.tvx", "commit_book.tvx", "sample.tvx", "damaged.tvx"});
    EXPECT_TRUE(left.empty()) << label << ": left behind " << (left.empty() ? "" : left.front());
    for (const std::string& name : left) unlink((scratchDir() + name).c_str());
    if (isOld) ++oldSeen_;
    if (isNew) ++newSeen_;
  }

  std::string base_, book_, original_, shortBody_, longBody_;
  BookImage oldImage_, newImage_;
  uint64_t operations_ = 0;
  int oldSeen_ = 0, newSeen_ = 0;
};

TEST_F(CommitUnderFailure, EachSingleFailureLeavesTheOldOrTheNewBook) {
  ASSERT_GT(operations_, 3u);
  for (uint64_t n = 1; n <= operations_; ++n) {
    runWith("operation " + std::to_string(n) + " of " + std::to_string(operations_) + " fails",
            [n] { FaultInjection::failNth(n); });
  }
  // Failures before the journal's removal keep the old book; the last
  // operation (syncing the folder after it) comes after the commit point.
  EXPECT_GT(oldSeen_, 0);
  EXPECT_GT(newSeen_, 0);
}

TEST_F(CommitUnderFailure, EverythingFailingFromAnyPointLeavesTheOldOrTheNewBook) {
  for (uint64_t n = 1; n <= operations_ + 1; ++n) {
    runWith("operations from " + std::to_string(n) + " of " + std::to_string(operations_) + " fail",
            [n] { FaultInjection::failNth(n, FaultInjection::AnyOperation, true); });
  }
  EXPECT_GT(oldSeen_, 0);
}

TEST_F(CommitUnderFailure, RemovalAndSyncFailuresAlone) {
  // The commit's own steps, failing on their own kind only.
  for (unsigned kind : {0u + FaultInjection::Unlink, 0u + FaultInjection::Flush}) {
    for (uint64_t n = 1; n <= 3; ++n) {
      runWith("kind " + std::to_string(kind) + " operation " + std::to_string(n) + " fails",
              [n, kind] { FaultInjection::failNth(n, kind); });
    }
  }
}

}  // namespace

namespace {

// Opening a book for writing copies it to a working file; a copy that lost any
// of its writes must not become the working store (its gaps would be committed
// over the book later).
TEST_F(CommitUnderFailure, AnOpeningCopyThatLostWritesIsNeverTheWorkingStore) {
  int refusals = 0;
  for (uint64_t n = 1; n <= 8; ++n) {
    writeBytes(book_, original_);
    FaultInjection::failNth(n, FaultInjection::Write);
    DBRef hold;
    std::string working, reason;
    bool writable = false;
    try {
      DB* db = new DB(app(), "", book_.c_str(), _O_RDWR, _SH_DENYWR);
      hold.ref(db);
      writable = !db->isReadOnly();
      reason = db->readOnlyReason();
      if (writable) working = fileBytes(db->workPath().c_str());
    } catch (const ErrorMsgException&) {
    }
    const bool injected = FaultInjection::failures() > 0;
    FaultInjection::disarm();
    // A book that opened read-only says why: its working copy, not another program.
    if (!writable && injected) {
      EXPECT_EQ(0u, reason.find("its working copy '")) << "write " << n << ": " << reason;
      EXPECT_NE(std::string::npos, reason.find("could not be made: Input/output error")) << reason;
    }
    if (writable) {
      EXPECT_EQ("", reason);
    } else if (injected) {
      ++refusals;
    }
    if (writable && injected) {
      EXPECT_EQ(original_.size(), working.size()) << "write " << n << " failed";
      EXPECT_TRUE(working == original_) << "write " << n
                                        << " failed: the working copy differs from the book";
    }
  }
  EXPECT_GT(refusals, 0) << "no opening copy failed";
}

}  // namespace
