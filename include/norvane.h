/*
 * norvane.h - the C interface of libnorvane, a DICOM network and file library.
 *
 * C99, usable from C++ (the declarations have C linkage) and from other languages through
 * their C foreign-function interfaces (Python ctypes, for one). docs/c-api.md describes every
 * function: its arguments, its result, who owns what, and which records it appends.
 *
 * Conventions
 * - Texts are NUL-terminated 8-bit strings owned by the caller. A null text counts as an
 *   empty one. Ports are decimal texts ("104").
 * - A calling AE title argument is a writable buffer of at least 17 bytes: when it holds
 *   the empty text, the default title "KAVORN          " is written into it and used.
 * - Boolean results are one byte: 1 for success, 0 for failure. Integers are 32-bit.
 * - Status results are a DIMSE status (0 to 65535), -1 when no response could be read and,
 *   for ReadStoreRSP, -2 when the message read was no C-STORE-RSP.
 * - Every object is made and freed by this library. The caller makes lists (NewList),
 *   associations (NewPDU), query and print records and bitmaps, and frees them with the
 *   matching Delete function. Records the library appends to a list belong to that list
 *   until the caller frees them with ClearTags, ClearQuery or ClearWL, also after a false
 *   result.
 * - An association, a list and the records in it are used by one thread at a time.
 * - A call that fails says why in the calling thread's last error text (LastErrorText).
 */
#ifndef NORVANE_H
#define NORVANE_H

#include <stdint.h>

#if defined(__GNUC__) || defined(__clang__)
#define NORVANE_API __attribute__((visibility("default")))
#else
#define NORVANE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Handles. Their contents are private to the library. */
typedef struct PDU_Service PDU_Service;       /* one association */
typedef struct TList TList;                   /* an ordered list of untyped pointers */
typedef struct TagRecord TagRecord;           /* one data element */
typedef struct StudyInfo StudyInfo;           /* C-FIND/C-MOVE record, level "STUDY" */
typedef struct SeriesInfo SeriesInfo;         /* C-FIND/C-MOVE record, level "SERIES" */
typedef struct ImageInfo ImageInfo;           /* C-FIND/C-MOVE record, level "IMAGE" */
typedef struct TWorklistItem TWorklistItem;   /* modality worklist record */
typedef struct FilmSessioncfg FilmSessioncfg; /* film session settings of a print job */
typedef struct FilmBoxcfg FilmBoxcfg;         /* film box settings of a print job */
typedef struct TBitmap TBitmap;               /* a raster picture in memory */

/* ---- Association and verification ---------------------------------------------------- */

NORVANE_API PDU_Service* NewPDU(void);
NORVANE_API void DeletePDU(PDU_Service* association);
NORVANE_API uint8_t OpenAssoc(PDU_Service* association, const char* host, const char* port,
                              char* callingApTitle, const char* calledApTitle,
                              const char* abstractSyntax, const char* transferSyntax);
NORVANE_API uint8_t WriteEchoRQ(PDU_Service* association, const char* sopClass);
NORVANE_API uint8_t ReadEchoRSP(PDU_Service* association);
NORVANE_API uint8_t CloseAssoc(PDU_Service* association);
NORVANE_API uint8_t EchoSCU(const char* host, const char* port, char* callingApTitle,
                            const char* calledApTitle);

/* ---- Query/retrieve (level: "STUDY", "SERIES" or "IMAGE") --------------------------- */

NORVANE_API uint8_t WriteFindRQ(PDU_Service* association, TList* query, const char* sopClass,
                                const char* level);
NORVANE_API int32_t ReadFindRSP(PDU_Service* association, TList* results, const char* level);
NORVANE_API uint8_t FindSCU(const char* host, const char* port, char* callingApTitle,
                            const char* calledApTitle, const char* level, TList* list);
NORVANE_API uint8_t WriteMoveRQ(PDU_Service* association, TList* query, const char* sopClass,
                                const char* level, const char* moveDestination);
