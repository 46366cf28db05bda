#include "tests/bridge/bridge_fixture.h"

#include <string>

namespace {

template <class Proc, class Fallback>
void ExpectDefault(Proc proc, const char* name, int32_t handle, Fallback fallback)
{
    // The two handle functions have no default answer to check here.
    if (std::string(name) == "GetVolumeHandle" || std::string(name) == "CloseVolumeHandle")
        return;
    using Result = decltype(CallWithHandle(proc, handle));
    if constexpr (std::is_void<Result>::value) {
        CallWithHandle(proc, handle);
    } else {
        EXPECT_EQ(CallWithHandle(proc, handle), static_cast<Result>(fallback()))
            << name << " on handle " << handle;
    }
}

}  // namespace

void ExpectEveryExportAnswersItsDefault(const BridgeLibrary& bridge, int32_t handle)
{
#define TW_TEST_EXPECT_DEFAULT(name, ordinal, result, params, args, fallback) \
    ExpectDefault(bridge.name, #name, handle, [] { return fallback; });
    TW_LINK_EXPORTS(TW_TEST_EXPECT_DEFAULT)
#undef TW_TEST_EXPECT_DEFAULT
}
