/*
 * A C program using libnorvane only through norvane.h, as other programs do: verification,
 * query, retrieval, storage, series sending, worklist, files, meta headers, conversion,
 * thumbnails, DICOMDIR, the storage SCP and the ECG drawing, against real peers and real files.
 *
 * c_client WORKDIR SAMPLES STORESCP_PORT QR_PORT WORKLIST_PORT SCP_PORT
 *   WORKDIR        an empty folder; storescp (+uf) writes into WORKDIR/storescp
 *   SAMPLES        pydicom's test_files folder
 *   STORESCP_PORT  a storescp called STORESCP
 *   QR_PORT        a dcmqrscp called QRSCP holding pydicom's dicomdirtests, with the move
 *                  destination NORVANE at 127.0.0.1:SCP_PORT
 *   WORKLIST_PORT  a wlmscpfs called WLMSCP with two CT steps of DOE^JOHN and ROE^JANE
 *   SCP_PORT       a free port for this program's storage SCP
 *
 * Every check that fails is printed; the exit status is 1 when any failed.
 */
#define _POSIX_C_SOURCE 200809L

#include <dirent.h>
#include <norvane.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

#define CHECK(condition) Check((condition) ? 1 : 0, #condition, __LINE__)

static const char kHost[] = "127.0.0.1";
static const char kCTImageStorage[] = "1.2.840.10008.5.1.4.1.1.2";
static const char kStudyRootFind[] = "1.2.840.10008.5.1.4.1.2.2.1";
static const char kStudyRootMove[] = "1.2.840.10008.5.1.4.1.2.2.2";
static const char kWorklistFind[] = "1.2.840.10008.5.1.4.31";
static const char kVerification[] = "1.2.840.10008.1.1";
static const char kExplicitLE[] = "1.2.840.10008.1.2.1";
static const char kExplicitBE[] = "1.2.840.10008.1.2.2";
static const char kJpegLossless[] = "1.2.840.10008.1.2.4.70";

typedef struct {
  const char* work;
  const char* samples;
  const char* storescpPort;
  const char* qrPort;
  const char* worklistPort;
  const char* scpPort;
} Setup;

static int failures = 0;

static void Check(int ok, const char* what, int line) {
  if (!ok) {
    fprintf(stderr, "c_client.c:%d: check failed: %s\n", line, what);
    ++failures;
  }
}

static const char* Join(char* out, const char* folder, const char* name) {
  snprintf(out, 1024, "%s/%s", folder, name);
  return out;
}

/* Regular files in a folder (0 when it cannot be read). */
static int CountFiles(const char* folder) {
  DIR* dir = opendir(folder);
  struct dirent* entry;
  int count = 0;
  char path[1024];
  struct stat info;
  if (dir == NULL) return 0;
  while ((entry = readdir(dir)) != NULL) {
    if (stat(Join(path, folder, entry->d_name), &info) == 0 && S_ISREG(info.st_mode)) ++count;
  }
  closedir(dir);
  return count;
}

/* The first subfolder of a folder, or 0. */
static int FirstSubfolder(const char* folder, char* out) {
  DIR* dir = opendir(folder);
  struct dirent* entry;
  struct stat info;
  int found = 0;
  if (dir == NULL) return 0;
  while (!found && (entry = readdir(dir)) != NULL) {
    if (entry->d_name[0] == '.') continue;
    found = stat(Join(out, folder, entry->d_name), &info) == 0 && S_ISDIR(info.st_mode);
  }
  closedir(dir);
  return found;
}

static int FileStartsWith(const char* path, const char* magic, size_t size) {
  unsigned char head[8] = {0};
  FILE* file = fopen(path, "rb");
  size_t got;
  if (file == NULL) return 0;
  got = fread(head, 1, size, file);
  fclose(file);
  return got == size && memcmp(head, magic, size) == 0;
}

/* A copy of the file without its last `cut` bytes. */
static int CopyCut(const char* from, const char* to, long cut) {
  char buffer[4096];
  FILE* in = fopen(from, "rb");
  FILE* out = fopen(to, "wb");
  long left = 0;
  int ok = in != NULL && out != NULL && fseek(in, 0, SEEK_END) == 0;
  if (ok) {
    left = ftell(in) - cut;
    ok = left > 0 && fseek(in, 0, SEEK_SET) == 0;
  }
  while (ok && left > 0) {
    size_t want = left < (long)sizeof buffer ? (size_t)left : sizeof buffer;
    size_t got = fread(buffer, 1, want, in);
    ok = got == want && fwrite(buffer, 1, got, out) == got;
    left -= (long)got;
  }
  if (in != NULL) fclose(in);
  if (out != NULL) fclose(out);
  return ok;
}

