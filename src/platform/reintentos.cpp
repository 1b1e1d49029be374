// The retry rule, the same on every system: only the cause of a failure
// differs, and FunFalloTransitorio tells it.
#include <chrono>
#include <thread>

#include "platform/archivos.h"

namespace {

// A scanner or indexer holds a file for well under a second, so pauses of
// 25, 50, ... 225 ms (1.125 s in all, nine retries) ride out a short hold
// without making the operator wait long for a file that stays held.
const int kReintentos = 9;
const int kPausaBaseMs = 25;

}  // namespace

bool FunReintentar(bool (*intento)(), bool esperar) {
  for (int vez = 1;; ++vez) {
    if (intento()) return true;
    if (!esperar || vez > kReintentos || !FunFalloTransitorio()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPausaBaseMs * vez));
  }
}
