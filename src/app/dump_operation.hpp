#pragma once

#include "app/file_chooser.hpp"
#include "app/output_sink.hpp"

namespace norvane {

// "Dump DICOM File", on the caller's thread and without a log of its own: clears the
// output, asks for a file (nothing more when none is chosen), reads it and writes
// "Dump OK!" followed by one line per element of the meta group and of the data set, or
// "Dump Failed!". Element names are shown in UTF-8; control characters of a value are
// shown as '.', so that every element stays one line.
void DumpDICOMFile(OutputSink& output, FileChooser& chooser);

}  // namespace norvane
