#include "CoreComponents.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <memory>
#include <vector>

namespace {

QByteArray Pattern(int32_t n) {
  QByteArray bytes(n, 0);
  for (int32_t i = 0; i < n; ++i) bytes[i] = char(PatternByte(i));
  return bytes;
}

struct Events {
  std::atomic<int> done{0}, errors{0};
  std::mutex m;
  std::vector<int> progress;
  QString lastError;
  std::thread::id doneThread;

  void Attach(TMemorySink& sink) {
    sink.OnDone = [this](QObject*) {
      doneThread = std::this_thread::get_id();
      ++done;
    };
    sink.OnProgress = [this, &sink](QObject*) {
      std::lock_guard g(m);
      progress.push_back(sink.Progress());
    };
    sink.OnThreadException = [this](QObject*, const std::exception& e) {
      std::lock_guard g(m);
      lastError = ExceptionMessage(e);
      ++errors;
    };
  }
};

}  // namespace

TEST(CoreOutput, RunPullsTheWholeInputAndReportsOnTheWorker) {
  TPatternInput input(100000);
  TMemorySink sink;
  Events ev;
  ev.Attach(sink);
  sink.SetInput(&input);
  EXPECT_EQ(sink.Status(), osIdle);
  sink.Run();
  ASSERT_TRUE(WaitUntil([&] { return ev.done == 1; }));
  EXPECT_EQ(sink.Data(), Pattern(100000));
  EXPECT_EQ(sink.dones.load(), 1);
  EXPECT_EQ(input.inits.load(), 1);
  EXPECT_EQ(input.flushes.load(), 1);
  EXPECT_NE(ev.doneThread, std::this_thread::get_id());
  EXPECT_EQ(sink.Status(), osIdle);
  EXPECT_FALSE(sink.Busy());
  // One report per change, rising, ending at 100.
  std::lock_guard g(ev.m);
  ASSERT_FALSE(ev.progress.empty());
  EXPECT_EQ(ev.progress.back(), 100);
  for (size_t i = 1; i < ev.progress.size(); ++i) EXPECT_GT(ev.progress[i], ev.progress[i - 1]);
}

TEST(CoreOutput, RunRefusesWithoutInputAndWhileBusy) {
  TMemorySink sink;
  try {
    sink.Run();
    FAIL() << "Run without input";
  } catch (const EACSException& e) {
    EXPECT_EQ(e.Message(), "Input is not assigned");
  }
  TPatternInput input(5000);
  Events ev;
  ev.Attach(sink);
  sink.SetInput(&input);
  input.CloseGate();
  sink.Run();
  ASSERT_TRUE(input.WaitUntilWaiting());
  EXPECT_EQ(sink.Status(), osBusy);
  try {
    sink.Run();
    FAIL() << "Run while busy";
  } catch (const EACSException& e) {
    EXPECT_EQ(e.Message(), "Component is buisy");
  }
  input.OpenGate();
  ASSERT_TRUE(WaitUntil([&] { return ev.done == 1; }));
  EXPECT_EQ(sink.Data(), Pattern(5000));
  EXPECT_EQ(sink.prepares.load(), 1);
}

TEST(CoreOutput, ProgressOfOpenEndedAndEmptyInputs) {
  TMemorySink sink;
  EXPECT_EQ(sink.Progress(), 0);
  TPatternInput open(-3000);
  Events ev;
  ev.Attach(sink);
  sink.SetInput(&open);
  sink.Run();
  ASSERT_TRUE(WaitUntil([&] { return ev.done == 1; }));
  EXPECT_EQ(sink.Data().size(), 3000);
  std::lock_guard g(ev.m);
  EXPECT_EQ(ev.progress, std::vector<int>{-1});
}

TEST(CoreOutput, DelayBoundsAndSleep) {
  TMemorySink sink;
  EXPECT_EQ(sink.Delay(), 0);
  sink.SetDelay(5);
  EXPECT_EQ(sink.Delay(), 5);
  sink.SetDelay(101);
  EXPECT_EQ(sink.Delay(), 5);
  sink.SetDelay(6);
  EXPECT_EQ(sink.Delay(), 6);
  // Ten data steps plus the final one each sleep at least 6 ms.
  TPatternInput input(10 * 1000, 1000);
  Events ev;
  ev.Attach(sink);
  sink.SetInput(&input);
  QElapsedTimer timer;
  timer.start();
  sink.Run();
  ASSERT_TRUE(WaitUntil([&] { return ev.done == 1; }));
  EXPECT_GE(timer.elapsed(), 11 * 6);
  EXPECT_EQ(sink.Data().size(), 10000);
}

