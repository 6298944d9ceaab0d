#pragma once

#include "dimse/query_records.hpp"
#include "dimse/record_fields.hpp"

namespace norvane {

template <>
std::span<const RecordField<StudyInfo>> RecordFields<StudyInfo>();
template <>
std::span<const RecordField<SeriesInfo>> RecordFields<SeriesInfo>();
template <>
std::span<const RecordField<ImageInfo>> RecordFields<ImageInfo>();

}  // namespace norvane
