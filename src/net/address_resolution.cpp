#include "net/address_resolution.hpp"

#include <arpa/inet.h>
#include <netdb.h>

#include <climits>
#include <string>

namespace norvane {
namespace {

// The value of the text's leading integer as atoi reads it (blanks, a sign, digits),
// saturated to the range of long.
long LeadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value > (LONG_MAX - 9) / 10) return negative ? LONG_MIN : LONG_MAX;
    value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

std::optional<in_addr> DottedDecimal(const std::string& host) {
  in_addr address{};
  if (::inet_aton(host.c_str(), &address) == 0) return std::nullopt;
  return address;
}

}  // namespace

std::optional<uint16_t> ResolvePortText(std::string_view port) {
  const long number = LeadingInteger(port);
  if (number != 0) {
    if (number < 1 || number > 65535) return std::nullopt;
    return static_cast<uint16_t>(number);
  }
  const std::string name(port);
  servent entry{};
  servent* found = nullptr;
  char scratch[1024];
  if (::getservbyname_r(name.c_str(), nullptr, &entry, scratch, sizeof scratch, &found) != 0 ||
      found == nullptr) {
    return std::nullopt;
  }
  return ntohs(static_cast<uint16_t>(found->s_port));
}

std::optional<in_addr> ResolveHostText(std::string_view host) {
  if (host.empty() || host.size() > kMaxHostLength) return std::nullopt;
  const std::string text(host);
  if (LeadingInteger(host) != 0) return DottedDecimal(text);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (::getaddrinfo(text.c_str(), nullptr, &hints, &list) == 0 && list != nullptr) {
    in_addr address = reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr;
    ::freeaddrinfo(list);
    return address;
  }
  if (list != nullptr) ::freeaddrinfo(list);
  return DottedDecimal(text);
}

}  // namespace norvane
