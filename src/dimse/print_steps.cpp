#include "dimse/print_steps.hpp"

#include <optional>

#include "dimse/dimse_command.hpp"
#include "dimse/n_message.hpp"
#include "dimse/print_datasets.hpp"
#include "net/uids.hpp"

namespace norvane {

namespace {

// One DIMSE-N exchange: the request, then its response.
ServiceResult Exchange(PDU_Service& pdu, uint16_t requestField, uint16_t responseField,
                       std::string_view sopClass, std::string_view sopInstance,
                       const TagList* dataset, TagList* responseDataset = nullptr,
                       std::string* affectedInstance = nullptr) {
  ServiceResult sent = WriteNRequest(pdu, requestField, sopClass, sopInstance, dataset);
  if (!sent) return sent;
  return ReadNResponse(pdu, responseField, responseDataset, affectedInstance);
}

}  // namespace

ServiceResult GetPrinterStatus(PDU_Service& pdu) {
  TagList printer;
  return Exchange(pdu, kNGetRQ, kNGetRSP, uid::kPrinter, uid::kPrinterInstance, nullptr, &printer);
}

ServiceResult CreateFilmSession(PDU_Service& pdu, const FilmSessioncfg& session,
                                std::string& filmSessionUID) {
  const TagList dataset = FilmSessionDataset(session);
  TagList response;
  return Exchange(pdu, kNCreateRQ, kNCreateRSP, uid::kBasicFilmSession, "", &dataset, &response,
                  &filmSessionUID);
}

ServiceResult CreateFilmBox(PDU_Service& pdu, std::string_view filmSessionUID,
                            const FilmBoxcfg& box, std::string& filmBoxUID,
                            std::string& imageBoxClass, std::string& imageBoxInstance) {
  const TagList dataset = FilmBoxDataset(box, filmSessionUID);
  TagList response;
  ServiceResult created = Exchange(pdu, kNCreateRQ, kNCreateRSP, uid::kBasicFilmBox, "", &dataset,
                                   &response, &filmBoxUID);
  if (!created) return created;
  ImageBoxReference reference = ReadImageBoxReference(response);
  if (reference.sopClass.size() > kMaxPrintUIDLength ||
      reference.sopInstance.size() > kMaxPrintUIDLength) {
    return ServiceResult::Failed(ServiceFailure::kProtocol,
                                 "the film box lists an image box UID longer than 64 characters",
                                 created.status);
  }
  imageBoxClass = std::move(reference.sopClass);
  imageBoxInstance = std::move(reference.sopInstance);
  return created;
}

ServiceResult SetImageBox(PDU_Service& pdu, const Raster& bitmap, std::string_view imageBoxInstance,
                          std::string_view imageBoxClass, bool color, int planar) {
  const std::optional<TagList> dataset = ImageBoxDataset(bitmap, color, planar);
  if (!dataset) {
    return ServiceResult::Failed(ServiceFailure::kLocal,
                                 "the image cannot be put into an image pixel module");
  }
  return Exchange(pdu, kNSetRQ, kNSetRSP, imageBoxClass, imageBoxInstance, &*dataset);
}

ServiceResult PrintFilmBox(PDU_Service& pdu, std::string_view filmBoxUID) {
  return Exchange(pdu, kNActionRQ, kNActionRSP, uid::kBasicFilmBox, filmBoxUID, nullptr);
}

ServiceResult DeleteFilmBox(PDU_Service& pdu, std::string_view filmBoxUID) {
  return Exchange(pdu, kNDeleteRQ, kNDeleteRSP, uid::kBasicFilmBox, filmBoxUID, nullptr);
}

}  // namespace norvane
