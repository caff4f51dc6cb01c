#include "app/ui/FileDrops.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

TFileDrops::TFileDrops(QWidget& window, Handler handler)
    : QObject(&window), handler_(std::move(handler)) {
  window.setAcceptDrops(true);
  Watch(window);
}

void TFileDrops::Watch(QWidget& area) {
  if (area.acceptDrops()) area.installEventFilter(this);
  for (QWidget* w : area.findChildren<QWidget*>())
    if (w->acceptDrops()) w->installEventFilter(this);
}

bool TFileDrops::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
    return QObject::eventFilter(watched, event);
  // Enter and move events are drop events too, so one cast serves all three.
  auto* drag = static_cast<QDropEvent*>(event);
  const QMimeData* mime = drag->mimeData();
  if (!watched->isWidgetType() || !mime || !mime->hasUrls())
    return QObject::eventFilter(watched, event);
  for (const QUrl& url : mime->urls()) {
    if (!url.isLocalFile()) continue;
    drag->acceptProposedAction();
    if (type == QEvent::Drop) {
      const QPoint at = static_cast<QWidget*>(watched)->mapToGlobal(drag->position().toPoint());
      // A copy: what the drop opens may end the watch before the handler returns.
      const Handler handler = handler_;
      handler(url.toLocalFile().toStdString(), at);
    }
    return true;
  }
  return QObject::eventFilter(watched, event);
}
