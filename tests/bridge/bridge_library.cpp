#include "tests/bridge/bridge_library.h"

#include <type_traits>

namespace {

template <class Proc>
bool Bind(HMODULE module, const char* name, Proc& slot)
{
    slot = reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return slot != nullptr;
}

HMODULE LoadFromProgramSubdirectory(const wchar_t* name)
{
    return LoadLibraryW((ProgramSubdirectory() + L"\\" + name).c_str());
}

template <class R, class First, class... Rest>
R CallWithHandle(R(__stdcall* proc)(First, Rest...), int32_t handle)
{
    if constexpr (std::is_same<First, int32_t>::value)
        return proc(handle, Rest()...);
    else
        return proc(First(), Rest()...);
}

template <class Proc, class Fallback>
void ExpectDefault(Proc proc, const std::string& name, int32_t handle, Fallback fallback)
{
    if (name == "GetVolumeHandle" || name == "CloseVolumeHandle") return;
    using Result = decltype(CallWithHandle(proc, handle));
    if constexpr (!std::is_void<Result>::value) {
        EXPECT_EQ(CallWithHandle(proc, handle), static_cast<Result>(fallback()))
            << name << " on handle " << handle;
    }
}

}  // namespace

bool BridgeLibrary::Load()
{
    module = LoadFromProgramSubdirectory(L"TidewellLink.dll");
    bool all = module != nullptr;
#define TW_TEST_BRIDGE_BIND(name, ordinal, result, params, args, fallback) \
    all = all && Bind(module, #name, name);
    TW_LINK_EXPORTS(TW_TEST_BRIDGE_BIND)
#undef TW_TEST_BRIDGE_BIND
    return all;
}

bool SimEngine::Load()
{
    module = LoadFromProgramSubdirectory(L"Tidewell.dll");
    return module && Bind(module, "TwSimConfigure", configure) &&
           Bind(module, "TwSimQuery", query) && Set(L"TW_SIM_SPEED=fast");
}

void ExpectEveryExportAnswersItsDefault(const BridgeLibrary& bridge, int32_t handle)
{
#define TW_TEST_EXPECT_DEFAULT(name, ordinal, result, params, args, fallback) \
    ExpectDefault(bridge.name, #name, handle, [] { return fallback; });
    TW_LINK_EXPORTS(TW_TEST_EXPECT_DEFAULT)
#undef TW_TEST_EXPECT_DEFAULT
}
