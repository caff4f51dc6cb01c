#pragma once
// Showing a HEIF or AVIF picture at once while it is still being decoded: no decoder can decode
// a phone's 12 MP HEVC picture at a reduced scale, and a full decode takes well over a second,
// far longer than a user sorting by key waits for each picture. The thumbnail such a file holds
// stands in for the picture (with the picture's own size, so the caption and the fit are the
// picture's) until the decode-ahead workers have decoded it in full.
#include <memory>
#include <string>

#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"
#include "view/DecodeAhead.h"

// LoadPictureCached, except that a HEIF or AVIF picture that nothing cached serves comes as its
// stand-in (LoadStandIn) when the file holds a thumbnail and the cache decodes ahead: its full
// decode is then left to the workers (the caller asks for it). *standIn tells which came. Any other
// picture, one without a thumbnail, or any picture without decoding ahead loads as
// LoadPictureCached loads it.
SharedLoadResult LoadPictureOrStandIn(TDecodeAhead* cache, const std::string& path,
                                      const codecs::DecodeOptions& options, bool* standIn);

// picture turned clockwise by quarterTurns quarter turns (0 to 3): a turned copy, as the cache and
// the preview may share the picture, or picture itself when there is nothing to turn.
std::shared_ptr<const Picture> TurnedCopy(std::shared_ptr<const Picture> picture, int quarterTurns);

// What becomes of a stand-in when a worker is done with a path.
enum class StandInOutcome {
  Wait,      // another file's decode: the stand-in's is still to come
  Replace,   // the full decode replaces the stand-in
  Keep,      // the full decode failed, or shows a picture of another size: the stand-in stays
  LoadHere,  // nothing cached serves (the file changed, the cache refused it): load it as always
};
struct StandInResolution {
  StandInOutcome outcome = StandInOutcome::Wait;
  std::shared_ptr<const Picture> picture;  // Replace: what to show, turned as the stand-in was
};

// The stand-in `shown` of the file shownPath (decoded with options, then turned `turns` quarter
// turns clockwise) once the workers are done with donePath.
StandInResolution ResolveStandIn(TDecodeAhead& cache, const std::string& shownPath,
                                 const Picture& shown, int turns, const std::string& donePath,
                                 const codecs::DecodeOptions& options);