/* The data set of a Part 10 file alone, without preamble and meta group. */
static int CopyDataSet(const char* from, const char* to) {
  unsigned char head[144];
  char buffer[4096];
  FILE* in = fopen(from, "rb");
  FILE* out = fopen(to, "wb");
  size_t got;
  int ok = in != NULL && out != NULL && fread(head, 1, sizeof head, in) == sizeof head;
  if (ok) {
    /* (0002,0000) UL, the meta group's length, follows "DICM" */
    long metaLength =
        (long)head[140] | (long)head[141] << 8 | (long)head[142] << 16 | (long)head[143] << 24;
    ok = fseek(in, 144 + metaLength, SEEK_SET) == 0;
  }
  while (ok && (got = fread(buffer, 1, sizeof buffer, in)) > 0)
    ok = fwrite(buffer, 1, got, out) == got;
  if (in != NULL) fclose(in);
  if (out != NULL) fclose(out);
  return ok;
}

/* A text that may be NULL, for comparing. */
static const char* Or(const char* text) {
  return text != NULL ? text : "(null)";
}

/* The value of the first element (group, element) of a list of element records, up to its
 * first NUL and without trailing blanks; "" when absent. */
static const char* TextOf(const TList* list, uint16_t group, uint16_t element, char* out,
                          size_t size) {
  int32_t i;
  out[0] = '\0';
  for (i = 0; i < ListCount(list); ++i) {
    const TagRecord* record = (const TagRecord*)ListGet(list, i);
    if (GetTagGroup(record) == group && GetTagElement(record) == element) {
      uint32_t length = GetTagLength(record);
      const uint8_t* value = GetTagValue(record);
      size_t n;
      if (value != NULL && length < size) {
        memcpy(out, value, length);
        out[length] = '\0';
      }
      n = strlen(out);
      while (n > 0 && out[n - 1] == ' ')
        out[--n] = '\0';
      break;
    }
  }
  return out;
}

static void Pause(long milliseconds) {
  struct timespec pause;
  pause.tv_sec = milliseconds / 1000;
  pause.tv_nsec = (milliseconds % 1000) * 1000000L;
  nanosleep(&pause, NULL);
}

static void Verification(const Setup* s) {
  char calling[17] = "";
  char named[17] = "NORVANE";
  PDU_Service* association;

  CHECK(EchoSCU(kHost, s->storescpPort, calling, "STORESCP") == 1);
  CHECK(strcmp(calling, "KAVORN          ") == 0);
  /* Nothing listens on the SCP's port yet: the last error text says so, and a call that
   * succeeds afterwards leaves it. */
  CHECK(EchoSCU(kHost, s->scpPort, named, "NOBODY") == 0);
  CHECK(strcmp(named, "NORVANE") == 0);
  CHECK(strstr(LastErrorText(), "connection refused by 127.0.0.1:") != NULL);
  CHECK(strstr(LastErrorText(), "(nothing listens there)") != NULL);
  CHECK(EchoSCU(kHost, s->storescpPort, calling, "STORESCP") == 1);
  CHECK(strstr(LastErrorText(), "connection refused") != NULL);

  association = NewPDU();
  CHECK(association != NULL);
  CHECK(OpenAssoc(association, kHost, s->storescpPort, named, "STORESCP", kVerification, NULL) ==
        1);
  CHECK(WriteEchoRQ(association, kVerification) == 1);
  CHECK(ReadEchoRSP(association) == 1);
  CHECK(CloseAssoc(association) == 1);
  CHECK(ReadEchoRSP(association) == 0);
  /* The failed read replaced the refused connection with its own reason. */
  CHECK(LastErrorText()[0] != '\0' && strstr(LastErrorText(), "connection refused") == NULL);
  DeletePDU(association);
}

/* TLS for the associations of the C calls: bad settings are refused with a reason and
 * change nothing; TLS against the plain storescp fails with the reason in words, and
 * switching it off again makes plain TCP work. */
