#pragma once
// Drags of local files onto the main window or onto any of its fields, all taken as a drop on
// the window: a field would otherwise take a dropped file as text and type its path into itself.
// Other drags are left to the widget they are over.
#include <QObject>
#include <QPoint>
#include <functional>
#include <string>

class QWidget;

class TFileDrops : public QObject {
  Q_OBJECT

 public:
  // path: the first local file dropped; globalPos: where it was dropped.
  using Handler = std::function<void(const std::string& path, const QPoint& globalPos)>;

  // Watches the window and every widget in it that accepts drops now; a child of the window,
  // and deleting it ends the watch.
  TFileDrops(QWidget& window, Handler handler);

  // Watches area and every widget in it that accepts drops now, as well: a part of the window
  // built later.
  void Watch(QWidget& area);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Handler handler_;
};
