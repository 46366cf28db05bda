#include "tests/bridge/bridge_library.h"

#include <vector>

namespace {

template <class Proc>
bool Bind(HMODULE module, const char* name, Proc& slot)
{
    slot = reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return slot != nullptr;
}

}  // namespace

std::wstring ExecutableDirectory()
{
    std::vector<wchar_t> path(32768);
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring full(path.data(), length);
    return full.substr(0, full.find_last_of(L"\\/") + 1);
}

std::wstring ProgramSubdirectory()
{
    return ExecutableDirectory() + L"Orbenlake Tidewell ScreenSaver\\";
}

void EnterProgramSubdirectory() { SetCurrentDirectoryW(ProgramSubdirectory().c_str()); }

bool BridgeLibrary::Load()
{
    module = LoadLibraryW((ProgramSubdirectory() + L"TidewellLink.dll").c_str());
    if (!module) return false;
    bool all = true;
#define TW_TEST_BRIDGE_BIND(name, ordinal, result, params, args, fallback) \
    all = Bind(module, #name, name) && all;
    TW_LINK_EXPORTS(TW_TEST_BRIDGE_BIND)
#undef TW_TEST_BRIDGE_BIND
    return all;
}

bool SimEngine::Load()
{
    module = LoadLibraryW((ProgramSubdirectory() + L"Tidewell.dll").c_str());
    if (!module) return false;
    if (!Bind(module, "TwSimConfigure", configure) || !Bind(module, "TwSimQuery", query) ||
        !Bind(module, "TwSimQueryText", query_text))
        return false;
    return Set(L"TW_SIM_SPEED=fast");
}

std::wstring SimEngine::QueryText(const wchar_t* name) const
{
    int32_t length = query_text(name, nullptr, 0);
    if (length < 0) return L"<unset>";
    std::vector<wchar_t> buffer(length + 1);
    query_text(name, buffer.data(), length + 1);
    return std::wstring(buffer.data(), length);
}
