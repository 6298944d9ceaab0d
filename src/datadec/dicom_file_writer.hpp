#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "datadec/deflate_stream.hpp"
#include "datadec/dicom_file_format.hpp"
#include "datadec/element_codec.hpp"
#include "elements/byte_order.hpp"
#include "elements/tag_record.hpp"

namespace norvane {

// Writes a DICOM file: with a meta list, 128 zero bytes, "DICM" and the meta list encoded
// explicit VR little endian, then the dataset in list order, encoded with `explicitVR` and
// `order` (the meta group's own records always explicit VR little endian) and deflated when
// the meta list's Transfer Syntax UID is deflated explicit VR little endian; with no meta
// list (null), the dataset alone. Values are written as they are held; a transfer syntax
// change is the caller's work.
// The file is written beside the target under a temporary name and renamed over it at the
// end, so that on failure an existing file stays as it was. False when the file cannot be
// created or written, or when a record's length does not fit its header (a value of more
// than 65535 bytes under a VR with a 16-bit length field).
bool WriteDicomFile(const std::string& fileName, const TagList* meta, const TagList& dataset,
                    bool explicitVR, ByteOrder order);

// Whether a meta group names deflated explicit VR little endian.
bool MetaNamesDeflate(const TagList& meta);

// The bytes WriteDicomFile writes, into any element sink, record by record so that no value
// is copied on its way (the data set deflated when `encoding` says so); false at the first
// the sink refuses or that cannot be encoded.
template <ElementSink Sink>
bool PutDicomFile(Sink& sink, const TagList* meta, const TagList& dataset,
                  DatasetEncoding encoding) {
  if (meta) {
    uint8_t start[kMetaGroupStart] = {};
    std::copy(kDicmPrefix.begin(), kDicmPrefix.end(), start + kPreambleSize);
    if (!sink.Write(start)) return false;
    const DatasetEncoding metaEncoding{.explicitVR = true, .bigEndian = false};
    if (!PutElements(sink, *meta, kFileRules, metaEncoding)) return false;
  }
  if (encoding.deflated) {
    DeflatingSink<Sink> deflating(sink);
    return PutElements(deflating, dataset, kFileRules, encoding) && deflating.Finish();
  }
  return PutElements(sink, dataset, kFileRules, encoding);
}

}  // namespace norvane
