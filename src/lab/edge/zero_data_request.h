#pragma once
// The two sparse-store requests a clone makes on a disk handle:
// FSCTL_SET_ZERO_DATA zeroes a range in the media file without writing it,
// and FSCTL_QUERY_ALLOCATED_RANGES tells which stretches hold anything, so a
// clone neither reads nor writes gigabytes of zeros.
#include "lab/edge/edge_request.h"

namespace lab::edge {

Reply ZeroDataRequest(const EdgeContext& ctx, const Request& r);
Reply AllocatedRangesRequest(const Request& r);

}  // namespace lab::edge
