// The GREIS command dialogue against the fake receiver: one command and its reply, the queries,
// the file list, and the dialogue's bracket on the port.
#include <string>
#include <vector>

#include "tests/support/wait_until.h"
#include "tests/gps/greis_fixture.h"

namespace {

using greistest::Clock;
using greistest::Count;
using greistest::GreisLink;
using Fault = sample::FakeGreis::Fault;

TEST_F(GreisLink, CommandCutsTheReplyToItsPayload) {
  fake.SetRawReply("print,/par/rcv/id", "RE009 12345678\r\n");
  fake.SetRawReply("print,/par/pos/sys", "RE009{on,off}\r\n");
  std::string reply;
  EXPECT_TRUE(Ask("print,/par/rcv/id\n", &reply));
  EXPECT_EQ(reply, "12345678");
  EXPECT_TRUE(Ask("print,/par/pos/sys\n", &reply));
  EXPECT_EQ(reply, "{on,off}");
  // Pieces with pauses shorter and longer than the 10 ms poll make one reply.
  fake.SetFault("print,/par/pwr/board", Fault::kFragmentsFast, 1);
  fake.SetFault("print,/par/pwr/board", Fault::kFragmentsSlow, 1);
  EXPECT_TRUE(Ask("print,/par/pwr/board\n", &reply));
  EXPECT_EQ(reply, "7.90");
  reply.clear();
  EXPECT_TRUE(Ask("print,/par/pwr/board\n", &reply));
  EXPECT_EQ(reply, "7.90");
}

TEST_F(GreisLink, ForeignRepliesFailAndLeaveTheBuffer) {
  fake.SetFault("print,/par/rcv/id", Fault::kError, 1);
  fake.SetFault("print,/par/rcv/id", Fault::kNmea, 1);
  std::string reply = "kept";
  EXPECT_FALSE(Ask("print,/par/rcv/id\n", &reply));
  EXPECT_EQ(reply, "kept");
  EXPECT_FALSE(Ask("print,/par/rcv/id\n", &reply));
  EXPECT_EQ(reply, "kept");
  // An unknown command is refused by the receiver.
  EXPECT_FALSE(Ask("print,/par/nothing\n", &reply));
  EXPECT_EQ(reply, "kept");
}

TEST_F(GreisLink, WithoutAReplyBufferTheWriteIsTheResult) {
  fake.ClearTranscript();
  EXPECT_TRUE(Ask("print,/par/rcv/id\n", nullptr));
  EXPECT_TRUE(fake.WaitTranscript("print,/par/rcv/id\n", test_wait::kDefaultMs));
}

TEST_F(GreisLink, StaleBytesAreDrainedNotTaken) {
  TCommandBracket bracket(receiver);
  ASSERT_TRUE(fake.WriteRaw("RE004 old\r\n"));
  ASSERT_TRUE(greistest::WaitFor([this] { return port.GetInputQueued() >= 11; }));
  std::string reply;
  EXPECT_TRUE(receiver.Command("print,/par/rcv/id\n", &reply));
  EXPECT_EQ(reply, "00A1B2C3");
}

TEST_F(GreisLink, LateRepliesWithinAndBeyondTheTwoSeconds) {
  fake.SetFault("print,/par/rcv/model", Fault::kLate1500, 1);
  fake.SetFault("print,/par/rcv/id", Fault::kLate2500, 1);
  TCommandBracket bracket(receiver);
  std::string reply;
  EXPECT_TRUE(receiver.Command("print,/par/rcv/model\n", &reply));
  EXPECT_EQ(reply, "TRIUMPH-1");
  EXPECT_FALSE(receiver.Command("print,/par/rcv/id\n", &reply));
  // The late answer arrives before the next command; that command drops it and takes its own.
  ASSERT_TRUE(greistest::WaitFor([this] { return port.GetInputQueued() > 0; }));
  EXPECT_TRUE(receiver.Command("print,/par/pwr/board\n", &reply));
  EXPECT_EQ(reply, "7.90");
}

TEST_F(GreisLink, DamagedRepliesAreBoundedAndNeverOverrun) {
  TCommandBracket bracket(receiver);
  std::string reply;
  fake.SetFault("print,/par/rcv/id", Fault::kOver3000, 1);
  EXPECT_TRUE(receiver.Command("print,/par/rcv/id\n", &reply));
  EXPECT_EQ(reply, std::string(2994, 'O'));  // the first 3000 bytes, header and blank off
  fake.SetFault("print,/par/rcv/model", Fault::kLong300, 1);
  EXPECT_TRUE(receiver.Command("print,/par/rcv/model\n", &reply));
  EXPECT_EQ(reply, std::string(299, 'L'));
  // A reply the empty reads cut short (no CR LF), "RE" alone and a number that is none: no
  // value at all.
  fake.SetRawReply("print,/cur/log&size", std::string("RE006 12\0" "34", 11));
  // Each is asked in step (an identified query in between takes the line back into step), so
  // the reply itself is refused, not its missing identifier.
  int size = -1;
  ASSERT_TRUE(receiver.InStep());
  EXPECT_FALSE(receiver.GetCurrentLogSize(&size));
  EXPECT_EQ(size, -1);
  EXPECT_FALSE(receiver.InStep());
  std::string id;
  EXPECT_TRUE(receiver.GetReceiverId(&id));
  EXPECT_EQ(id, "00A1B2C3");
  ASSERT_TRUE(receiver.InStep());
  fake.SetRawReply("print,/par/pwr/board", "RE");
  float volts = 1;
  EXPECT_FALSE(receiver.GetPower(&volts));
  EXPECT_TRUE(receiver.GetReceiverId(&id));
  ASSERT_TRUE(receiver.InStep());
  fake.SetRawReply("print,/par/pwr/board", "RE004 nan\r\n");
  EXPECT_FALSE(receiver.GetPower(&volts));
  EXPECT_EQ(volts, 1.0f);
}

TEST_F(GreisLink, QueriesReportEachAnswerOnItsOwn) {
  TCommandBracket bracket(receiver);
  int size = 0, freeBytes = 0;
  fake.SetMemory(16000000, 9000000);
  EXPECT_TRUE(receiver.GetMemory(&size, &freeBytes));
  EXPECT_EQ(size, 16000000);
  EXPECT_EQ(freeBytes, 9000000);
  fake.SetFault("print,/par/dev/blk/a/free", Fault::kError, 1);
  EXPECT_TRUE(receiver.GetMemory(&size, &freeBytes));
  EXPECT_EQ(size, 16000000);
  EXPECT_EQ(freeBytes, -1);  // unknown, not the size's payload
  fake.SetFault("print,/par/dev/blk/a/", Fault::kError, 2);
  EXPECT_FALSE(receiver.GetMemory(&size, &freeBytes));

  fake.SetIdentity("M", "7");
  std::string text;
  EXPECT_TRUE(receiver.GetDescription(&text));
  EXPECT_EQ(text, "M ID:7");
  fake.SetFault("print,/par/rcv/id", Fault::kError, 1);
  EXPECT_TRUE(receiver.GetDescription(&text));
  EXPECT_EQ(text, "M ID:");
  fake.SetFault("print,/par/rcv/", Fault::kError, 2);
  text = "kept";
  EXPECT_FALSE(receiver.GetDescription(&text));
  EXPECT_EQ(text, "kept");

  char name[256] = "kept";
  EXPECT_FALSE(receiver.GetCurrentLog(name));  // no log is being written
  EXPECT_STREQ(name, "kept");
  fake.SetReply("print,/cur/log", " /log/abc.jps");
  EXPECT_TRUE(receiver.GetCurrentLog(name));
  EXPECT_STREQ(name, "abc.jps");
  fake.SetReply("print,/cur/log", " /log/" + std::string(241, 'n'));
  EXPECT_FALSE(receiver.GetCurrentLog(name));
  EXPECT_STREQ(name, "abc.jps");
  fake.SetReply("print,/par/cmd/create/prefix", " " + std::string(201, 'p'));
  std::string prefix = "kept";
  EXPECT_FALSE(receiver.GetCreatePrefix(&prefix));
  EXPECT_EQ(prefix, "kept");
}

std::vector<std::string> Names(const std::vector<ReceiverLogFile>& files) {
  std::vector<std::string> out;
  for (const ReceiverLogFile& f : files) out.push_back(f.name);
  return out;
}

TEST_F(GreisLink, FileListInOneAndInTwoMessages) {
  const std::string longName(60, 'z');
  for (int i = 1; i <= 6; ++i) fake.AddLog("log" + std::to_string(i) + ".jps", 1000 * i);
  fake.AddLog(longName, 60);
  const std::vector<std::string> all = {"log1.jps", "log2.jps", "log3.jps", "log4.jps",
                                        "log5.jps", "log6.jps", longName};
  TCommandBracket bracket(receiver);
  std::vector<ReceiverLogFile> files;
  ASSERT_TRUE(receiver.ListLogFiles(&files));
  EXPECT_EQ(Names(files), all);
  EXPECT_EQ(files[2].size, 3000);
  EXPECT_EQ(files[6].size, 60);
  for (Fault split : {Fault::kListSplitComma, Fault::kListSplitName}) {
    fake.SetFault("list,/log", split, 1);
    ASSERT_TRUE(receiver.ListLogFiles(&files));
    EXPECT_EQ(Names(files), all);
    for (const ReceiverLogFile& f : files) EXPECT_EQ(f.name.find("RE"), std::string::npos);
  }
  // A size the receiver does not answer stays unknown.
  fake.SetFault("print,/log/log2.jps&size", Fault::kError, 1);
  ASSERT_TRUE(receiver.ListLogFiles(&files));
  EXPECT_EQ(files[1].size, -1);
  EXPECT_EQ(files[2].size, 3000);
}

TEST_F(GreisLink, TheCountBoundsTheNamesAndNeverSizesAnything) {
  for (int i = 1; i <= 3; ++i) fake.AddLog("f" + std::to_string(i), i);
  TCommandBracket bracket(receiver);
  std::vector<ReceiverLogFile> files;
  fake.SetFileCountText("500");
  ASSERT_TRUE(receiver.ListLogFiles(&files));
  EXPECT_EQ(files.size(), 3u);
  fake.SetFileCountText("2");
  ASSERT_TRUE(receiver.ListLogFiles(&files));
  EXPECT_EQ(Names(files), (std::vector<std::string>{"f1", "f2"}));
  // A count that is no number is no answer.
  fake.SetFileCountText("garbage");
  EXPECT_FALSE(receiver.ListLogFiles(&files));
  for (const char* none : {"0", "-5"}) {
    fake.SetFileCountText(none);
    fake.ClearTranscript();
    ASSERT_TRUE(receiver.ListLogFiles(&files));
    EXPECT_TRUE(files.empty());
    EXPECT_EQ(fake.Transcript().find("list,/log"), std::string::npos) << none;
  }
  fake.SetFileCountText("3");
  fake.SetFault("list,/log", Fault::kError, 1);
  EXPECT_FALSE(receiver.ListLogFiles(&files));
  EXPECT_TRUE(files.empty());
  fake.SetFault("print,/par/dev/blk/a/files", Fault::kError, 1);
  EXPECT_FALSE(receiver.ListLogFiles(&files));
}

TEST_F(GreisLink, AListCutAtThreeThousandBytesKeepsWholeNamesOnly) {
  for (int i = 0; i < 400; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "file%03d.jps", i);
    fake.AddLog(name, i);
  }
  TCommandBracket bracket(receiver);
  std::vector<ReceiverLogFile> files;
  ASSERT_TRUE(receiver.ListLogFiles(&files));
  // 3000 bytes hold the header, the brace and 249 names of 12 bytes with their commas, and a
  // twelfth of a name that is dropped.
  ASSERT_EQ(files.size(), 249u);
  for (size_t i = 0; i < files.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "file%03d.jps", int(i));
    EXPECT_EQ(files[i].name, name);
    EXPECT_EQ(files[i].size, int(i));
  }
}

