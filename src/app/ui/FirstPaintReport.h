#pragma once
// The launch benchmark's measuring point: with SORTIVO_REPORT_FIRST_PAINT set to an open file
// descriptor's number or to a path, the program writes the CLOCK_MONOTONIC time (milliseconds)
// at which a picture was first painted, and ends at once, saving nothing. Unset, nothing is
// installed.
class TPictureControl;

// Watches picture (the control that paints pictures) when the variable is set.
void ReportFirstPaintIfAsked(TPictureControl* picture);
