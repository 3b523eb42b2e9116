#pragma once

#include <functional>

// The program's one worker for what the board must never wait for: decoding a picture, reading
// the help file. Tasks run one at a time, in the order given, on one thread of their own at a
// lower priority than the board's, so that a burst of large pictures takes the memory of one and
// a second core stays free for the board. A task hands its result to the board's thread itself.
//
// When the program quits, the task under way is finished while the application still stands;
// tasks still waiting then are dropped unrun.
namespace BackgroundWork {

void start(std::function<void()> task);

} // namespace BackgroundWork
