#include "ecg/ecg_to_bitmap.hpp"

#include <string_view>

#include "ecg/channel_layout.hpp"
#include "ecg/chart_channel.hpp"
#include "ecg/chart_grid.hpp"
#include "ecg/chart_header.hpp"
#include "ecg/waveform_reader.hpp"
#include "ecg/waveform_samples.hpp"
#include "platform/raster_canvas.hpp"

namespace norvane {
namespace {

bool IsWaveformModality(std::string_view modality) {
  return modality == "ECG" || modality == "HD" || modality == "AU";
}

}  // namespace

EcgStatus ECG2Bitmap(Raster& bitmap, const TagList& dataset) {
  StudyReading reading = ReadWaveformStudy(dataset);
  TStudy& study = reading.study;
  if (!IsWaveformModality(study.modality)) return EcgStatus::kNotWaveformModality;
  if (!reading.sequencesIntact) return EcgStatus::kMalformedSequence;
  if (study.waveforms.empty()) return EcgStatus::kNoCompleteWaveform;

  TWaveform& waveform = study.waveforms.front();
  if (const EcgStatus status = DecodeChannelSamples(waveform); status != EcgStatus::kDrawn) {
    return status;
  }
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  if (width < 1 || height < 1) return EcgStatus::kEmptyBitmap;
  LayOutChannels(waveform, width);

  RasterCanvas canvas(bitmap);
  if (!canvas.Ok()) return EcgStatus::kDrawingFailed;
  DrawChartPaper(canvas, width, height);
  DrawChartHeader(canvas, study, width);
  for (const TChannel& channel : waveform.channels)
    DrawChannel(canvas, channel, width);
  return canvas.Finish() ? EcgStatus::kDrawn : EcgStatus::kDrawingFailed;
}

}  // namespace norvane