TEST_F(GreisLink, TheBracketHoldsTheReaderOffAndRestoresTheOutput) {
  const DWORD mask = port.GetEventMask();
  fake.ClearTranscript();
  {
    TCommandBracket bracket(receiver);
    EXPECT_TRUE(port.HoldsCommandMode());
    // The fake takes the dialogue's "dm" on a thread of its own: waited for, not raced.
    EXPECT_TRUE(greistest::WaitFor([this] { return !fake.NmeaOn(); }));
    // A sentence arriving inside the dialogue is not parsed: the reader waits for the lock.
    ASSERT_TRUE(fake.WriteRaw(sample::NmeaLine(
        "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W")));
    // Arrived and left unread: the reader is held off while the dialogue lasts.
    ASSERT_TRUE(greistest::WaitFor([this] { return port.GetInputQueued() > 60; }));
    GpsFix fix{};
    port.GetFix(&fix);
    EXPECT_FALSE(fix.utc.wHour == 12 && fix.utc.wMinute == 35);
    std::string reply;
    EXPECT_TRUE(receiver.Command("print,/par/rcv/id\n", &reply));
  }
  EXPECT_FALSE(port.HoldsCommandMode());
  EXPECT_EQ(port.GetEventMask(), mask);
  EXPECT_TRUE(fake.WaitTranscript("print,/par/rcv/id\ndm\nem,,nmea/RMC:0.2\nem,,nmea/GNS:0.2\n"
                                  "em,,nmea/GSA:1\nem,,nmea/GSV:1\n", test_wait::kDefaultMs));
  EXPECT_EQ(fake.Transcript().rfind("dm\n", 0), 0u);
  EXPECT_TRUE(greistest::WaitFor([this] { return fake.NmeaOn(); }));
}

