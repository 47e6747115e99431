#pragma once
// FSCTL_SET_ZERO_DATA on a disk handle: the range is dropped from the media
// (a hole in its sparse file), so a clone zeroes gigabytes without moving them.
#include "lab/edge/edge_request.h"

namespace lab::edge {

Reply ZeroDataRequest(const EdgeContext& ctx, const Request& r);

}  // namespace lab::edge
