#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace norvane {

// A host text holds at most this many characters.
inline constexpr size_t kMaxHostLength = 127;

// Port number (host order) of a port text: its leading integer when not 0 (it must then
// be 1..65535), otherwise the text looked up as a service name of any protocol.
std::optional<uint16_t> ResolvePortText(std::string_view port);
// IPv4 address of a host text: a text whose leading integer is not 0 is read as a dotted-
// decimal address without a name lookup; anything else is looked up by name, with the
// dotted-decimal reading as the fallback. Empty texts and texts over 127 characters fail.
std::optional<in_addr> ResolveHostText(std::string_view host);

}  // namespace norvane
