#pragma once

// The acquisition thread's sign of life, for a watchdog outside the process:
// it beats each cycle and each slice of every wait (for a reply, for the
// next try), so it stops beating only when the thread is stuck. What a beat
// does is set once, before the thread starts; without it a beat does nothing.
namespace heartbeat {

using Beat = void (*)();

void setBeat(Beat beat);
void beat();

} // namespace heartbeat
