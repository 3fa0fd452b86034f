#pragma once
// ABOUT: the engine's description line.

namespace quoll {

void writeAbout();

}  // namespace quoll
