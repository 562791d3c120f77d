// The command dialogue on a busy line: the fake receiver streams NMEA sentences into the
// dialogue, mixes stray acknowledgements in and holds answers back until the next one (the late
// reply of an earlier command). Every query, at full speed and with the machine loaded, gets its
// own value or fails; none ever takes another command's value.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/wait_until.h"
#include "tests/gps/greis_fixture.h"

namespace {

using greistest::Count;
using greistest::GreisLink;

struct Query {
  const char* line;
  const char* value;  // the payload the fake answers
};

// Same-form pairs stand next to each other: sizes, decimals, texts.
const Query kQueries[] = {
    {"print,/par/dev/blk/a/free\n", "7300000"}, {"print,/cur/log&size\n", "4242"},
    {"print,/par/pwr/board\n", "7.90"},         {"print,/par/log/sc/period\n", "1.00"},
    {"print,/par/pos/elm\n", "5"},              {"print,/par/rcv/id\n", "00A1B2C3"},
    {"print,/par/rcv/model\n", "TRIUMPH-1"},    {"print,/cur/log\n", "/log/cur.jps"},
    {"print,/par/dev/blk/a/files\n", "2"},      {"list,/log\n", "{a.jps,b.jps}"},
};

class GreisNoisyLine : public GreisLink {
 protected:
  void SetUp() override {
    GreisLink::SetUp();
    fake.AddLog("a.jps", 100);
    fake.AddLog("b.jps", 200);
    fake.SetCurrentLog("cur.jps", 4242);
    fake.SetNmeaFix(true, 1.8, 20);
  }
  // Rounds of queries in an order of the seed; between them the size asked without reading its
  // reply, which the fake holds back and sends before the next answer: the same form as the
  // free size's and the log size's. Returns the number of queries that failed; a wrong value
  // fails the test. (A query fails only when its reply is over 2 s late, which on a machine
  // loaded far past its cores happens now and then.)
  int Run(uint32_t seed, int rounds) {
    sample::FakeGreis::Noise noise;
    noise.sentencePercent = 40;
    noise.ackPercent = 30;
    noise.holdPercent = 100;
    noise.holdPrefix = "print,/par/dev/blk/a/size";
    noise.seed = seed;
    fake.SetNoise(noise);
    TCommandBracket bracket(receiver);
    // The set-up's output line inside the dialogue: NMEA every 20 ms from now on.
    port.Send("em,,nmea/RMC:0.2\n");
    uint32_t state = seed;
    int failed = 0;
    for (int i = 0; i < rounds; ++i) {
      state = state * 1664525u + 1013904223u;
      if ((state >> 24) % 3 == 0) {
        EXPECT_TRUE(receiver.Command("print,/par/dev/blk/a/size\n", nullptr));
        EXPECT_FALSE(receiver.InStep());
      }
      if ((state >> 20) % 7 == 0) {
        // An acknowledgement carries no value; only its success is reported.
        std::string ack = "kept";
        if (receiver.Command("set,/par/pos/elm,5\n", &ack)) {
          EXPECT_EQ(ack, "");
        }
      }
      const Query& q = kQueries[(state >> 8) % (sizeof kQueries / sizeof kQueries[0])];
      std::string reply = "kept";
      if (receiver.Command(q.line, &reply)) {
        EXPECT_EQ(reply, q.value) << q.line << " seed " << seed << " round " << i;
      } else {
        EXPECT_EQ(reply, "kept") << q.line;
        ++failed;
      }
    }
    return failed;
  }
};

TEST_F(GreisNoisyLine, EveryQueryTakesItsOwnReplyAtFullSpeed) {
  for (uint32_t seed : {1u, 77u, 4242u}) EXPECT_LE(Run(seed, 120), 6) << seed;
  EXPECT_GT(fake.HeldAnswers(), 20);
  // Queries after an unread reply went out identified.
  EXPECT_GT(Count(fake.Transcript(), "%print,"), 20);
}

TEST_F(GreisNoisyLine, EveryQueryTakesItsOwnReplyOnALoadedMachine) {
  std::atomic<bool> stop{false};
  std::vector<std::thread> burners;
  const unsigned n = std::max(2u, std::thread::hardware_concurrency());
  for (unsigned i = 0; i < n; ++i)
    burners.emplace_back([&stop] {
      volatile unsigned long x = 0;
      while (!stop.load(std::memory_order_relaxed)) x = x * 3 + 1;
    });
  const int failed = Run(9001u, 150);
  stop = true;
  for (std::thread& t : burners) t.join();
  EXPECT_LE(failed, 8);
}

TEST_F(GreisNoisyLine, ALateReplyAfterATimeOutIsNeverTheNextQuerys) {
  // The model's answer comes only with the next answer: its query times out, and the late
  // "RE... TRIUMPH-1" must not stand for the identity asked next (the same form).
  sample::FakeGreis::Noise noise;
  noise.holdPercent = 100;
  noise.holdPrefix = "print,/par/rcv/model";
  fake.SetNoise(noise);
  TCommandBracket bracket(receiver);
  std::string reply = "kept";
  EXPECT_FALSE(receiver.Command("print,/par/rcv/model\n", &reply));
  EXPECT_EQ(reply, "kept");
  EXPECT_FALSE(receiver.InStep());
  EXPECT_TRUE(receiver.Command("print,/par/rcv/id\n", &reply));
  EXPECT_EQ(reply, "00A1B2C3");
  EXPECT_TRUE(receiver.InStep());
  EXPECT_TRUE(fake.WaitTranscript("%1%print,/par/rcv/id\n", test_wait::kDefaultMs));
  // In step again: the next query goes out as it stands.
  EXPECT_TRUE(receiver.Command("print,/par/pwr/board\n", &reply));
  EXPECT_EQ(reply, "7.90");
  EXPECT_TRUE(fake.WaitTranscript("\nprint,/par/pwr/board\n", test_wait::kDefaultMs));
  // A refusal may be an earlier command's: the line is out of step after it too.
  fake.SetFault("print,/par/pwr/board", sample::FakeGreis::Fault::kError, 1);
  EXPECT_FALSE(receiver.Command("print,/par/pwr/board\n", &reply));
  EXPECT_FALSE(receiver.InStep());
  // "%%" commands are identified already: out of step they take an identifier of their own.
  EXPECT_TRUE(receiver.Command("%%\n", &reply));
  EXPECT_EQ(reply, "");
  EXPECT_TRUE(fake.WaitTranscript("%2%\n", test_wait::kDefaultMs));
  EXPECT_TRUE(receiver.Command("%%\n", &reply));
  EXPECT_TRUE(fake.WaitTranscript("\n%%\n", test_wait::kDefaultMs));
}

}  // namespace
