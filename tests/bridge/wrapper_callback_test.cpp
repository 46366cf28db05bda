#include "TidewellLink/wrapper_callback.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

struct Seen {
    int64_t first = 0, last = 0;
    int32_t state = -1;
    int progress = 0;
};
Seen g_seen;

void __stdcall RecordClusters(int64_t first, int64_t last, int32_t state)
{
    g_seen.first = first;
    g_seen.last = last;
    g_seen.state = state;
}
void RecordProgress() { ++g_seen.progress; }
void FaultingProgress()
{
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}
void __stdcall ThrowingClusters(int64_t, int64_t, int32_t) { throw std::runtime_error("host"); }

struct Holder {
    explicit Holder(TWrapperCallback* object) : object(object) { object->AddRef(); }
    ~Holder() { object->Release(); }
    TWrapperCallback* object;
};

TEST(WrapperCallback, MovesTheStateToTheHostsLastPlace)
{
    g_seen = Seen();
    Holder callback(TWrapperCallback::Create(RecordProgress, RecordClusters));
    EXPECT_EQ(callback.object->SetClusters(3, 100, 199), S_OK);
    EXPECT_EQ(g_seen.first, 100);
    EXPECT_EQ(g_seen.last, 199);
    EXPECT_EQ(g_seen.state, 3);
    callback.object->UpdateProgressInformation(42);
    EXPECT_EQ(g_seen.progress, 1);
}

TEST(WrapperCallback, HostFailuresStayInsideAndLaterCallsStillArrive)
{
    g_seen = Seen();
    Holder failing(TWrapperCallback::Create(FaultingProgress, ThrowingClusters));
    EXPECT_EQ(failing.object->UpdateProgressInformation(0), S_OK);
    EXPECT_EQ(failing.object->SetClusters(1, 2, 3), S_OK);
    EXPECT_EQ(failing.object->UpdateProgressInformation(0), S_OK);

    Holder silent(TWrapperCallback::Create(nullptr, nullptr));
    EXPECT_EQ(silent.object->UpdateProgressInformation(0), S_OK);
    EXPECT_EQ(silent.object->SetClusters(1, 2, 3), S_OK);
}

TEST(WrapperCallback, CountsReferencesAndAnswersItsInterfaces)
{
    TWrapperCallback* object = TWrapperCallback::Create(nullptr, nullptr);
    EXPECT_EQ(object->AddRef(), 1u);
    void* asked = nullptr;
    EXPECT_EQ(object->QueryInterface(kIID_ICallback, &asked), S_OK);
    EXPECT_EQ(asked, static_cast<ICallback*>(object));
    EXPECT_EQ(object->QueryInterface(kIID_IVolume, &asked), E_NOINTERFACE);
    EXPECT_EQ(asked, nullptr);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(object->Release(), 0u);
}

std::atomic<bool> g_inside{false};
std::atomic<bool> g_finished{false};
std::atomic<int> g_calls{0};
void SlowProgress()
{
    ++g_calls;
    g_inside = true;
    Sleep(300);
    g_finished = true;
}

TEST(WrapperCallback, DetachWaitsForACallOnAnotherThreadThenStopsAll)
{
    Holder callback(TWrapperCallback::Create(SlowProgress, nullptr));
    std::thread engine([&] { callback.object->UpdateProgressInformation(0); });
    while (!g_inside) Sleep(1);
    callback.object->Detach();
    EXPECT_TRUE(g_finished);
    engine.join();
    callback.object->UpdateProgressInformation(0);
    EXPECT_EQ(g_calls, 1);
}

TWrapperCallback* g_self = nullptr;
void DetachFromInside()
{
    ++g_calls;
    g_self->Detach();  // must not wait for itself
}

TEST(WrapperCallback, DetachFromInsideItsOwnCallDoesNotWait)
{
    g_calls = 0;
    Holder callback(TWrapperCallback::Create(DetachFromInside, nullptr));
    g_self = callback.object;
    std::thread engine([&] {
        callback.object->UpdateProgressInformation(0);
        callback.object->UpdateProgressInformation(0);
    });
    engine.join();
    EXPECT_EQ(g_calls, 1);
}

}  // namespace