NORVANE_API int32_t ReadMoveRSP(PDU_Service* association, int32_t* remaining);
NORVANE_API uint8_t MoveSCU(const char* host, const char* port, char* callingApTitle,
                            const char* calledApTitle, const char* moveDestination,
                            const char* level, TList* list);
NORVANE_API uint8_t ClearQuery(TList* list, const char* level);

/* ---- Storage ------------------------------------------------------------------------- */

NORVANE_API uint8_t WriteStoreRQ(PDU_Service* association, TList* dataset, const char* sopClass,
                                 const char* fileTransferSyntax, uint8_t convert);
NORVANE_API int32_t ReadStoreRSP(PDU_Service* association);
NORVANE_API int32_t StoreSCU(const char* host, const char* port, char* callingApTitle,
                             const char* calledApTitle, const char* fileName,
                             const char* preferredTransferSyntax, uint8_t convert);
NORVANE_API int32_t SendSeries(const char* host, const char* port, char* callingApTitle,
                               const char* calledApTitle, const char* folder,
                               const char* preferredTransferSyntax, uint8_t convert);
NORVANE_API void StartStoreSCP(const char* folder, const char* port);

/* ---- Modality worklist --------------------------------------------------------------- */

NORVANE_API uint8_t WriteWLFindRQ(PDU_Service* association, TList* query, const char* sopClass);
NORVANE_API int32_t ReadWLFindRSP(PDU_Service* association, TList* results);
NORVANE_API uint8_t ClearWL(TList* list);

/* ---- Modality workflow: MPPS and storage commitment ---------------------------------- */

/* N-CREATE of a Modality Performed Procedure Step with the status IN PROGRESS for the
 * worklist item at index 0 of `worklistItem` (a TWorklistItem, e.g. one ReadWLFindRSP
 * appended), on an association of its own; the Performed Station AE Title is the calling
 * title. `instanceUID` is a buffer of at least 65 bytes: when it holds a UID, that is the
 * step's; when it holds "", the step gets a new UID, written into it (or the UID the SCP
 * chose). 1 when the SCP answered with status 0x0000; 0 otherwise, LastErrorText saying
 * why (a refusal with its status in words). */
NORVANE_API uint8_t MPPSCreateSCU(const char* host, const char* port, char* callingApTitle,
                                  const char* calledApTitle, TList* worklistItem,
                                  char* instanceUID);
/* N-SET of the step: `status` "COMPLETED", "DISCONTINUED" or "IN PROGRESS", the end date
 * and time now, and the Performed Series Sequence of the DICOM files whose names (char*,
 * the caller's) the list holds (NULL or empty: no series). 1 for status 0x0000, else 0. */
NORVANE_API uint8_t MPPSSetSCU(const char* host, const char* port, char* callingApTitle,
                               const char* calledApTitle, const char* instanceUID,
                               const char* status, TList* fileNames);
/* Storage commitment of the instances of the DICOM files whose names (char*, the caller's)
 * the list holds: N-ACTION with a new Transaction UID, then the report is awaited for up
 * to `timeoutSeconds` (below 1: 60) on the same association and, when `listenPort` is
 * above 0, on new associations to that port (Storage Commitment SCP role, the calling
 * title as called title). Returns how many instances were not committed (0: all were;
 * LastErrorText names the failed ones and their reasons), -1 when no report came or the
 * request failed. */
NORVANE_API int32_t StorageCommitmentSCU(const char* host, const char* port, char* callingApTitle,
                                         const char* calledApTitle, TList* fileNames,
                                         int32_t timeoutSeconds, int32_t listenPort);

/* ---- Print --------------------------------------------------------------------------- */

NORVANE_API uint8_t PrintSCU(const char* fileName, const char* host, const char* port,
                             char* callingApTitle, const char* calledApTitle,
                             const FilmSessioncfg* session, const FilmBoxcfg* box);
NORVANE_API uint8_t PrintSCU_Ex(const char* fileName, const char* host, const char* port,
                                char* callingApTitle, const char* calledApTitle,
                                const FilmSessioncfg* session, const FilmBoxcfg* box,
                                uint8_t allowColor, int32_t planarConfiguration);

