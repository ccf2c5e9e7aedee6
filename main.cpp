// Quorvella: the multiplication table against the clock.
#include "platform/qt/app.h"

int main(int argc, char** argv) { return quorvella::qt::RunGame(argc, argv); }
