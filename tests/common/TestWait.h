#pragma once

// How long a test waits for something it expects. The bound matters only when the test fails:
// on a loaded machine a download, a thread, a timer chain or a rendered frame can take many
// seconds, so every wait gets a minute rather than Qt's default of five seconds.
namespace TestWait {
inline constexpr int bound = 60000;
}
