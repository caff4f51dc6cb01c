#include "view/StandIn.h"

#include <optional>
#include <utility>

#include "view/ImageLib.h"

SharedLoadResult LoadPictureOrStandIn(TDecodeAhead* cache, const std::string& path,
                                      const codecs::DecodeOptions& options, bool* standIn) {
  *standIn = false;
  if (cache && cache->enabled() && HoldsThumbnails(SniffPictureFileAt(path))) {
    // A decode under way is not waited for: it may have a second to go. Nor is it taken off the
    // workers' list: a stand-in leaves the decode to them.
    if (std::optional<SharedLoadResult> hit = cache->Take(path, options, false, false))
      return *std::move(hit);
    std::optional<SharedLoadResult> ahead = cache->TakeStandIn(path, options);
    if (!ahead) {
      LoadResult thumbnail = LoadStandIn(path, options);
      ahead.emplace();
      ahead->format = thumbnail.format;
      ahead->change = thumbnail.change;
      if (thumbnail.change == PictureChange::Replace)
        ahead->picture = std::make_shared<const Picture>(std::move(thumbnail.picture));
    }
    if (ahead->change == PictureChange::Replace && ahead->picture) {
      *standIn = true;
      ahead->fromCache = false;  // no decode of the picture itself
      return *std::move(ahead);
    }
  }
  return LoadPictureCached(cache, path, options);
}

std::shared_ptr<const Picture> TurnedCopy(std::shared_ptr<const Picture> picture,
                                          int quarterTurns) {
  quarterTurns = ((quarterTurns % 4) + 4) % 4;
  if (!picture || quarterTurns == 0) return picture;
  auto turned = std::make_shared<Picture>(*picture);
  for (int i = 0; i < quarterTurns; ++i) RotateClockwise(*turned);
  return turned;
}

StandInResolution ResolveStandIn(TDecodeAhead& cache, const std::string& shownPath,
                                 const Picture& shown, int turns, const std::string& donePath,
                                 const codecs::DecodeOptions& options) {
  StandInResolution r;
  if (donePath != shownPath) return r;
  std::optional<SharedLoadResult> full = cache.Take(shownPath, options, false);
  if (!full) {
    r.outcome = StandInOutcome::LoadHere;
    return r;
  }
  r.outcome = StandInOutcome::Keep;
  if (full->change != PictureChange::Replace || !full->picture) return r;
  const bool across = turns % 2 != 0;
  const int w = across ? full->picture->fullHeight : full->picture->fullWidth;
  const int h = across ? full->picture->fullWidth : full->picture->fullHeight;
  // The file was rewritten with another picture since the stand-in came from it.
  if (w != shown.fullWidth || h != shown.fullHeight) return r;
  r.outcome = StandInOutcome::Replace;
  r.picture = TurnedCopy(std::move(full->picture), turns);
  return r;
}
