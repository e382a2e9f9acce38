// SPDX-License-Identifier: Apache-2.0
#include "qtf/messageexception.hpp"

#include <cstring>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "qtfmessages.hpp"

namespace qtf {
namespace {

struct Catalogue {
  std::mutex mutex;
  std::unordered_map<std::string_view, const char*> entries;
};

Catalogue& catalogue() {
  static Catalogue* instance = new Catalogue();  // never destroyed: exceptions may be built during exit
  return *instance;
}

const MessageEntry kQtfMessages[] = {
    {msg::InvalidDataType, "{1} is not an element type"},
    {msg::InvalidNumber, "'{1}' is not a number"},
    {msg::IndexOutOfRange, "Index {1} is outside the {3} extent {2}"},
    {msg::SelectionTooLarge, "A selection of {1} {2}s is larger than a dimension can hold"},
    {msg::SourceDimensionMismatch, "A selection made for a {1} matrix cannot be applied to a {2} one"},
};

const bool kRegistered = register_messages(kQtfMessages, std::size(kQtfMessages));

// Replaces {1} to {4} in text by the arguments.
std::string fill(const char* text, const std::string (&args)[4]) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    if (p[0] == '{' && p[1] >= '1' && p[1] <= '4' && p[2] == '}') {
      out += args[p[1] - '1'];
      p += 2;
    } else {
      out += *p;
    }
  }
  return out;
}

}  // namespace

Exception::~Exception() = default;

MessageException::MessageException(const char* identifier, std::string a1, std::string a2, std::string a3,
                                   std::string a4)
    : mIdentifier(identifier != nullptr ? identifier : ""),
      mArguments{std::move(a1), std::move(a2), std::move(a3), std::move(a4)} {
  mWhat = message() + " (" + mIdentifier + ")";
}

MessageException::~MessageException() = default;

const std::string& MessageException::argument(int i) const noexcept {
  static const std::string empty;
  return (i >= 1 && i <= 4) ? mArguments[i - 1] : empty;
}

std::string MessageException::message() const {
  if (const char* text = find_message(mIdentifier)) {
    return fill(text, mArguments);
  }
  // An identifier without a catalogue entry still reads sensibly: its name and the arguments given.
  std::string out = "Error";
  for (const std::string& arg : mArguments) {
    if (!arg.empty()) {
      out += (out == "Error" ? ": " : ", ") + arg;
    }
  }
  return out;
}

bool register_messages(const MessageEntry* entries, std::size_t count) {
  (void)kRegistered;
  Catalogue& c = catalogue();
  std::lock_guard<std::mutex> lock(c.mutex);
  for (std::size_t i = 0; i < count; ++i) {
    c.entries.emplace(entries[i].identifier, entries[i].text);
  }
  return true;
}

const char* find_message(const char* identifier) {
  if (identifier == nullptr) {
    return nullptr;
  }
  Catalogue& c = catalogue();
  std::lock_guard<std::mutex> lock(c.mutex);
  const auto it = c.entries.find(identifier);
  return it == c.entries.end() ? nullptr : it->second;
}

namespace msg {

void throwInvalidDataType(int t) { throw MessageException(InvalidDataType, std::to_string(t)); }

}  // namespace msg

}  // namespace qtf