static void Tls(const Setup* s) {
  char calling[17] = "";
  CHECK(SetTLS(1, "tls13", NULL, NULL, NULL, 1) == 0);
  CHECK(strstr(LastErrorText(), "unknown TLS profile 'tls13'") != NULL);
  CHECK(SetTLS(1, NULL, "/nonexistent/ca.pem", NULL, NULL, 1) == 0);
  CHECK(strstr(LastErrorText(), "cannot be read") != NULL);
  CHECK(SetTLS(1, "bcp195-nd", NULL, "/nonexistent/me.pem", NULL, 1) == 0);
  CHECK(EchoSCU(kHost, s->storescpPort, calling, "STORESCP") == 1);
  CHECK(SetTLS(1, "", NULL, NULL, NULL, 0) == 1);
  CHECK(EchoSCU(kHost, s->storescpPort, calling, "STORESCP") == 0);
  CHECK(strstr(LastErrorText(), "TLS") != NULL);
  CHECK(SetTLS(0, NULL, NULL, NULL, NULL, 1) == 1);
  CHECK(EchoSCU(kHost, s->storescpPort, calling, "STORESCP") == 1);
}

static void Files(const Setup* s) {
  char ct[1024], path[1024], text[256];
  TList* meta = NewList();
  TList* dataset = NewList();
  uint8_t explicitVR = 0;
  int32_t i;
  int hasPixels = 0;

  Join(ct, s->samples, "CT_small.dcm");
  CHECK(DICOMFile(ct, meta, dataset, &explicitVR) == 1);
  CHECK(explicitVR == 1);
  CHECK(strcmp(TextOf(meta, 0x0002, 0x0010, text, sizeof text), kExplicitLE) == 0);
  CHECK(strcmp(TextOf(dataset, 0x0010, 0x0010, text, sizeof text), "CompressedSamples^CT1") == 0);
  CHECK(GetTagVR((const TagRecord*)ListGet(dataset, 0), text) == 1 && strlen(text) == 2);
  CHECK(ClearTags(meta) == 1 && ClearTags(dataset) == 1);
  CHECK(ListCount(meta) == 0 && ListCount(dataset) == 0);

  /* A missing file appends nothing; a cut-off one keeps the records read before the cut. */
  CHECK(DICOMFile(Join(path, s->work, "missing.dcm"), meta, dataset, NULL) == 0);
  CHECK(ListCount(meta) == 0 && ListCount(dataset) == 0);
  CHECK(CopyCut(ct, Join(path, s->work, "cut.dcm"), 1000)); /* inside the pixel data */
  CHECK(DICOMFile(path, meta, dataset, &explicitVR) == 0);
  CHECK(ListCount(meta) > 0 && ListCount(dataset) > 0);
  ClearTags(meta);
  ClearTags(dataset);

  CHECK(DICOMHeader(ct, dataset) == 1);
  for (i = 0; i < ListCount(dataset); ++i) {
    if (GetTagGroup((const TagRecord*)ListGet(dataset, i)) == 0x7FE0) hasPixels = 1;
  }
  CHECK(ListCount(dataset) > 0 && !hasPixels);
  ClearTags(dataset);

  CHECK(ReadDCMDIR(Join(path, s->samples, "dicomdirtests/DICOMDIR"), dataset) == 1);
  CHECK(ListCount(dataset) > 100);
  CHECK(strcmp(TextOf(dataset, 0x0004, 0x1430, text, sizeof text), "PATIENT") == 0);
  ClearTags(dataset);
  CHECK(ReadDCMDIR(ct, dataset) == 0);
  ClearTags(dataset);

  CHECK(ConvertFileTS(Join(path, s->work, "lossless.dcm"), ct, kJpegLossless) == 1);
  CHECK(DICOMFile(path, meta, dataset, NULL) == 1);
  CHECK(strcmp(TextOf(meta, 0x0002, 0x0010, text, sizeof text), kJpegLossless) == 0);
  ClearTags(meta);
  ClearTags(dataset);
  CHECK(ConvertFileTS(Join(path, s->work, "never.dcm"), "missing.dcm", kExplicitLE) == 0);

  CHECK(CreateThumbnail(Join(path, s->work, "thumb.png"), ct, 64) == 1);
  CHECK(FileStartsWith(Join(path, s->work, "thumb.jpg"), "\xFF\xD8\xFF", 3));
  CHECK(CreateThumbnail(Join(path, s->work, "none"), "missing.dcm", 64) == 0);

  CHECK(CopyDataSet(ct, Join(path, s->work, "bare.dcm")));
  CHECK(DICOMFile(path, meta, dataset, NULL) == 0);
  ClearTags(meta);
  ClearTags(dataset);
  CHECK(AppendMetaHeader(path, kExplicitLE) == 1);
  CHECK(DICOMFile(path, meta, dataset, NULL) == 1);
  CHECK(strcmp(TextOf(meta, 0x0002, 0x0010, text, sizeof text), kExplicitLE) == 0);
  CHECK(strcmp(TextOf(dataset, 0x0010, 0x0010, text, sizeof text), "CompressedSamples^CT1") == 0);
  ClearTags(meta);
  ClearTags(dataset);
  CHECK(AppendMetaHeader(Join(path, s->work, "missing.dcm"), kExplicitLE) == 0);

  CHECK(ListCount(meta) == 0 && ListCount(dataset) == 0);
  DeleteList(meta);
  DeleteList(dataset);
}

