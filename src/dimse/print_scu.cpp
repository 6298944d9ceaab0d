#include "dimse/print_scu.hpp"

#include "dimse/print_steps.hpp"
#include "log/log.hpp"
#include "net/association_entry.hpp"
#include "net/uids.hpp"
#include "printimage/print_image_file.hpp"
#include "printimage/print_pixel_module.hpp"

namespace norvane {
namespace {

void LogSuccess(std::string_view text) {
  if (LogLevel() > 0) WriteLog(text);
}

PrintStep LoadStep(PrintFileKind kind) {
  switch (kind) {
    case PrintFileKind::kJpeg:
      return PrintStep::kOpenJpegFile;
    case PrintFileKind::kBitmap:
      return PrintStep::kOpenBitmapFile;
    case PrintFileKind::kDicom:
      break;
  }
  return PrintStep::kOpenDicomFile;
}

// Ends the job at `step` with its failure, after its log line.
void Fail(PrintResult& job, PrintStep step, ServiceResult failure) {
  WriteLog(PrintStepFailureLine(step));
  job.failedStep = step;
  job.Set(std::move(failure));
}

// The steps after the association is open; the job's result says where it stopped.
void RunPrintJob(PDU_Service& pdu, const Raster& bitmap, const FilmSessioncfg& session,
                 const FilmBoxcfg& box, bool color, int planar, PrintResult& job) {
  job.printerStatus = GetPrinterStatus(pdu);
  if (!job.printerStatus) WriteLog("Unable to Get Status");

  std::string filmSessionUID;
  if (ServiceResult r = CreateFilmSession(pdu, session, filmSessionUID); !r) {
    return Fail(job, PrintStep::kFilmSession, std::move(r));
  }
  LogSuccess("Create Film Session: OK!");

  std::string filmBoxUID;
  std::string imageBoxClass;
  std::string imageBoxInstance;
  if (ServiceResult r =
          CreateFilmBox(pdu, filmSessionUID, box, filmBoxUID, imageBoxClass, imageBoxInstance);
      !r) {
    return Fail(job, PrintStep::kFilmBox, std::move(r));
  }
  LogSuccess("Create Film Box: OK!");
  LogSuccess("Width: " + std::to_string(bitmap.Width()) +
             ", Height: " + std::to_string(bitmap.Height()));

  if (ServiceResult r = SetImageBox(pdu, bitmap, imageBoxInstance, imageBoxClass, color, planar);
      !r) {
    return Fail(job, PrintStep::kImageBox, std::move(r));
  }
  LogSuccess("Set Image Box: OK!");

  if (ServiceResult r = PrintFilmBox(pdu, filmBoxUID); !r) {
    return Fail(job, PrintStep::kPrintAction, std::move(r));
  }
  LogSuccess("FilmBox Action: OK!");

  ServiceResult deleted = DeleteFilmBox(pdu, filmBoxUID);
  if (!deleted) return Fail(job, PrintStep::kDeleteFilmBox, std::move(deleted));
  LogSuccess("FilmBox Delete: OK!");
  job.Set(std::move(deleted));
}

}  // namespace

std::string_view PrintStepFailureLine(PrintStep step) {
  switch (step) {
    case PrintStep::kOpenJpegFile:
      return "ERROR: opening JPEG File";
    case PrintStep::kOpenBitmapFile:
      return "ERROR: opening Bitmap File";
    case PrintStep::kOpenDicomFile:
      return "ERROR: opening DICOM File";
    case PrintStep::kAssociation:
      return "Connection Failed!";
    case PrintStep::kFilmSession:
      return "Create Film Session: Failed!";
    case PrintStep::kFilmBox:
      return "Create Film Box: Failed!";
    case PrintStep::kImageBox:
      return "Set Image Box: Failed!";
    case PrintStep::kPrintAction:
      return "Film Box Action: Failed!";
    case PrintStep::kDeleteFilmBox:
      return "FilmBox Delete: Failed!";
  }
  return "Failed!";
}

PrintResult PrintSCU_Ex(const std::string& fileName, const AssociationParameters& printer,
                        const FilmSessioncfg& session, const FilmBoxcfg& box, bool allowColor,
                        int planar) {
  PrintResult job;
  RequesterAssociation pdu;
  if (LogLevel() > 1) pdu.SetTrace(true);
  Raster bitmap;
  const PrintImageLoad load = LoadPrintImage(fileName, bitmap);
  if (!load.loaded) {
    const PrintStep step = LoadStep(load.kind);
    // The DICOM line stands alone; the others say what the loader found.
    const std::string line = load.kind == PrintFileKind::kDicom
                                 ? std::string(PrintStepFailureLine(step))
                                 : std::string(PrintStepFailureLine(step)) + ": " + load.failure;
    WriteLog(line);
    job.failedStep = step;
    job.Set(ServiceResult::Failed(ServiceFailure::kLocal, load.failure));
    return job;
  }

  bool color = false;
  if (bitmap.Format() != PixelFormat::kPalette8) {
    if (allowColor) {
      color = true;
    } else {
      ConvertToGray(bitmap);
    }
  }

  const std::string_view metaClass =
      color ? uid::kBasicColorPrintManagementMeta : uid::kBasicGrayscalePrintManagementMeta;
  if (ServiceResult association = OpenAssoc(pdu, printer, metaClass)) {
    RunPrintJob(pdu, bitmap, session, box, color, planar, job);
  } else {
    Fail(job, PrintStep::kAssociation, std::move(association));
  }
  CloseAssoc(pdu);
  return job;
}

PrintResult PrintSCU(const std::string& fileName, const AssociationParameters& printer,
                     const FilmSessioncfg& session, const FilmBoxcfg& box) {
  return PrintSCU_Ex(fileName, printer, session, box, false, 1);
}

}  // namespace norvane
