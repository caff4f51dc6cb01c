#include "app/CommandLine.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <string_view>

#include "SortivoVersion.h"
#include "platform/UserText.h"

namespace {

// Qt's QGuiApplication/QApplication options. It accepts them with one dash or two.
constexpr std::array<std::string_view, 15> kWindowSystemOptionsWithValue = {"platform",
                                                                            "platformpluginpath",
                                                                            "platformtheme",
                                                                            "plugin",
                                                                            "qwindowgeometry",
                                                                            "geometry",
                                                                            "qwindowicon",
                                                                            "icon",
                                                                            "qwindowtitle",
                                                                            "title",
                                                                            "session",
                                                                            "display",
                                                                            "name",
                                                                            "style",
                                                                            "stylesheet"};
constexpr std::array<std::string_view, 6> kWindowSystemFlags = {
    "reverse", "widgetcount", "nograb", "dograb", "sync", "qmljsdebugger"};

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::string HelpText() {
  return UiText("TCommandLine",
                "使い方: sortivo [オプション] [フォルダー | 画像 | リストファイル]\n"
                "\n"
                "画像を一枚ずつ表示し、キーと Enter で登録先のフォルダーへ移動・コピーしたり、\n"
                "リストファイルに書き込んだりして振り分けます。\n"
                "開くものを指定すると、起動してすぐにそれを開きます。\n"
                "\n"
                "  -h, --help     この説明を表示して終了する\n"
                "  -v, --version  版を表示して終了する\n"
                "  --             これより後はオプションでなくファイル名として扱う\n");
}

}  // namespace

std::string VersionText() {
  return kSortivoCaption;
}

TCommandLine ParseCommandLine(int argc, const char* const* argv) {
  TCommandLine result;
  bool operandsOnly = false;
  bool havePath = false;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr) break;
    const std::string_view arg = argv[i];
    const bool isOption = !operandsOnly && arg.size() > 1 && arg[0] == '-';
    auto takeAsPath = [&] {
      if (!havePath) {
        result.path = std::string(arg);
        havePath = true;
      }
    };
    if (!isOption) {
      takeAsPath();
      continue;
    }
    if (arg == "--") {
      operandsOnly = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      result.action = TCommandAction::ShowHelp;
      result.message = HelpText();
      result.path.clear();
      return result;
    }
    if (arg == "-v" || arg == "--version") {
      result.action = TCommandAction::ShowVersion;
      result.message = VersionText() + "\n";
      result.path.clear();
      return result;
    }
    std::string_view name = arg.substr(arg[1] == '-' ? 2 : 1);
    const std::size_t equals = name.find('=');
    const bool valueAttached = equals != std::string_view::npos;
    if (valueAttached) name = name.substr(0, equals);
    if (Contains(kWindowSystemOptionsWithValue, name)) {
      if (!valueAttached) ++i;  // its value is not an operand
      continue;
    }
    if (Contains(kWindowSystemFlags, name)) continue;
    // Any other argument names what to open, even one that looks like an option: a folder
    // may well be called "-old".
    takeAsPath();
  }
  return result;
}

int FinishCommandLine(const TCommandLine& commandLine, std::ostream& out) {
  out << commandLine.message;
  out.flush();
  return commandLine.exitCode;
}
