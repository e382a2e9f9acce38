// SPDX-License-Identifier: Apache-2.0
//
// Exception and MessageException: every error of the toolchain's libraries is
// a MessageException carrying an identifier "component:area:Name" and four
// string arguments. what() reads as an English sentence taken from a message
// catalogue that each component fills with its own entries when it loads.
#ifndef QTF_MESSAGEEXCEPTION_HPP
#define QTF_MESSAGEEXCEPTION_HPP

#include <cstddef>
#include <exception>
#include <string>

#include "qtf/qtf_export.hpp"

namespace qtf {

class QTF_EXPORT Exception : public std::exception {
 public:
  Exception() noexcept = default;
  Exception(const Exception&) = default;
  Exception& operator=(const Exception&) = default;
  ~Exception() override;
};

class QTF_EXPORT MessageException : public Exception {
 public:
  // identifier must be a string that outlives the exception (a literal or a catalogue constant).
  explicit MessageException(const char* identifier, std::string a1 = "", std::string a2 = "", std::string a3 = "",
                            std::string a4 = "");
  MessageException(const MessageException&) = default;
  MessageException& operator=(const MessageException&) = default;
  ~MessageException() override;

  const char* identifier() const noexcept { return mIdentifier; }
  // Argument i, 1 to 4; "" outside that range.
  const std::string& argument(int i) const noexcept;
  // The catalogue sentence with the arguments filled in, followed by the identifier in parentheses.
  const char* what() const noexcept override { return mWhat.c_str(); }
  // The catalogue sentence alone.
  std::string message() const;

 private:
  const char* mIdentifier;
  std::string mArguments[4];
  std::string mWhat;
};

// One catalogue entry: an identifier and an English template in which {1} to {4} stand for the arguments.
struct MessageEntry {
  const char* identifier;
  const char* text;
};

// Adds entries to the catalogue; both the array and its strings must live for the rest of the process. A later entry
// for an identifier already present is ignored. Returns true, so it can initialise a static at load.
QTF_EXPORT bool register_messages(const MessageEntry* entries, std::size_t count);

// The template registered for identifier, or null.
QTF_EXPORT const char* find_message(const char* identifier);

}  // namespace qtf

#endif  // QTF_MESSAGEEXCEPTION_HPP
