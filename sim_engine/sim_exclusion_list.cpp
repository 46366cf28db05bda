#include "sim_engine/sim_exclusion_list.h"

#include "sim_engine/sim_config.h"

SimExclusionList::SimExclusionList(std::vector<std::wstring> items)
    : ComObject(1), items(std::move(items))
{
}

HRESULT __stdcall SimExclusionList::GetCount(int32_t* count)
{
    SIM_ENTER("GetCount");
    if (!count) return E_POINTER;
    std::lock_guard<std::mutex> guard(lock);
    *count = static_cast<int32_t>(items.size());
    return S_OK;
}

HRESULT __stdcall SimExclusionList::GetItem(int32_t index, BSTR* text)
{
    SIM_ENTER("GetItem");
    if (!text) return E_POINTER;
    std::lock_guard<std::mutex> guard(lock);
    if (index < 0 || static_cast<size_t>(index) >= items.size()) return E_INVALIDARG;
    *text = SysAllocStringLen(items[index].data(), static_cast<UINT>(items[index].size()));
    return S_OK;
}

HRESULT __stdcall SimExclusionList::Clear()
{
    SIM_ENTER("Clear");
    std::lock_guard<std::mutex> guard(lock);
    items.clear();
    return S_OK;
}

HRESULT __stdcall SimExclusionList::Add(const wchar_t* text)
{
    SIM_ENTER("Add");
    std::lock_guard<std::mutex> guard(lock);
    if (!text) return E_POINTER;
    items.push_back(text);
    return S_OK;
}