TEST_F(GreisLink, NestedDialoguesAreRefused) {
#ifndef NDEBUG
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        receiver.EnterCommandMode();
        receiver.EnterCommandMode();
      },
      "nest");
  EXPECT_DEATH(
      {
        receiver.EnterCommandMode();
        port.Close();
      },
      "HoldsCommandMode");
#else
  // Where asserts are off only the outermost begin and end act.
  const DWORD mask = port.GetEventMask();
  receiver.EnterCommandMode();
  fake.ClearTranscript();
  receiver.EnterCommandMode();
  receiver.LeaveCommandMode();
  std::string reply;
  EXPECT_TRUE(receiver.Command("print,/par/rcv/id\n", &reply));
  EXPECT_EQ(fake.Transcript(), "print,/par/rcv/id\n");  // no set-up line inside the dialogue
  EXPECT_TRUE(port.HoldsCommandMode());
  receiver.LeaveCommandMode();
  EXPECT_FALSE(port.HoldsCommandMode());
  EXPECT_EQ(port.GetEventMask(), mask);
  // A close inside a dialogue ends it first, so the dialogue's end writes to no closed device.
  receiver.EnterCommandMode();
  port.Close();
  EXPECT_FALSE(port.HoldsCommandMode());
  receiver.LeaveCommandMode();
  EXPECT_FALSE(port.HasIoError());
#endif
}

TEST_F(GreisLink, AHangUpInsideADialogueFailsItsCommandsAndTheEndStillReleases) {
  {
    TCommandBracket bracket(receiver);
    fake.HangUp();
    std::string reply = "kept";
    EXPECT_FALSE(receiver.Command("print,/par/rcv/id\n", &reply));
    EXPECT_EQ(reply, "kept");
  }
  EXPECT_FALSE(port.HoldsCommandMode());
}

}  // namespace
