// The C++ runtime's error paths, for a program built without exceptions.
//
// The runtime's own versions of these throw, and throwing brings in the
// exception machinery and, with this toolchain, the POSIX threads library
// under it, which imports functions that Windows 2000 does not have. Here
// each of them ends the program instead: all of them mean that memory ran
// out or that the program is wrong.
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

namespace {

[[noreturn]] void stop(const char *why) {
  std::fputs("txreport: ", stderr);
  std::fputs(why, stderr);
  std::fputs("\n", stderr);
  std::abort();
}

}  // namespace

void *operator new(std::size_t size) {
  void *block = std::malloc(size != 0 ? size : 1);
  if (block == nullptr) {
    stop("out of memory");
  }
  return block;
}

void *operator new[](std::size_t size) { return operator new(size); }
// What std::stable_sort asks for its buffer, making do without one.
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
  return std::malloc(size != 0 ? size : 1);
}
void operator delete(void *block, const std::nothrow_t &) noexcept {
  std::free(block);
}
void operator delete(void *block) noexcept { std::free(block); }
void operator delete[](void *block) noexcept { std::free(block); }
void operator delete(void *block, std::size_t) noexcept { std::free(block); }
void operator delete[](void *block, std::size_t) noexcept { std::free(block); }

// The names libstdc++'s containers call when a size or index is out of
// range; the library's own definitions would throw.
namespace std {

void __throw_length_error(const char *what) { stop(what); }
void __throw_logic_error(const char *what) { stop(what); }
void __throw_out_of_range_fmt(const char *what, ...) { stop(what); }
void __throw_bad_alloc() { stop("out of memory"); }
void __throw_bad_array_new_length() { stop("out of memory"); }

}  // namespace std

// std::string's members, compiled here without exceptions, so that the
// library's copies, compiled with them, are not linked.
template class std::basic_string<char>;
template class std::basic_string<wchar_t>;
