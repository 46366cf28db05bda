// The engine's interfaces as both sides see them: the bridge (caller) and any
// engine "Tidewell.dll" (implementer). COM shape: IUnknown-derived, every
// method __stdcall returning HRESULT, results through out-parameters. A
// method "raises" by answering a failure HRESULT. The same source is used for
// i686 and x86_64, so the binary layout agrees on both.
//
// Interfaces declare no destructor: that would add vtable slots.

#pragma once

#include <windows.h>
#include <unknwn.h>
#include <oleauto.h>
#include <cstdint>

// Texts handed out by the engine are BSTRs: the receiver owns them and frees
// them with SysFreeString. NULL reads as empty text.

inline constexpr GUID kIID_IVolume = {
    0xB18FACAA, 0x5774, 0x477B, {0x95, 0xCD, 0xB6, 0x41, 0x0A, 0xB0, 0x85, 0xD9}};
inline constexpr GUID kIID_ICallback = {
    0xACB8AD99, 0x02BA, 0x4A26, {0x91, 0x78, 0x7E, 0x53, 0x79, 0x65, 0xA0, 0xA1}};
inline constexpr GUID kIID_IExclusionList = {
    0x5E0C2B71, 0x3C9A, 0x4E52, {0x9A, 0x4D, 0x7D, 0x1F, 0x0B, 0x6A, 0x2C, 0x11}};

// The ordered list of excluded paths that belongs to a volume.
struct IExclusionList : public IUnknown {
  virtual HRESULT __stdcall GetCount(int32_t* count) = 0;
  virtual HRESULT __stdcall GetItem(int32_t index, BSTR* text) = 0;
  virtual HRESULT __stdcall Clear() = 0;
  virtual HRESULT __stdcall Add(const wchar_t* text) = 0;
};

// Notifications from the engine, possibly on a thread of its own.
struct ICallback : public IUnknown {
  virtual HRESULT __stdcall UpdateProgressInformation(int32_t percent_done) = 0;
  virtual HRESULT __stdcall SetClusters(int32_t state, int64_t first_cluster,
                                        int64_t last_cluster) = 0;
};

