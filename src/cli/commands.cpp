#include "cli/commands.hpp"

#include <array>

namespace norvane::cli {

std::span<const Command> AllCommands() {
  static const std::array commands{
      Command{"echo", "verify a DICOM node with C-ECHO", RunEcho},
      Command{"store", "send DICOM files with C-STORE", RunStore},
      Command{"send-series", "send a series folder over one association", RunSendSeries},
      Command{"find", "query an archive with C-FIND (study, series, image)", RunFind},
      Command{"move", "have an archive send studies, series or images with C-MOVE", RunMove},
      Command{"get", "retrieve studies, series or images with C-GET into a folder", RunGet},
      Command{"probe", "list the SOP classes and transfer syntaxes a node accepts", RunProbe},
      Command{"worklist", "query a modality worklist with C-FIND", RunWorklist},
      Command{"print", "print an image on a DICOM printer", RunPrint},
      Command{"dump", "print the elements of a DICOM file", RunDump},
      Command{"dicomdir", "print the directory records of a DICOMDIR", RunDicomdir},
      Command{"meta", "add a meta header to a bare dataset file", RunMeta},
      Command{"convert", "rewrite a DICOM file in another transfer syntax", RunConvert},
      Command{"thumbnail", "draw a DICOM image as a small JPEG file", RunThumbnail},
      Command{"ecg", "draw a waveform object as a strip chart in a PNG file", RunEcg},
      Command{"scp", "receive objects as a storage SCP until stopped", RunScp},
      Command{"config", "show or change the settings the window edits", RunConfig},
  };
  return commands;
}

}  // namespace norvane::cli
