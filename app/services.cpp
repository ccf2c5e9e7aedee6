// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "app/services.h"

#ifdef QUORVELLA_RECORD_HELPER
#include <unistd.h>

#include "records/helper_store.h"
#endif
#include <cstdlib>

#include "records/pending.h"
#include "records/records.h"

namespace quorvella::app {
namespace {

std::unique_ptr<Random> MakeRandom(const Options& options, Random* given) {
  if (given) return nullptr;
  return options.seed ? std::make_unique<SystemRandom>(*options.seed)
                      : std::make_unique<SystemRandom>();
}

std::unique_ptr<records::RecordStore> MakeStore(const Options& options) {
  const std::string dir = options.recordDir.empty() ? records::GetSystemDir() : options.recordDir;
  std::unique_ptr<records::RecordStore> store;
#ifdef QUORVELLA_RECORD_HELPER
  // The installed game holds no privilege: the helper, set-group-id games, writes the shared
  // record. A build without the installed helper (a checkout, a test) writes it itself.
  if (options.recordDir.empty() && ::access(QUORVELLA_RECORD_HELPER, X_OK) == 0) {
    store = std::make_unique<records::HelperStore>(QUORVELLA_RECORD_HELPER, dir);
  }
#endif
  if (!store) store = std::make_unique<records::LocalStore>(dir);
  // A record the busy lock kept out waits in the player's own folder; a directory given by a
  // test keeps nothing there.
  if (!options.recordDir.empty()) return store;
  const std::string folder =
      records::StateFolder([](const char* name) { return std::getenv(name); });
  if (folder.empty()) return store;
  return std::make_unique<records::PendingStore>(std::move(store), folder);
}

}  // namespace

ServiceSet::ServiceSet(const Options& options, Random* random, Clock* clock)
    : store(MakeStore(options)),
      ownRandom_(MakeRandom(options, random)),
      ownClock_(clock ? nullptr : std::make_unique<SystemClock>()),
      random_(random ? *random : *ownRandom_),
      clock_(clock ? *clock : *ownClock_) {}

Services ServiceSet::For(Ui& ui) {
  return Services{ui, random_, clock_, files, *store};
}

void TracedSink::Call(std::string_view handler, std::int16_t* keyAscii) {
  if (trace_) {
    if (keyAscii) {
      std::fprintf(trace_, "%.*s %d\n", static_cast<int>(handler.size()), handler.data(),
                   *keyAscii);
    } else {
      std::fprintf(trace_, "%.*s\n", static_cast<int>(handler.size()), handler.data());
    }
    std::fflush(trace_);
  }
  game_.Call(handler, keyAscii);
}

}  // namespace quorvella::app
