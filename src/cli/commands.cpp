#include "cli/commands.hpp"

#include <array>

namespace norvane::cli {

std::span<const Command> AllCommands() {
  static const std::array commands{
      Command{"echo", "verify a DICOM node with C-ECHO", RunEcho, EchoOptions},
      Command{"store", "send DICOM files with C-STORE", RunStore, StoreOptions},
      Command{"send-series", "send a series folder over one association", RunSendSeries,
              SendSeriesOptions},
      Command{"load", "put a node under load: many associations storing, echoing or querying",
              RunLoad, LoadOptions},
      Command{"find", "query an archive with C-FIND (patient, study, series, image)", RunFind,
              FindOptions},
      Command{"move", "have an archive send studies, series or images with C-MOVE", RunMove,
              MoveOptions},
      Command{"get", "retrieve studies, series or images with C-GET into a folder", RunGet,
              GetOptions},
      Command{"probe", "list the SOP classes and transfer syntaxes a node accepts", RunProbe,
              ProbeOptions},
      Command{"worklist", "query a modality worklist with C-FIND", RunWorklist, WorklistOptions},
      Command{"mpps", "report a performed procedure step (N-CREATE, N-SET)", RunMpps, MppsOptions},
      Command{"commit", "ask a node to commit to keeping instances (storage commitment)", RunCommit,
              CommitOptions},
      Command{"workflow", "play a modality: worklist, MPPS, store, MPPS, commitment", RunWorkflow,
              WorkflowOptions},
      Command{"print", "print an image on a DICOM printer", RunPrint, PrintOptions},
      Command{"dump", "print the elements of a DICOM file", RunDump, DumpOptions},
      Command{"dicomdir", "print the directory records of a DICOMDIR", RunDicomdir,
              DicomdirOptions},
      Command{"meta", "add a meta header to a bare dataset file", RunMeta, MetaOptions},
      Command{"convert", "rewrite a DICOM file in another transfer syntax", RunConvert,
              ConvertOptions},
      Command{"thumbnail", "draw a DICOM image as a small JPEG file", RunThumbnail,
              ThumbnailOptions},
      Command{"ecg", "draw a waveform object as a strip chart in a PNG file", RunEcg, EcgOptions},
      Command{"scp", "receive objects as a storage SCP until stopped", RunScp, ScpOptions},
      Command{"config", "show or change the settings the window edits", RunConfig, ConfigOptions},
      Command{"completion", "print a bash completion script for norvane", RunCompletion,
              CompletionOptions},
  };
  return commands;
}

}  // namespace norvane::cli
