// The program's own entry points for the formats it decodes through a module: PNG, GIF, WebP and
// TIFF from one, HEIF/AVIF, JPEG XL and raw camera files from the other. Their libraries cost a
// start-up time before main() even runs (the rarer formats' a good part of it, mostly in their
// static initialisers), and that is time the first picture, most often a JPEG, waits for. So
// they live in modules beside the program, each loaded on the first picture that needs it. A
// module holds its own copy of the codecs it needs and hands back only a table.
#include <dlfcn.h>

#include <mutex>
#include <string>

#include "codecs/GifDecoder.h"
#include "codecs/HeifDecoder.h"
#include "codecs/JxlDecoder.h"
#include "codecs/PngDecoder.h"
#include "codecs/RawDecoder.h"
#include "codecs/TiffDecoder.h"
#include "codecs/WebpDecoder.h"
#include "codecs/lazy/FormatsModule.h"
#include "platform/ProgramModules.h"
#include "platform/UserText.h"

namespace codecs {

namespace {

// A module's file, and what its absence says.
struct ModuleFile {
  const char* name;
  const char* missing;
};
constexpr ModuleFile kCommon{
    kCommonFormatsModuleName,
    UiText("TUserText", "PNG、GIF、WebP、TIFF の画像を読む %1 がありません")};
constexpr ModuleFile kRare{
    kFormatsModuleName,
    UiText("TUserText", "HEIF、AVIF、JPEG XL、RAW の画像を読む %1 がありません")};

const FormatsModule* Open(const char* name) {
  void* handle = platform::OpenProgramModule(name, SORTIVO_MODULES_FROM_PROGRAM);
  const auto entry =
      handle ? reinterpret_cast<const FormatsModule* (*)()>(dlsym(handle, kFormatsModuleEntry))
             : nullptr;
  return entry && entry()->version == kFormatsModuleVersion ? entry() : nullptr;
}

template <const ModuleFile& file>
const FormatsModule& Load() {
  static const FormatsModule* const module = Open(file.name);
  // Without it these pictures cannot be shown at all: the window's own load reports why, once
  // per picture (the decodes ahead count it as a failed decode).
  if (!module)
    throw TUserError({"TUserText", file.missing, {platform::ProgramFolder() + file.name}});
  return *module;
}

// The decoder the module's table holds at member.
template <const ModuleFile& file, auto member>
bool Forward(Bytes bytes, Picture& out, const DecodeOptions& options) {
  return (Load<file>().*member)(bytes, out, options);
}

}  // namespace

bool DecodePng(Bytes bytes, Picture& out, const DecodeOptions& options) {
  return Forward<kCommon, &FormatsModule::png>(bytes, out, options);
}

bool DecodeGif(Bytes bytes, Picture& out, const DecodeOptions& options) {
  return Forward<kCommon, &FormatsModule::gif>(bytes, out, options);
}

bool DecodeWebp(Bytes bytes, Picture& out, const DecodeOptions& options) {
  return Forward<kCommon, &FormatsModule::webp>(bytes, out, options);
}

bool DecodeTiff(Bytes bytes, Picture& out, const DecodeOptions& options) {
  return Forward<kCommon, &FormatsModule::tiff>(bytes, out, options);
}

bool DecodeHeif(Bytes bytes, Picture& out, const DecodeOptions& options) {
  return Forward<kRare, &FormatsModule::heif>(bytes, out, options);
}

bool DecodeHeifThumbnail(Bytes bytes, Picture& out, const DecodeOptions& options) {
  return Forward<kRare, &FormatsModule::heifThumbnail>(bytes, out, options);
}

bool DecodeJxl(Bytes bytes, Picture& out, const DecodeOptions& options) {
  return Forward<kRare, &FormatsModule::jxl>(bytes, out, options);
}

bool DecodeRaw(Bytes bytes, Picture& out, const DecodeOptions& options) {
  return Forward<kRare, &FormatsModule::raw>(bytes, out, options);
}

}  // namespace codecs
