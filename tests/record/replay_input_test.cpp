// A recording is untrusted input: lines that are no recorded calls are refused
// with their line number before anything runs, and an answer that does not fit
// what the tool asked (a reply longer than its buffer, a count past the
// request) stops the replay with a report instead of being trusted.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/scsi_pass_through.h"
#include "record/recording_reader.h"
#include "record/replay_os.h"

namespace {

constexpr const char* kHeader =
    R"({"format":"ssdtools-recording","version":1,"tool":"t","backend":"lab",)"
    R"("commandLine":["list"],"home":"/h","start":"s","data":"digest","anonymized":false})"
    "\n";

std::string ErrorOf(const std::string& text) {
  std::string error;
  EXPECT_FALSE(record::ParseRecording(text, error).has_value()) << text;
  return error;
}

TEST(RecordingInput, LinesThatAreNoRecordedCallsAreRefusedWithTheirLine) {
  const std::string deep = std::string(200, '[') + std::string(200, ']');
  const struct {
    std::string body;
    const char* error;
  } cases[] = {
      {deep + "\n", "line 2 is no JSON object: nesting too deep"},
      {R"({"call":"Sleep","ask":{"ms":99999999999999999999},"answer":{}})" "\n",
       "line 2 is no JSON object: number too large"},
      {"{\"call\":\"Sleep\x01\"}\n", "line 2 is no JSON object: control character in a string"},
      {R"({"call":"Sleep","answer":{}})" "\n", "line 2 is no recorded call"},
      {R"({"call":"ReadFile","handle":"7","ask":{},"answer":{}})" "\n",
       "line 2 is no recorded call"},
      {R"({"call":"Sleep","ask":{},"answer":{}} x)" "\n", "text after the value"},
      {R"({"call":"Sleep","ask":{"t":"\u0100"},"answer":{}})" "\n", "\\u escape above 00ff"},
  };
  for (const auto& c : cases) {
    const std::string error = ErrorOf(std::string(kHeader) + c.body);
    EXPECT_NE(error.find(c.error), std::string::npos) << c.body << " -> " << error;
  }
  EXPECT_EQ(ErrorOf(""), "the recording is empty");
  EXPECT_EQ(ErrorOf("{\"format\":\"other\"}\n"), "line 1 is no recording header");
  EXPECT_EQ(ErrorOf(R"({"format":"ssdtools-recording","version":1})" "\n"),
            "the recording header has no command line");
  // Trace lines are kept in the file but never matched.
  std::string error;
  const auto r = record::ParseRecording(
      std::string(kHeader) +
          R"({"call":"OutputDebugStringA","ask":{"text":"x"},"answer":{}})" "\n",
      error);
  ASSERT_TRUE(r.has_value()) << error;
  EXPECT_TRUE(r->calls.empty());
  EXPECT_EQ(r->commandLine, std::vector<std::string>{"list"});
}

struct Diverged : std::runtime_error {
  using std::runtime_error::runtime_error;
};

record::ReplayOs ReplayOf(const std::string& calls) {
  std::string error;
  auto r = record::ParseRecording(std::string(kHeader) + calls, error);
  EXPECT_TRUE(r.has_value()) << error;
  return record::ReplayOs(r.value_or(record::Recording{}), "t.rec",
                          [](const std::string& report) { throw Diverged(report); });
}

std::string ReportOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Diverged& d) {
    return d.what();
  }
  return "";
}

TEST(ReplayAnswers, AnAnswerThatDoesNotFitTheRequestStopsTheReplay) {
  auto os = ReplayOf(
      R"({"call":"DeviceIoControl","handle":9,"ask":{"code":1,"in":"","outSize":4},)"
      R"("answer":{"ok":true,"returned":8,"out":"0102030405060708","error":0}})" "\n"
      R"({"call":"ReadFile","handle":9,"ask":{"size":4},)"
      R"("answer":{"ok":true,"read":4096,"error":0}})" "\n");
  uint8_t out[4] = {};
  os::DWORD returned = 0;
  EXPECT_NE(ReportOf([&] {
              os.DeviceIoControl(os::HandleFromValue(9), 1, nullptr, 0, out, 4, &returned);
            }).find("line 2 of t.rec has a reply longer than the caller's buffer"),
            std::string::npos);
  EXPECT_NE(ReportOf([&] {
              os.ReadFile(os::HandleFromValue(9), out, 4, &returned);
            }).find("line 3 of t.rec has no valid \"read\""),
            std::string::npos);
}

TEST(ReplayAnswers, ADirectRequestGetsItsDataAndKeepsItsOwnPointer) {
  // What a recorder wrote for an INQUIRY through SCSI_PASS_THROUGH_DIRECT:
  // the block with its pointer zeroed, the data read beside it.
  os::SCSI_PASS_THROUGH_DIRECT block{};
  block.Length = sizeof(block);
  block.CdbLength = 6;
  block.DataIn = os::SCSI_IOCTL_DATA_IN;
  block.DataTransferLength = 4;
  block.Cdb[0] = 0x12;
  block.Cdb[4] = 4;
  std::string hex;
  for (size_t i = 0; i < sizeof(block); ++i) {
    static const char* d = "0123456789abcdef";
    const uint8_t b = reinterpret_cast<const uint8_t*>(&block)[i];
    hex += d[b >> 4];
    hex += d[b & 15];
  }
  const std::string size = std::to_string(sizeof(block));
  std::string trimmed = hex;
  while (trimmed.size() >= 2 && trimmed.compare(trimmed.size() - 2, 2, "00") == 0)
    trimmed.resize(trimmed.size() - 2);
  auto os = ReplayOf(R"({"call":"DeviceIoControl","handle":3,"ask":{"code":)" +
                     std::to_string(os::IOCTL_SCSI_PASS_THROUGH_DIRECT) + R"(,"in":")" + hex +
                     R"(","outSize":)" + size + R"(,"dataInLength":4},"answer":{"ok":true,)" +
                     R"("returned":)" + size + R"(,"out":")" + trimmed +
                     R"(","dataIn":"00000005","error":0}})" "\n");
  uint8_t data[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  block.DataBuffer = data;
  os::DWORD returned = 0;
  ASSERT_TRUE(os.DeviceIoControl(os::HandleFromValue(3), os::IOCTL_SCSI_PASS_THROUGH_DIRECT,
                                 &block, sizeof(block), &block, sizeof(block), &returned));
  EXPECT_EQ(block.DataBuffer, data);
  EXPECT_EQ(data[3], 0x05);
  EXPECT_EQ(data[0], 0x00);
  EXPECT_EQ(returned, sizeof(block));
  EXPECT_FALSE(os.Unasked().has_value());
}

}  // namespace