// One volume of the engine. The 63 slots after IUnknown keep a fixed order;
// the Reserved ones are never called but hold their places.
struct IVolume : public IUnknown {
  virtual HRESULT __stdcall GetDriveName(BSTR* text) = 0;                // 1
  virtual HRESULT __stdcall GetDisplayName(BSTR* text) = 0;              // 2
  virtual HRESULT __stdcall GetVolumeLabel(BSTR* text) = 0;              // 3
  virtual HRESULT __stdcall GetFileSystemName(BSTR* text) = 0;           // 4
  virtual HRESULT __stdcall GetBytesPerSector(int32_t* value) = 0;       // 5
  virtual HRESULT __stdcall GetSectorsPerCluster(int32_t* value) = 0;    // 6
  virtual HRESULT __stdcall GetDiskSize(int64_t* value) = 0;             // 7
  virtual HRESULT __stdcall GetFreeSize(int64_t* value) = 0;             // 8
  virtual HRESULT __stdcall GetUsedSize(int64_t* value) = 0;             // 9
  virtual HRESULT __stdcall GetTotalClusters(int64_t* value) = 0;        // 10
  virtual HRESULT __stdcall GetTotalDirs(int64_t* value) = 0;            // 11
  virtual HRESULT __stdcall GetTotalFiles(int64_t* value) = 0;           // 12
  virtual HRESULT __stdcall GetFragmentedFiles(int64_t* value) = 0;      // 13
  virtual HRESULT __stdcall GetDefragmentedFiles(int64_t* value) = 0;    // 14
  virtual HRESULT __stdcall GetTotalFragments(int64_t* value) = 0;       // 15
  virtual HRESULT __stdcall GetSkippedFiles(int64_t* value) = 0;         // 16
  virtual HRESULT __stdcall GetFragmentedSize(int64_t* value) = 0;       // 17
  virtual HRESULT __stdcall GetNondefragmentedSize(int64_t* value) = 0;  // 18
  virtual HRESULT __stdcall GetCurrentFile(BSTR* text) = 0;              // 19
  virtual HRESULT __stdcall GetPercentDone(int32_t* value) = 0;          // 20
  virtual HRESULT __stdcall GetAccessStatus(int32_t* value) = 0;         // 21
  virtual HRESULT __stdcall Reserved22() = 0;                            // 22
  virtual HRESULT __stdcall Reserved23() = 0;                            // 23
  virtual HRESULT __stdcall GetReportFile(BSTR* text) = 0;               // 24
  virtual HRESULT __stdcall SetReportFile(const wchar_t* text) = 0;      // 25
  virtual HRESULT __stdcall GetDefragPriority(int32_t* value) = 0;       // 26
  virtual HRESULT __stdcall SetDefragPriority(int32_t priority) = 0;     // 27
  virtual HRESULT __stdcall GetFileMask(BSTR* text) = 0;                 // 28
  virtual HRESULT __stdcall SetFileMask(const wchar_t* text) = 0;        // 29
  virtual HRESULT __stdcall Reserved30() = 0;                            // 30
  virtual HRESULT __stdcall GetFragmentation(int32_t* value) = 0;        // 31
  // The list belongs to the volume: the pointer is not counted, and the
  // caller neither takes nor gives back a reference.
  virtual HRESULT __stdcall GetExclusionList(IExclusionList** list) = 0;          // 32
  virtual HRESULT __stdcall Reserved33() = 0;                                     // 33
  virtual HRESULT __stdcall GetSkipFragments(int32_t* value) = 0;                 // 34
  virtual HRESULT __stdcall SetSkipFragments(uint8_t skip) = 0;                   // 35
  virtual HRESULT __stdcall GetFragmentSize(int64_t* value) = 0;                  // 36
  virtual HRESULT __stdcall SetFragmentSize(int64_t size) = 0;                    // 37
  virtual HRESULT __stdcall Reserved38() = 0;                                     // 38
  virtual HRESULT __stdcall GetInDefrag(int32_t* value) = 0;                      // 39
  virtual HRESULT __stdcall GetSuspendedDefrag(int32_t* value) = 0;               // 40
  virtual HRESULT __stdcall GetTerminatedDefrag(int32_t* value) = 0;              // 41
  virtual HRESULT __stdcall GetDefragComplete(int32_t* value) = 0;                // 42
  virtual HRESULT __stdcall GetInAnalyze(int32_t* value) = 0;                     // 43
  virtual HRESULT __stdcall GetSuspendedAnalyze(int32_t* value) = 0;              // 44
  virtual HRESULT __stdcall GetTerminatedAnalyze(int32_t* value) = 0;             // 45
  virtual HRESULT __stdcall GetAnalyzeComplete(int32_t* value) = 0;               // 46
  virtual HRESULT __stdcall OpenVolume() = 0;                                     // 47
  virtual HRESULT __stdcall UpdateVolumeInfo() = 0;                               // 48
  virtual HRESULT __stdcall Reserved49() = 0;                                     // 49
  virtual HRESULT __stdcall StartDefrag(int32_t mode, uint8_t flag) = 0;          // 50
  virtual HRESULT __stdcall StopDefrag() = 0;                                     // 51
  virtual HRESULT __stdcall ResumeDefrag() = 0;                                   // 52
  virtual HRESULT __stdcall PauseDefrag() = 0;                                    // 53
  virtual HRESULT __stdcall StartAnalyze(const wchar_t* text, uint8_t flag) = 0;  // 54
  virtual HRESULT __stdcall StopAnalyze() = 0;                                    // 55
  virtual HRESULT __stdcall ResumeAnalyze() = 0;                                  // 56
  virtual HRESULT __stdcall PauseAnalyze() = 0;                                   // 57
  virtual HRESULT __stdcall isGUI(int32_t* value) = 0;                            // 58
  virtual HRESULT __stdcall GetThreadHandle(int32_t* value) = 0;                  // 59
  virtual HRESULT __stdcall ForceTerminate() = 0;                                 // 60
  virtual HRESULT __stdcall GenerateHtmlReport() = 0;                             // 61
  virtual HRESULT __stdcall Reserved62() = 0;                                     // 62
  virtual HRESULT __stdcall Reserved63() = 0;                                     // 63
};

// The engine's export "GetVolumeIntf": stores an IVolume (or NULL) in
// *volume. Whether the engine counts that stored pointer is its own business:
// the caller takes a reference of its own and gives back only that one. The
// drive name is the caller's pointer, not a copy.
typedef HRESULT(__stdcall* GetVolumeIntfProc)(const wchar_t* drive_name, ICallback* callback,
                                              IVolume** volume, int32_t engine_flag);
