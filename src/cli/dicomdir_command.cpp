// norvane dicomdir FILE: the patient, study, series and image records of a DICOMDIR.

#include <cstdio>
#include <string>
#include <string_view>

#include "cli/commands.hpp"
#include "cli/invocation.hpp"
#include "cli/options.hpp"
#include "datadec/dicom_header_reader.hpp"
#include "datadec/transfer_syntax.hpp"
#include "dump/dicom_json.hpp"
#include "elements/tag_list.hpp"
#include "elements/tags.hpp"
#include "rddcmdir/read_dcmdir.hpp"

namespace norvane::cli {
namespace {

void PrintHelp() {
  std::printf(
      "usage: norvane dicomdir FILE [--json]\n"
      "\n"
      "Reads a DICOMDIR by following its record offsets and prints one line per directory\n"
      "record, in hierarchy order, indented by level: the record type, then the record's\n"
      "identifying values that are present, for example\n"
      "  PATIENT  PatientName=Doe^Archibald  PatientID=77654033\n"
      "    STUDY  StudyDate=20010101  StudyID=2  StudyInstanceUID=1.3.6...\n"
      "      SERIES  Modality=CR  SeriesNumber=1  SeriesInstanceUID=1.3.6...\n"
      "        IMAGE  ReferencedFileID=77654033\\CR1\\6154  InstanceNumber=1\n"
      "Records whose type does not fit their level (a private record in place of a patient)\n"
      "are left out with everything below them. Values are printed as the file holds them,\n"
      "without leading and trailing blanks; control characters and bytes that are no\n"
      "printable UTF-8 are shown as \\xNN (hex).\n"
      "\n"
      "Exits with 1 when the file cannot be read, is not a DICOM file, or has no offset of\n"
      "its first record (0004,1200); 2 for a bad command line.\n"
      "\n"
      "options:\n"
      "%s"
      "                     \"records\" holds each record's type, its level and its\n"
      "                     elements as a data set in the DICOM JSON Model\n"
      "  -h, --help         show this help\n",
      kJsonHelp);
}

struct Field {
  uint16_t group;
  uint16_t element;
  const char* keyword;
};

constexpr Field kPatientFields[] = {{0x0010, 0x0010, "PatientName"}, {0x0010, 0x0020, "PatientID"}};
constexpr Field kStudyFields[] = {{0x0008, 0x0020, "StudyDate"},
                                  {0x0020, 0x0010, "StudyID"},
                                  {0x0008, 0x1030, "StudyDescription"},
                                  {0x0020, 0x000D, "StudyInstanceUID"}};
constexpr Field kSeriesFields[] = {{0x0008, 0x0060, "Modality"},
                                   {0x0020, 0x0011, "SeriesNumber"},
                                   {0x0020, 0x000E, "SeriesInstanceUID"}};
constexpr Field kImageFields[] = {{0x0004, 0x1500, "ReferencedFileID"},
                                  {0x0020, 0x0013, "InstanceNumber"},
                                  {0x0004, 0x1511, "ReferencedSOPInstanceUIDInFile"}};

// One directory record: its marker and the elements up to the next marker.
void PrintRecord(Invocation& run, const TagList& record, const DatasetEncoding& encoding,
                 Json& records) {
  const std::string type = TrimmedText(record.front());
  int level = 3;
  std::span<const Field> fields = kImageFields;
  if (type == "PATIENT") {
    level = 0;
    fields = kPatientFields;
  } else if (type == "STUDY") {
    level = 1;
    fields = kStudyFields;
  } else if (type == "SERIES") {
    level = 2;
    fields = kSeriesFields;
  }
  std::string line(static_cast<size_t>(2 * level), ' ');
  line += type;
  for (const Field& f : fields) {
    const std::string value = GetTagText(record, f.group, f.element);
    if (!value.empty()) line += std::string("  ") + f.keyword + "=" + value;
  }
  run.OutPeerText(line);
  if (run.Json()) {
    records.push_back(
        {{"type", type},
         {"level", level},
         {"dataset", DatasetToJson(record, {encoding.explicitVR, encoding.bigEndian}).dataset}});
  }
}

// How the DICOMDIR's data set is encoded (the records keep their raw bytes).
DatasetEncoding EncodingOfFile(const std::string& fileName) {
  TagList header;
  DICOMHeader(fileName, header);
  return EncodingOfTransferSyntax(TrimmedText(header, tag::kTransferSyntaxUID));
}

}  // namespace

std::vector<OptionSpec> DicomdirOptions() {
  return {};
}

int RunDicomdir(int argc, char** argv) {
  Invocation run("dicomdir", argc, argv, DicomdirOptions());
  if (const std::optional<int> status = run.Start(PrintHelp)) return *status;
  if (run.Args().positionals.size() != 1) return run.Usage("give exactly one FILE");
  const std::string& fileName = run.Args().positionals[0];
  run.Report()["file"] = fileName;
  TagList list;
  if (!ReadDCMDIR(fileName, list)) {
    const std::string reason =
        fileName +
        " cannot be read as a DICOMDIR (no such file, no \"DICM\" after a 128-byte preamble, "
        "or no offset of the first record)";
    std::fprintf(stderr, "norvane dicomdir: %s\n", reason.c_str());
    return run.Finish(1, reason);
  }
  const DatasetEncoding encoding = run.Json() ? EncodingOfFile(fileName) : DatasetEncoding{};
  Json records = Json::array();
  TagList record;
  for (TagRecord& r : list) {
    if (r.Is(0x0004, 0x1430)) {
      if (!record.empty()) PrintRecord(run, record, encoding, records);
      record.clear();
    }
    if (!record.empty() || r.Is(0x0004, 0x1430)) record.push_back(std::move(r));
  }
  if (!record.empty()) PrintRecord(run, record, encoding, records);
  run.Report()["records"] = std::move(records);
  return run.Finish(0);
}

}  // namespace norvane::cli
