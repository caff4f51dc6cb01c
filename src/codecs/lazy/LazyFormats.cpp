// The program's own entry points for HEIF/AVIF, JPEG XL and raw camera files. Their libraries
// (with the HEVC, AV1 and SIMD libraries beneath them) cost a start-up a good part of its time
// before main() even runs, mostly in their static initialisers, and most folders hold none of
// these pictures. So they live in a module beside the program, loaded on the first picture that
// needs one. The module holds its own copy of the codecs it needs and hands back only a table.
#include <dlfcn.h>

#include <mutex>
#include <string>

#include "codecs/HeifDecoder.h"
#include "codecs/JxlDecoder.h"
#include "codecs/RawDecoder.h"
#include "codecs/lazy/FormatsModule.h"
#include "platform/ProgramModules.h"
#include "platform/UserText.h"

namespace codecs {

namespace {

const FormatsModule* Load() {
  static const FormatsModule* module = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    void* handle = platform::OpenProgramModule(kFormatsModuleName, SORTIVO_MODULES_FROM_PROGRAM);
    const auto entry =
        handle ? reinterpret_cast<const FormatsModule* (*)()>(dlsym(handle, kFormatsModuleEntry))
               : nullptr;
    if (entry && entry()->version == kFormatsModuleVersion) module = entry();
  });
  // Without it these pictures cannot be shown at all: the window's own load reports why, once
  // per picture (the decodes ahead count it as a failed decode).
  if (!module)
    throw TUserError({"TUserText",
                      UiText("TUserText", "HEIF、AVIF、JPEG XL、RAW の画像を読む %1 がありません"),
                      {platform::ProgramFolder() + kFormatsModuleName}});
  return module;
}

// The decoder the module's table holds at member.
template <auto member>
bool Forward(Bytes bytes, Picture& out, const DecodeOptions& options) {
  return (Load()->*member)(bytes, out, options);
}

}  // namespace

bool DecodeHeif(Bytes bytes, Picture& out, const DecodeOptions& options) {
  return Forward<&FormatsModule::heif>(bytes, out, options);
}

bool DecodeHeifThumbnail(Bytes bytes, Picture& out, const DecodeOptions& options) {
  return Forward<&FormatsModule::heifThumbnail>(bytes, out, options);
}

bool DecodeJxl(Bytes bytes, Picture& out, const DecodeOptions& options) {
  return Forward<&FormatsModule::jxl>(bytes, out, options);
}

bool DecodeRaw(Bytes bytes, Picture& out, const DecodeOptions& options) {
  return Forward<&FormatsModule::raw>(bytes, out, options);
}

}  // namespace codecs
