// Recording runs on the demo lab and replaying them without it: the replay
// prints the same output, JSON and run log byte for byte, and leaves the
// drives alone; a recording that no longer matches the tool stops the replay
// with a report and exit code 5; a cut-off recording is refused; anonymizing
// replaces a serial everywhere and still replays.
#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "lab/demo/open_lab.h"
#include "record/hex.h"
#include "record_replay_fixture.h"
#include "shell/replay_check.h"
#include "support/lab_builder.h"

namespace recordtest {
namespace {

// The state of every demo drive (firmware, CID, password) and media file.
std::string LabState(const fs::path& lab) {
  std::string state;
  if (!fs::exists(lab)) return state;
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(lab))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& f : files) {
    state += f.string() + "\n";
    // A media file is sparse and as large as its disk: its size and time of
    // last change stand for it.
    if (fs::file_size(f) > (1u << 20)) {
      state += std::to_string(fs::file_size(f)) + " " +
               std::to_string(fs::last_write_time(f).time_since_epoch().count()) + "\n";
      continue;
    }
    std::ifstream in(f, std::ios::binary);
    state += std::string(std::istreambuf_iterator<char>(in), {});
  }
  return state;
}

void ExpectSameRun(const RunResult& recorded, const RunResult& replayed, const char* what) {
  EXPECT_EQ(replayed.code, recorded.code) << what << "\n" << replayed.err;
  EXPECT_EQ(replayed.out, recorded.out) << what;
  EXPECT_EQ(replayed.log, recorded.log) << what;
  EXPECT_EQ(replayed.err, recorded.err) << what;
}

std::string SwappedHex(std::string field) {
  for (size_t i = 0; i + 1 < field.size(); i += 2) std::swap(field[i], field[i + 1]);
  return record::ToHex({reinterpret_cast<const uint8_t*>(field.data()), field.size()});
}

