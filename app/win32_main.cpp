// Quorvella for Windows: the multiplication table against the clock.
#include "app/win32_game.h"

int main() {
  return quorvella::app::RunWin32Game(GetModuleHandleW(nullptr));
}
