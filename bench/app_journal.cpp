// What the journal costs the thread a key waits on: the calls around each move, timed one by
// one, against the move itself, and against waiting for the disk after each record as a
// journal without its syncing thread would. Counters give the median and the 95th percentile
// in microseconds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Journal.h"
#include "files/MainLib.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

double Micros(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

double Percentile(std::vector<double> samples, double p) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  return samples[static_cast<std::size_t>(p * static_cast<double>(samples.size() - 1))];
}

// Moves one picture between two folders, step after step, each step journalled. waitForDisk:
// every record is waited for until it is on disk, as a journal that synced on the calling
// thread would.
void RunMoves(benchmark::State& state, bool waitForDisk) {
  testsupport::TempDir dir;
  const std::string a = dir.MakeDir("a"), b = dir.MakeDir("b");
  testsupport::TempDir settings;
  dir.Write("a/p.jpg", std::string(200000, 'p'));
  TJournal journal(settings / "sortivo.journal");
  std::vector<double> journalTimes, stepTimes;
  bool inA = true;
  TUserText error;
  for (auto _ : state) {
    SortingStep step;
    step.picture = {(inA ? a : b) + "/p.jpg", (inA ? b : a) + "/p.jpg"};
    const Clock::time_point t0 = Clock::now();
    const auto op = journal.Begin(OpRole::New, 0, step, error);
    if (waitForDisk) journal.Flush();
    const Clock::time_point t1 = Clock::now();
    MoveFileTo(step.picture.from, step.picture.to);
    const Clock::time_point t2 = Clock::now();
    journal.Done(*op, step);
    if (waitForDisk) journal.Flush();
    const Clock::time_point t3 = Clock::now();
    journalTimes.push_back(Micros((t1 - t0) + (t3 - t2)));
    stepTimes.push_back(Micros(t2 - t1));
    inA = !inA;
  }
  state.counters["journal_median_us"] = Percentile(journalTimes, 0.5);
  state.counters["journal_p95_us"] = Percentile(journalTimes, 0.95);
  state.counters["move_median_us"] = Percentile(stepTimes, 0.5);
  state.counters["move_p95_us"] = Percentile(stepTimes, 0.95);
}

void BM_MoveJournalledSyncInBackground(benchmark::State& state) {
  RunMoves(state, false);
}
void BM_MoveJournalledWaitingForTheDisk(benchmark::State& state) {
  RunMoves(state, true);
}

BENCHMARK(BM_MoveJournalledSyncInBackground)->Iterations(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveJournalledWaitingForTheDisk)->Iterations(300)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
