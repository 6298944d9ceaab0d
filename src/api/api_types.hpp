#pragma once

// The objects behind the handles of norvane.h. Each handle type is the core's value type
// itself (or a thin holder of it), so that the boundary hands core functions the caller's
// objects without copying them. Only this folder sees these definitions.

#include <vector>

#include "dimse/film_settings.hpp"
#include "dimse/query_records.hpp"
#include "dimse/worklist_item.hpp"
#include "elements/tag_record.hpp"
#include "net/requester_association.hpp"
#include "norvane.h"
#include "platform/raster.hpp"

struct PDU_Service : norvane::RequesterAssociation {};

// The caller's pointer list: entries are the caller's, never freed by the list.
struct TList {
  std::vector<void*> entries;
};

struct TagRecord : norvane::TagRecord {
  using Core = norvane::TagRecord;
};

struct StudyInfo : norvane::StudyInfo {
  using Core = norvane::StudyInfo;
};
struct SeriesInfo : norvane::SeriesInfo {
  using Core = norvane::SeriesInfo;
};
struct ImageInfo : norvane::ImageInfo {
  using Core = norvane::ImageInfo;
};
struct TWorklistItem : norvane::TWorklistItem {
  using Core = norvane::TWorklistItem;
};
struct FilmSessioncfg : norvane::FilmSessioncfg {
  using Core = norvane::FilmSessioncfg;
};
struct FilmBoxcfg : norvane::FilmBoxcfg {
  using Core = norvane::FilmBoxcfg;
};

struct TBitmap {
  norvane::Raster raster;
};
