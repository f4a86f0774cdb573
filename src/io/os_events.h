// Requests of the host to the platform functions' event queue.
#pragma once

// Asks for a pause event in the next frame (the program lost the activation).
void OS_RequestPauseEvent();
// Set by OS_RequestPauseEvent until the next frame takes the request.
extern bool OS_PauseEventRequested;