/* ---- Element records, files and conversion ----------------------------------------- */

NORVANE_API TagRecord* GenerateTag(uint32_t group, uint32_t element, uint32_t length,
                                   const void* value, const char* vr);
NORVANE_API uint8_t ClearTags(TList* list);
NORVANE_API uint8_t DICOMHeader(const char* fileName, TList* elements);
NORVANE_API int32_t DICOMFile(const char* fileName, TList* meta, TList* dataset,
                              uint8_t* explicitVR);
NORVANE_API uint8_t ReadDCMDIR(const char* fileName, TList* records);
NORVANE_API uint8_t ConvertTS(TList* dataset, const char* targetTransferSyntax,
                              const char* sourceTransferSyntax);
NORVANE_API int32_t ConvertFileTS(const char* newFileName, const char* existingFileName,
                                  const char* targetTransferSyntax);
NORVANE_API int32_t AppendMetaHeader(const char* fileName, const char* transferSyntax);
NORVANE_API uint8_t CreateThumbnail(const char* outputName, const char* dicomName, int32_t width);

/* ---- Rendering, log and version ------------------------------------------------------ */

NORVANE_API uint8_t ECG2Bitmap(TBitmap* bitmap, TList* dataset);
NORVANE_API void SetLOG(const char* fileName, int32_t level);
NORVANE_API char* Version(char* buffer);

/* ---- Helpers: pointer lists ---------------------------------------------------------- */

/* A new, empty list. DeleteList frees the list only: empty it with the Clear function of
 * its records first. ListClear empties it without freeing anything it points to. */
NORVANE_API TList* NewList(void);
NORVANE_API void DeleteList(TList* list);
NORVANE_API int32_t ListCount(const TList* list);
/* The entry at index (from 0), or NULL when the index is out of range. */
NORVANE_API void* ListGet(const TList* list, int32_t index);
/* Appends an entry; its index, or -1 when it could not be appended. */
NORVANE_API int32_t ListAppend(TList* list, void* item);
NORVANE_API void ListClear(TList* list);

/* ---- Helpers: element records (made by GenerateTag and the readers) ------------------ */

NORVANE_API uint16_t GetTagGroup(const TagRecord* record);
NORVANE_API uint16_t GetTagElement(const TagRecord* record);
/* Writes the two VR letters and a NUL into vr (3 bytes); "" and 0 when the record has none. */
NORVANE_API uint8_t GetTagVR(const TagRecord* record, char* vr);
/* The value length; 0xFFFFFFFF is an undefined length (sequences, items). */
NORVANE_API uint32_t GetTagLength(const TagRecord* record);
/* The value bytes, raw as encoded; NULL when the length is 0 or undefined. */
NORVANE_API const uint8_t* GetTagValue(const TagRecord* record);

/* ---- Helpers: query, worklist and print records -------------------------------------- *
 * Fields are named as the record's fields (docs/c-api.md lists them), letter case not
 * counting: "PatientName", "StudyInstanceUID", "NumberOfCopies". Get returns the field's
 * text, valid until the field is set again or the record is freed, or NULL for an unknown
 * field name. Set copies the text (NULL sets the empty text); 0 for an unknown name. */

NORVANE_API StudyInfo* NewStudyInfo(void);
NORVANE_API void DeleteStudyInfo(StudyInfo* record);
NORVANE_API const char* GetStudyInfoField(const StudyInfo* record, const char* field);
NORVANE_API uint8_t SetStudyInfoField(StudyInfo* record, const char* field, const char* value);

NORVANE_API SeriesInfo* NewSeriesInfo(void);
NORVANE_API void DeleteSeriesInfo(SeriesInfo* record);
NORVANE_API const char* GetSeriesInfoField(const SeriesInfo* record, const char* field);
NORVANE_API uint8_t SetSeriesInfoField(SeriesInfo* record, const char* field, const char* value);

NORVANE_API ImageInfo* NewImageInfo(void);
NORVANE_API void DeleteImageInfo(ImageInfo* record);
NORVANE_API const char* GetImageInfoField(const ImageInfo* record, const char* field);
NORVANE_API uint8_t SetImageInfoField(ImageInfo* record, const char* field, const char* value);

