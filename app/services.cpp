#include "app/services.h"

namespace quorvella::app {
namespace {

std::unique_ptr<Random> MakeRandom(const Options& options, Random* given) {
  if (given) return nullptr;
  return options.seed ? std::make_unique<SystemRandom>(*options.seed)
                      : std::make_unique<SystemRandom>();
}

}  // namespace

ServiceSet::ServiceSet(const Options& options, Random* random, Clock* clock)
    : ownRandom_(MakeRandom(options, random)),
      ownClock_(clock ? nullptr : std::make_unique<SystemClock>()),
      random_(random ? *random : *ownRandom_),
      clock_(clock ? *clock : *ownClock_),
      recordDir_(options.recordDir) {}

Services ServiceSet::For(Ui& ui) {
  Services s{ui, random_, clock_, files};
  if (!recordDir_.empty()) s.systemDir = [dir = recordDir_] { return dir; };
  return s;
}

}  // namespace quorvella::app
