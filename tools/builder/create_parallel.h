// Runs one piece of work per item on a few threads.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

// Calls Work(i) once for every i of Order (taken in that order) on up to Jobs threads, and
// Finished() after each, one call at a time. Work must not throw and must only touch item i.
void RunInParallel(const std::vector<size_t>& Order, int Jobs, const std::function<void(size_t)>& Work,
                   const std::function<void()>& Finished);