TEST(CoreOutput, StopEndsThroughDone) {
  TPatternInput input(1000000, 100);
  TMemorySink sink;
  Events ev;
  ev.Attach(sink);
  sink.SetInput(&input);
  input.CloseGate();
  sink.Run();
  ASSERT_TRUE(input.WaitUntilWaiting());
  sink.Stop();
  input.OpenGate();
  ASSERT_TRUE(WaitUntil([&] { return ev.done == 1; }));
  EXPECT_EQ(ev.errors.load(), 0);
  EXPECT_EQ(sink.dones.load(), 1);
  EXPECT_LT(sink.Data().size(), 1000000);
  EXPECT_EQ(sink.Data(), Pattern(sink.Data().size()));
  EXPECT_EQ(sink.Status(), osIdle);
}

TEST(CoreOutput, PauseParksAtAStepBoundaryAndResumeGoesOn) {
  TPatternInput input(20000, 100);
  TMemorySink sink;
  Events ev;
  ev.Attach(sink);
  sink.SetInput(&input);
  input.CloseGate();
  sink.Run();
  ASSERT_TRUE(input.WaitUntilWaiting());
  sink.Pause();
  EXPECT_EQ(sink.Status(), osPaused);
  // The step in progress finishes; no further step starts while paused.
  input.Release(1000);
  ASSERT_TRUE(WaitUntil([&] { return input.calls == 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(input.calls.load(), 1);
  // Stop is not seen while paused.
  sink.Stop();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(ev.done.load(), 0);
  sink.Resume();
  ASSERT_TRUE(WaitUntil([&] { return ev.done == 1; }));
  EXPECT_EQ(sink.Data().size(), 100);
  input.OpenGate();
}

TEST(CoreOutput, FailuresArriveThroughOnThreadException) {
  TPatternInput input(50000);
  TMemorySink sink;
  Events ev;
  ev.Attach(sink);
  sink.SetInput(&input);
  sink.failPrepare = true;
  EXPECT_NO_THROW(sink.Run());
  EXPECT_EQ(ev.errors.load(), 1);
  EXPECT_EQ(ev.lastError, "prepare failure");
  EXPECT_EQ(sink.dones.load(), 0);
  EXPECT_FALSE(sink.Busy());

  sink.failPrepare = false;
  sink.failStepAt = 3;
  sink.Run();
  ASSERT_TRUE(WaitUntil([&] { return ev.errors == 2; }));
  EXPECT_EQ(ev.lastError, "step failure");
  EXPECT_EQ(sink.dones.load(), 1);
  EXPECT_EQ(ev.done.load(), 0);
  EXPECT_EQ(sink.Status(), osIdle);

  // The sink runs again afterwards.
  sink.failStepAt = -1;
  sink.Run();
  ASSERT_TRUE(WaitUntil([&] { return ev.done == 1; }));
  EXPECT_EQ(sink.Data(), Pattern(50000));
}

TEST(CoreOutput, RunAgainFromOnDoneIsNotLostToTheIdlePark) {
  TPatternInput input(3000);
  TMemorySink sink;
  std::atomic<int> done{0};
  sink.OnDone = [&](QObject*) {
    if (++done < 5) sink.Run();
  };
  sink.SetInput(&input);
  sink.Run();
  ASSERT_TRUE(WaitUntil([&] { return done == 5; }));
  EXPECT_EQ(sink.dones.load(), 5);
  EXPECT_EQ(sink.Data(), Pattern(3000));
}

TEST(CoreOutput, KeepsLoopingWhenNotSuspendedWhenIdle) {
  TPatternInput input(2000);
  TMemorySink sink;
  sink.SetSuspendWhenIdle(false);
  EXPECT_FALSE(sink.SuspendWhenIdle());
  Events ev;
  ev.Attach(sink);
  sink.SetInput(&input);
  sink.SetDelay(10);
  for (int i = 1; i <= 3; ++i) {
    sink.Run();
    ASSERT_TRUE(WaitUntil([&] { return ev.done == i; }));
    EXPECT_EQ(sink.Status(), osIdle);
  }
  EXPECT_EQ(sink.Data(), Pattern(2000));
}

TEST(CoreInputWiring, DestroyedInputClearsInputOfSinksAndConverters) {
  TMemorySink sink;
  auto input = std::make_unique<TPatternInput>(100);
  sink.SetInput(input.get());
  EXPECT_EQ(sink.Input(), input.get());
  input.reset();
  EXPECT_EQ(sink.Input(), nullptr);

  // Destroying the input of a paused job: the job then ends as at the end
  // of the data.
  Events ev;
  ev.Attach(sink);
  input = std::make_unique<TPatternInput>(100000, 100);
  sink.SetInput(input.get());
  input->CloseGate();
  sink.Run();
  ASSERT_TRUE(input->WaitUntilWaiting());
  sink.Pause();
  input->Release(1);
  ASSERT_TRUE(WaitUntil([&] { return input->calls == 1; }));
  input->OpenGate();
  input.reset();
  EXPECT_EQ(sink.Input(), nullptr);
  sink.Resume();
  ASSERT_TRUE(WaitUntil([&] { return ev.done == 1; }));
  EXPECT_EQ(sink.Data().size(), 100);
}

TEST(CoreInputWiring, LiveSwapInitsTheNewInputAndFlushesTheOld) {
  // The old input never ends, so the job is still running when the swap
  // wins the lock, however long the worker keeps it.
  TPatternInput first(-2000000000, 100), second(300);
  TMemorySink sink;
  Events ev;
  ev.Attach(sink);
  sink.SetInput(&first);
  first.CloseGate();
  sink.Run();
  ASSERT_TRUE(first.WaitUntilWaiting());
  std::thread opener([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    first.OpenGate();
  });
  // Waits for the GetData in progress, then swaps.
  sink.SetInput(&second);
  opener.join();
  EXPECT_EQ(second.inits.load(), 1);
  EXPECT_EQ(first.flushes.load(), 1);
  ASSERT_TRUE(WaitUntil([&] { return ev.done == 1; }));
  // Whole steps of the old input, then the whole new one.
  const QByteArray data = sink.Data();
  ASSERT_GE(data.size(), 100 + 300);
  const int32_t prefix = data.size() - 300;
  EXPECT_EQ(prefix % 100, 0);
  EXPECT_EQ(data.left(prefix), Pattern(prefix));
  EXPECT_EQ(data.mid(prefix), Pattern(300));
}

TEST(CoreOutputLifetime, DestroyingAPausedSinkFinishesItsJob) {
  TPatternInput input(100000, 100);
  std::atomic<int> done{0};
  auto sink = std::make_unique<TMemorySink>();
  sink->OnDone = [&](QObject*) { ++done; };
  sink->SetInput(&input);
  input.CloseGate();
  sink->Run();
  ASSERT_TRUE(input.WaitUntilWaiting());
  sink->Pause();
  input.OpenGate();
  ASSERT_TRUE(WaitUntil([&] { return input.calls == 1; }));
  TMemorySink* raw = sink.get();
  sink.reset();
  (void)raw;
  EXPECT_EQ(input.flushes.load(), 1);
  EXPECT_EQ(done.load(), 0);
  EXPECT_FALSE(input.Busy());
}

TEST(CoreOutputLifetime, DestroyingIdleAndRunningSinksEndsTheWorker) {
  { TMemorySink idle; }
  TPatternInput input(-100000000, 100);
  auto sink = std::make_unique<TMemorySink>();
  sink->SetInput(&input);
  sink->Run();
  ASSERT_TRUE(WaitUntil([&] { return input.calls > 10; }));
  sink.reset();
  EXPECT_EQ(input.flushes.load(), 1);
  EXPECT_FALSE(input.Busy());
}

TEST(CoreConverter, RejectsItselfAsInputAndUnlocksDownTheChain) {
  class TPassThrough : public TACSConverter {
   public:
    int GetBitsPerSample() override { return Input()->BitsPerSample(); }
    int GetChannels() override { return Input()->Channels(); }
    int GetSampleRate() override { return Input()->SampleRate(); }
    int32_t GetData(uint8_t* b, int32_t n) override {
      const int32_t got = ReadInput(b, n);
      FPosition = FPosition + got;
      return got;
    }
    void Init() override {
      Input()->Init();
      FSize = Input()->Size();
      FPosition = 0;
      FBusy = true;
    }
    void Flush() override {
      Input()->Flush();
      FBusy = false;
    }
    bool Locked() const { return InputLock.load(); }
    void Lock() { InputLock = true; }
  };
  TPatternInput source(20000);
  TPassThrough a, b;
  a.SetInput(&a);
  EXPECT_EQ(a.Input(), nullptr);
  a.SetInput(&b);
  b.SetInput(&source);
  a.Lock();
  b.Lock();
  a.UnlockInput();
  EXPECT_FALSE(a.Locked());
  EXPECT_FALSE(b.Locked());

  TMemorySink sink;
  Events ev;
  ev.Attach(sink);
  sink.SetInput(&a);
  sink.Run();
  ASSERT_TRUE(WaitUntil([&] { return ev.done == 1; }));
  EXPECT_EQ(sink.Data(), Pattern(20000));
  EXPECT_EQ(source.flushes.load(), 1);
}
