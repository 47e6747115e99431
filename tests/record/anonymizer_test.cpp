// Anonymizing: one stand-in per serial, of the same length, wherever the
// serial turns up (byte-swapped in IDENTIFY data, as text in a descriptor or a
// trace line); the WWN of IDENTIFY data and user names in paths replaced.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "record/anonymizer.h"
#include "record/sha256.h"

namespace {

// An IDENTIFY DEVICE block as a drive sends it: strings with byte pairs
// swapped, WWN in words 108-111, signature in word 255.
std::vector<uint8_t> Identify(const std::string& serial) {
  std::vector<uint8_t> id(512, 0);
  const auto put = [&id](size_t at, std::string text, size_t length) {
    text.resize(length, ' ');
    for (size_t i = 0; i < length; ++i) id[at + (i ^ 1)] = static_cast<uint8_t>(text[i]);
  };
  put(20, serial, 20);
  put(46, "FW01", 8);
  put(54, "VKM SATA SSD", 40);
  const uint8_t wwn[8] = {0x01, 0x50, 0x40, 0xB4, 0x12, 0x34, 0x56, 0x78};
  std::copy(wwn, wwn + 8, id.begin() + 216);
  id[510] = 0xA5;
  return id;
}

std::string Text(const std::vector<uint8_t>& b, size_t at, size_t n) {
  return std::string(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n));
}

TEST(Anonymizer, ASerialGetsOneStandInInIdentifyDataDescriptorsAndTexts) {
  record::Anonymizer a;
  auto id = Identify("SER123456");
  a.ScrubReply(id);
  // Swapped back, the field holds a stand-in of the serial's length.
  std::string field;
  for (size_t i = 0; i < 20; ++i) field.push_back(static_cast<char>(id[20 + (i ^ 1)]));
  EXPECT_EQ(field, "ANON00001           ");
  EXPECT_EQ(Text(id, 54, 4), "KV M");  // the model stays
  EXPECT_NE(id[219], 0xB4);            // the WWN does not

  // The same serial in a storage device descriptor and in a trace line.
  std::vector<uint8_t> descriptor(64, 0);
  descriptor[0] = 40;
  descriptor[4] = 64;
  descriptor[24] = 48;
  const std::string serial = "SER123456";
  std::copy(serial.begin(), serial.end(), descriptor.begin() + 48);
  a.ScrubReply(descriptor);
  EXPECT_EQ(Text(descriptor, 48, 9), "ANON00001");
  EXPECT_EQ(a.ScrubText("[VKM_SCAN] SN=SER123456 at /home/alice/tool/Setting.ini"),
            "[VKM_SCAN] SN=ANON00001 at /home/user/tool/Setting.ini");

  // A second drive's serial met first as text gets its own stand-in, and the
  // same one once its IDENTIFY data shows it.
  a.Learn("OTHER0000000000001");
  EXPECT_EQ(a.ScrubText("OTHER0000000000001"), "ANON00000000000002");
  auto second = Identify("OTHER0000000000001");
  a.ScrubReply(second);
  std::string secondField;
  for (size_t i = 0; i < 20; ++i) secondField.push_back(static_cast<char>(second[20 + (i ^ 1)]));
  EXPECT_EQ(secondField, "ANON00000000000002  ");
  EXPECT_EQ(a.ScrubText(R"(C:\Users\Alice\Desktop and /media/alice/BACKUP2 mounted)"),
            R"(C:\Users\user\Desktop and /media/user/volume1 mounted)");
}

TEST(Sha256, KnownDigests) {
  const auto hex = [](const std::string& s) {
    return record::Sha256Hex({reinterpret_cast<const uint8_t*>(s.data()), s.size()});
  };
  EXPECT_EQ(hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

}  // namespace
