// What the programs do when they cannot go on: memory runs out, or the C++ library is asked for
// what it cannot do (a length beyond its limit, a position past the end) where it would throw.
// Either ends the program at once, after the give-back of fatal_failure.h, with the status the C
// runtime's abort gives. Nothing in programs this small could do better: they run out of memory
// only when the whole system has, reporting it (unwinding, a message box) would need the memory
// that is missing, and the library's other throws can only come from a fault in the program.
// Built without exceptions, the programs take allocation and these throws over from the library,
// which keeps its exception runtime out of them: that runtime used to be most of their size.
#include "shared/fatal_failure.h"

#include <cstdlib>
#include <new>

namespace {

// The C runtime's abort ends a program with it, so callers see a status they know.
constexpr int kExitStatus = 3;

void (*give_back_on_failure)(void* context) = nullptr;
void* give_back_context = nullptr;

[[noreturn]] void EndProgram() {
  // Cleared first, so that a failure within the give-back ends the program at once.
  void (*const give_back)(void* context) = give_back_on_failure;
  give_back_on_failure = nullptr;
  if (give_back != nullptr) give_back(give_back_context);
  std::_Exit(kExitStatus);
}

}  // namespace

namespace pw {

GiveBackOnFatalFailure::GiveBackOnFatalFailure(void (*give_back)(void* context), void* context) {
  give_back_on_failure = give_back;
  give_back_context = context;
}

GiveBackOnFatalFailure::~GiveBackOnFatalFailure() {
  give_back_on_failure = nullptr;
  give_back_context = nullptr;
}

}  // namespace pw

void* operator new(std::size_t size) {
  // Even an object of no size has an address of its own.
  void* memory = std::malloc(size == 0 ? 1 : size);
  if (memory == nullptr) EndProgram();
  return memory;
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

// The library's throw helpers that the programs reach. Should they come to reach another, the
// library's own file of them is linked in and the link fails on the duplicates, rather than the
// exception runtime coming back unnoticed.
namespace std {

void __throw_bad_alloc() { EndProgram(); }
void __throw_bad_array_new_length() { EndProgram(); }
void __throw_bad_function_call() { EndProgram(); }
void __throw_length_error(const char*) { EndProgram(); }
void __throw_logic_error(const char*) { EndProgram(); }
void __throw_out_of_range_fmt(const char*, ...) { EndProgram(); }

}  // namespace std
