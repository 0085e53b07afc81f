// What one frame paints, given the band's layout: the program paints the
// layout it has just worked out, and a recorded layout paints the same way.
#pragma once

#include "scene/launcher.h"

// The GDI objects a frame paints with.
struct PaintTools {
    HPEN BandPen;    // the band's pen for this frame; null to use OutlinePen
    HPEN OutlinePen; // the ball's and the tips' outline
    HBRUSH BallBrush;
};

// Paints the ball, then the band (a polyline through the wrap while the band
// holds the ball, a straight line otherwise), then both tips on top, onto
// dc. The objects selected into dc are selected back afterwards.
void PaintFrame(HDC dc, const BandLayout &band, BOOL engaged, const PaintTools &tools);
