// SimVolume: the simulated engine's IVolume, every one of the 63 slots.

#ifndef TIDEWELL_SIM_VOLUME_H
#define TIDEWELL_SIM_VOLUME_H

#include "TidewellLink/com_object.h"
#include "TidewellLink/engine_interfaces.h"
#include "sim_engine/sim_exclusion_list.h"
#include "sim_engine/sim_run.h"

#include <memory>
#include <thread>

class SimVolume final : public ComObject<IVolume, kIID_IVolume> {
public:
    // Holds a reference to callback (may be NULL) while the volume lives.
    SimVolume(const wchar_t* drive_name, ICallback* callback);

    ULONG __stdcall Release() override;  // can be made to fail

    HRESULT __stdcall GetDriveName(BSTR* text) override;
    HRESULT __stdcall GetDisplayName(BSTR* text) override;
    HRESULT __stdcall GetVolumeLabel(BSTR* text) override;
    HRESULT __stdcall GetFileSystemName(BSTR* text) override;
    HRESULT __stdcall GetBytesPerSector(int32_t* value) override;
    HRESULT __stdcall GetSectorsPerCluster(int32_t* value) override;
    HRESULT __stdcall GetDiskSize(int64_t* value) override;
    HRESULT __stdcall GetFreeSize(int64_t* value) override;
    HRESULT __stdcall GetUsedSize(int64_t* value) override;
    HRESULT __stdcall GetTotalClusters(int64_t* value) override;
    HRESULT __stdcall GetTotalDirs(int64_t* value) override;
    HRESULT __stdcall GetTotalFiles(int64_t* value) override;
    HRESULT __stdcall GetFragmentedFiles(int64_t* value) override;
    HRESULT __stdcall GetDefragmentedFiles(int64_t* value) override;
    HRESULT __stdcall GetTotalFragments(int64_t* value) override;
    HRESULT __stdcall GetSkippedFiles(int64_t* value) override;
    HRESULT __stdcall GetFragmentedSize(int64_t* value) override;
    HRESULT __stdcall GetNondefragmentedSize(int64_t* value) override;
    HRESULT __stdcall GetCurrentFile(BSTR* text) override;
    HRESULT __stdcall GetPercentDone(int32_t* value) override;
    HRESULT __stdcall GetAccessStatus(int32_t* value) override;
    HRESULT __stdcall Reserved22() override;
    HRESULT __stdcall Reserved23() override;
    HRESULT __stdcall GetReportFile(BSTR* text) override;
    HRESULT __stdcall SetReportFile(const wchar_t* text) override;
    HRESULT __stdcall GetDefragPriority(int32_t* value) override;
    HRESULT __stdcall SetDefragPriority(int32_t priority) override;
    HRESULT __stdcall GetFileMask(BSTR* text) override;
    HRESULT __stdcall SetFileMask(const wchar_t* text) override;
    HRESULT __stdcall Reserved30() override;
    HRESULT __stdcall GetFragmentation(int32_t* value) override;
    HRESULT __stdcall GetExclusionList(IExclusionList** list) override;
    HRESULT __stdcall Reserved33() override;
    HRESULT __stdcall GetSkipFragments(int32_t* value) override;
    HRESULT __stdcall SetSkipFragments(uint8_t skip) override;
    HRESULT __stdcall GetFragmentSize(int64_t* value) override;
    HRESULT __stdcall SetFragmentSize(int64_t size) override;
    HRESULT __stdcall Reserved38() override;
    HRESULT __stdcall GetInDefrag(int32_t* value) override;
    HRESULT __stdcall GetSuspendedDefrag(int32_t* value) override;
    HRESULT __stdcall GetTerminatedDefrag(int32_t* value) override;
    HRESULT __stdcall GetDefragComplete(int32_t* value) override;
    HRESULT __stdcall GetInAnalyze(int32_t* value) override;
    HRESULT __stdcall GetSuspendedAnalyze(int32_t* value) override;
    HRESULT __stdcall GetTerminatedAnalyze(int32_t* value) override;
    HRESULT __stdcall GetAnalyzeComplete(int32_t* value) override;
    HRESULT __stdcall OpenVolume() override;
    HRESULT __stdcall UpdateVolumeInfo() override;
    HRESULT __stdcall Reserved49() override;
    HRESULT __stdcall StartDefrag(int32_t mode, uint8_t flag) override;
    HRESULT __stdcall StopDefrag() override;
    HRESULT __stdcall ResumeDefrag() override;
    HRESULT __stdcall PauseDefrag() override;
    HRESULT __stdcall StartAnalyze(const wchar_t* text, uint8_t flag) override;
    HRESULT __stdcall StopAnalyze() override;
    HRESULT __stdcall ResumeAnalyze() override;
    HRESULT __stdcall PauseAnalyze() override;
    HRESULT __stdcall isGUI(int32_t* value) override;
    HRESULT __stdcall GetThreadHandle(int32_t* value) override;
    HRESULT __stdcall ForceTerminate() override;
    HRESULT __stdcall GenerateHtmlReport() override;
    HRESULT __stdcall Reserved62() override;
    HRESULT __stdcall Reserved63() override;

private:
    ~SimVolume();
    struct Stats {
        int64_t clusters, used_clusters, fragmented_clusters, used_blocks, fragmented_blocks,
            defragmented_blocks;
    };
    Stats CountDisk() const;
    int32_t Flag(bool SimVolumeState::*flag) const;
    std::wstring CurrentFile() const;
    int32_t Percent() const;
    void SetPaused(bool paused);

    std::shared_ptr<SimVolumeState> state;
    std::thread worker;
    SimExclusionList* exclusions;
    bool opened = false;
    std::wstring report_file, file_mask;
    int32_t priority = 3, skip_fragments = 0;
    int64_t fragment_size = 0;
};

#endif
