// The reserved byte offsets on which open-file-description locks (F_OFD_SETLK)
// carry the sharing rules between opens of one file. They lie far beyond any
// real file size, so they never cover a byte of the file itself.
//
//   OFFSET          LOCK HELD THERE                 MEANING
//   kLockBase + 0   shared, for the open's life      this open reads the file
//   kLockBase + 1   shared, for the open's life      this open writes the file
//   kLockBase + 2   shared, for the open's life      this open denies reading to others
//   kLockBase + 3   shared, for the open's life      this open denies writing to others
//   kLockBase + 4   exclusive, for an instant        an open is checking and taking the four above
//   kLockBase + 5   shared, for the open's life      this open uses the file's content
//                   exclusive, during a commit       the content is being replaced
//   kLockBase + 6   exclusive, during a commit       a commit waits for users to go, or runs
//                   shared, for an instant           an open checks that no commit runs
//   kLockBase + 7   shared, while its owner lives    a temporary working file belongs to a
//                                                    live process (platform/io/work_file_claim.h)
//
// Invariants:
// 1. Slots 0 to 3 are checked and taken under the gate (slot 4), so that two opens
//    that would refuse each other can never both succeed.
// 2. An exclusive lock on slot 5 is only ever held together with an exclusive
//    lock on slot 6 by the same open; so an open that holds slot 6 shared for an
//    instant can always take slot 5 shared, and a commit that holds slot 6
//    exclusive is never overtaken by newly arriving users.
#ifndef PLATFORM_LOCK_SLOTS_H
#define PLATFORM_LOCK_SLOTS_H

#include <fcntl.h>
#include <sys/types.h>

namespace lock_slots {

const off_t kLockBase = static_cast<off_t>(0x7FFFFFFF00000000LL);
enum Slot {
  kReads = 0,
  kWrites = 1,
  kDeniesRead = 2,
  kDeniesWrite = 3,
  kGate = 4,
  kUsing = 5,
  kCommitting = 6,
  kClaimed = 7,
};
// The number of slots: a lock on any of them means the file is in use.
const int kSlots = 8;

// The lock request for one slot (type F_RDLCK, F_WRLCK or F_UNLCK).
inline struct flock slotLock(Slot slot, short type) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = kLockBase + slot;
  fl.l_len = 1;
  fl.l_pid = 0;
  return fl;
}

}  // namespace lock_slots

#endif  // PLATFORM_LOCK_SLOTS_H
