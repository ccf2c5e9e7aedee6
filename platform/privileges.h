// The games group of a shared installation. The executable is installed set-group-id to the
// group that owns the record directory; the program gives that group up as the very first thing
// in main, before any toolkit code runs, and takes it back only for the few moments it creates
// or replaces a record file. A build that is not set-group-id runs with the player's own rights
// throughout, and these calls change nothing but the file creation mask.
#pragma once

namespace quorvella {

// Makes the real group the effective one, keeping the group the program was started with as the
// saved set-group-id so that RecordFileAccess can take it back. Does nothing to the groups when
// the effective group already is the real one. Returns false when the group could not be given
// up; the program must not go on then.
bool DropGroupPrivileges();

// Whether DropGroupPrivileges found the program set-group-id and kept a group to take back.
bool HasSavedGroup();

// For its lifetime: the saved group is the effective one again (when there is one), and new
// files are created readable by everyone and writable by the group (rw-rw-r--), whatever the
// player's file creation mask says, so that every player of the machine can read and replace
// the record. The destructor gives the group up again and puts the player's mask back. Scopes
// may nest; only the outermost one changes anything.
class RecordFileAccess {
 public:
  RecordFileAccess();
  ~RecordFileAccess();
  RecordFileAccess(const RecordFileAccess&) = delete;
  RecordFileAccess& operator=(const RecordFileAccess&) = delete;

 private:
  bool outermost_ = false;
  unsigned savedMask_ = 0;
};

}  // namespace quorvella