static void ElementsAndConversion(void) {
  TList* list = NewList();
  const uint8_t rows[2] = {0x10, 0x00};
  TagRecord* record = GenerateTag(0x0028, 0x0010, 2, rows, "US");
  const uint8_t* value;
  char vr[3];

  CHECK(ListAppend(list, record) == 0);
  CHECK(ListAppend(list, GenerateTag(0x0008, 0x0060, 2, "CT", "CS")) == 1);
  CHECK(GetTagGroup(record) == 0x0028 && GetTagElement(record) == 0x0010);
  CHECK(GetTagVR(record, vr) == 1 && strcmp(vr, "US") == 0);
  CHECK(GetTagLength(record) == 2);

  /* A failed conversion leaves the list and its records as they were. */
  CHECK(ConvertTS(list, "1.2.3.4", kExplicitLE) == 0);
  CHECK(ListCount(list) == 2 && ListGet(list, 0) == record);
  value = GetTagValue(record);
  CHECK(value != NULL && value[0] == 0x10 && value[1] == 0x00);

  CHECK(ConvertTS(list, kExplicitBE, kExplicitLE) == 1);
  CHECK(ListCount(list) == 2);
  value = GetTagValue((const TagRecord*)ListGet(list, 0));
  CHECK(value != NULL && value[0] == 0x00 && value[1] == 0x10);
  ClearTags(list);
  CHECK(ListCount(list) == 0);
  DeleteList(list);
}

static void Ecg(const Setup* s) {
  char path[1024];
  TList* meta = NewList();
  TList* dataset = NewList();
  TBitmap* bitmap = NewBitmap(1200, 800, 32);
  int32_t count;

  CHECK(bitmap != NULL);
  CHECK(NewBitmap(0, 10, 32) == NULL && NewBitmap(10, 10, 16) == NULL);
  CHECK(DICOMFile(Join(path, s->samples, "waveform_ecg.dcm"), meta, dataset, NULL) == 1);
  count = ListCount(dataset);
  CHECK(ECG2Bitmap(bitmap, dataset) == 1);
  CHECK(ListCount(dataset) == count);
  CHECK(SaveBitmapPNG(bitmap, Join(path, s->work, "ecg.png")) == 1);
  CHECK(FileStartsWith(path, "\x89PNG", 4));
  CHECK(SaveBitmapBMP(bitmap, Join(path, s->work, "ecg.bmp")) == 1);
  CHECK(FileStartsWith(path, "BM", 2));
  ClearTags(meta);
  ClearTags(dataset);

  CHECK(DICOMFile(Join(path, s->samples, "CT_small.dcm"), meta, dataset, NULL) == 1);
  CHECK(ECG2Bitmap(bitmap, dataset) == 0);
  ClearTags(meta);
  ClearTags(dataset);
  DeleteBitmap(bitmap);
  DeleteList(meta);
  DeleteList(dataset);
}

