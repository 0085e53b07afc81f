// The ball brush and the outline pen, made once at set-up and shared by
// every frame.
#pragma once

void CreateDrawingTools();

// Deletes the brush, then the pen; each handle is cleared so that nothing is
// deleted twice (the display release and the shutdown both call this).
void DeleteDrawingTools();
