// Quorvella: the multiplication table against the clock.
#include <cstdio>

#include "app/qt_game.h"
#include "platform/privileges.h"

int main(int argc, char** argv) {
  // Installed set-group-id games: give the group up before any toolkit code runs. It is taken
  // back only around the creation and replacement of the record files.
  if (!quorvella::DropGroupPrivileges()) {
    std::perror("quorvella: cannot give up the games group");
    return 1;
  }
  return quorvella::app::RunGame(argc, argv);
}
