// Time services. Every wait of the program polls Timer(); Delay() pauses the
// main thread without running callbacks, as the sensor pauses between pages
// rely on nothing happening in between.
#pragma once

// Seconds since an arbitrary start on a monotonic clock.
double Timer();
// Waits the given number of seconds; returns at once for 0 or less.
void Delay(double seconds);
