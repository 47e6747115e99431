#include "lab/edge/edge_request.h"

namespace lab::edge {

Reply EdgeContext::Unanswered(bool timedOut, os::DWORD timeoutSeconds) const {
  if (!timedOut) return Reply::Fail(os::ERROR_DEV_NOT_EXIST);
  // The port driver waits the whole time-out before it gives up.
  clock.Advance(uint64_t{timeoutSeconds} * 1000);
  return Reply::Fail(os::ERROR_SEM_TIMEOUT);
}

}  // namespace lab::edge
