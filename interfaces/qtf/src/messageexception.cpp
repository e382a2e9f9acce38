// SPDX-License-Identifier: Apache-2.0
#include "qtf/messageexception.hpp"

#include <cstring>
#include <mutex>
#include <string_view>
#include <unordered_map>

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

MessageException::MessageException(const char* identifier, MessageDetail detail, std::string a1, std::string a2,
                                   std::string a3, std::string a4)
    : mIdentifier(identifier != nullptr ? identifier : ""),
      mArguments{std::move(a1), std::move(a2), std::move(a3), std::move(a4)},
      mDetail(std::move(detail.text)) {
  mWhat = message() + " (" + mIdentifier + ")";
}

MessageException::~MessageException() = default;

const std::string& MessageException::argument(int i) const noexcept {
  static const std::string empty;
  return (i >= 1 && i <= 4) ? mArguments[i - 1] : empty;
}

std::string MessageException::message() const {
  if (const char* text = find_message(mIdentifier)) {
    return fill(text, mArguments) + mDetail;
  }
  // An identifier without a catalogue entry still reads sensibly: its name and the arguments given.
  std::string out = "Error";
  for (const std::string& arg : mArguments) {
    if (!arg.empty()) {
      out += (out == "Error" ? ": " : ", ") + arg;
    }
  }
  return out + mDetail;
}

void raise(const char* identifier, MessageArgument a1, MessageArgument a2, MessageArgument a3, MessageArgument a4) {
  throw MessageException(identifier, std::move(a1).take(), std::move(a2).take(), std::move(a3).take(),
                         std::move(a4).take());
}

void raise_detailed(const char* identifier, std::string detail, MessageArgument a1, MessageArgument a2,
                    MessageArgument a3, MessageArgument a4) {
  throw MessageException(identifier, MessageDetail{std::move(detail)}, std::move(a1).take(), std::move(a2).take(),
                         std::move(a3).take(), std::move(a4).take());
}

bool register_messages(const MessageEntry* entries, std::size_t count) {
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

}  // namespace qtf
