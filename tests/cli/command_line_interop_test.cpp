// The command line's promises, one row each: usage errors of every subcommand, ports and AE
// titles, --version, -q and the summaries after success, progress on a terminal, UID names,
// keywords and the PATIENT level, missing and non-DICOM files, completion, and --json on
// every subcommand. Rows that need a node run against DCMTK's storescp, dcmqrscp (pydicom's
// dicomdirtests, storescp as its move destination) and wlmscpfs on loopback ports.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "support/cli_runs.hpp"
#include "support/peers.hpp"
#include "support/query_peers.hpp"

namespace norvane {
namespace {

using testing::Contains;
using Json = nlohmann::json;

constexpr const char* kArchibaldStudy = "1.3.6.1.4.1.5962.1.1.0.0.0.1196530851.28319.0.1";
constexpr const char* kArchibaldSeries = "1.3.6.1.4.1.5962.1.1.0.0.0.1196530851.28319.0.2";
constexpr const char* kLongTitle = "SEVENTEENCHARSAET";

enum class Kind {
  kUsage,     // exit status 2, nothing on standard output, one line on standard error
  kPlain,     // the exit status, and parts of standard output and standard error
  kTerminal,  // run on a pseudo-terminal: parts of what it shows
  kJson,      // standard output is one JSON document with the common fields and `fields`
};

struct CliCase {
  const char* name;
  Kind kind;
  std::vector<std::string> args;  // {STORE} {QR} {WL} {CLOSED} {CT} ... are filled in
  int exitCode;
  std::vector<std::string> out = {};  // parts of standard output (JSON: its fields)
  std::vector<std::string> err = {};  // parts of standard error
  const char* exactOut = nullptr;     // standard output as a whole
  std::function<void(const Json&)> inspect = {};
};

std::string Arch(const char* key) {
  return std::string(key) + "=" + kArchibaldStudy;
}

std::vector<std::string> At(const char* command, const char* port, const char* title,
                            std::vector<std::string> more = {}) {
  std::vector<std::string> args = {command, "127.0.0.1", port, "--aec", title};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

const CliCase kCases[] = {
    // A bad command line: exit status 2, one line naming the problem and --help.
    {"echo_unknown_option", Kind::kUsage, {"echo", "--bogus"}, 2, {}, {"unknown option '--bogus'"}},
    {"store_without_files",
     Kind::kUsage,
     {"store", "127.0.0.1", "{CLOSED}"},
     2,
     {},
     {"give at least one FILE"}},
    {"send_series_without_folder",
     Kind::kUsage,
     {"send-series"},
     2,
     {},
     {"give exactly one FOLDER"}},
    {"find_unknown_level",
     Kind::kUsage,
     {"find", "--level", "PLANET"},
     2,
     {},
     {"--level must be PATIENT, STUDY, SERIES or IMAGE, not 'PLANET'"}},
    {"move_without_destination", Kind::kUsage, {"move"}, 2, {}, {"--dest needs"}},
    {"get_patient_level",
     Kind::kUsage,
     {"get", "--level", "PATIENT"},
     2,
     {},
     {"--level must be STUDY, SERIES or IMAGE"}},
    {"probe_stray_word",
     Kind::kUsage,
     {"probe", "127.0.0.1", "{CLOSED}", "extra"},
     2,
     {},
     {"expected HOST PORT, got 'extra'"}},
    {"worklist_unknown_key",
     Kind::kUsage,
     {"worklist", "-k", "Bogus=1"},
     2,
     {},
     {"unknown field 'Bogus'"}},
    {"print_without_file", Kind::kUsage, {"print"}, 2, {}, {"give exactly one FILE"}},
    {"dump_without_file", Kind::kUsage, {"dump"}, 2, {}, {"give exactly one FILE"}},
    {"dicomdir_two_files", Kind::kUsage, {"dicomdir", "a", "b"}, 2, {}, {"give exactly one FILE"}},
    {"meta_without_syntax", Kind::kUsage, {"meta", "{NOTDICOM}"}, 2, {}, {"--ts is required"}},
    {"convert_without_syntax",
     Kind::kUsage,
     {"convert", "{CT}", "{OUT}/x.dcm"},
     2,
     {},
     {"--ts is required"}},
    {"convert_unknown_syntax",
     Kind::kUsage,
     {"convert", "{CT}", "{OUT}/x.dcm", "--ts", "jpeg9"},
     2,
     {},
     {"--ts 'jpeg9' is neither a transfer syntax UID nor one of implicit, explicit"}},
    {"thumbnail_zero_width",
     Kind::kUsage,
     {"thumbnail", "{CT}", "{OUT}/t.jpg", "--width", "0"},
     2,
     {},
     {"--width takes a number from 1 to 65535, not '0'"}},
    {"ecg_empty_size",
     Kind::kUsage,
     {"ecg", "{ECG}", "{OUT}/e.png", "--size", "0x5"},
     2,
     {},
     {"--size takes WxH"}},
    {"scp_port_out_of_range",
     Kind::kUsage,
     {"scp", "--port", "70000"},
     2,
     {},
     {"--port needs a number from 0 to 65535"}},
    {"config_unknown_word",
     Kind::kUsage,
     {"config", "list"},
     2,
     {},
     {"give show, or set KEY VALUE"}},
    {"load_without_files",
     Kind::kUsage,
     {"load", "127.0.0.1", "{CLOSED}"},
     2,
     {},
     {"give at least one FILE or FOLDER"}},
    {"load_missing_file",
     Kind::kUsage,
     {"load", "127.0.0.1", "{CLOSED}", "{MISSING}"},
     2,
     {},
     {"no such file: "}},
    {"load_no_associations",
     Kind::kUsage,
     {"load", "127.0.0.1", "{CLOSED}", "{CT}", "--associations", "0"},
     2,
     {},
     {"--associations takes a number from 1 to 1024, not '0'"}},
    {"load_count_not_a_number",
     Kind::kUsage,
     {"load", "127.0.0.1", "{CLOSED}", "{CT}", "--count", "many"},
     2,
     {},
     {"--count takes a whole number above 0, not 'many'"}},
    {"load_zero_duration",
     Kind::kUsage,
     {"load", "127.0.0.1", "{CLOSED}", "{CT}", "--duration", "0"},
     2,
     {},
     {"--duration takes a number of seconds above 0, not '0'"}},
    {"load_echo_and_find",
     Kind::kUsage,
     {"load", "127.0.0.1", "{CLOSED}", "--echo", "--find", ""},
     2,
     {},
     {"give --echo or --find, not both"}},
    {"load_echo_with_new_uids",
     Kind::kUsage,
     {"load", "127.0.0.1", "{CLOSED}", "--echo", "--new-uids"},
     2,
     {},
     {"--new-uids applies to C-STORE only"}},
    {"load_echo_with_file",
     Kind::kUsage,
     {"load", "127.0.0.1", "{CLOSED}", "--echo", "{CT}"},
     2,
     {},
     {"expected HOST PORT"}},
    {"load_find_unknown_field",
     Kind::kUsage,
     {"load", "127.0.0.1", "{CLOSED}", "--find", "Colour=red"},
     2,
     {},
     {"Colour"}},
    {"completion_other_shell",
     Kind::kUsage,
     {"completion", "zsh"},
     2,
     {},
     {"only bash is supported"}},
    {"log_level_not_a_number",
     Kind::kUsage,
     {"echo", "127.0.0.1", "{CLOSED}", "--log-level", "high"},
     2,
     {},
     {"--log-level needs a number, not 'high'"}},
    // Ports and AE titles.
    {"port_above_65535",
     Kind::kUsage,
     {"echo", "127.0.0.1", "99999"},
     2,
     {},
     {"port '99999' is not a number from 1 to 65535"}},
    {"port_not_a_number",
     Kind::kUsage,
     {"find", "127.0.0.1", "abc"},
     2,
     {},
     {"port 'abc' is not a number from 1 to 65535"}},
    {"store_port_above_65535",
     Kind::kUsage,
     {"store", "127.0.0.1", "70000", "{CT}"},
     2,
     {},
     {"port '70000' is not a number from 1 to 65535"}},
    {"called_title_too_long",
     Kind::kUsage,
     {"echo", "127.0.0.1", "{CLOSED}", "--aec", kLongTitle},
     2,
     {},
     {"--aec 'SEVENTEENCHARSAET' is longer than 16 characters"}},
    {"calling_title_too_long",
     Kind::kUsage,
     {"find", "127.0.0.1", "{CLOSED}", "--aet", kLongTitle},
     2,
     {},
     {"--aet 'SEVENTEENCHARSAET' is longer than 16 characters"}},
    {"move_destination_too_long",
     Kind::kUsage,
     {"move", "--dest", kLongTitle},
     2,
     {},
     {"1 to 16 characters"}},
    {"scp_destination_file_is_a_folder",
     Kind::kUsage,
     {"scp", "--dest-file", "{OUT}"},
     2,
     {},
     {"is not a file"}},
    {"scp_destination_named_twice",
     Kind::kUsage,
     {"scp", "--dest", "VIEWER=127.0.0.1:4000", "--dest", "VIEWER=127.0.0.1:4001"},
     2,
     {},
     {"--dest VIEWER=127.0.0.1:4001: the AE title VIEWER is named twice (first by --dest "
      "VIEWER=127.0.0.1:4000)"}},
    {"get_object_size_not_a_size",
     Kind::kUsage,
     {"get", "127.0.0.1", "{CLOSED}", "--max-object-size", "lots"},
     2,
     {},
     {"--max-object-size 'lots' is not a size"}},
    {"scp_object_size_that_would_wrap",
     Kind::kUsage,
     {"scp", "--max-object-size", "999999999999G"},
     2,
     {},
     {"--max-object-size '999999999999G' is not a size"}},
    {"scp_title_too_long",
     Kind::kUsage,
     {"scp", "--aet", kLongTitle},
     2,
     {},
     {"--aet 'SEVENTEENCHARSAET' is longer than 16 characters"}},
    {"title_with_backslash",
     Kind::kUsage,
     {"echo", "127.0.0.1", "{CLOSED}", "--aec", "A\\B"},
     2,
     {},
     {"no backslash"}},
    {"unknown_subcommand",
     Kind::kPlain,
     {"frobnicate"},
     2,
     {},
     {"norvane: unknown subcommand 'frobnicate' (see norvane --help)\n"},
     ""},
    // The version, quiet runs and the summaries after success.
    {"version", Kind::kPlain, {"--version"}, 0, {"norvane ", " (library 2.64)\n"}},
    {"store_quiet_sums_up",
     Kind::kPlain,
     At("store", "{STORE}", "STORESCP", {"-q", "{CT}", "{CT}"}),
     0,
     {},
     {"norvane store: 2 files, 78.", " in ", " s (", "/s)\n"},
     "STORE OK\n"},
    {"send_series_quiet_sums_up",
     Kind::kPlain,
     At("send-series", "{STORE}", "STORESCP", {"-q", "{SERIES}"}),
     0,
     {},
     {"norvane send-series: 1 file, 39."},
     "SEND SERIES OK\n"},
    {"get_quiet_sums_up",
     Kind::kPlain,
     At("get", "{QR}", "QRSCP", {"-q", "--folder", "{OUT}/got", "-k", Arch("StudyInstanceUID")}),
     0,
     {},
     {"norvane get: 4 objects, "},
     "GET OK: 4 completed, 0 failed, 0 warning\n"},
    {"move_quiet_sums_up",
     Kind::kPlain,
     At("move", "{QR}", "QRSCP", {"-q", "--dest", "STORESCP", "-k", Arch("StudyInstanceUID")}),
     0,
     {},
     {"norvane move: 4 objects moved in "},
     "MOVE OK: 4 completed, 0 failed, 0 warning\n"},
    {"find_sums_up",
     Kind::kPlain,
     At("find", "{QR}", "QRSCP", {"-k", "PatientName=Doe^A*", "-k", "StudyDate=19950101-19991231"}),
     0,
     {"No studies: 1\n", "FIND OK\n"},
     {"norvane find: 1 match in "}},
    {"get_progress_on_a_terminal",
     Kind::kTerminal,
     At("get", "{QR}", "QRSCP", {"--folder", "{OUT}/tty", "-k", Arch("StudyInstanceUID")}),
     0,
     {"remaining 3, completed 1", "\r\033[Kstored ", "GET OK: 4 completed"}},
    // UIDs with their names, keywords and the PATIENT level.
    {"store_names_the_syntax",
     Kind::kPlain,
     At("store", "{STORE}", "STORESCP", {"{EXTENDED}"}),
     1,
     {},
     {"1.2.840.10008.1.2.4.51 (JPEG Extended (Process 2 and 4))"}},
    {"convert_names_the_syntax",
     Kind::kPlain,
     {"convert", "{EXTENDED}", "{OUT}/c.dcm", "--ts", "explicit"},
     1,
     {},
     {"from 1.2.840.10008.1.2.4.51 (JPEG Extended (Process 2 and 4)) to "
      "1.2.840.10008.1.2.1 (Explicit VR Little Endian)"}},
    {"keyword_instead_of_field",
     Kind::kPlain,
     At("find", "{QR}", "QRSCP",
        {"--level", "IMAGE", "-k", Arch("StudyInstanceUID"), "-k",
         std::string("SeriesInstanceUID=") + kArchibaldSeries, "-k", "InstanceNumber=181"}),
     0,
     {"No images: 1\n", "ImageNumber: 181", "FIND OK\n"}},
    {"patient_level_is_patient_root",
     Kind::kPlain,
     At("find", "{QR}", "QRSCP", {"--level", "PATIENT", "-k", "PatientName=Doe^A*"}),
     0,
     {"No patients: 1\n\nPatientName: Doe^Archibald \nPatientID: 77654033\n", "FIND OK\n"}},
    // Files that are not there, and files that are no DICOM files.
    {"convert_missing_file",
     Kind::kPlain,
     {"convert", "{MISSING}", "{OUT}/x", "--ts", "big"},
     1,
     {},
     {"missing.dcm does not exist\n"}},
    {"convert_not_dicom",
     Kind::kPlain,
     {"convert", "{NOTDICOM}", "{OUT}/x", "--ts", "big"},
     1,
     {},
     {"notes.txt is not a DICOM file"}},
    {"thumbnail_missing_file",
     Kind::kPlain,
     {"thumbnail", "{MISSING}", "{OUT}/t", "--width", "8"},
     1,
     {},
     {"missing.dcm does not exist\n"}},
    {"thumbnail_not_dicom",
     Kind::kPlain,
     {"thumbnail", "{NOTDICOM}", "{OUT}/t", "--width", "8"},
     1,
     {},
     {"notes.txt is not a DICOM file"}},
    {"completion_script",
     Kind::kPlain,
     {"completion", "bash"},
     0,
     {"_norvane()", "complete -o filenames -F _norvane norvane\n"}},
    // --json on every subcommand.
    {"echo_json",
     Kind::kJson,
     At("echo", "{STORE}", "STORESCP", {"--json"}),
     0,
     {"peer"},
     {},
     nullptr,
     [](const Json& json) {
       const Json& association = json["peer"]["association"];
       EXPECT_EQ(association["acceptedContexts"],
                 Json::parse(R"([{"abstractSyntax":"1.2.840.10008.1.1",)"
                             R"("transferSyntax":"1.2.840.10008.1.2"}])"));
       EXPECT_EQ(
           association["implementationClassUID"].get<std::string>().rfind("1.2.276.0.7230010.3", 0),
           0u)
           << "DCMTK's own";
     }},
    {"store_json",
     Kind::kJson,
     At("store", "{STORE}", "STORESCP", {"--json", "{CT}"}),
     0,
     {"objects", "totals"},
     {},
     nullptr,
     [](const Json& json) {
       const Json& object = json["objects"].at(0);
       EXPECT_EQ(object["status"], 0);
       EXPECT_EQ(object["statusMeaning"], "Success");
       EXPECT_EQ(object["transferSyntax"], "1.2.840.10008.1.2.1");
       EXPECT_EQ(object["bytes"], 39206);
       EXPECT_TRUE(object["ms"].is_number());
       EXPECT_EQ(json["totals"]["stored"], 1);
       EXPECT_EQ(json["peer"]["association"]["acceptedContexts"][0]["abstractSyntax"],
                 "1.2.840.10008.5.1.4.1.1.2");
     }},
    {"load_json",
     Kind::kJson,
     At("load", "{STORE}", "STORESCP",
        {"{CT}", "--associations", "2", "--count", "6", "--new-uids", "--json"}),
     0,
     {"mode", "associations", "load"},
     {},
     nullptr,
     [](const Json& json) {
       EXPECT_EQ(json["mode"], "store");
       EXPECT_EQ(json["associations"], 2);
       const Json& load = json["load"];
       EXPECT_EQ(load["operations"], 6);
       EXPECT_EQ(load["failed"], 0);
       EXPECT_EQ(load["bytes"], 6 * 39206);
       EXPECT_TRUE(load["failures"].empty());
       for (const char* at : {"p50", "p95", "p99", "max"})
         EXPECT_GT(load["latencyMs"][at].get<double>(), 0.0) << at;
       EXPECT_LE(load["latencyMs"]["p50"], load["latencyMs"]["max"]);
       size_t sum = 0;
       for (const Json& second : load["timeline"])
         sum += second["operations"].get<size_t>();
       EXPECT_EQ(sum, 6u);
     }},
    {"load_refused",
     Kind::kPlain,
     {"load", "127.0.0.1", "{CLOSED}", "--echo", "--associations", "2", "--count", "9"},
     1,
     {"2 echoes in", "failed 2x: connection refused by 127.0.0.1",
      "LOAD failed: 2 of 2 operations failed"},
     {"norvane load: 2x: connection refused"}},
    {"send_series_json",
     Kind::kJson,
     At("send-series", "{STORE}", "STORESCP", {"{SERIES}", "--json"}),
     0,
     {"folder", "objects", "totals"}},
    {"find_json",
     Kind::kJson,
     At("find", "{QR}", "QRSCP",
        {"--json", "-k", "PatientName=Doe^A*", "-k", "StudyDate=19950101-19991231"}),
     0,
     {"level", "informationModel", "count", "cutOff", "matches"},
     {},
     nullptr,
     [](const Json& json) {
       EXPECT_EQ(json["count"], 1);
       EXPECT_EQ(json["matches"][0]["00100010"],
                 Json::parse(R"({"vr":"PN","Value":[{"Alphabetic":"Doe^Archibald"}]})"));
     }},
    {"find_patient_json",
     Kind::kJson,
     At("find", "{QR}", "QRSCP", {"--json", "--level", "PATIENT"}),
     0,
     {"matches"},
     {},
     nullptr,
     [](const Json& json) {
       EXPECT_EQ(json["informationModel"], "Patient Root");
       EXPECT_EQ(json["count"], 2);
     }},
    {"move_json",
     Kind::kJson,
     At("move", "{QR}", "QRSCP", {"--json", "--dest", "STORESCP", "-k", Arch("StudyInstanceUID")}),
     0,
     {"destination", "finalStatus", "subOperations"}},
    {"get_json",
     Kind::kJson,
     At("get", "{QR}", "QRSCP",
        {"--json", "--folder", "{OUT}/json", "-k", Arch("StudyInstanceUID")}),
     0,
     {"objects", "totals", "subOperations"},
     {},
     nullptr,
     [](const Json& json) {
       ASSERT_EQ(json["objects"].size(), 4u);
       EXPECT_EQ(json["objects"][0]["status"], 0);
       EXPECT_TRUE(json["objects"][0]["sopInstanceUID"].is_string());
       EXPECT_EQ(json["subOperations"]["completed"], 4);
       EXPECT_EQ(json["peer"]["association"]["acceptedContexts"][0]["abstractSyntax"],
                 "1.2.840.10008.5.1.4.1.2.2.3");
     }},
    {"probe_json",
     Kind::kJson,
     At("probe", "{STORE}", "STORESCP", {"--json"}),
     0,
     {"classes", "associations", "presentationContexts"},
     {},
     nullptr,
     [](const Json& json) {
       const Json& association = json["peer"]["association"];
       EXPECT_TRUE(association["implementationClassUID"].is_string());
       EXPECT_GT(association["maximumPDULength"], 0);
       EXPECT_FALSE(association["acceptedContexts"].empty());
       EXPECT_EQ(json["classes"][0]["uid"], "1.2.840.10008.1.1");
     }},
    {"worklist_json",
     Kind::kJson,
     At("worklist", "{WL}", "WLMSCP", {"--json"}),
     0,
     {"count", "matches"}},
    {"print_json",
     Kind::kJson,
     At("print", "{CLOSED}", "PRINTER", {"--json", "{CT}"}),
     1,
     {"file", "failedStep"},
     {},
     nullptr,
     [](const Json& json) { EXPECT_FALSE(json["peer"].contains("association")); }},
    {"dump_json",
     Kind::kJson,
     {"dump", "--json", "{CT}"},
     0,
     {"transferSyntax", "meta", "dataset"}},
    {"dicomdir_json", Kind::kJson, {"dicomdir", "--json", "{DICOMDIR}"}, 0, {"records"}},
    {"convert_json",
     Kind::kJson,
     {"convert", "--json", "{CT}", "{OUT}/i.dcm", "--ts", "implicit"},
     0,
     {"in", "out", "sourceTransferSyntax", "targetTransferSyntax", "result"}},
    {"thumbnail_json",
     Kind::kJson,
     {"thumbnail", "--json", "{CT}", "{OUT}/t.bmp", "--width", "16"},
     0,
     {"in", "out", "width"}},
    {"meta_json",
     Kind::kJson,
     {"meta", "--json", "{MISSING}", "--ts", "implicit"},
     1,
     {"file", "transferSyntax"}},
    {"ecg_json",
     Kind::kJson,
     {"ecg", "--json", "{ECG}", "{OUT}/e.png", "--size", "200x100"},
     0,
     {"in", "out", "width", "height"}},
    {"config_json", Kind::kJson, {"config", "show", "--json"}, 0, {"file", "present", "settings"}},
    {"usage_error_json", Kind::kJson, {"echo", "--bogus", "--json"}, 2, {}},
};

// What ctest and failures show of a case: its arguments.
void PrintTo(const CliCase& c, std::ostream* out) {
  *out << "norvane";
  for (const std::string& arg : c.args)
    *out << " " << arg;
}

class CommandLine : public ::testing::TestWithParam<CliCase> {
 protected:
  static void SetUpTestSuite() {
    for (const char* program : {"storescp", "storescu", "dcmqrscp", "wlmscpfs", "dump2dcm"}) {
      if (!testing::HaveProgram(program)) return;
    }
    dir_ = std::make_unique<testing::TempDir>();
    const std::string root = dir_->path().string();
    std::filesystem::create_directories(root + "/received");
    std::filesystem::create_directories(root + "/series");
    std::filesystem::copy_file(testing::PydicomFile("CT_small.dcm"), root + "/series/ct.dcm");
    std::ofstream(root + "/notes.txt") << "these are not DICOM bytes\n";
    storePort_ = testing::FreePort();
    storescp_ = std::make_unique<testing::PeerProcess>();
    ready_ = storescp_->Start({"storescp", "-aet", "STORESCP", "-od", root + "/received",
                               std::to_string(storePort_)},
                              root + "/storescp.log") &&
             testing::WaitForListener(storePort_);
    archive_ = std::make_unique<testing::QueryRetrieveSCP>();
    std::filesystem::create_directories(root + "/qr");
    ready_ = ready_ && archive_->Start(root + "/qr", {{"STORESCP", storePort_}}) &&
             archive_->LoadDicomdirTests(problem_);
    worklist_ = std::make_unique<testing::WorklistSCP>();
    std::filesystem::create_directories(root + "/wl");
    ready_ = ready_ && worklist_->Start(root + "/wl",
                                        {{"ACC1", "DOE^JOHN", "PID1", "19700101", "M",
                                          "1.2.826.0.1.3680043.2.1143.901.1", "CT", "CT1",
                                          "20240115", "093000", "PERFORMER^PAULA", "HEAD", "SPS1"}},
                                        problem_);
    closedPort_ = testing::FreePort();
  }
  static void TearDownTestSuite() {
    worklist_.reset();
    archive_.reset();
    storescp_.reset();
    dir_.reset();
  }
  void SetUp() override {
    NORVANE_REQUIRE_PROGRAMS("storescp", "storescu", "dcmqrscp", "wlmscpfs", "dump2dcm");
    ASSERT_TRUE(ready_) << problem_;
  }

  // The arguments with the peers' ports and the files filled in.
  std::vector<std::string> Filled(const std::vector<std::string>& args) const {
    const std::string root = dir_->path().string();
    const std::pair<std::string, std::string> fills[] = {
        {"{STORE}", std::to_string(storePort_)},
        {"{QR}", archive_->Port()},
        {"{WL}", worklist_->Port()},
        {"{CLOSED}", std::to_string(closedPort_)},
        {"{CT}", testing::PydicomFile("CT_small.dcm")},
        {"{EXTENDED}", testing::PydicomFile("JPEG-lossy.dcm")},
        {"{ECG}", testing::PydicomFile("waveform_ecg.dcm")},
        {"{DICOMDIR}", testing::PydicomFile("dicomdirtests/DICOMDIR")},
        {"{MISSING}", out_ / "missing.dcm"},
        {"{NOTDICOM}", root + "/notes.txt"},
        {"{SERIES}", root + "/series"},
        {"{OUT}", out_.path().string()},
    };
    std::vector<std::string> filled;
    for (std::string arg : args) {
      for (const auto& [mark, value] : fills) {
        for (size_t at = arg.find(mark); at != std::string::npos; at = arg.find(mark)) {
          arg.replace(at, mark.size(), value);
        }
      }
      filled.push_back(arg);
    }
    return filled;
  }

  testing::TempDir out_;
  static inline std::unique_ptr<testing::TempDir> dir_;
  static inline std::unique_ptr<testing::PeerProcess> storescp_;
  static inline std::unique_ptr<testing::QueryRetrieveSCP> archive_;
  static inline std::unique_ptr<testing::WorklistSCP> worklist_;
  static inline uint16_t storePort_ = 0;
  static inline uint16_t closedPort_ = 0;
  static inline bool ready_ = false;
  static inline std::string problem_;
};

void ExpectParts(const std::string& text, const std::vector<std::string>& parts,
                 const char* where) {
  for (const std::string& part : parts) {
    EXPECT_TRUE(Contains(text, part)) << "'" << part << "' missing from " << where << ":\n" << text;
  }
}

// The document must pass Python's json.tool as well as ours.
void ExpectJsonDocument(const CliCase& c, const std::string& out, const std::string& folder) {
  const std::string file = folder + "/document.json";
  std::ofstream(file) << out;
  const testing::RunResult tool = testing::RunProgram({"python3", "-m", "json.tool", file});
  EXPECT_EQ(tool.exitCode, 0) << tool.output;
  const Json json = Json::parse(out, nullptr, false);
  ASSERT_FALSE(json.is_discarded()) << out;
  EXPECT_EQ(json["command"], c.args.front());
  EXPECT_EQ(json["exitCode"], c.exitCode);
  EXPECT_EQ(json["ok"], c.exitCode == 0);
  EXPECT_TRUE(json["elapsedMs"].is_number_integer());
  EXPECT_EQ(json["reason"].is_null(), c.exitCode == 0) << json["reason"];
  if (c.args.size() > 1 && c.args[1] == "127.0.0.1") {
    for (const char* field : {"host", "port", "calledAET", "callingAET"}) {
      EXPECT_TRUE(json["peer"].contains(field)) << field;
    }
  }
  for (const std::string& field : c.out) {
    EXPECT_TRUE(json.contains(field)) << field << "\n" << out;
  }
  if (c.inspect) c.inspect(json);
}

TEST_P(CommandLine, KeepsItsPromise) {
  const CliCase& c = GetParam();
  const std::vector<std::string> args = Filled(c.args);
  if (c.kind == Kind::kTerminal) {
    const testing::RunResult run = testing::NorvaneOnATerminal(args);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    ExpectParts(run.output, c.out, "the terminal");
    return;
  }
  const testing::StreamsResult run = testing::NorvaneStreams(args);
  EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
  ExpectParts(run.err, c.err, "standard error");
  switch (c.kind) {
    case Kind::kUsage: {
      EXPECT_EQ(run.out, "") << "a bad command line prints no help on standard output";
      const std::string tail = " (see norvane " + args.front() + " --help)\n";
      EXPECT_EQ(testing::Count(run.err, "\n"), 1u) << run.err;
      EXPECT_TRUE(run.err.starts_with("norvane " + args.front() + ": ")) << run.err;
      EXPECT_TRUE(run.err.ends_with(tail)) << run.err;
      break;
    }
    case Kind::kJson:
      ExpectJsonDocument(c, run.out, out_.path().string());
      break;
    default:
      ExpectParts(run.out, c.out, "standard output");
      if (c.exactOut != nullptr) {
        EXPECT_EQ(run.out, c.exactOut);
      }
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLine, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CliCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(CompletionScript, CompletesSubcommandsOptionsAndTheirValues) {
  const struct {
    std::vector<std::string> words;
    const char* expected;
  } cases[] = {
      {{"norvane", "fi"}, "find"},
      {{"norvane", "find", "--le"}, "--level"},
      {{"norvane", "find", "--level", "S"}, "STUDY SERIES"},
      {{"norvane", "store", "--ts", "l"}, "lossless"},
      {{"norvane", "dump", "--js"}, "--json"},
  };
  for (const auto& c : cases) {
    std::string words;
    for (const std::string& w : c.words)
      words += " '" + w + "'";
    const std::string script = "source <(\"$0\" completion bash); COMP_WORDS=(" + words +
                               "); COMP_CWORD=" + std::to_string(c.words.size() - 1) +
                               "; _norvane; echo \"${COMPREPLY[*]}\"";
    const testing::RunResult run =
        testing::RunProgram({"bash", "-c", script, testing::NorvaneTool()});
    EXPECT_EQ(run.output, std::string(c.expected) + "\n") << words;
  }
}

}  // namespace
}  // namespace norvane
