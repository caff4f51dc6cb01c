#pragma once
// Pictures made in memory for the window tests.
#include <QColor>
#include <initializer_list>
#include <memory>

#include "codecs/Picture.h"

inline void FillFrame(PictureFrame& f, int width, int height, QColor c) {
  f.pixels.resize(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t i = 0; i < f.pixels.size(); i += 4) {
    f.pixels[i] = static_cast<std::uint8_t>(c.blue());
    f.pixels[i + 1] = static_cast<std::uint8_t>(c.green());
    f.pixels[i + 2] = static_cast<std::uint8_t>(c.red());
    f.pixels[i + 3] = static_cast<std::uint8_t>(c.alpha());
  }
}

inline void SetPixel(Picture& p, int frame, int x, int y, QColor c) {
  auto* px = &p.frames[frame].pixels[(static_cast<std::size_t>(y) * p.width + x) * 4];
  px[0] = static_cast<std::uint8_t>(c.blue());
  px[1] = static_cast<std::uint8_t>(c.green());
  px[2] = static_cast<std::uint8_t>(c.red());
  px[3] = static_cast<std::uint8_t>(c.alpha());
  if (c.alpha() != 255) p.hasAlpha = true;
}

inline std::shared_ptr<Picture> SolidPicture(int width, int height, QColor c = Qt::green) {
  auto p = std::make_shared<Picture>();
  p->width = p->fullWidth = width;
  p->height = p->fullHeight = height;
  p->hasAlpha = c.alpha() != 255;
  p->frames.resize(1);
  FillFrame(p->frames[0], width, height, c);
  return p;
}

// One solid colour per frame, each with its delay.
inline std::shared_ptr<Picture> AnimatedPicture(std::initializer_list<int> delaysMs,
                                                int loopCount) {
  auto p = std::make_shared<Picture>();
  p->width = p->fullWidth = 4;
  p->height = p->fullHeight = 4;
  p->loopCount = loopCount;
  int hue = 0;
  for (int d : delaysMs) {
    PictureFrame f;
    FillFrame(f, 4, 4, QColor::fromHsv(hue, 255, 255));
    f.delayMs = d;
    p->frames.push_back(std::move(f));
    hue += 90;
  }
  return p;
}
