// A whole sorting session typed on the keyboard: fifty pictures into three folders and a list
// file, then every file on disk accounted for.
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "app/ui/Application.h"
#include "app/ui/MainWindow.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

class EndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void fiftyPicturesSortedByKeys() {
    QStringList reported;
    TApplication::SetErrorReporter([&reported](const QString& text) { reported << text; });
    TempDir dir;
    const std::string pics = dir.MakeDir("pics");
    // Each picture a different width, so that no two files are alike.
    std::map<std::string, std::string> originals;  // bytes -> name
    for (int i = 0; i < 50; ++i) {
      const std::string name = "p" + std::to_string(100 + i) + ".jpg";
      QVERIFY(testsupport::WriteJpeg(pics + "/" + name, 16 + i, 12));
      originals[testsupport::ReadAll(pics + "/" + name)] = name;
    }
    for (const char* d : {"red", "green", "blue"}) dir.MakeDir(d);
    // Already there under names the pictures have: must survive.
    std::vector<std::string> squatters;
    for (const char* d : {"red", "green", "blue"})
      for (int i = 100; i < 104; ++i)
        squatters.push_back(dir.Write(std::string(d) + "/p" + std::to_string(i) + ".jpg", d));
    dir.Write("conf/head.txt", "r=" + dir / "red" + "\r\ng=" + dir / "green" +
                                   "\r\nb==" + dir / "blue" + "\r\nl=" + dir / "keep.txt" + "\r\n");
    dir.Write("conf/sortivo.ini", "[Main]\r\nWidth=640\r\nHeight=480\r\n");

    auto form = std::make_unique<TForm1>(dir / "conf", std::vector<std::string>{pics});
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get(), 5000));
    QTRY_COMPARE_WITH_TIMEOUT(form->Session().Files().Count(), 50, 5000);

    std::vector<std::string> listed;
    std::map<std::string, std::string> sentTo;  // name -> folder or "pics"
    const char* keys[] = {"r", "g", "b", "l"};
    for (int step = 0; step < 50; ++step) {
      const std::string current = form->Session().Files().GetCurrent();
      QVERIFY2(!current.empty(), qPrintable(QString::number(step)));
      const std::string name = fs::path(current).filename().string();
      const char* key = keys[(step * 7 + step / 5) % 4];
      QTest::keyClicks(form->Edit1, QString::fromLatin1(key));
      QTest::keyClick(form->Edit1, Qt::Key_Return);
      if (key[0] == 'l') {
        QCOMPARE(form->Session().Files().GetCurrent(), current);
        // Backspace takes the selected key away; Enter on nothing goes on.
        QTest::keyClick(form->Edit1, Qt::Key_Backspace);
        QTest::keyClick(form->Edit1, Qt::Key_Return);
        listed.push_back(current);
        sentTo[name] = "pics";
      } else {
        sentTo[name] = key[0] == 'r' ? "red" : key[0] == 'g' ? "green" : "blue";
      }
    }
    QVERIFY(form->close());
    QVERIFY2(reported.isEmpty(), qPrintable(reported.join(u'\n')));

    // Every original exactly once, where its key sent it.
    std::map<std::string, int> seen;
    int files = 0;
    for (const char* d : {"pics", "red", "green", "blue"}) {
      for (const auto& entry : fs::directory_iterator(dir / d)) {
        ++files;
        const std::string bytes = testsupport::ReadAll(entry.path().string());
        if (std::find(squatters.begin(), squatters.end(), entry.path().string()) !=
            squatters.end()) {
          QCOMPARE(bytes, std::string(d));
          continue;
        }
        const auto it = originals.find(bytes);
        QVERIFY2(it != originals.end(), entry.path().c_str());
        ++seen[it->second];
        QCOMPARE(std::string(d), sentTo[it->second]);
      }
    }
    QCOMPARE(files, 50 + static_cast<int>(squatters.size()));
    QCOMPARE(static_cast<int>(seen.size()), 50);
    for (const auto& [name, count] : seen) QCOMPARE(count, 1);

    std::string expected;
    for (const std::string& p : listed) expected += p + "\r\n";
    QVERIFY(!listed.empty());
    QCOMPARE(testsupport::ReadAll(dir / "keep.txt"), expected);
    TApplication::SetErrorReporter(nullptr);
  }
};

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Sortivo5"));
  EndToEndTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "EndToEndTest.moc"
