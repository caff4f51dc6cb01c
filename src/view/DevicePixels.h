#pragma once
// Logical pixels and device pixels. The viewport places the picture in logical pixels, as the
// window system lays out widgets; on a scaled screen (200 %, 150 %) each of them spans several
// device pixels, and a picture decoded, shrunk and painted for the logical size would be drawn
// at a fraction of the screen's resolution and stretched. These rules give the sizes in device
// pixels, rounded the same way wherever they are needed, so that the shrunk picture made ahead
// is exactly the one the paint asks for.
#include "codecs/DecodeOptions.h"
#include "view/Viewport.h"

// A ratio that makes no sense (zero, negative, not a number) counts as 1.
double SaneRatio(double ratio);

// The device pixels a length of logical pixels covers: the nearest whole number, halves up (the
// window system rounds widget sizes this way).
int DeviceLength(int logical, double ratio);
ViewSize DeviceSize(ViewSize logical, double ratio);

// The logical size that shows a picture of `device` pixels one picture pixel per device pixel;
// never 0 for a picture of at least one pixel.
ViewSize LogicalSize(ViewSize device, double ratio);

// The device pixel a position in device pixels lands on, halves up as the window system places
// widgets: a picture drawn from a whole pixel is neither resampled nor blurred.
int SnapToDevicePixel(double position);

// How far apart two device sizes may be and still be drawn one to one: a size taken to logical
// pixels and back comes out up to half a ratio off (and exact at a ratio of 1).
int RoundingSlack(double ratio);
bool WithinSlack(ViewSize a, ViewSize b, double ratio);

// The options with their fit box in device pixels and a ratio of 1: what the decoders are told.
codecs::DecodeOptions InDevicePixels(codecs::DecodeOptions options);

// The device size a picture of its own size `picture` is shown at when fitted into the logical
// area fitWidth x fitHeight (the picture area less its spare pixels) at ratio.
ViewSize ShownDeviceSize(ViewSize picture, int fitWidth, int fitHeight, double ratio);
