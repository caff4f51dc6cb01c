// What decoding costs in memory, measured on the allocator itself: this program replaces the
// global operator new, counting the bytes alive at once and failing allocations from a size on
// when a test asks it to. A still GIF holds its canvas once, a file that is no picture is not read
// whole, and an allocation that fails is a failed decode, in the window as in the loader.
#include <malloc.h>

#include <QtTest>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>

#include "app/ui/MainWindow.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"
#include "view/DecodeAhead.h"
#include "view/ImageLib.h"

namespace {

std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};
std::atomic<std::size_t> failFrom{std::numeric_limits<std::size_t>::max()};

void* Allocate(std::size_t n) {
  if (n >= failFrom.load(std::memory_order_relaxed)) return nullptr;
  void* p = std::malloc(n == 0 ? 1 : n);
  if (!p) return nullptr;
  const std::size_t now = live += malloc_usable_size(p);
  std::size_t seen = peak.load(std::memory_order_relaxed);
  while (now > seen && !peak.compare_exchange_weak(seen, now)) {
  }
  return p;
}

void Free(void* p) noexcept {
  if (!p) return;
  live -= malloc_usable_size(p);
  std::free(p);
}

// The most bytes alive at once while body ran, above what was alive when it began.
template <typename Body>
std::size_t PeakDuring(Body body) {
  const std::size_t base = live;
  peak = base;
  body();
  return peak - base;
}

// Allocations of at least bytes fail while it lives.
struct FailingFrom {
  explicit FailingFrom(std::size_t bytes) { failFrom = bytes; }
  ~FailingFrom() { failFrom = std::numeric_limits<std::size_t>::max(); }
};

}  // namespace

void* operator new(std::size_t n) {
  if (void* p = Allocate(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  return operator new(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  return Allocate(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  return Allocate(n);
}
void operator delete(void* p) noexcept {
  Free(p);
}
void operator delete[](void* p) noexcept {
  Free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  Free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  Free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  Free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  Free(p);
}

using testsupport::TempDir;

class DecodeMemoryTest : public QObject {
  Q_OBJECT

 private slots:
  void aGifHoldsItsCanvasOnlyOnce() {
    TempDir dir;
    const std::size_t frame = std::size_t{1200} * 1000 * 4;
    for (const int frames : {1, 3}) {
      const std::string gif = dir.Write("a.gif", testsupport::EncodeGif(1200, 1000, frames));
      LoadResult r;
      const std::size_t bytes = PeakDuring([&] { r = LoadPicture(gif); });
      QCOMPARE(r.format, PictureFormat::Gif);
      QCOMPARE(r.picture.frames.size(), static_cast<std::size_t>(frames));
      QVERIFY2(bytes < frame * frames + frame / 4, std::to_string(bytes).c_str());
    }
  }

  void aFileIsReadOnlyWhenItsFirstBytesNameAPicture() {
    TempDir dir;
    const std::string notes = dir / "notes.png";
    std::filesystem::resize_file(dir.Write("notes.png", "no picture"), std::size_t{32} << 20);
    const std::string liar = dir.Write("liar.png", testsupport::EncodeLyingPng(16384, 16384));
    codecs::DecodeBudget budget(std::size_t{64} << 20);
    codecs::DecodeOptions ahead;
    ahead.budget = &budget;
    ahead.budgetMode = codecs::BudgetMode::Wait;
    for (const auto& [path, options] : {std::pair{notes, codecs::DecodeOptions{}}, {liar, ahead}}) {
      LoadResult r;
      const std::size_t bytes = PeakDuring([&] { r = LoadPicture(path, options); });
      QCOMPARE(r.format, PictureFormat::None);
      QVERIFY2(bytes < std::size_t{1} << 20, std::to_string(bytes).c_str());
    }
  }

  void anAllocationFailureIsAFailedDecode_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("change");
    const auto row = [](const char* name, const std::string& bytes, PictureChange change) {
      QTest::newRow(name) << QString::fromUtf8(name) << QByteArray::fromStdString(bytes)
                          << static_cast<int>(change);
    };
    row("a.png", testsupport::EncodePng(1024, 1024), PictureChange::Keep);
    row("a.jpg", testsupport::EncodeJpeg(1024, 1024), PictureChange::Keep);
    row("a.bmp", testsupport::EncodeBmp(1024, 1024), PictureChange::Keep);
    row("a.gif", testsupport::EncodeGif(1024, 1024, 2), PictureChange::Empty);
  }

  void anAllocationFailureIsAFailedDecode() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, change);
    TempDir dir;
    const std::string path = dir.Write(name.toStdString(), bytes.toStdString());
    LoadResult r;
    {
      const FailingFrom failing(std::size_t{1} << 20);
      QVERIFY_THROWS_NO_EXCEPTION(r = LoadPicture(path));
    }
    QCOMPARE(r.format, PictureFormat::None);
    QCOMPARE(static_cast<int>(r.change), change);
    QVERIFY(r.outOfMemory);
    QVERIFY(LoadPicture(path).format != PictureFormat::None);
  }

  void theWindowKeepsItsPictureWhenADecodeRunsOutOfMemory() {
    TempDir dir;
    const std::string small = dir.Write("small.png", testsupport::EncodePng(40, 30));
    const std::string large = dir.Write("large.png", testsupport::EncodePng(1024, 1024));
    QTest::qWait(150);  // settled, so that the window's decodes are kept for a step back
    auto form = std::make_unique<TForm1>(dir / "conf", std::vector<std::string>{});
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get(), 5000));
    form->Session().PresentPicture(small);
    QCOMPARE(form->MainPanel->CurrentPicture()->width, 40);
    {
      const FailingFrom failing(std::size_t{2} << 20);
      QVERIFY_THROWS_NO_EXCEPTION(form->Session().PresentPicture(large));
    }
    QCOMPARE(form->MainPanel->CurrentPicture()->width, 40);
    // The failure was not kept as the file's: with memory to spare it is shown.
    form->Session().PresentPicture(large);
    QCOMPARE(form->MainPanel->CurrentPicture()->width, 1024);
    form->close();
  }
};

QTEST_MAIN(DecodeMemoryTest)

#include "DecodeMemoryTest.moc"
