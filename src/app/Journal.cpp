#include "app/Journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>

#include "platform/FileIO.h"

namespace {

// A journal larger than this is not the program's own.
constexpr std::size_t kReadLimit = 64u << 20;
// Records in the file after which it is rewritten with the history alone. Each step adds two,
// so a rewrite comes after some ten thousand steps.
constexpr std::size_t kCompactAfter = 3 * JournalHistory::kMaxSteps;

std::atomic<int> writeFailureForTesting{0};
std::atomic<bool> stopAfterBeginForTesting{false};

std::uint32_t Crc32(std::string_view bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void AppendHex8(std::string& out, std::uint32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (int shift = 28; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xF];
}

bool ParseHex8(std::string_view text, std::uint32_t& value) {
  if (text.size() != 8) return false;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + 8, value, 16);
  return ec == std::errc() && ptr == text.data() + 8;
}

template <class Int>
bool ParseNumber(const std::string& text, Int& value) {
  if (text.empty() || text.size() > 20) return false;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && ptr == text.data() + text.size();
}

void AppendEscaped(std::string& out, std::string_view field) {
  for (char c : field) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
}

// The fields of a checked payload; false for an escape that is not one of ours.
bool SplitFields(std::string_view payload, std::vector<std::string>& fields) {
  fields.assign(1, std::string());
  for (std::size_t i = 0; i < payload.size(); ++i) {
    const char c = payload[i];
    if (c == '\t') {
      fields.emplace_back();
    } else if (c == '\\') {
      if (++i == payload.size()) return false;
      switch (payload[i]) {
        case '\\':
          fields.back() += '\\';
          break;
        case 't':
          fields.back() += '\t';
          break;
        case 'n':
          fields.back() += '\n';
          break;
        case 'r':
          fields.back() += '\r';
          break;
        default:
          return false;
      }
    } else {
      fields.back() += c;
    }
  }
  return true;
}

// A checked line's fields; false when the line fails its length or checksum.
bool DecodeLine(std::string_view line, std::vector<std::string>& fields) {
  if (line.size() < 18 || line[8] != ' ' || line[17] != ' ') return false;
  std::uint32_t length = 0, crc = 0;
  if (!ParseHex8(line.substr(0, 8), length) || !ParseHex8(line.substr(9, 8), crc)) return false;
  const std::string_view payload = line.substr(18);
  if (payload.size() != length || Crc32(payload) != crc) return false;
  return SplitFields(payload, fields);
}

void AppendStepFields(std::vector<std::string>& fields, const SortingStep& step) {
  fields.emplace_back(1, static_cast<char>(step.kind));
  fields.push_back(std::to_string(step.listIndex));
  fields.push_back(step.picture.from);
  fields.push_back(step.picture.to);
  fields.push_back(step.line);
  fields.push_back(std::to_string(step.listSize));
  fields.push_back(std::to_string(step.sidecars.size()));
  for (const FilePair& s : step.sidecars) {
    fields.push_back(s.from);
    fields.push_back(s.to);
  }
}

// The step in fields[first...], which must end there.
bool ParseStep(const std::vector<std::string>& fields, std::size_t first, SortingStep& step) {
  if (fields.size() < first + 7) return false;
  const std::string& kind = fields[first];
  if (kind.size() != 1) return false;
  switch (kind[0]) {
    case 'M':
    case 'C':
    case 'L':
    case 'E':
    case 'T':
      step.kind = static_cast<StepKind>(kind[0]);
      break;
    default:
      return false;
  }
  std::size_t sidecars = 0;
  if (!ParseNumber(fields[first + 1], step.listIndex) ||
      !ParseNumber(fields[first + 5], step.listSize) || !ParseNumber(fields[first + 6], sidecars))
    return false;
  if (fields.size() - (first + 7) != 2 * sidecars) return false;
  step.picture = {fields[first + 2], fields[first + 3]};
  step.line = fields[first + 4];
  step.sidecars.clear();
  for (std::size_t i = first + 7; i < fields.size(); i += 2)
    step.sidecars.push_back({fields[i], fields[i + 1]});
  return true;
}

}  // namespace

std::string JournalRecord(const std::vector<std::string>& fields) {
  std::string payload;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) payload += '\t';
    AppendEscaped(payload, fields[i]);
  }
  std::string line;
  line.reserve(payload.size() + 19);
  AppendHex8(line, static_cast<std::uint32_t>(payload.size()));
  line += ' ';
  AppendHex8(line, Crc32(payload));
  line += ' ';
  line += payload;
  line += '\n';
  return line;
}

std::vector<std::string> StepFields(char type, std::uint64_t op, std::string_view extra,
                                    const SortingStep& step) {
  std::vector<std::string> fields{std::string(1, type), std::to_string(op)};
  if (!extra.empty()) fields.emplace_back(extra);
  AppendStepFields(fields, step);
  return fields;
}

std::vector<std::string> BeginFields(const UnfinishedOp& op) {
  const char type = static_cast<char>(op.role);
  return StepFields(type, op.op, type == 'S' ? std::string() : std::to_string(op.stepId), op.after);
}

// ---- JournalHistory

