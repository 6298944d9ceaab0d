#pragma once

// The steps of one print job on an open print association, each one DIMSE-N exchange:
// printer status, film session, film box, image box, print action, film box deletion.
// Each succeeds when the printer answered with status 0x0000; a failure is that of the
// request (WriteNRequest) or of the response (ReadNResponse).

#include <string>
#include <string_view>

#include "dimse/film_settings.hpp"
#include "net/pdu_service.hpp"
#include "net/service_result.hpp"
#include "platform/raster.hpp"

namespace norvane {

// N-GET of the printer (well-known instance), all attributes; the answer is not
// interpreted.
ServiceResult GetPrinterStatus(PDU_Service& pdu);

// N-CREATE of a Basic Film Session; `filmSessionUID` receives the instance the printer
// made.
ServiceResult CreateFilmSession(PDU_Service& pdu, const FilmSessioncfg& session,
                                std::string& filmSessionUID);

// N-CREATE of a Basic Film Box in the film session; `filmBoxUID` receives the instance
// the printer made, `imageBoxClass` and `imageBoxInstance` the first image box it lists
// (left empty when it lists none). Fails (kProtocol) when the printer names a UID longer
// than 64 characters.
ServiceResult CreateFilmBox(PDU_Service& pdu, std::string_view filmSessionUID,
                            const FilmBoxcfg& box, std::string& filmBoxUID,
                            std::string& imageBoxClass, std::string& imageBoxInstance);

// N-SET of the image box with the bitmap: Basic Color Image Sequence when `color`, else
// Basic Grayscale Image Sequence. Fails, with nothing sent, when the accepted meta SOP
// class does not cover `imageBoxClass` (kNoPresentationContext) or the bitmap cannot be
// put into the pixel module (kLocal).
ServiceResult SetImageBox(PDU_Service& pdu, const Raster& bitmap, std::string_view imageBoxInstance,
                          std::string_view imageBoxClass, bool color, int planar);

// N-ACTION print (Action Type ID 1, no action information) of the film box.
ServiceResult PrintFilmBox(PDU_Service& pdu, std::string_view filmBoxUID);

// N-DELETE of the film box. The film session is left to the printer.
ServiceResult DeleteFilmBox(PDU_Service& pdu, std::string_view filmBoxUID);

}  // namespace norvane
