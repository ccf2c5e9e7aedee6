// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#include "app/services.h"

#ifdef QUORVELLA_RECORD_HELPER
#include <unistd.h>

#include "records/helper_store.h"
#endif
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
#ifdef QUORVELLA_RECORD_HELPER
  // The installed game holds no privilege: the helper, set-group-id games, writes the shared
  // record. A build without the installed helper (a checkout, a test) writes it itself.
  if (options.recordDir.empty() && ::access(QUORVELLA_RECORD_HELPER, X_OK) == 0) {
    return std::make_unique<records::HelperStore>(QUORVELLA_RECORD_HELPER, dir);
  }
#endif
  return std::make_unique<records::LocalStore>(dir);
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

}  // namespace quorvella::app