const JournalHistory::Entry* JournalHistory::ToUndo() const {
  return done_ > 0 ? &entries_[done_ - 1] : nullptr;
}

const JournalHistory::Entry* JournalHistory::ToRedo() const {
  return done_ < entries_.size() ? &entries_[done_] : nullptr;
}

void JournalHistory::Push(Entry entry) {
  entries_.push_back(std::move(entry));
  if (!entries_.back().undone) ++done_;
  if (entries_.size() > kMaxSteps) {
    if (!entries_.front().undone) --done_;
    entries_.pop_front();
  }
}

bool JournalHistory::Apply(const std::vector<std::string>& fields) {
  if (fields.size() < 2 || fields[0].size() != 1) return false;
  std::uint64_t op = 0;
  // Op numbers only grow: the largest would leave none for the next operation.
  if (!ParseNumber(fields[1], op) || op == 0 || op == std::numeric_limits<std::uint64_t>::max())
    return false;
  const char type = fields[0][0];
  const auto noteOp = [&] {
    if (op >= nextOp_) nextOp_ = op + 1;
  };
  switch (type) {
    case 'S':
    case 'U':
    case 'R': {
      UnfinishedOp begun;
      begun.op = op;
      begun.role = static_cast<OpRole>(type);
      begun.stepId = op;
      std::size_t first = 2;
      if (type != 'S') {
        if (fields.size() < 3 || !ParseNumber(fields[2], begun.stepId)) return false;
        const Entry* entry = type == 'U' ? ToUndo() : ToRedo();
        // A step may only be taken back from the end of what is in effect, and done again from
        // the start of what was taken back.
        if (!entry || entry->id != begun.stepId) return false;
        begun.before = entry->step;
        first = 3;
      }
      if (!ParseStep(fields, first, begun.after)) return false;
      if (type == 'S') {
        if (op <= LastStepId()) return false;
        begun.before = begun.after;
      }
      if (unfinished_) ++orphans_;
      unfinished_ = std::move(begun);
      noteOp();
      return true;
    }
    case 'D': {
      SortingStep step;
      if (!unfinished_ || unfinished_->op != op || !ParseStep(fields, 2, step)) return false;
      if (unfinished_->role == OpRole::New) {
        // A new step ends what could be done again.
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(done_), entries_.end());
        Push({op, false, std::move(step)});
      } else if (unfinished_->role == OpRole::Undo) {
        Entry& entry = entries_[done_ - 1];
        entry.step = std::move(step);
        entry.undone = true;
        --done_;
      } else {
        Entry& entry = entries_[done_];
        entry.step = std::move(step);
        entry.undone = false;
        ++done_;
      }
      unfinished_.reset();
      return true;
    }
    case 'X':
      if (fields.size() != 2 || !unfinished_ || unfinished_->op != op) return false;
      unfinished_.reset();
      return true;
    case 'H': {
      Entry entry;
      entry.id = op;
      if (fields.size() < 3 || (fields[2] != "d" && fields[2] != "u")) return false;
      entry.undone = fields[2] == "u";
      // Steps in effect come first; ids only grow.
      if (unfinished_ || (!entry.undone && done_ != entries_.size()) || op <= LastStepId())
        return false;
      if (!ParseStep(fields, 3, entry.step)) return false;
      Push(std::move(entry));
      noteOp();
      return true;
    }
    default:
      return false;
  }
}

std::uint64_t JournalHistory::LastStepId() const {
  return entries_.empty() ? 0 : entries_.back().id;
}

ParsedJournal ParseJournal(std::string_view text) {
  ParsedJournal parsed;
  std::vector<std::string> fields;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      // Cut off in the middle of a record.
      parsed.cleanEnd = false;
      ++parsed.badLines;
      break;
    }
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (!DecodeLine(line, fields) || !parsed.history.Apply(fields)) ++parsed.badLines;
  }
  return parsed;
}

// ---- TJournal

TJournal::TJournal(std::string path) : path_(std::move(path)) {
  if (path_.empty()) return;
  const platform::ReadResult read = platform::ReadWholeFile(path_, kReadLimit);
  if (read.status == platform::ReadStatus::Missing) return;
  if (read.status == platform::ReadStatus::Failed) {
    report_ = TUserText{
        "TJournal",
        UiText("TJournal", "ファイル %1 は読めないので、これまでの操作は元に戻せません: %2"),
        {path_, read.error}};
    path_.clear();
    return;
  }
  // Another instance of the program writes it: this one keeps its own steps in memory.
  TUserText error;
  if (!OpenFile(error)) {
    report_ = error;
    path_.clear();
    return;
  }
  if (read.status == platform::ReadStatus::TooLarge) {
    report_ =
        TUserText{"TJournal",
                  UiText("TJournal",
                         "ファイル %1 は大きすぎるので読めません。これまでの操作は元に戻せません"),
                  {path_}};
    rewriteFirst_ = true;
    return;
  }
  ParsedJournal parsed = ParseJournal(read.bytes);
  history_ = std::move(parsed.history);
  const std::size_t lost = parsed.badLines + history_.Orphans();
  if (lost > 0) {
    report_ = TUserText{"TJournal",
                        UiText("TJournal", "ファイル %1 の %2 行は壊れているので読み飛ばしました"),
                        {path_, std::to_string(lost)}};
  }
  // A cut-off last line would swallow the next record; skipped lines are better gone too.
  rewriteFirst_ = lost > 0 || !parsed.cleanEnd;
  recordsInFile_ = static_cast<std::size_t>(std::count(read.bytes.begin(), read.bytes.end(), '\n'));
}

