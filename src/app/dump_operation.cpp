#include "app/dump_operation.hpp"

#include <string>
#include <vector>

#include "datadec/dicom_file_reader.hpp"
#include "dictionary/dictionary.hpp"
#include "dictionary/windows1252.hpp"
#include "dump/dump_list.hpp"

namespace norvane {
namespace {

void WriteList(const TagList& list, bool explicitVR, OutputSink& output) {
  std::vector<std::string> lines;
  DumpList(list, lines, explicitVR);
  for (size_t i = 0; i < lines.size() && i < list.size(); ++i) {
    TagRecord tag;  // the tag alone names the element; the value is not copied
    tag.group = list[i].group;
    tag.element = list[i].element;
    const std::string_view name = LookupName(tag, true);
    std::string& line = lines[i];
    if (line.ends_with(name))
      line = line.substr(0, line.size() - name.size()) + Windows1252ToUtf8(name);
    for (char& c : line) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '.';
    }
    output.WriteLine(line);
  }
}

}  // namespace

void DumpDICOMFile(OutputSink& output, FileChooser& chooser) {
  output.Clear();
  const std::optional<std::string> file = chooser.ChooseFile();
  if (!file) return;
  const DicomFileContent content = DICOMFile(*file);
  if (!content.Ok()) {
    output.WriteLine("Dump Failed!");
    return;
  }
  output.WriteLine("Dump OK!");
  WriteList(content.meta, content.explicitVR, output);
  WriteList(content.dataset, content.explicitVR, output);
}

}  // namespace norvane
