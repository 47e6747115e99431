#pragma once
// Whether what the tool asks now is what the recording says it asked: the
// same members with the same values; a buffer kept only as a digest matches
// bytes of that length and digest; a text path matches once the replay's tool
// folder is put in the recorded one's place (and, in an anonymized recording,
// the user's name in a path is left out of the comparison).
#include <string>

#include "record/json_value.h"

namespace record {

struct PathMapping {
  std::string recordedHome;
  std::string replayHome;
  bool anonymized = false;
};

bool AskMatches(const Json& recorded, const Json& actual, const PathMapping& paths);

// The destructive requests: what changes a drive, a file or the machine.
bool IsDestructive(const std::string& call, const Json& ask);

}  // namespace record
