// Each of the 56 forwarding exports of the bridge against an engine that writes down what it is
// asked: the export reaches its own IVolume method, hands its arguments on as they came
// (flags by their low byte, no text as empty text), and answers the engine's value or,
// when that method fails or hands out a text that cannot be read, its default. Every
// text the engine hands out is freed, a failed call's too.

#include <functional>

#include "tests/TidewellLink/bridge_library.h"
#include "tests/support/child_process.h"

namespace {

std::wstring Show(int64_t value) { return std::to_wstring(value); }
std::wstring Show(const wchar_t* text) { return text ? L"'" + std::wstring(text) + L"'" : L"NULL"; }
// The entries of an exclusion multi-string, each followed by "|".
std::wstring ShowList(const wchar_t* list) {
  if (!list) return L"NULL";
  std::wstring shown;
  for (; *list; list += wcslen(list) + 1) shown += std::wstring(list) + L"|";
  return shown;
}

std::wstring ShowExclusionList(const BridgeLibrary& b, int32_t h) {
  return ShowList(b.GetExclusionList(h));
}

const std::wstring kInt32 = Show(kRecordedInt32);
const std::wstring kInt64 = Show(kRecordedInt64);

struct Forward {
  std::wstring engine_calls;  // what the engine saw, in order
  std::function<std::wstring(const BridgeLibrary&, int32_t)> call;
  std::wstring answer;
  const wchar_t* failing;  // the engine method made to fail for the default
  std::wstring fallback;   // the default, also on a handle that is not open
  bool reads_engine_text = false;
};

#define CALL(expression) [](const BridgeLibrary& b, int32_t h) { return Show(b.expression); }
#define TEXT_GETTER(name) \
  { L"" #name "()", CALL(name(h)), L"'" #name "'", L"" #name, L"NULL", true }
#define INT32_GETTER(name) \
  { L"" #name "()", CALL(name(h)), kInt32, L"" #name, L"0" }
#define INT64_GETTER(name) \
  { L"" #name "()", CALL(name(h)), kInt64, L"" #name, L"0" }
#define ACTION(name) \
  { L"" #name "()", CALL(name(h)), L"1", L"" #name, L"0" }

const Forward kForwards[] = {
    TEXT_GETTER(GetDriveName),
    TEXT_GETTER(GetDisplayName),
    TEXT_GETTER(GetVolumeLabel),
    TEXT_GETTER(GetFileSystemName),
    INT32_GETTER(GetBytesPerSector),
    INT32_GETTER(GetSectorsPerCluster),
    INT64_GETTER(GetDiskSize),
    INT64_GETTER(GetFreeSize),
    INT64_GETTER(GetUsedSize),
    INT64_GETTER(GetTotalClusters),
    INT64_GETTER(GetTotalDirs),
    INT64_GETTER(GetTotalFiles),
    INT64_GETTER(GetFragmentedFiles),
    INT64_GETTER(GetDefragmentedFiles),
    INT64_GETTER(GetTotalFragments),
    INT64_GETTER(GetSkippedFiles),
    INT64_GETTER(GetFragmentedSize),
    INT64_GETTER(GetNondefragmentedSize),
    TEXT_GETTER(GetCurrentFile),
    INT32_GETTER(GetPercentDone),  // the 64-bit answer keeps the sign
    INT32_GETTER(GetAccessStatus),
    TEXT_GETTER(GetReportFile),
    {L"SetReportFile(r.htm)", CALL(SetReportFile(h, L"r.htm")), L"1", L"SetReportFile", L"0"},
    {L"SetReportFile()", CALL(SetReportFile(h, nullptr)), L"1", L"SetReportFile", L"0"},
    INT32_GETTER(GetDefragPriority),
    {L"SetDefragPriority(-7)", CALL(SetDefragPriority(h, -7)), L"1", L"SetDefragPriority", L"0"},
    TEXT_GETTER(GetFileMask),
    {L"SetFileMask(*.iso)", CALL(SetFileMask(h, L"*.iso")), L"1", L"SetFileMask", L"0"},
    {L"SetFileMask()", CALL(SetFileMask(h, nullptr)), L"1", L"SetFileMask", L"0"},
    INT32_GETTER(GetFragmentation),
    {L"GetExclusionList()", ShowExclusionList, L"x|y|", L"GetExclusionList", L"NULL", true},
    {L"GetExclusionList()", ShowExclusionList, L"x|y|", L"GetItem", L"NULL", true},
    {L"GetExclusionList(); Clear(); GetExclusionList(); Add(a); GetExclusionList(); Add(b)",
     CALL(SetExclusionList(h, L"a\0b\0\0")), L"1", L"GetExclusionList", L"0"},
    INT32_GETTER(GetSkipFragments),
    {L"SetSkipFragments(255)", CALL(SetSkipFragments(h, 0x1FF)), L"1", L"SetSkipFragments", L"0"},
    INT64_GETTER(GetFragmentSize),
    {L"SetFragmentSize(-1099511627781)", CALL(SetFragmentSize(h, -(1LL << 40) - 5)), L"1",
     L"SetFragmentSize", L"0"},
    INT32_GETTER(GetInDefrag),
    INT32_GETTER(GetSuspendedDefrag),
    INT32_GETTER(GetTerminatedDefrag),
    INT32_GETTER(GetDefragComplete),
    INT32_GETTER(GetInAnalyze),
    INT32_GETTER(GetSuspendedAnalyze),
    INT32_GETTER(GetTerminatedAnalyze),
    INT32_GETTER(GetAnalyzeComplete),
    ACTION(OpenVolume),
    ACTION(UpdateVolumeInfo),
    {L"StartAnalyze(t,1)", CALL(StartAnalyze(h, L"t", 0x201)), L"1", L"StartAnalyze", L"0"},
    {L"StartAnalyze(,0)", CALL(StartAnalyze(h, nullptr, 0x100)), L"1", L"StartAnalyze", L"0"},
    ACTION(StopAnalyze),
    ACTION(ResumeAnalyze),
    ACTION(PauseAnalyze),
    {L"StartDefrag(-2,255)", CALL(StartDefrag(h, -2, 0x3FF)), L"1", L"StartDefrag", L"0"},
    ACTION(StopDefrag),
    ACTION(ResumeDefrag),
    ACTION(PauseDefrag),
    INT32_GETTER(isGUI),
    INT32_GETTER(GetThreadHandle),
    ACTION(ForceTerminate),
    ACTION(GenerateHtmlReport),
};

#undef CALL
#undef TEXT_GETTER
#undef INT32_GETTER
#undef INT64_GETTER
#undef ACTION

TEST(BridgeForwarding, EachExportReachesItsOwnMethodWithItsArgumentsAndAnswers) {
  // Its own engine must be the one the bridge loads: a process where none was loaded yet.
  if (!RunsAloneOrDelegates("BridgeForwarding.*")) return;
  RecordingEngine engine;
  ASSERT_TRUE(engine.Load());
  BridgeLibrary bridge;
  ASSERT_TRUE(bridge.Load());
  RecordedTexts* texts = engine.texts();
  ASSERT_EQ(bridge.GetVolumeHandle(L"D:\\", nullptr, nullptr, 0x301), 1);
  EXPECT_STREQ(engine.take(), L"GetVolumeIntf(D:\\,1)");

  for (const Forward& row : kForwards) {
    SCOPED_TRACE(testing::Message() << row.engine_calls);
    EXPECT_EQ(row.call(bridge, 1), row.answer);
    EXPECT_EQ(engine.take(), row.engine_calls);
    engine.fail(row.failing);
    EXPECT_EQ(row.call(bridge, 1), row.fallback);
    engine.fail(L"");
    EXPECT_EQ(texts->not_freed, 0);  // the failed call's text came back too
    // Texts that cannot be read: the default, not a crash, and what is no BSTR is not freed.
    for (GivenText bad :
         {GivenText::Unreadable, GivenText::HugeLength, GivenText::WrappingLength}) {
      texts->given = bad;
      EXPECT_EQ(row.call(bridge, 1), row.reads_engine_text ? row.fallback : row.answer);
    }
    EXPECT_EQ(texts->plain_freed, 0);
    texts->given = GivenText::Name;
    engine.take();
    EXPECT_EQ(row.call(bridge, 2), row.fallback);  // never opened: the engine is not asked
    EXPECT_STREQ(engine.take(), L"");
  }
}

}  // namespace
