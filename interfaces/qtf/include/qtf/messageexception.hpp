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
#include <string_view>
#include <type_traits>
#include <utility>

#include "qtf/qtf_export.hpp"

namespace qtf {

class QTF_EXPORT Exception : public std::exception {
 public:
  Exception() noexcept = default;
  Exception(const Exception&) = default;
  Exception& operator=(const Exception&) = default;
  ~Exception() override;
};

// A sentence part appended to the catalogue sentence of a MessageException: what the four arguments leave out, with
// its own leading punctuation (": 2x2 and 1x3", "; did you mean 'kn'?").
struct MessageDetail {
  std::string text;
};

class QTF_EXPORT MessageException : public Exception {
 public:
  // identifier must be a string that outlives the exception (a literal or a catalogue constant).
  explicit MessageException(const char* identifier, std::string a1 = "", std::string a2 = "", std::string a3 = "",
                            std::string a4 = "");
  // As above, with detail appended to the readable sentence; the identifier and the arguments are as given.
  MessageException(const char* identifier, MessageDetail detail, std::string a1 = "", std::string a2 = "",
                   std::string a3 = "", std::string a4 = "");
  MessageException(const MessageException&) = default;
  MessageException& operator=(const MessageException&) = default;
  ~MessageException() override;

  const char* identifier() const noexcept { return mIdentifier; }
  // Argument i, 1 to 4; "" outside that range.
  const std::string& argument(int i) const noexcept;
  // The catalogue sentence with the arguments filled in, followed by the identifier in parentheses.
  const char* what() const noexcept override { return mWhat.c_str(); }
  // The catalogue sentence, followed by the detail.
  std::string message() const;
  // What the sentence adds to the catalogue's: "" when nothing.
  const std::string& detail() const noexcept { return mDetail; }

 private:
  const char* mIdentifier;
  std::string mArguments[4];
  std::string mDetail;
  std::string mWhat;
};

// One argument of a message: text as given, an integer in decimal. Converts implicitly, so that a raise site passes
// counts and indices as they are.
class QTF_EXPORT MessageArgument {
 public:
  MessageArgument() = default;
  MessageArgument(std::string text) : mText(std::move(text)) {}              // NOLINT(google-explicit-constructor)
  MessageArgument(const char* text) : mText(text != nullptr ? text : "") {}  // NOLINT(google-explicit-constructor)
  MessageArgument(std::string_view text) : mText(text) {}                    // NOLINT(google-explicit-constructor)
  template <typename T,
            std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>, int> = 0>
  MessageArgument(T number) : mText(std::to_string(number)) {}  // NOLINT(google-explicit-constructor)

  std::string take() && noexcept { return std::move(mText); }

 private:
  std::string mText;
};

// Throws MessageException(identifier, a1, a2, a3, a4). Out of line, so that raise sites carry no exception building.
[[noreturn]] QTF_EXPORT void raise(const char* identifier, MessageArgument a1 = {}, MessageArgument a2 = {},
                                   MessageArgument a3 = {}, MessageArgument a4 = {});

// As raise, with detail appended to the readable sentence (see MessageDetail); identifier and arguments unchanged.
[[noreturn]] QTF_EXPORT void raise_detailed(const char* identifier, std::string detail, MessageArgument a1 = {},
                                            MessageArgument a2 = {}, MessageArgument a3 = {}, MessageArgument a4 = {});

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
