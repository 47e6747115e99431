#include "package/parameter_block.h"

#include <algorithm>
#include <string>

#include "common/text.h"

namespace firmware {

IcFamily ParameterBlock::Family() const {
  const std::string text = common::TextFromBytes(bytes_.first(std::min(bytes_.size(), kSize)));
  if (text.find(k4610Signature) != std::string::npos) return IcFamily::k4610;
  if (text.find(k4620Signature) != std::string::npos) return IcFamily::k4620;
  return IcFamily::kNone;
}

std::span<const uint8_t> ParameterBlock::IdentityField() const {
  if (bytes_.size() <= kIdentityField) return {};
  return bytes_.subspan(kIdentityField,
                        std::min(identity_field::kSize, bytes_.size() - kIdentityField));
}

}  // namespace firmware