NORVANE_API TWorklistItem* NewWorklistItem(void);
NORVANE_API void DeleteWorklistItem(TWorklistItem* record);
NORVANE_API const char* GetWorklistItemField(const TWorklistItem* record, const char* field);
NORVANE_API uint8_t SetWorklistItemField(TWorklistItem* record, const char* field,
                                         const char* value);

NORVANE_API FilmSessioncfg* NewFilmSessioncfg(void);
NORVANE_API void DeleteFilmSessioncfg(FilmSessioncfg* record);
NORVANE_API const char* GetFilmSessioncfgField(const FilmSessioncfg* record, const char* field);
NORVANE_API uint8_t SetFilmSessioncfgField(FilmSessioncfg* record, const char* field,
                                           const char* value);

NORVANE_API FilmBoxcfg* NewFilmBoxcfg(void);
NORVANE_API void DeleteFilmBoxcfg(FilmBoxcfg* record);
NORVANE_API const char* GetFilmBoxcfgField(const FilmBoxcfg* record, const char* field);
NORVANE_API uint8_t SetFilmBoxcfgField(FilmBoxcfg* record, const char* field, const char* value);

/* ---- Helpers: bitmaps for ECG2Bitmap -------------------------------------------------- */

/* A bitmap of width x height pixels, all black, with 8 (grey palette), 24 or 32 bits per
 * pixel; NULL for another depth, a size below 1 or more than the library can hold. */
NORVANE_API TBitmap* NewBitmap(int32_t width, int32_t height, int32_t bitsPerPixel);
NORVANE_API void DeleteBitmap(TBitmap* bitmap);
/* Write the bitmap as a PNG or a Windows BMP file (replacing the file only when the new
 * one was written whole); 1 when written. */
NORVANE_API uint8_t SaveBitmapPNG(const TBitmap* bitmap, const char* fileName);
NORVANE_API uint8_t SaveBitmapBMP(const TBitmap* bitmap, const char* fileName);

/* ---- Helpers: why a call failed ------------------------------------------------------- */

/* Why the calling thread's latest failed call into the library failed ("connection refused
 * by 127.0.0.1:104 (nothing listens there)", "the file does not exist", ...); "" when none
 * of its calls has failed yet. Every function sets it when it fails and leaves it as it was
 * when it succeeds; StartStoreSCP, whose failure has no result, empties it first. Each
 * thread has its own text. The text belongs to the library and stays valid until the same
 * thread calls into the library again. Never NULL. */
NORVANE_API const char* LastErrorText(void);

/* ---- Helpers: network time-outs ------------------------------------------------------ */

/* Process-wide time-outs of the network functions, in seconds: TCP connect, association
 * negotiation, and each DIMSE response. A value below 1 restores its default (30, 30, 300). */
NORVANE_API void SetTimeouts(int32_t connectSeconds, int32_t acseSeconds, int32_t dimseSeconds);

/* ---- Helpers: DICOM over TLS --------------------------------------------------------- */

/* Process-wide TLS of the associations the network functions open from now on (plain TCP
 * until called). enabled: 0 plain TCP, else TLS 1.2/1.3. profile: "bcp195-nd" (also for
 * NULL or ""), "bcp195" or "bcp195-ex". caFile: trusted certificates (PEM); NULL or "" for
 * the system's. certificateFile and keyFile: own certificate and unencrypted key (PEM), for
 * peers that require one; both or neither. verifyPeer: 0 accepts any certificate of the
 * peer, else it must be trusted and, when the host is a name, be for that name. The files
 * are read at once: 1 when all is well, 0 (settings unchanged, LastErrorText says why) for
 * an unknown profile or a file that cannot be used. */
NORVANE_API uint8_t SetTLS(uint8_t enabled, const char* profile, const char* caFile,
                           const char* certificateFile, const char* keyFile, uint8_t verifyPeer);

#ifdef __cplusplus
}
#endif

#endif /* NORVANE_H */
