// The recorder over a small backend: each call is in the file as soon as it
// returns (nothing waits for the end of the run), the error the backend left
// reaches the caller, and the backend's own trace lines come back in a replay
// in the call they were written in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/virtual_os.h"
#include "record/recording_os.h"
#include "record/recording_reader.h"
#include "record/replay_os.h"
#include "support/temp_dir.h"

namespace {

// A backend that explains itself on the trace, as the Linux backend does.
class TalkativeOs : public os::VirtualOs {
 public:
  bool FileExists(const std::string& path) override {
    OutputDebugStringA("[LINUX] looked for " + path);
    SetLastError(os::ERROR_FILE_NOT_FOUND);
    return false;
  }
};

std::string Read(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Recording, EachCallIsOnDiskWhenItReturnsAndTheBackendsTraceReplays) {
  testsupport::TempDir dir;
  const auto file = dir.Path() / "run.rec";
  std::string error;
  record::RecordingHeader header;
  header.commandLine = {"list"};
  auto writer = record::RecordingWriter::Create(file.string(), header, error);
  ASSERT_NE(writer, nullptr) << error;
  record::RecordingOs rec(std::make_unique<TalkativeOs>(), std::move(writer), {}, nullptr);
  rec.Trace().SetCapture(true);

  rec.Sleep(250);
  EXPECT_FALSE(rec.FileExists("/opt/tool/Setting.ini"));
  EXPECT_EQ(rec.GetLastError(), os::ERROR_FILE_NOT_FOUND);
  rec.OutputDebugStringA("[VKM_SCAN] done");
  const uint64_t ticks = rec.GetTickCount64();
  EXPECT_EQ(ticks, 250u);
  ASSERT_EQ(rec.Trace().Captured().size(), 2u);
  EXPECT_EQ(rec.Trace().Captured()[0], "[LINUX] looked for /opt/tool/Setting.ini");

  // Read while the recorder still runs, as after a kill.
  const std::string text = Read(file);
  auto recording = record::ParseRecording(text, error);
  ASSERT_TRUE(recording.has_value()) << error << "\n" << text;
  ASSERT_EQ(recording->calls.size(), 3u);
  EXPECT_EQ(recording->calls[1].call, "FileExists");
  EXPECT_EQ(recording->calls[1].backendTrace,
            std::vector<std::string>{"[LINUX] looked for /opt/tool/Setting.ini"});
  EXPECT_NE(text.find(R"("answer":{"ok":false,"error":2})"), std::string::npos);

  record::ReplayOs replay(std::move(*recording), file.string());
  replay.Trace().SetCapture(true);
  replay.Sleep(250);
  EXPECT_FALSE(replay.FileExists("/opt/tool/Setting.ini"));
  EXPECT_EQ(replay.GetLastError(), os::ERROR_FILE_NOT_FOUND);
  replay.OutputDebugStringA("[VKM_SCAN] done");
  EXPECT_EQ(replay.GetTickCount64(), 250u);
  EXPECT_EQ(replay.Trace().Captured(), rec.Trace().Captured());
  EXPECT_FALSE(replay.Unasked().has_value());
}

}  // namespace