TJournal::~TJournal() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (syncer_.joinable()) syncer_.join();
}

std::optional<TUserText> TJournal::TakeReport() {
  return std::exchange(report_, std::nullopt);
}

bool TJournal::OpenFile(TUserText& error) {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = CannotWriteFile(path_, std::strerror(errno));
    return false;
  }
  auto file = std::shared_ptr<int>(new int(fd), [](int* p) {
    ::close(*p);
    delete p;
  });
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = TUserText{
        "TJournal",
        UiText("TJournal",
               "ファイル %1 は他で使われているので、この回の操作は終了後には元に戻せません"),
        {path_}};
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  fd_ = std::move(file);
  if (!syncer_.joinable()) syncer_ = std::thread([this] { SyncLoop(); });
  return true;
}

void TJournal::SyncLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || written_ > durable_; });
    if (written_ == durable_) return;  // stopping, and everything is on disk
    const std::uint64_t target = written_;
    const std::shared_ptr<int> fd = fd_;
    lock.unlock();
    ::fdatasync(*fd);
    lock.lock();
    durable_ = std::max(durable_, target);
    synced_.notify_all();
  }
}

void TJournal::Flush() {
  std::unique_lock<std::mutex> lock(mutex_);
  synced_.wait(lock, [this] { return durable_ >= written_; });
}

bool TJournal::Compact(TUserText& error) {
  std::string text;
  for (const JournalHistory::Entry& e : history_.Entries())
    text += JournalRecord(StepFields('H', e.id, e.undone ? "u" : "d", e.step));
  // An operation still to be settled keeps its record, or its outcome could not be written.
  if (const std::optional<UnfinishedOp>& u = history_.Unfinished())
    text += JournalRecord(BeginFields(*u));
  std::string why;
  if (!platform::WriteFileAtomically(path_, text, &why)) {
    error = VerbatimText(why);
    return false;
  }
  // The rename gave the path a new file: the lock and the appends go to that one.
  if (!OpenFile(error)) {
    path_.clear();
    return false;
  }
  recordsInFile_ = history_.Entries().size();
  rewriteFirst_ = false;
  return true;
}

bool TJournal::Append(std::string records, TUserText& error) {
  if (path_.empty()) return true;
  if (!fd_ && !OpenFile(error)) {
    // Taken by another instance since start-up: this one goes on in memory.
    report_ = error;
    path_.clear();
    return true;
  }
  if ((rewriteFirst_ || recordsInFile_ > kCompactAfter) && !Compact(error)) {
    if (path_.empty()) {
      report_ = error;
      return true;
    }
    return false;
  }
  const std::string bytes = unwritten_ + records;
  const int fd = *fd_;
  struct stat st {};
  int failure = writeFailureForTesting.load();
  if (failure == 0 && ::fstat(fd, &st) != 0) failure = errno;
  std::size_t done = 0;
  if (failure == 0) failure = platform::WriteAll(fd, bytes, &done);
  if (failure != 0) {
    // Half a record would merge with the next one: the file goes back to its whole records.
    if (done > 0 && ::ftruncate(fd, st.st_size) != 0) rewriteFirst_ = true;
    error = CannotWriteFile(path_, std::strerror(failure));
    return false;
  }
  unwritten_.clear();
  recordsInFile_ += static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++written_;
  }
  wake_.notify_one();
  return true;
}

std::optional<std::uint64_t> TJournal::Begin(OpRole role, std::uint64_t stepId,
                                             const SortingStep& after, TUserText& error) {
  const std::vector<std::string> fields =
      BeginFields({history_.NextOp(), role, stepId, after, after});
  const std::uint64_t op = history_.NextOp();
  if (!Append(JournalRecord(fields), error)) return std::nullopt;
  history_.Apply(fields);
  if (stopAfterBeginForTesting.exchange(false)) throw JournalStoppedForTesting{};
  return op;
}

void TJournal::Done(std::uint64_t op, const SortingStep& step) {
  const std::vector<std::string> fields = StepFields('D', op, {}, step);
  std::string record = JournalRecord(fields);
  TUserText error;
  if (!Append(record, error)) unwritten_ += record;
  history_.Apply(fields);
}

void TJournal::Abandon(std::uint64_t op) {
  const std::vector<std::string> fields{"X", std::to_string(op)};
  std::string record = JournalRecord(fields);
  TUserText error;
  if (!Append(record, error)) unwritten_ += record;
  history_.Apply(fields);
}

void TJournal::SetWriteFailureForTesting(int error) {
  writeFailureForTesting = error;
}

void TJournal::StopAfterNextBeginForTesting() {
  stopAfterBeginForTesting = true;
}