/* The UIDs of CT_small.dcm, which name its folders in a storage SCP's database. */
static void ObjectFolder(const Setup* s, char* series, char* sopInstance) {
  char path[1024], study[128], seriesUID[128];
  TList* meta = NewList();
  TList* dataset = NewList();
  DICOMFile(Join(path, s->samples, "CT_small.dcm"), meta, dataset, NULL);
  TextOf(dataset, 0x0020, 0x000D, study, sizeof study);
  TextOf(dataset, 0x0020, 0x000E, seriesUID, sizeof seriesUID);
  TextOf(dataset, 0x0008, 0x0018, sopInstance, 128);
  snprintf(series, 1024, "%s/scp/%s/%s/", s->work, study, seriesUID);
  ClearTags(meta);
  ClearTags(dataset);
  DeleteList(meta);
  DeleteList(dataset);
}

static void Storage(const Setup* s) {
  char ct[1024], path[1024], received[1024], scpFolder[1024], series[1024], sop[128];
  char object[1024 + 128 + 8];
  char calling[17] = "NORVANE";
  TList* meta = NewList();
  TList* dataset = NewList();
  PDU_Service* association = NewPDU();
  int tries;
  int echoed = 0;

  Join(ct, s->samples, "CT_small.dcm");
  Join(received, s->work, "storescp");
  CHECK(StoreSCU(kHost, s->storescpPort, calling, "STORESCP", ct, NULL, 1) == 1);
  CHECK(CountFiles(received) == 1);
  CHECK(StoreSCU(kHost, s->storescpPort, calling, "STORESCP", Join(path, s->work, "cut.dcm"), "",
                 1) == 0);

  /* One request on an association of our own, the data set converted to explicit VR. */
  CHECK(OpenAssoc(association, kHost, s->storescpPort, calling, "STORESCP", kCTImageStorage,
                  kExplicitLE) == 1);
  CHECK(DICOMFile(ct, meta, dataset, NULL) == 1);
  CHECK(WriteStoreRQ(association, dataset, kCTImageStorage, kExplicitLE, 1) == 1);
  CHECK(ReadStoreRSP(association) == 0);
  CHECK(WriteStoreRQ(association, dataset, "1.2.3.4", kExplicitLE, 1) == 0);
  CloseAssoc(association);
  CHECK(ReadStoreRSP(association) == -1);
  DeletePDU(association);
  CHECK(CountFiles(received) == 2);

  /* The storage SCP of this library, fed by StoreSCU, then the source of a series. */
  Join(scpFolder, s->work, "scp");
  StartStoreSCP(scpFolder, s->scpPort);
  for (tries = 0; tries < 100 && !echoed; ++tries) {
    echoed = EchoSCU(kHost, s->scpPort, calling, "NORVANE");
    if (!echoed) Pause(100);
  }
  CHECK(echoed);
  CHECK(StoreSCU(kHost, s->scpPort, calling, "NORVANE", ct, kJpegLossless, 1) == 1);
  ObjectFolder(s, series, sop);
  snprintf(object, sizeof object, "%s%s.dcm", series, sop);
  CHECK(DICOMFile(object, meta, dataset, NULL) == 1);
  ClearTags(meta);
  ClearTags(dataset);
  CHECK(CountFiles(series) == 2); /* the object and Image.dir */

  CHECK(SendSeries(kHost, s->storescpPort, calling, "STORESCP", series, NULL, 1) == 1);
  CHECK(CountFiles(received) == 3);
  CHECK(SendSeries(kHost, s->storescpPort, calling, "STORESCP", Join(path, s->work, "none/"), NULL,
                   1) == 0);

  CHECK(ListCount(meta) == 0 && ListCount(dataset) == 0);
  DeleteList(meta);
  DeleteList(dataset);
}

