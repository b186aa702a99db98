// A fatal failure ends the program at once: memory has run out, or the C++ library was asked for
// what it cannot do. fatal_failure.cpp says why. A program that holds what the system keeps after
// it ends says, for as long as it holds it, how to give that back first.
#pragma once

namespace pw {

// While it lives, a fatal failure first calls give_back(context), once. give_back must not
// allocate: memory may be what ran out.
class GiveBackOnFatalFailure {
 public:
  GiveBackOnFatalFailure(void (*give_back)(void* context), void* context);
  GiveBackOnFatalFailure(const GiveBackOnFatalFailure&) = delete;
  GiveBackOnFatalFailure& operator=(const GiveBackOnFatalFailure&) = delete;
  ~GiveBackOnFatalFailure();
};

}  // namespace pw