std::string PlainHex(const std::string& text) {
  return record::ToHex({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

TEST_F(DemoRecording, StartUpListInfoAndSmartReplayByteForByte) {
  const RunResult start = Headless({"--record", Rec("start.rec")});
  ASSERT_EQ(start.code, 0) << start.err;
  ExpectSameRun(start, Headless({"--replay", Rec("start.rec")}), "start-up");

  const std::vector<std::vector<std::string>> commands = {
      {"list", "--json"}, {"info", "2", "--json"}, {"smart", "4", "--json"}, {"smart", "1"}};
  for (const auto& command : commands) {
    auto recordArgs = command;
    recordArgs.insert(recordArgs.end(), {"--lab", "demo", "--record", Rec("cmd.rec")});
    const RunResult recorded = Cli(recordArgs);
    ASSERT_EQ(recorded.code, 0) << command[0] << ": " << recorded.err;
    ASSERT_FALSE(recorded.out.empty());
    auto replayArgs = command;
    replayArgs.insert(replayArgs.end(), {"--replay", Rec("cmd.rec")});
    ExpectSameRun(recorded, Cli(replayArgs), command[0].c_str());

    // What `ssdtools replay --check` runs: the header's command line, every
    // recorded call asked (a run that stops short ends the process).
    std::string error;
    const auto check = app::ParseReplayCheck({"replay", "--check", Rec("cmd.rec")}, error);
    ASSERT_TRUE(check.has_value()) << error;
    EXPECT_EQ(check->args.front(), command.front());
    EXPECT_EQ(std::count(check->args.begin(), check->args.end(), "--lab"), 0);
    std::ostringstream out, err;
    const auto o = app::cli::ParseCli(check->args, error);
    ASSERT_TRUE(o.has_value()) << error;
    EXPECT_TRUE(o->recording.wholeReplay);
    EXPECT_EQ(app::cli::RunCli(*o, home.Str(), out, err, false), 0);
    EXPECT_EQ(out.str(), recorded.out);
  }
  // The header says what ran and the format; every call line is whole JSON.
  const auto lines = Lines(ReadFile(Rec("cmd.rec")));
  ASSERT_GT(lines.size(), 100u);
  EXPECT_EQ(lines[0].rfind(R"({"format":"ssdtools-recording","version":1,"tool":")", 0), 0u);
  EXPECT_NE(lines[0].find(R"("backend":"lab","commandLine":["smart","1","--lab","demo")"),
            std::string::npos);
  EXPECT_NE(lines[1].find(R"("call":)"), std::string::npos);
}

TEST_F(DemoRecording, UpdateAndEraseReplayByteForByteAndLeaveTheDrivesAlone) {
#ifdef _WIN32
  GTEST_SKIP() << "fails under wine, not yet understood (see the issue's note); passes on Linux";
#endif
  const fs::path lab = work.Path() / "demo-lab";
  const RunResult update =
      Cli({"update", "--all", "--yes", "--json", "--lab", "demo", "--record", Rec("update.rec")});
  ASSERT_NE(update.out.find("\"drives\""), std::string::npos) << update.out << update.err;
  const std::string afterUpdate = LabState(lab);
  // The firmware download went out as requests with data: kept as digests.
  const std::string updateText = ReadFile(Rec("update.rec"));
  EXPECT_NE(updateText.find(R"("sha256":")"), std::string::npos);

  ExpectSameRun(update, Cli({"update", "--all", "--yes", "--json", "--replay", Rec("update.rec")}),
                "update");
  EXPECT_EQ(LabState(lab), afterUpdate) << "the replay reached the lab";

  const RunResult erase =
      Cli({"erase", "2", "--yes", "--json", "--lab", "demo", "--record", Rec("erase.rec")});
  ASSERT_EQ(erase.code, 0) << erase.out << erase.err;
  const std::string afterErase = LabState(lab);
  EXPECT_NE(afterErase, afterUpdate);
  ExpectSameRun(erase, Cli({"erase", "2", "--yes", "--json", "--replay", Rec("erase.rec")}),
                "erase");
  EXPECT_EQ(LabState(lab), afterErase);
}

TEST_F(DemoRecording, ACloneReplaysFromItsDataAndWritesNothing) {
  // The demo's disks hold hundreds of gigabytes: the clone runs on two small
  // disks of a lab of its own, with data at both ends and in a middle chunk.
  testsupport::LabBuilder b;
  b.Sata("Disk S", "generic", {"Number=1", "Serial=SRC0000000000000001", "Capacity=12381"});
  b.Sata("Disk D", "generic", {"Number=2", "Serial=DST0000000000000001", "Capacity=12381"});
  testsupport::TempDir cloneLab;
  cloneLab.Write("lab.ini", b.Text());
  home.Write("Setting.ini", "[Option]\nErrorLog=1\nSSDToolLogName=Log.txt\nPopUpMsgBox=1\n");
  const auto media = [&cloneLab](const char* section) {
    std::string error;
    auto os = lab::OpenLab(cloneLab.Str(), error);
    std::vector<uint8_t> bytes(12381 * 512);
    os->Machine().DiskBySection(section)->GetMedia().Read(0, 12381, bytes.data());
    return bytes;
  };
  {
    std::string error;
    auto os = lab::OpenLab(cloneLab.Str(), error);
    ASSERT_NE(os, nullptr) << error;
    for (uint64_t lba : {0ull, 6190ull, 12380ull}) {
      std::vector<uint8_t> s(512, static_cast<uint8_t>(lba % 251 + 1));
      os->Machine().DiskBySection("Disk S")->GetMedia().Write(lba, 1, s.data());
    }
  }
  const std::vector<std::string> args = {"--source", "1", "--destination", "2", "--yes", "--json"};
  auto recordArgs = args;
  recordArgs.insert(recordArgs.end(), {"--record", Rec("clone.rec"), "--record-data"});
  const RunResult cloned = Clone(recordArgs, cloneLab.Str());
  ASSERT_EQ(cloned.code, 0) << cloned.out << cloned.err;
  const auto destination = media("Disk D");
  EXPECT_EQ(destination, media("Disk S"));

  // A destination written over since: the replay must not touch it.
  {
    std::string error;
    auto os = lab::OpenLab(cloneLab.Str(), error);
    std::vector<uint8_t> s(512, 0xEE);
    os->Machine().DiskBySection("Disk D")->GetMedia().Write(0, 1, s.data());
  }
  auto replayArgs = args;
  replayArgs.insert(replayArgs.end(), {"--replay", Rec("clone.rec")});
  ExpectSameRun(cloned, Clone(replayArgs, ""), "clone");
  EXPECT_EQ(media("Disk D")[0], 0xEE);
}

TEST_F(DemoRecording, AChangedAnswerStopsTheReplayWithTheReportAndExitCode5) {
#ifdef _WIN32
  GTEST_SKIP() << "fails under wine, not yet understood (see the issue's note); passes on Linux";
#endif
  ASSERT_EQ(Cli({"info", "2", "--lab", "demo", "--record", Rec("info.rec")}).code, 0);
  auto lines = Lines(ReadFile(Rec("info.rec")));
  // The handle the second disk's opening answered: the tool's next request on
  // it is no longer one the recording holds on that handle.
  size_t opened = 0;
  for (size_t i = 1; i < lines.size() && !opened; ++i)
    if (lines[i].find(R"("call":"CreateFileA")") != std::string::npos &&
        lines[i].find(R"(PHYSICALDRIVE2")") != std::string::npos &&
        lines[i].find(R"("handle":4294967295)") == std::string::npos)
      opened = i;
  ASSERT_NE(opened, 0u);
  const std::string answer = R"("answer":{"handle":)";
  const size_t handleAt = lines[opened].find(answer);
  ASSERT_NE(handleAt, std::string::npos) << lines[opened];
  const size_t digits = handleAt + answer.size();
  const size_t digitsEnd = lines[opened].find_first_not_of("0123456789", digits);
  ASSERT_GT(digitsEnd, digits);
  lines[opened].replace(digits, digitsEnd - digits, "99999");
  WriteFile(Rec("changed.rec"), Joined(lines));
  EXPECT_EXIT(Cli({"info", "2", "--replay", Rec("changed.rec")}), ::testing::ExitedWithCode(5),
              "the replay left the recording .*changed.rec after its last line .*\n"
              "  the tool asked:     [A-Za-z]+ on handle 99999 .*\n"
              "  the recording holds no further call on this handle");

  // A request the tool sends differently from the recorded one (here the
  // recorded disk number of the opening): both are shown, with the line.
  lines = Lines(ReadFile(Rec("info.rec")));
  const size_t at = lines[opened].find("PHYSICALDRIVE2");
  lines[opened].replace(at, 14, "PHYSICALDRIVE9");
  WriteFile(Rec("asked.rec"), Joined(lines));
  EXPECT_EXIT(Cli({"info", "2", "--replay", Rec("asked.rec")}), ::testing::ExitedWithCode(5),
              "left the recording .*asked.rec at line " + std::to_string(opened + 1) +
                  ":\n  the tool asked:     CreateFileA .*PHYSICALDRIVE2.*\n"
                  "  the recording has:  CreateFileA .*PHYSICALDRIVE9");
}

TEST_F(DemoRecording, AnEraseThatWouldWriteOtherBytesIsNotCarriedOut) {
#ifdef _WIN32
  GTEST_SKIP() << "fails under wine, not yet understood (see the issue's note); passes on Linux";
#endif
  ASSERT_EQ(Cli({"erase", "2", "--yes", "--lab", "demo", "--record", Rec("erase.rec")}).code, 0);
  auto lines = Lines(ReadFile(Rec("erase.rec")));
  // The first request that carries data to the drive, one of its bytes changed.
  size_t carrying = 0;
  for (size_t i = 1; i < lines.size() && !carrying; ++i)
    if (lines[i].find(R"("dataOut":")") != std::string::npos) carrying = i;
  ASSERT_NE(carrying, 0u);
  const size_t at = lines[carrying].find(R"("dataOut":")") + 11;
  lines[carrying][at] = lines[carrying][at] == '0' ? '1' : '0';
  WriteFile(Rec("erase2.rec"), Joined(lines));
  EXPECT_EXIT(Cli({"erase", "2", "--yes", "--replay", Rec("erase2.rec")}),
              ::testing::ExitedWithCode(5),
              "at line " + std::to_string(carrying + 1) +
                  ":\n.*\n.*\n  a request that changes the drive or the machine is answered only "
                  "when it matches the recording exactly; it was not carried out");
}

TEST_F(DemoRecording, ARecordingCutOffOrDamagedIsRefusedBeforeTheRunStarts) {
  ASSERT_EQ(Cli({"list", "--lab", "demo", "--record", Rec("list.rec")}).code, 0);
  const std::string text = ReadFile(Rec("list.rec"));
  const auto lines = Lines(text);
  // Cut in the middle of line 40, as a kill while writing it would leave it.
  std::string cut = Joined({lines.begin(), lines.begin() + 39});
  cut += lines[39].substr(0, lines[39].size() / 2);
  WriteFile(Rec("cut.rec"), cut);
  RunResult r = Cli({"list", "--replay", Rec("cut.rec")});
  EXPECT_EQ(r.code, app::cli::kExitUsage);
  EXPECT_NE(r.err.find("cut.rec: the recording ends in the middle of line 40 (the file was cut "
                       "off)"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(r.out.empty());

  // The same half line followed by the rest: no JSON object.
  WriteFile(Rec("broken.rec"), cut + "\n" + Joined({lines.begin() + 40, lines.end()}));
  r = Cli({"list", "--replay", Rec("broken.rec")});
  EXPECT_EQ(r.code, app::cli::kExitUsage);
  EXPECT_NE(r.err.find("line 40 is no JSON object"), std::string::npos) << r.err;

  // A newer format is named, not guessed at.
  std::string newer = text;
  newer.replace(newer.find(R"("version":1)"), 11, R"("version":2)");
  WriteFile(Rec("newer.rec"), newer);
  r = Cli({"list", "--replay", Rec("newer.rec")});
  EXPECT_NE(r.err.find("the recording has format version 2; this tool reads version 1"),
            std::string::npos)
      << r.err;
}

TEST_F(DemoRecording, AnonymizingReplacesASerialEverywhereAndStillReplays) {
  const std::string serial = "VK20000000000000001";
  const RunResult plain = Cli({"info", "serial:" + serial, "--json", "--lab", "demo", "--record",
                               Rec("plain.rec")});
  ASSERT_EQ(plain.code, 0) << plain.err;
  const std::string plainText = ReadFile(Rec("plain.rec"));
  // Without anonymizing the serial is there: in the header, as text in
  // replies, and byte-swapped in the IDENTIFY data.
  ASSERT_NE(plainText.find(serial), std::string::npos);
  ASSERT_NE(plainText.find(PlainHex(serial)), std::string::npos);
  ASSERT_NE(plainText.find(SwappedHex(serial + " ")), std::string::npos);

  const RunResult anon = Cli({"info", "serial:" + serial, "--json", "--lab", "demo", "--record",
                              Rec("anon.rec"), "--record-anonymize"});
  ASSERT_EQ(anon.code, 0) << anon.err;
  EXPECT_EQ(anon.out, plain.out);  // the tool itself saw the real drive
  const std::string anonText = ReadFile(Rec("anon.rec"));
  EXPECT_EQ(anonText.find(serial), std::string::npos);
  EXPECT_EQ(anonText.find(PlainHex(serial)), std::string::npos);
  EXPECT_EQ(anonText.find(SwappedHex(serial + " ")), std::string::npos);
  EXPECT_NE(Lines(anonText)[0].find(R"("anonymized":true)"), std::string::npos);

  // The replay of the header's command line names the drive by its stand-in
  // and runs to the end; the stand-in is in the IDENTIFY data too.
  std::string error;
  const auto check = app::ParseReplayCheck(
      {"replay", "--check", Rec("anon.rec"), "--home", home.Str()}, error);
  ASSERT_TRUE(check.has_value()) << error;
  const auto o = app::cli::ParseCli(check->args, error);
  ASSERT_TRUE(o.has_value()) << error;
  ASSERT_EQ(o->drives.size(), 1u);
  const std::string standIn = o->drives[0].substr(7);
  EXPECT_EQ(standIn.size(), serial.size());
  EXPECT_NE(standIn, serial);
  EXPECT_NE(anonText.find(SwappedHex(standIn + " ")), std::string::npos);
  std::ostringstream out, err;
  EXPECT_EQ(app::cli::RunCli(*o, home.Str(), out, err, false), 0) << err.str();
  EXPECT_EQ(out.str().find(serial), std::string::npos);
  EXPECT_NE(out.str().find("\"serial\": \"" + standIn + "\""), std::string::npos) << out.str();
  // The drive's WWN got a stand-in as well.
  const std::string wwn = "\"World wide name, word 109 (IEEE OUI and unique ID)\",\n      \"";
  ASSERT_NE(plain.out.find(wwn), std::string::npos);
  EXPECT_NE(out.str().substr(out.str().find(wwn), wwn.size() + 6),
            plain.out.substr(plain.out.find(wwn), wwn.size() + 6));
}

}  // namespace
}  // namespace recordtest