static void Query(const Setup* s, char* studyUID) {
  char calling[17] = "NORVANE";
  TList* list = NewList();
  StudyInfo* query = NewStudyInfo();
  SeriesInfo* seriesQuery = NewSeriesInfo();
  PDU_Service* association;
  int32_t i, status;
  int allNamed = 1;

  CHECK(SetStudyInfoField(query, "PatientName", "*") == 1);
  CHECK(SetStudyInfoField(query, "NoSuchField", "x") == 0);
  CHECK(GetStudyInfoField(query, "NoSuchField") == NULL);
  ListAppend(list, query);
  CHECK(FindSCU(kHost, s->qrPort, calling, "QRSCP", "STUDY", list) == 1);
  CHECK(ListCount(list) == 6);
  for (i = 0; i < ListCount(list); ++i) {
    const char* uid = GetStudyInfoField((const StudyInfo*)ListGet(list, i), "StudyInstanceUID");
    if (uid == NULL || uid[0] == '\0') allNamed = 0;
  }
  CHECK(allNamed);
  snprintf(studyUID, 128, "%s",
           Or(GetStudyInfoField((const StudyInfo*)ListGet(list, 0), "studyinstanceuid")));
  CHECK(ClearQuery(list, "STUDY") == 1);
  CHECK(ListCount(list) == 0);

  /* A refused association leaves the query record in the list, untouched. */
  query = NewStudyInfo();
  ListAppend(list, query);
  CHECK(FindSCU(kHost, s->worklistPort, calling, "NOBODY", "STUDY", list) == 0);
  CHECK(ListCount(list) == 1 && ListGet(list, 0) == query);
  /* A level other than the three sends nothing; ClearQuery with it frees nothing. */
  CHECK(FindSCU(kHost, s->qrPort, calling, "QRSCP", "PATIENT", list) == 0);
  CHECK(ClearQuery(list, "PATIENT") == 1 && ListCount(list) == 0);
  CHECK(strcmp(Or(GetStudyInfoField(query, "PatientName")), "") == 0);
  DeleteStudyInfo(query);

  /* SERIES level on an association of our own. */
  association = NewPDU();
  CHECK(OpenAssoc(association, kHost, s->qrPort, calling, "QRSCP", kStudyRootFind, NULL) == 1);
  SetSeriesInfoField(seriesQuery, "StudyInstanceUID", studyUID);
  ListAppend(list, seriesQuery);
  CHECK(WriteFindRQ(association, list, kStudyRootFind, "SERIES") == 1);
  CHECK(ListCount(list) == 1 && ListGet(list, 0) == NULL);
  ListClear(list);
  do {
    status = ReadFindRSP(association, list, "SERIES");
  } while (status == 0xFF00 || status == 0xFF01);
  CHECK(status == 0);
  CHECK(ListCount(list) >= 1);
  CHECK(strcmp(Or(GetSeriesInfoField((const SeriesInfo*)ListGet(list, 0), "StudyInstanceUID")),
               studyUID) == 0);
  ClearQuery(list, "SERIES");
  CloseAssoc(association);
  CHECK(ReadFindRSP(association, list, "SERIES") == -1);
  DeletePDU(association);

  CHECK(ListCount(list) == 0);
  DeleteList(list);
}

static void Retrieve(const Setup* s, const char* studyUID) {
  char calling[17] = "NORVANE";
  char studyFolder[1024], seriesFolder[1024];
  TList* list = NewList();
  StudyInfo* query = NewStudyInfo();
  ImageInfo* image;
  PDU_Service* association;
  int32_t status, remaining = 7;

  SetStudyInfoField(query, "StudyInstanceUID", studyUID);
  ListAppend(list, query);
  CHECK(MoveSCU(kHost, s->qrPort, calling, "QRSCP", "NORVANE", "STUDY", list) == 1);
  CHECK(ListCount(list) == 0);
  ClearQuery(list, "STUDY"); /* frees the query record when it was not used */
  snprintf(studyFolder, sizeof studyFolder, "%s/scp/%s", s->work, studyUID);
  CHECK(FirstSubfolder(studyFolder, seriesFolder));
  CHECK(CountFiles(seriesFolder) >= 2);

  /* The same study again, request by request on an association of our own. */
  image = NewImageInfo();
  CHECK(SetImageInfoField(image, "StudyInstanceUID", studyUID) == 1);
  CHECK(strcmp(Or(GetImageInfoField(image, "studyInstanceUID")), studyUID) == 0);
  DeleteImageInfo(image);
  association = NewPDU();
  CHECK(OpenAssoc(association, kHost, s->qrPort, calling, "QRSCP", kStudyRootMove, NULL) == 1);
  query = NewStudyInfo();
  SetStudyInfoField(query, "StudyInstanceUID", studyUID);
  ListAppend(list, query);
  CHECK(WriteMoveRQ(association, list, kStudyRootMove, "PATIENT", "NORVANE") == 0);
  CHECK(ListGet(list, 0) == query); /* an unknown level sends and frees nothing */
  CHECK(WriteMoveRQ(association, list, kStudyRootMove, "STUDY", "NORVANE") == 1);
  CHECK(ListCount(list) == 1 && ListGet(list, 0) == NULL);
  ListClear(list);
  do {
    status = ReadMoveRSP(association, &remaining);
  } while (status == 0xFF00);
  CHECK(status == 0 && remaining == 0);
  CloseAssoc(association);
  CHECK(ReadMoveRSP(association, &remaining) == -1 && remaining == -1);
  DeletePDU(association);
  DeleteList(list);
}

