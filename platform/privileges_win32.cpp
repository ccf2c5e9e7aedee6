// Windows has no set-group-id programs: the record lies in the Windows directory and is written
// with the player's own rights.
#include "platform/privileges.h"

namespace quorvella {

bool DropGroupPrivileges() {
  return true;
}

bool HasSavedGroup() {
  return false;
}

RecordFileAccess::RecordFileAccess() = default;

RecordFileAccess::~RecordFileAccess() = default;

}  // namespace quorvella
