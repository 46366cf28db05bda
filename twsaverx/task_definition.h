#pragma once
// The worker's Task Scheduler definition (schema 1.2). The task has no trigger and no
// arguments: it is started on demand and the worker takes its switches from the registry.
// "{PATH}" stands for the worker executable's full path and is replaced at installation.
#include <cstddef>

inline constexpr wchar_t task_definition_text[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
    L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"
    L"  <RegistrationInfo>"
    L"    <Source>Orbenlake Software</Source>"
    L"    <Author>Orbenlake Software</Author>"
    L"  </RegistrationInfo>"
    L"  <Triggers />"
    L"  <Principals>"
    L"    <Principal id=\"Author\">"
    L"      <RunLevel>HighestAvailable</RunLevel>"
    L"    </Principal>"
    L"  </Principals>"
    L"  <Settings>"
    L"    <MultipleInstancesPolicy>Parallel</MultipleInstancesPolicy>"
    L"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"
    L"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>"
    L"    <AllowHardTerminate>true</AllowHardTerminate>"
    L"    <StartWhenAvailable>false</StartWhenAvailable>"
    L"    <RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>"
    L"    <IdleSettings>"
    L"      <StopOnIdleEnd>true</StopOnIdleEnd>"
    L"      <RestartOnIdle>false</RestartOnIdle>"
    L"    </IdleSettings>"
    L"    <AllowStartOnDemand>true</AllowStartOnDemand>"
    L"    <Enabled>true</Enabled>"
    L"    <Hidden>false</Hidden>"
    L"    <RunOnlyIfIdle>false</RunOnlyIfIdle>"
    L"    <WakeToRun>false</WakeToRun>"
    L"    <ExecutionTimeLimit>P3D</ExecutionTimeLimit>"
    L"    <Priority>7</Priority>"
    L"  </Settings>"
    L"  <Actions Context=\"Author\">"
    L"    <Exec>"
    L"      <Command>\"{PATH}\"</Command>"
    L"    </Exec>"
    L"  </Actions>"
    L"</Task>";

inline constexpr std::size_t task_definition_length =
    sizeof(task_definition_text) / sizeof(task_definition_text[0]) - 1;
static_assert(task_definition_length == 1213, "the task definition must stay 1213 characters");