static void Worklist(const Setup* s) {
  char calling[17] = "NORVANE";
  TList* list = NewList();
  TWorklistItem* query = NewWorklistItem();
  PDU_Service* association = NewPDU();
  int32_t status, i;
  int joe = 0, jane = 0;

  SetWorklistItemField(query, "Modality", "CT");
  CHECK(strcmp(Or(GetWorklistItemField(query, "modality")), "CT") == 0);
  CHECK(OpenAssoc(association, kHost, s->worklistPort, calling, "WLMSCP", kWorklistFind, NULL) ==
        1);
  ListAppend(list, query);
  CHECK(WriteWLFindRQ(association, list, kWorklistFind) == 1);
  CHECK(ListGet(list, 0) == query);
  ListClear(list);
  do {
    status = ReadWLFindRSP(association, list);
  } while (status == 0xFF00 || status == 0xFF01);
  CHECK(status == 0);
  CHECK(ListCount(list) == 2);
  for (i = 0; i < ListCount(list); ++i) {
    const char* name = GetWorklistItemField((const TWorklistItem*)ListGet(list, i), "PatientName");
    joe += name != NULL && strncmp(name, "DOE^JOHN", 8) == 0;
    jane += name != NULL && strncmp(name, "ROE^JANE", 8) == 0;
  }
  CHECK(joe == 1 && jane == 1);
  CHECK(ClearWL(list) == 1 && ListCount(list) == 0);
  CloseAssoc(association);
  DeletePDU(association);
  DeleteWorklistItem(query);
  DeleteList(list);
}

static void PrintRecords(const Setup* s) {
  char calling[17] = "NORVANE";
  char path[1024];
  FilmSessioncfg* session = NewFilmSessioncfg();
  FilmBoxcfg* box = NewFilmBoxcfg();

  CHECK(SetFilmSessioncfgField(session, "NumberOfCopies", "1") == 1);
  CHECK(strcmp(Or(GetFilmSessioncfgField(session, "numberofcopies")), "1") == 0);
  CHECK(SetFilmBoxcfgField(box, "ImageDisplayFormat", "STANDARD\\1,1") == 1);
  CHECK(SetFilmBoxcfgField(box, "Copies", "2") == 0);
  /* The worklist provider is no printer: the association is refused. */
  CHECK(PrintSCU(Join(path, s->samples, "CT_small.dcm"), kHost, s->worklistPort, calling, "PRINTER",
                 session, box) == 0);
  CHECK(PrintSCU_Ex(path, kHost, s->worklistPort, calling, "PRINTER", session, box, 1, 0) == 0);
  CHECK(strcmp(Or(GetFilmBoxcfgField(box, "imagedisplayformat")), "STANDARD\\1,1") == 0);
  DeleteFilmSessioncfg(session);
  DeleteFilmBoxcfg(box);
}

int main(int argc, char** argv) {
  Setup s;
  char version[5];
  char path[1024];
  char studyUID[128] = "";

  if (argc != 7) {
    fprintf(stderr,
            "usage: c_client WORKDIR SAMPLES STORESCP_PORT QR_PORT WORKLIST_PORT SCP_PORT\n");
    return 2;
  }
  s.work = argv[1];
  s.samples = argv[2];
  s.storescpPort = argv[3];
  s.qrPort = argv[4];
  s.worklistPort = argv[5];
  s.scpPort = argv[6];

  CHECK(Version(version) == version && strcmp(version, "2.64") == 0);
  SetLOG(Join(path, s.work, "norvane.log"), 2);
  SetTimeouts(30, 30, 120);

  Verification(&s);
  Tls(&s);
  Files(&s);
  ElementsAndConversion();
  Ecg(&s);
  Storage(&s);
  Query(&s, studyUID);
  Retrieve(&s, studyUID);
  Worklist(&s);
  PrintRecords(&s);

  printf("%d failed checks\n", failures);
  return failures == 0 ? 0 : 1;
}
