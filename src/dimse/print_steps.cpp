#include "dimse/print_steps.hpp"

#include <optional>

#include "dimse/n_message.hpp"
#include "dimse/print_datasets.hpp"
#include "net/command_set.hpp"
#include "net/uids.hpp"

namespace norvane {

bool GetPrinterStatus(PDU_Service& pdu) {
  if (!WriteNRequest(pdu, kNGetRQ, uid::kPrinter, uid::kPrinterInstance, nullptr)) return false;
  TagList printer;
  return ReadNResponse(pdu, kNGetRSP, &printer, nullptr);
}

bool CreateFilmSession(PDU_Service& pdu, const FilmSessioncfg& session,
                       std::string& filmSessionUID) {
  const TagList dataset = FilmSessionDataset(session);
  if (!WriteNRequest(pdu, kNCreateRQ, uid::kBasicFilmSession, "", &dataset)) return false;
  TagList response;
  return ReadNResponse(pdu, kNCreateRSP, &response, &filmSessionUID);
}

bool CreateFilmBox(PDU_Service& pdu, std::string_view filmSessionUID, const FilmBoxcfg& box,
                   std::string& filmBoxUID, std::string& imageBoxClass,
                   std::string& imageBoxInstance) {
  const TagList dataset = FilmBoxDataset(box, filmSessionUID);
  if (!WriteNRequest(pdu, kNCreateRQ, uid::kBasicFilmBox, "", &dataset)) return false;
  TagList response;
  if (!ReadNResponse(pdu, kNCreateRSP, &response, &filmBoxUID)) return false;
  ImageBoxReference reference = ReadImageBoxReference(response);
  if (reference.sopClass.size() > kMaxPrintUIDLength ||
      reference.sopInstance.size() > kMaxPrintUIDLength) {
    return false;
  }
  imageBoxClass = std::move(reference.sopClass);
  imageBoxInstance = std::move(reference.sopInstance);
  return true;
}

bool SetImageBox(PDU_Service& pdu, const Raster& bitmap, std::string_view imageBoxInstance,
                 std::string_view imageBoxClass, bool color, int planar) {
  const std::optional<TagList> dataset = ImageBoxDataset(bitmap, color, planar);
  if (!dataset) return false;
  if (!WriteNRequest(pdu, kNSetRQ, imageBoxClass, imageBoxInstance, &*dataset)) return false;
  return ReadNResponse(pdu, kNSetRSP, nullptr, nullptr);
}

bool PrintFilmBox(PDU_Service& pdu, std::string_view filmBoxUID) {
  if (!WriteNRequest(pdu, kNActionRQ, uid::kBasicFilmBox, filmBoxUID, nullptr)) return false;
  return ReadNResponse(pdu, kNActionRSP, nullptr, nullptr);
}

bool DeleteFilmBox(PDU_Service& pdu, std::string_view filmBoxUID) {
  if (!WriteNRequest(pdu, kNDeleteRQ, uid::kBasicFilmBox, filmBoxUID, nullptr)) return false;
  return ReadNResponse(pdu, kNDeleteRSP, nullptr, nullptr);
}

}  // namespace norvane
