#pragma once
// State that lives only while the program runs and is never saved.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The integer slots of the run-time state.
enum class Slot : std::size_t {
  PreviewVisible = 0,
  PreviewLeft = 1,
  PreviewTop = 2,
  PreviewWidth = 3,
  PreviewHeight = 4,
  PendingArguments = 5,
};

class TTemporaryManager {
 public:
  static constexpr std::size_t kSlotCount = 6;

  std::int32_t DragStartX = 0;  // where the left button went down in the picture area
  std::int32_t DragStartY = 0;
  bool DoubleClickPending = false;  // the next button release toggles OriginalSize
  bool RightButtonHeld = false;
  std::string LastDirectory;  // the previous run's source, for resuming only
  std::string LastFile;       // the previous run's current picture
  std::int32_t InputLength = 0;
  std::int32_t PictureFormat = 0;             // 0 none, 1 BMP, 2 GIF, 3 JPEG, 4 PNG
  std::vector<std::string> PendingListFiles;  // unsorted, duplicates kept

  std::int32_t GetSlot(Slot slot) const { return slots_[static_cast<std::size_t>(slot)]; }
  void SetSlot(Slot slot, std::int32_t value) { slots_[static_cast<std::size_t>(slot)] = value; }

 private:
  // LoadSettings fills the preview slots, from the stored bounds or the default beside the main
  // window, before anything reads them; a second default here would only drift from that one.
  std::array<std::int32_t, kSlotCount> slots_{};
};
