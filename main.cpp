// Quorvella: the multiplication table against the clock.
#include "app/qt_game.h"

int main(int argc, char** argv) {
  return quorvella::app::RunGame(argc, argv);
}
