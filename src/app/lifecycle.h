// Start-up, the main loop and shutdown.
#pragma once

// 1 when no other copy runs; 0 when one was found and brought forward.
int ActivateRunningInstance();

// Builds the launcher and drawing tools, starts the clock and sets up force
// feedback. Always 1.
int SetUpScene();

// Alternates one frame with handling every waiting message, never waiting,
// until the quit message has been read and the queue is empty.
void MainLoop();

void Shutdown();
