// Whether a file's bytes hold an ELF shared library this process could map: the loader trusts
// its headers, so a truncated or damaged one must be turned away before it is opened.
#pragma once

#include <cstddef>
#include <string>

namespace quorvex::detail {

// Empty when every header, segment and section the loader reads lies within the bytes and the
// library suits this process (class, byte order, machine); otherwise what is wrong, for a message.
std::string elfProblem(const unsigned char* bytes, std::size_t size);

}  // namespace quorvex::detail
