#include "package/flash_info_block.h"

#include <algorithm>

#include "common/text.h"

namespace firmware {

std::string FlashInfoBlock::DieText() const {
  const size_t end = std::min(bytes_.size(), kSize);
  if (end <= kDieText) return {};
  return common::TextFromBytes(bytes_.subspan(kDieText, end - kDieText));
}

}  // namespace firmware
