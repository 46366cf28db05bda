// The volume's exclusion list object of the simulated engine.

#ifndef TIDEWELL_SIM_EXCLUSION_LIST_H
#define TIDEWELL_SIM_EXCLUSION_LIST_H

#include "TidewellLink/com_object.h"
#include "TidewellLink/engine_interfaces.h"

#include <mutex>
#include <string>
#include <vector>

class SimExclusionList final : public ComObject<IExclusionList, kIID_IExclusionList> {
public:
    explicit SimExclusionList(std::vector<std::wstring> items);
    HRESULT __stdcall GetCount(int32_t* count) override;
    HRESULT __stdcall GetItem(int32_t index, BSTR* text) override;
    HRESULT __stdcall Clear() override;
    HRESULT __stdcall Add(const wchar_t* text) override;

private:
    std::mutex lock;
    std::vector<std::wstring> items;
};

#endif
