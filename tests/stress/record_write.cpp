// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// One write of a record through the store, for tests that watch it from outside the process
// (write_order_test.sh traces its system calls). Usage: record_write <dir/> <score> <name>
#include <cstdio>

#include "platform/runtime.h"
#include "records/store.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: record_write <dir/> <score> <name>\n");
    return 2;
  }
  try {
    quorvella::records::LocalStore(argv[1]).Write(argv[2], argv[3]);
  } catch (const quorvella::RuntimeError& error) {
    std::fprintf(stderr, "record_write: %s\n", error.Message().c_str());
    return 1;
  }
  return 0;
}
