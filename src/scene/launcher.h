// The launcher: an elastic band between two fork tips around a rest centre,
// and one ball. Positions are client pixels; velocities are pixels per step.
#pragma once

#include "platform/win32.h"

// What one frame draws, worked out from the launcher's fields.
struct BandLayout {
    COLORREF Colour;
    int PenWidth;
    int PointCount; // 2 (straight band) or 7 (wrapped around the ball)
    POINT Points[7];
    BOOL BallVisible;
    RECT Ball;
    RECT Tips[2]; // around LeftTip, then RightTip
};

class Launcher {
public:
    static constexpr int BallRadius = 20;
    static constexpr int TipRadius = 10;
    static constexpr int ForkHalfWidth = 40;

    // Builds the launcher at rest in the middle of the client area in AppState.
    Launcher();
    virtual ~Launcher();

    void Step();
    BOOL HitTest(POINT point) const;
    void Grab();
    void Recentre(int x, int y);
    POINT GetCentre() const;

    // Lays out the band for this frame and draws the whole frame into the
    // back buffer.
    void Draw();

    // Draws a frame of the given layout into the back buffer: the band as
    // held or slack by Engaged, ball and tips as the layout places them.
    void DrawLayout(const BandLayout &band) const;

    // Works out the band for one frame: keeps BandSide, exchanges the tips
    // when the ball crosses the band line of a slack band, and returns the
    // colour, width, band points and the rectangles to draw.
    BandLayout LayOutBand();

    // The point where a line from (x, y) touches the ball circle; 0 when
    // (x, y) lies on or inside the circle and nothing is written.
    int TangentPoint(int x, int y, double &tx, double &ty) const;

    // The point of the ball's rim halfway along the shorter arc from P to Q.
    POINT RimPoint(double px, double py, double qx, double qy) const;

    // Fields, in this order. Flags hold 0 or 1.
    int BandSide = 0;
    int BandStretched = 0;
    int Engaged = 0;
    double BallX = 0.0;
    double BallY = 0.0;
    double AccelX = 0.0;
    double AccelY = 0.0;
    double VelX = 0.0;
    double VelY = 0.0;
    int BallAlive = 0;
    double Tension = 0.0;
    int BandPenWidth = 3;
    POINT BallPoint{0, 0};
    POINT RightTip{0, 0};
    POINT LeftTip{0, 0};
    POINT RestCentre{0, 0};

private:
    POINT CursorInClient() const;
    void Accelerate();
    bool IsOffScreen() const;
    void PlaceFork();
    COLORREF BandColour() const;
    void UpdateBandSide();
    int BuildBandPoints(POINT (&points)[7]) const;
};
