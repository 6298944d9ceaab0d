#include "dimse/print_scu.hpp"

#include <memory>

#include "dimse/print_image_file.hpp"
#include "dimse/print_pixel_module.hpp"
#include "dimse/print_steps.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/uids.hpp"

namespace norvane {
namespace {

void LogSuccess(std::string_view text) {
  if (LogLevel() > 0) WriteLog(text);
}

std::string_view LoadFailureLine(PrintFileKind kind) {
  switch (kind) {
    case PrintFileKind::kJpeg:
      return "ERROR: opening JPEG File";
    case PrintFileKind::kBitmap:
      return "ERROR: opening Bitmap File";
    case PrintFileKind::kDicom:
      break;
  }
  return "ERROR: opening DICOM File";
}

// The steps after the association is open; false at the first step that fails.
bool RunPrintJob(PDU_Service& pdu, const Raster& bitmap, const FilmSessioncfg& session,
                 const FilmBoxcfg& box, bool color, int planar) {
  if (!GetPrinterStatus(pdu)) WriteLog("Unable to Get Status");

  std::string filmSessionUID;
  if (!CreateFilmSession(pdu, session, filmSessionUID)) {
    WriteLog("Create Film Session: Failed!");
    return false;
  }
  LogSuccess("Create Film Session: OK!");

  std::string filmBoxUID;
  std::string imageBoxClass;
  std::string imageBoxInstance;
  if (!CreateFilmBox(pdu, filmSessionUID, box, filmBoxUID, imageBoxClass, imageBoxInstance)) {
    WriteLog("Create Film Box: Failed!");
    return false;
  }
  LogSuccess("Create Film Box: OK!");
  LogSuccess("Width: " + std::to_string(bitmap.Width()) +
             ", Height: " + std::to_string(bitmap.Height()));

  if (!SetImageBox(pdu, bitmap, imageBoxInstance, imageBoxClass, color, planar)) {
    WriteLog("Set Image Box: Failed!");
    return false;
  }
  LogSuccess("Set Image Box: OK!");

  if (!PrintFilmBox(pdu, filmBoxUID)) {
    WriteLog("Film Box Action: Failed!");
    return false;
  }
  LogSuccess("FilmBox Action: OK!");

  if (!DeleteFilmBox(pdu, filmBoxUID)) {
    WriteLog("FilmBox Delete: Failed!");
    return false;
  }
  LogSuccess("FilmBox Delete: OK!");
  return true;
}

}  // namespace

bool PrintSCU_Ex(const std::string& fileName, std::string_view host, std::string_view port,
                 std::string& callingApTitle, std::string_view calledApTitle,
                 const FilmSessioncfg& session, const FilmBoxcfg& box, bool allowColor,
                 int planar) {
  std::unique_ptr<PDU_Service> pdu = NewPDU();
  if (LogLevel() > 1) pdu->SetTrace(true);
  Raster bitmap;
  const PrintImageLoad load = LoadPrintImage(fileName, bitmap);
  if (!load.loaded) {
    if (load.kind == PrintFileKind::kDicom) {
      WriteLog(LoadFailureLine(load.kind));
    } else {
      WriteLog(std::string(LoadFailureLine(load.kind)) + ": " + load.failure);
    }
    DeletePDU(std::move(pdu));
    return false;
  }

  bool color = false;
  if (bitmap.Format() != PixelFormat::kPalette8) {
    if (allowColor) {
      color = true;
    } else {
      ConvertToGray(bitmap);
    }
  }

  bool printed = false;
  const std::string_view metaClass =
      color ? uid::kBasicColorPrintManagementMeta : uid::kBasicGrayscalePrintManagementMeta;
  if (OpenAssoc(*pdu, host, port, callingApTitle, calledApTitle, metaClass)) {
    printed = RunPrintJob(*pdu, bitmap, session, box, color, planar);
  } else {
    WriteLog("Connection Failed!");
  }
  CloseAssoc(*pdu);
  DeletePDU(std::move(pdu));
  return printed;
}

bool PrintSCU(const std::string& fileName, std::string_view host, std::string_view port,
              std::string& callingApTitle, std::string_view calledApTitle,
              const FilmSessioncfg& session, const FilmBoxcfg& box) {
  return PrintSCU_Ex(fileName, host, port, callingApTitle, calledApTitle, session, box, false, 1);
}

}  // namespace norvane
