#pragma once

// The peer of a network call as a C caller names it.

#include "net/association_parameters.hpp"

namespace norvane::api {

// The caller's texts and the process's time-outs (SetTimeouts) and TLS (SetTLS). A calling title
// buffer that holds the empty text receives the default title "KAVORN          " (the buffer holds
// at least 17 bytes), and that title is used; a null buffer also stands for the default title.
AssociationParameters PeerOf(const char* host, const char* port, char* callingApTitle,
                             const char* calledApTitle);

}  // namespace norvane::api
