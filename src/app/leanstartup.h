#pragma once

// Small settings that keep the windowed console's memory down; both are
// no-ops where they do not apply.
namespace leanstartup {

// Before the application object exists: the scene graph's texture atlas at
// 512 x 512 pixels, which the dashboard's few small pictures fill anyway,
// unless the environment already chose a size.
void setAtlasSize();

// Once start-up is over, hands the heap that it used and freed back to the
// system (glibc keeps it otherwise).
void trimHeapSoon(int delayMs = 3000);

} // namespace leanstartup
