#pragma once

#include <cstdint>

#include "elements/tag_record.hpp"
#include "net/pdu_service.hpp"

namespace norvane {

// Sends one message on a given presentation context, as an acceptor answers a request on
// the context the request came on: a command set (kCommandMessage, implicit VR little
// endian) or a data set (kDataSetMessage, in the context's accepted transfer syntax).
// False, with nothing sent, when the context was not accepted or a record cannot be
// encoded; false when a PDU cannot be sent.
bool WriteMessageOnContext(PDU_Service& pdu, const TagList& list, uint8_t presentationContextID,
                           uint8_t control);

}  // namespace norvane
