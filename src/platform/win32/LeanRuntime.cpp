// Replacements for three parts of the static C++ runtime that the Windows programs would
// otherwise carry without using them. The linker takes a library object only for a symbol that
// is still undefined, so defining every symbol of that object here keeps it out; forgetting
// one makes the link fail with a duplicate definition rather than quietly growing the program.
//
// - The verbose terminate handler prints the exception's demangled type to a console a GUI
//   program does not have; it pulls in the demangler and the C99 printf (about 75 KB).
// - The library's std::__throw_* helpers build std::logic_error and its kin, whose reference-
//   counted message string drags in a second instantiation of std::string and std::random_device
//   (about 45 KB). Only a program error (substr past the end, a string over max_size) reaches
//   them; such an error still ends in the general error display, with the library's text.
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class LibraryError : public std::exception {
 public:
  explicit LibraryError(const char* text) : text_(text) {}
  const char* what() const noexcept override { return text_; }

 private:
  const char* text_;  // always a literal of the library
};

}  // namespace

namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_exception() {
  throw std::bad_exception();
}
void __throw_bad_alloc() {
  throw std::bad_alloc();
}
void __throw_bad_array_new_length() {
  throw std::bad_array_new_length();
}
void __throw_bad_cast() {
  throw std::bad_cast();
}
void __throw_bad_typeid() {
  throw std::bad_typeid();
}
void __throw_logic_error(const char* text) {
  throw LibraryError(text);
}
void __throw_domain_error(const char* text) {
  throw LibraryError(text);
}
void __throw_invalid_argument(const char* text) {
  throw LibraryError(text);
}
void __throw_length_error(const char* text) {
  throw LibraryError(text);
}
void __throw_out_of_range(const char* text) {
  throw LibraryError(text);
}
// The format's arguments are dropped: formatting them is what needs the printf.
void __throw_out_of_range_fmt(const char* format, ...) {
  throw LibraryError(format);
}
void __throw_runtime_error(const char* text) {
  throw LibraryError(text);
}
void __throw_range_error(const char* text) {
  throw LibraryError(text);
}
void __throw_overflow_error(const char* text) {
  throw LibraryError(text);
}
void __throw_underflow_error(const char* text) {
  throw LibraryError(text);
}
}  // namespace std
