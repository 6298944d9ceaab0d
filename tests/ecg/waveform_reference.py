"""What pydicom reads from a waveform object's multiplex group, one fact per line.

usage: waveform_reference.py FILE GROUP

  group CHANNELS SAMPLES FREQUENCY BITS
  channel INDEX SENSITIVITY UNITS<TAB>CODE MEANING
  sample INDEX V0 V1 ...   (waveform_array: raw value x sensitivity x correction + baseline)
"""
import sys

import pydicom

ds = pydicom.dcmread(sys.argv[1])
index = int(sys.argv[2])
group = ds.WaveformSequence[index]
print("group", group.NumberOfWaveformChannels, group.NumberOfWaveformSamples,
      float(group.SamplingFrequency), group.WaveformBitsAllocated)
for i, channel in enumerate(group.ChannelDefinitionSequence):
    units = channel.ChannelSensitivityUnitsSequence[0].CodeValue
    meaning = channel.ChannelSourceSequence[0].CodeMeaning
    print("channel", i, repr(float(channel.ChannelSensitivity)), units + "\t" + meaning)
values = ds.waveform_array(index)
for s, row in enumerate(values):
    print("sample", s, " ".join(repr(float(v)) for v in row))
